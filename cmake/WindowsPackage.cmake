# The Windows installation: the program folder is the top of it, and holds
#
#   Pelzamo2007.exe, pelzamo-sim.exe   the program and the batch tool
#   English\, Magyar\, ...             the language packs (every subfolder is one)
#   Qt6Core.dll, Qt6Gui.dll, Qt6Widgets.dll and the MinGW runtime DLLs
#   qt.conf, .qt\plugins\              Qt's plugins, in a folder whose name begins with '.'
#                                      so that it is not offered as a language
#   README.txt, LICENSE.txt            and the licences of Qt and the MinGW runtime
#
# Qt is linked dynamically, as its LGPL allows: its DLLs can be replaced, and README.txt
# says where its source is. The target windows_packages makes the zip and the installer
# from this installation (cmake/MakeWindowsPackages.cmake).

install(TARGETS pelzamo-sim RUNTIME DESTINATION .)

foreach(module Core Gui Widgets)
    install(FILES $<TARGET_FILE:Qt6::${module}> DESTINATION .)
endforeach()
install(FILES ${PELZAMO_MINGW_RUNTIME} DESTINATION .)
install(FILES $<TARGET_FILE:Qt6::QWindowsIntegrationPlugin> DESTINATION .qt/plugins/platforms)
if(TARGET Qt6::QWindowsVistaStylePlugin)
    install(FILES $<TARGET_FILE:Qt6::QWindowsVistaStylePlugin> DESTINATION .qt/plugins/styles)
endif()
install(FILES ${PROJECT_SOURCE_DIR}/data/windows/qt.conf DESTINATION .)

# The Debian version of the qt6-base source that Qt was built from (scripts/windows).
set(PELZAMO_QT_SOURCE_VERSION "${Qt6_VERSION}" CACHE STRING
    "Version of Debian's qt6-base source package that the Windows Qt was built from")
set(staging ${CMAKE_BINARY_DIR}/install-files)
configure_file(${PROJECT_SOURCE_DIR}/data/windows/README.txt.in ${staging}/README.txt @ONLY)
install(FILES ${staging}/README.txt DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION . RENAME LICENSE.txt)
# Qt: Debian's copyright file of the qt6-base source, and the LGPL (with the GPL it builds
# on); the MinGW runtime: GCC's runtime library exception and winpthreads' licence.
install(FILES /usr/share/doc/libqt6core6/copyright DESTINATION . RENAME LICENSE-Qt.txt)
install(FILES /usr/share/common-licenses/LGPL-3 DESTINATION . RENAME LICENSE-LGPL-3.txt)
install(FILES /usr/share/common-licenses/GPL-3 DESTINATION . RENAME LICENSE-GPL-3.txt)
install(FILES /usr/share/doc/gcc-mingw-w64-base/copyright DESTINATION .
        RENAME LICENSE-MinGW-GCC-runtime.txt)
install(FILES /usr/share/doc/mingw-w64-common/copyright DESTINATION .
        RENAME LICENSE-MinGW-w64.txt)

# The zip and the installer, in PELZAMO_PACKAGE_DIR.
set(PELZAMO_PACKAGE_DIR ${CMAKE_BINARY_DIR}/packages CACHE PATH
    "Where the windows_packages target writes the zip and the installer")
find_program(MAKENSIS_EXECUTABLE makensis)
find_program(ZIP_EXECUTABLE zip)
set(PELZAMO_ZIP ${PELZAMO_PACKAGE_DIR}/Pelzamo2007-${PROJECT_VERSION}-windows-x64.zip)
set(PELZAMO_INSTALLER ${PELZAMO_PACKAGE_DIR}/Pelzamo2007-${PROJECT_VERSION}-setup.exe)
set(PELZAMO_STAGE ${CMAKE_BINARY_DIR}/stage/Pelzamo2007)
add_custom_target(windows_packages
    COMMAND ${CMAKE_COMMAND} -DBUILD_DIR=${CMAKE_BINARY_DIR} -DSTAGE=${PELZAMO_STAGE}
            -DZIP=${PELZAMO_ZIP} -DINSTALLER=${PELZAMO_INSTALLER}
            -DZIP_EXECUTABLE=${ZIP_EXECUTABLE} -DSTRIP=${CMAKE_STRIP}
            -DMAKENSIS=${MAKENSIS_EXECUTABLE}
            -DNSI_TEMPLATE=${PROJECT_SOURCE_DIR}/data/windows/installer.nsi.in
            -DICON=${CMAKE_BINARY_DIR}/src/app/pelzamo2007.ico
            -DPROJECT_VERSION=${PROJECT_VERSION}
            -DPROJECT_VERSION_MAJOR=${PROJECT_VERSION_MAJOR}
            -DPROJECT_VERSION_MINOR=${PROJECT_VERSION_MINOR}
            -P ${CMAKE_CURRENT_LIST_DIR}/MakeWindowsPackages.cmake
    COMMENT "Making the Windows zip and installer" VERBATIM)
add_dependencies(windows_packages Pelzamo2007 pelzamo-sim language_packs)
