# Builds the Debian package of a build folder with CPack and checks its control fields, its
# file list and, where lintian is installed, that lintian finds neither errors nor warnings.
#
# Usage: cmake -DBUILD_DIR=<build folder> -DWORK_DIR=<scratch folder> -DVERSION=<version>
#              -DAPP_ID=<desktop id> -DCPACK=<cpack> -P check_deb.cmake

set(failures "")
macro(fail message)
    string(APPEND failures "  ${message}\n")
endmacro()

file(REMOVE_RECURSE "${WORK_DIR}")
execute_process(COMMAND "${CPACK}" -G DEB -B "${WORK_DIR}" --config "${BUILD_DIR}/CPackConfig.cmake"
                RESULT_VARIABLE failed OUTPUT_VARIABLE output ERROR_VARIABLE output)
file(GLOB packages "${WORK_DIR}/*.deb")
list(LENGTH packages count)
if(failed OR NOT count EQUAL 1)
    message(FATAL_ERROR "cpack made no single package:\n${output}")
endif()

# Control fields: each field, a blank and a pattern its value must match.
execute_process(COMMAND dpkg --print-architecture OUTPUT_VARIABLE arch
                OUTPUT_STRIP_TRAILING_WHITESPACE)
string(REPLACE "." "\\." version "${VERSION}")
set(dependency "(^|, )") # a package name starts the list or follows ", "
set(fields
    "Package ^pelzamo2007$"
    "Version ^${version}$"
    "Architecture ^${arch}$"
    "Section ^education$"
    "Maintainer ^[^<>]+ <[^<>@ ]+@[^<>@ ]+>$"
    "Description ^gamma-ray spectroscopy simulator for physics students\n .+"
    # from dpkg-shlibdeps, with versions
    "Depends ${dependency}libqt6widgets6 \\(>= [0-9.]+\\)"
    "Depends ${dependency}libqt6svg6 \\(>= [0-9.]+\\)"
    "Depends ${dependency}libc6 \\(>= [0-9.]+\\)"
    # loaded at run time: named by hand
    "Depends ${dependency}qt6-qpa-plugins(,|$)"
    "Depends ${dependency}fonts-dejavu-core(,|$)")
foreach(entry IN LISTS fields)
    string(REGEX MATCH "^([^ ]+) (.*)$" entry "${entry}")
    set(field "${CMAKE_MATCH_1}")
    set(pattern "${CMAKE_MATCH_2}")
    execute_process(COMMAND dpkg-deb --field "${packages}" ${field} OUTPUT_VARIABLE value
                    OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT value MATCHES "${pattern}")
        fail("${field}: \"${value}\" does not match ${pattern}")
    endif()
endforeach()

# The file list, exactly: the program folder holds the executable and the packs only, the
# launcher is a relative link to the executable.
set(expected
    usr/bin/pelzamo-sim
    "usr/bin/pelzamo2007 -> ../lib/pelzamo2007/Pelzamo2007"
    usr/lib/pelzamo2007/Pelzamo2007
    usr/share/applications/${APP_ID}.desktop
    usr/share/doc/pelzamo2007/README.md
    usr/share/doc/pelzamo2007/changelog.gz
    usr/share/doc/pelzamo2007/copyright
    usr/share/icons/hicolor/scalable/apps/${APP_ID}.svg
    usr/share/man/man1/pelzamo-sim.1.gz
    usr/share/man/man1/pelzamo2007.1.gz
    usr/share/metainfo/${APP_ID}.metainfo.xml)
foreach(pack English Magyar)
    foreach(file Pelzamo2007.ini Program.rtf Tasks.rtf)
        list(APPEND expected usr/lib/pelzamo2007/${pack}/${file})
    endforeach()
endforeach()
foreach(size 16 22 24 32 48 64 128 256)
    list(APPEND expected usr/share/icons/hicolor/${size}x${size}/apps/${APP_ID}.png)
endforeach()
execute_process(COMMAND dpkg-deb --contents "${packages}" OUTPUT_VARIABLE listing)
string(REGEX REPLACE "\n$" "" listing "${listing}")
string(REPLACE "\n" ";" listing "${listing}")
set(files "")
foreach(line IN LISTS listing)
    # permissions owner size date time ./path [-> target]; folders end with '/'
    if(line MATCHES "^[-l][^ ]+ root/root +[0-9]+ [^ ]+ [^ ]+ \\./(.+)$")
        list(APPEND files "${CMAKE_MATCH_1}")
    elseif(NOT line MATCHES "^d[^ ]+ root/root .* \\./(.*/)?$")
        fail("unexpected entry (owner, type): ${line}")
    endif()
endforeach()
list(SORT files)
list(SORT expected)
if(NOT files STREQUAL expected)
    string(REPLACE ";" "\n    " files "${files}")
    string(REPLACE ";" "\n    " expected "${expected}")
    fail("file list:\n    ${files}\n  expected:\n    ${expected}")
endif()

find_program(LINTIAN lintian)
if(LINTIAN)
    execute_process(COMMAND "${LINTIAN}" --fail-on error,warning "${packages}"
                    RESULT_VARIABLE failed OUTPUT_VARIABLE output ERROR_VARIABLE output)
    if(failed)
        fail("lintian:\n${output}")
    endif()
else()
    message(STATUS "lintian not installed: not run")
endif()

if(failures)
    message(FATAL_ERROR "${packages}:\n${failures}")
endif()
