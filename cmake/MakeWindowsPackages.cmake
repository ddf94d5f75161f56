# The Windows zip and installer, from the installation of the build (WindowsPackage.cmake):
# installed (stripped) into STAGE, zipped with the folder Pelzamo2007\ at the top, and made
# into an NSIS installer whose uninstaller deletes exactly the files installed.
#
# The DLLs (Qt's, the MinGW runtime's) are stripped too: the runtime comes with its
# debugging symbols.
#
# Usage: cmake -DBUILD_DIR=... -DSTAGE=... -DZIP=... -DINSTALLER=... -DZIP_EXECUTABLE=...
#              -DSTRIP=... -DMAKENSIS=... -DNSI_TEMPLATE=... -DICON=... -DPROJECT_VERSION=...
#              -DPROJECT_VERSION_MAJOR=... -DPROJECT_VERSION_MINOR=... -P MakeWindowsPackages.cmake

foreach(variable BUILD_DIR STAGE ZIP INSTALLER ZIP_EXECUTABLE STRIP MAKENSIS NSI_TEMPLATE ICON)
    if("${${variable}}" STREQUAL "" OR "${${variable}}" MATCHES "-NOTFOUND$")
        message(FATAL_ERROR "MakeWindowsPackages.cmake: ${variable} is not set (zip and nsis installed?)")
    endif()
endforeach()

file(REMOVE_RECURSE ${STAGE})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${STAGE} --strip
                OUTPUT_QUIET RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "installing into ${STAGE} failed")
endif()
file(GLOB_RECURSE dlls ${STAGE}/*.dll)
execute_process(COMMAND ${STRIP} --strip-unneeded ${dlls} RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "stripping the DLLs failed")
endif()

get_filename_component(package_dir ${ZIP} DIRECTORY)
file(MAKE_DIRECTORY ${package_dir})
file(REMOVE ${ZIP})
get_filename_component(stage_parent ${STAGE} DIRECTORY)
get_filename_component(stage_name ${STAGE} NAME)
execute_process(COMMAND ${ZIP_EXECUTABLE} -q -r -9 -X ${ZIP} ${stage_name}
                WORKING_DIRECTORY ${stage_parent} RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "zip failed")
endif()

# The installer's file lists: File for each file under its folder; the uninstaller deletes
# those files, then the folders deepest first, each only if it is empty by then.
file(GLOB_RECURSE files RELATIVE ${STAGE} ${STAGE}/*)
file(GLOB_RECURSE entries LIST_DIRECTORIES true RELATIVE ${STAGE} ${STAGE}/*)
list(SORT files)
set(folders ${entries})
list(REMOVE_ITEM folders ${files})
list(SORT folders)
list(REVERSE folders)
set(install_lines "")
set(uninstall_lines "")
set(current_folder "-")
set(size 0)
foreach(file IN LISTS files)
    get_filename_component(folder "${file}" DIRECTORY)
    string(REPLACE "/" "\\" windows_folder "${folder}")
    string(REPLACE "/" "\\" windows_file "${file}")
    string(REPLACE "$" "$$" windows_folder "${windows_folder}")
    string(REPLACE "$" "$$" windows_file "${windows_file}")
    if(NOT folder STREQUAL current_folder)
        if(folder STREQUAL "")
            string(APPEND install_lines "SetOutPath \"$INSTDIR\"\n")
        else()
            string(APPEND install_lines "SetOutPath \"$INSTDIR\\${windows_folder}\"\n")
        endif()
        set(current_folder "${folder}")
    endif()
    string(APPEND install_lines "File \"${STAGE}/${file}\"\n")
    string(APPEND uninstall_lines "Delete \"$INSTDIR\\${windows_file}\"\n")
    file(SIZE ${STAGE}/${file} bytes)
    math(EXPR size "${size} + ${bytes}")
endforeach()
foreach(folder IN LISTS folders)
    string(REPLACE "/" "\\" windows_folder "${folder}")
    string(REPLACE "$" "$$" windows_folder "${windows_folder}")
    string(APPEND uninstall_lines "RMDir \"$INSTDIR\\${windows_folder}\"\n")
endforeach()
string(APPEND install_lines "SetOutPath \"$INSTDIR\"\n")
math(EXPR SIZE_KB "(${size} + 1023) / 1024")

get_filename_component(nsis_dir ${STAGE} DIRECTORY)
set(FILES_NSH ${nsis_dir}/files.nsh)
set(UNINSTALL_NSH ${nsis_dir}/uninstall.nsh)
file(WRITE ${FILES_NSH} "${install_lines}")
file(WRITE ${UNINSTALL_NSH} "${uninstall_lines}")
configure_file(${NSI_TEMPLATE} ${nsis_dir}/installer.nsi @ONLY)
file(REMOVE ${INSTALLER})
execute_process(COMMAND ${MAKENSIS} -V2 -NOCD ${nsis_dir}/installer.nsi RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "makensis failed")
endif()
foreach(package ${ZIP} ${INSTALLER})
    file(SIZE ${package} bytes)
    math(EXPR kb "${bytes} / 1024")
    message(STATUS "${package}: ${kb} KiB")
endforeach()
