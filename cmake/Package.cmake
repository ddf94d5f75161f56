# The Debian package: `cpack -G DEB` in a build folder gives pelzamo2007_VERSION_ARCH.deb with
# the installation of cmake/Install.cmake under /usr.

set(PELZAMO_MAINTAINER "Pelzamo2007 developers <pelzamo2007@users.noreply.github.com>"
    CACHE STRING "Maintainer of the Debian package: name <address>")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME pelzamo2007)
set(CPACK_PACKAGE_VENDOR "Pelzamo2007 developers")
set(CPACK_PACKAGE_CONTACT "${PELZAMO_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "gamma-ray spectroscopy simulator for physics students")
set(CPACK_PACKAGE_DESCRIPTION [[
An interactive simulator of a gamma-ray spectroscopy lab. A point source with
gamma lines of 0.662, 2.56 and 3.75 MeV sits on a bench; a cylindrical NaI(Tl)
crystal stands 3 to 40 cm away. A measurement follows the decays one by one
(photoelectric absorption, Compton scattering, pair production) and redraws the
4096-channel spectrum live. Students set a preset time, zoom and scale the
plot, read channels with a cursor and evaluate a region of interest. The texts
and a lab sheet of tasks come in English and Hungarian.
.
The batch tool pelzamo-sim runs the same simulation without a window and
writes reference spectra as CSV or IAEA SPE files.]])
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION education)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time, so dpkg-shlibdeps cannot see them: Qt's platform plugins (xcb for a
# window) and the font of the plot labels.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-dejavu-core")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${PROJECT_HOMEPAGE_URL}")
# copyright and changelog.gz in the documentation folder.
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/DebianDocs.cmake)
set(CPACK_PELZAMO_SOURCE_DIR ${PROJECT_SOURCE_DIR})
set(CPACK_PELZAMO_DOCDIR ${CMAKE_INSTALL_DOCDIR})

include(CPack)

# The package as a test: it is made from the normal build (a sanitizer build would depend on
# the sanitizer libraries), and only where the Debian tools that make it are installed.
if(PELZAMO_TESTS AND NOT PELZAMO_SANITIZE)
    find_program(DPKG_SHLIBDEPS_EXECUTABLE dpkg-shlibdeps)
    if(DPKG_SHLIBDEPS_EXECUTABLE)
        add_test(NAME deb_package
                 COMMAND ${CMAKE_COMMAND} -DBUILD_DIR=${CMAKE_BINARY_DIR}
                         -DWORK_DIR=${CMAKE_BINARY_DIR}/deb_package -DVERSION=${PROJECT_VERSION}
                         -DAPP_ID=${PELZAMO_APP_ID} -DCPACK=${CMAKE_CPACK_COMMAND}
                         -P ${PROJECT_SOURCE_DIR}/tests/package/check_deb.cmake)
    endif()
endif()
