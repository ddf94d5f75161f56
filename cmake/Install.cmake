# The installation around the program folder, in the layout of a Linux distribution:
#
#   bin/pelzamo2007                   relative link to the executable in the program folder
#   bin/pelzamo-sim
#   lib/pelzamo2007/                  the program folder (src/app/CMakeLists.txt)
#   share/applications/ID.desktop     menu entry
#   share/metainfo/ID.metainfo.xml    AppStream metadata
#   share/icons/hicolor/*/apps/ID.*   the icon: the SVG design and PNGs rendered from it
#   share/man/man1/                   pelzamo2007.1.gz, pelzamo-sim.1.gz
#   share/doc/pelzamo2007/            README.md, LICENSE
#
# ID is PELZAMO_APP_ID. The program finds its folder through the real path of its
# executable, so a relative link in bin/ starts it like the executable itself.
# Everything here but the pelzamo-sim man page (help2man) needs only the build's tools.

set(staging ${CMAKE_BINARY_DIR}/install-files)

# bin/: the launcher link, made in the build tree (dangling there) and installed as a link.
function(pelzamo_relative_path out from to)
    foreach(dir from to)
        if(NOT IS_ABSOLUTE "${${dir}}")
            set(${dir} "/${${dir}}")
        endif()
    endforeach()
    file(RELATIVE_PATH path "${from}" "${to}")
    set(${out} "${path}" PARENT_SCOPE)
endfunction()
pelzamo_relative_path(executable ${CMAKE_INSTALL_BINDIR} ${PELZAMO_INSTALL_PROGRAMDIR}/Pelzamo2007)
file(MAKE_DIRECTORY ${staging}/bin)
file(CREATE_LINK ${executable} ${staging}/bin/pelzamo2007 SYMBOLIC)
install(FILES ${staging}/bin/pelzamo2007 DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS pelzamo-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# Menu entry and AppStream metadata. The release and its date come from the newest entry of
# data/changelog, which must be that of PROJECT_VERSION.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/data/changelog)
file(STRINGS ${PROJECT_SOURCE_DIR}/data/changelog changelog)
list(GET changelog 0 newest)
string(REGEX MATCH "^[^ ]+ \\(([^)]+)\\)" _ "${newest}")
if(NOT CMAKE_MATCH_1 STREQUAL PROJECT_VERSION)
    message(FATAL_ERROR "data/changelog: the newest entry is not that of ${PROJECT_VERSION}")
endif()
list(FILTER changelog INCLUDE REGEX "^ -- ")
list(GET changelog 0 signature) # " -- name <address>  Tue, 08 Dec 2026 00:00:00 +0000"
set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
string(REGEX MATCH ", ([0-9][0-9]) ([A-Z][a-z][a-z]) ([0-9][0-9][0-9][0-9]) " _ "${signature}")
list(FIND months "${CMAKE_MATCH_2}" month)
if(month LESS 0)
    message(FATAL_ERROR "data/changelog: no date in \"${signature}\"")
endif()
math(EXPR month "101 + ${month}") # 1-based, after a leading 1 that keeps the zero
string(SUBSTRING ${month} 1 2 month)
set(PELZAMO_RELEASE_DATE ${CMAKE_MATCH_3}-${month}-${CMAKE_MATCH_1})
configure_file(${PROJECT_SOURCE_DIR}/data/pelzamo2007.desktop.in
               ${staging}/${PELZAMO_APP_ID}.desktop @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/data/pelzamo2007.metainfo.xml.in
               ${staging}/${PELZAMO_APP_ID}.metainfo.xml @ONLY)
install(FILES ${staging}/${PELZAMO_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${staging}/${PELZAMO_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# Icon: the design itself as the scalable icon, and PNGs at the usual theme sizes rendered
# from it by the same renderer that draws the window icon.
set(icon_design ${PROJECT_SOURCE_DIR}/data/pelzamo2007.svg)
set(icon_dir ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
install(FILES ${icon_design} DESTINATION ${icon_dir}/scalable/apps RENAME ${PELZAMO_APP_ID}.svg)
set(generated_files)
foreach(size 16 22 24 32 48 64 128 256)
    set(png ${staging}/icons/${size}x${size}/${PELZAMO_APP_ID}.png)
    add_custom_command(OUTPUT ${png}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${staging}/icons/${size}x${size}
        COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0
                $<TARGET_FILE:pelzamo_render_icon> ${icon_design} ${size} ${png}
        DEPENDS pelzamo_render_icon ${icon_design}
        COMMENT "Rendering the ${size}x${size} icon" VERBATIM)
    install(FILES ${png} DESTINATION ${icon_dir}/${size}x${size}/apps)
    list(APPEND generated_files ${png})
endforeach()

# Man pages, compressed as distributions ship them. The program has no options, so its page
# is written by hand; pelzamo-sim's is made from its --help.
find_program(GZIP_EXECUTABLE gzip REQUIRED)
find_program(HELP2MAN_EXECUTABLE help2man)
configure_file(${PROJECT_SOURCE_DIR}/data/pelzamo2007.1 ${staging}/man/pelzamo2007.1 @ONLY)
set(man_pages ${staging}/man/pelzamo2007.1.gz)
if(HELP2MAN_EXECUTABLE)
    set(SIM $<TARGET_FILE:pelzamo-sim>)
    configure_file(${CMAKE_CURRENT_LIST_DIR}/help2man-input.sh.in
                   ${staging}/man/pelzamo-sim.in @ONLY)
    file(GENERATE OUTPUT ${staging}/man/pelzamo-sim INPUT ${staging}/man/pelzamo-sim.in
         FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                          WORLD_READ WORLD_EXECUTE)
    add_custom_command(OUTPUT ${staging}/man/pelzamo-sim.1
        COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0
                ${HELP2MAN_EXECUTABLE} --no-info --section=1
                "--name=simulate gamma-ray spectra without a window"
                --version-string=${PROJECT_VERSION}
                --include=${PROJECT_SOURCE_DIR}/data/pelzamo-sim.h2m
                --output=${staging}/man/pelzamo-sim.1 ${staging}/man/pelzamo-sim
        DEPENDS pelzamo-sim ${PROJECT_SOURCE_DIR}/data/pelzamo-sim.h2m
        COMMENT "Writing the pelzamo-sim man page" VERBATIM)
    list(APPEND man_pages ${staging}/man/pelzamo-sim.1.gz)
else()
    message(WARNING "help2man not found: the pelzamo-sim man page is not installed")
endif()
foreach(page IN LISTS man_pages)
    string(REGEX REPLACE "\\.gz$" "" source ${page})
    add_custom_command(OUTPUT ${page}
        COMMAND ${GZIP_EXECUTABLE} -9 -n -k -f ${source}
        DEPENDS ${source} VERBATIM)
endforeach()
install(FILES ${man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
list(APPEND generated_files ${man_pages})

install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

add_custom_target(install_files ALL DEPENDS ${generated_files})

# The menu entry and the metadata pass the checkers that distributions run, where present.
if(PELZAMO_TESTS)
    find_program(DESKTOP_FILE_VALIDATE_EXECUTABLE desktop-file-validate)
    find_program(APPSTREAMCLI_EXECUTABLE appstreamcli)
    if(DESKTOP_FILE_VALIDATE_EXECUTABLE)
        add_test(NAME desktop_entry_valid
                 COMMAND ${DESKTOP_FILE_VALIDATE_EXECUTABLE} ${staging}/${PELZAMO_APP_ID}.desktop)
    endif()
    if(APPSTREAMCLI_EXECUTABLE)
        add_test(NAME appstream_metadata_valid
                 COMMAND ${APPSTREAMCLI_EXECUTABLE} validate --no-net
                         ${staging}/${PELZAMO_APP_ID}.metainfo.xml)
    endif()
endif()
