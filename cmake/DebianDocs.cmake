# Run by CPack before it packs the DEB (CPACK_PRE_BUILD_SCRIPTS): the documentation folder
# of a Debian package holds the licence as `copyright`, in the machine-readable format, and
# the release history as `changelog.gz`.

set(doc "${CPACK_TEMPORARY_INSTALL_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}/${CPACK_PELZAMO_DOCDIR}")

file(READ "${CPACK_PELZAMO_SOURCE_DIR}/LICENSE" licence)
if(NOT licence MATCHES "Copyright \\(c\\) ([^\n]+)\n\n(Permission.*[^\n])\n*$")
    message(FATAL_ERROR "LICENSE: no copyright line followed by the licence terms")
endif()
set(holders "${CMAKE_MATCH_1}")
string(REPLACE "\n\n" "\n.\n" terms "${CMAKE_MATCH_2}")
string(REPLACE "\n" "\n " terms "${terms}")
file(WRITE "${doc}/copyright" "\
Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: Pelzamo2007
Source: ${CPACK_DEBIAN_PACKAGE_HOMEPAGE}

Files: *
Copyright: ${holders}
License: Expat
 ${terms}
")
file(REMOVE "${doc}/LICENSE")

execute_process(COMMAND gzip -9 -n -c "${CPACK_PELZAMO_SOURCE_DIR}/data/changelog"
                OUTPUT_FILE "${doc}/changelog.gz" RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "gzip failed on data/changelog")
endif()
