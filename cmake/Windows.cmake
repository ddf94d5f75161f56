# The Windows build, cross-compiled on Debian by scripts/windows with the toolchain of
# cmake/mingw-w64-x86_64.cmake and a Qt for Windows built from Debian's qt6-base source
# (scripts/lib/windows-qt.sh). What differs from the Linux build:
# - that Qt has Core, Gui, Widgets and Test, no SVG: the icon is rendered on the host;
# - the tools the build runs (the icon renderer) come from a host build of this project,
#   PELZAMO_RENDER_ICON; that build's pelzamo-sim, PELZAMO_HOST_SIM, gives the Linux
#   spectra that the Windows ones are compared with;
# - GoogleTest is built from Debian's source, for the target;
# - the tests run under Wine (cmake/wine-run.in), offscreen where they draw;
# - installed, the program folder is the installation's top folder (WindowsPackage.cmake).

set(PELZAMO_RENDER_ICON "" CACHE FILEPATH "pelzamo_render_icon of a host (Linux) build")
set(PELZAMO_HOST_SIM "" CACHE FILEPATH "pelzamo-sim of a host (Linux) build")
foreach(tool PELZAMO_RENDER_ICON PELZAMO_HOST_SIM)
    if(NOT EXISTS "${${tool}}")
        message(FATAL_ERROR "${tool}: \"${${tool}}\" is not there (scripts/windows builds it)")
    endif()
endforeach()

find_package(Qt6 REQUIRED COMPONENTS Widgets)

# Installed, the program folder is the top of the installation: the executables, the
# packs, the DLLs they need and the licences.
set(PELZAMO_INSTALL_PROGRAMDIR .)

# The MinGW runtime DLLs (libstdc++, libgcc, winpthread) that the executables need.
set(PELZAMO_MINGW_RUNTIME)
foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                    OUTPUT_VARIABLE file OUTPUT_STRIP_TRAILING_WHITESPACE)
    get_filename_component(file ${file} REALPATH)
    if(NOT EXISTS ${file})
        message(FATAL_ERROR "MinGW runtime: ${dll} not found")
    endif()
    list(APPEND PELZAMO_MINGW_RUNTIME ${file})
endforeach()

if(PELZAMO_TESTS)
    # GoogleTest and GoogleMock from Debian's source (package googletest), built for
    # Windows like the tests.
    set(PELZAMO_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest's source")
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    add_subdirectory(${PELZAMO_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
    foreach(library gtest gtest_main gmock)
        if(NOT TARGET GTest::${library})
            add_library(GTest::${library} ALIAS ${library})
        endif()
    endforeach()

    # Every test runs under Wine, in a Wine prefix of its own in the build folder, with
    # Qt's DLLs and plugins and the MinGW runtime on its paths.
    find_program(WINE_EXECUTABLE wine REQUIRED)
    get_target_property(qt_core_dll Qt6::Core IMPORTED_LOCATION_RELEASE)
    get_filename_component(PELZAMO_QT_BIN ${qt_core_dll} DIRECTORY)
    get_filename_component(PELZAMO_QT_PLUGINS ${PELZAMO_QT_BIN}/../plugins ABSOLUTE)
    set(PELZAMO_WINE_PREFIX ${CMAKE_BINARY_DIR}/wine-prefix)
    set(PELZAMO_SOURCE_DIR ${PROJECT_SOURCE_DIR})
    configure_file(${CMAKE_CURRENT_LIST_DIR}/wine-run.in ${CMAKE_BINARY_DIR}/wine-run @ONLY
                   FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
                                    GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run)
endif()

