# Copies the language packs next to the executable: every folder of SOURCE_DIR whose name
# does not begin with '.' becomes a folder of PROGRAM_DIR. The program offers every
# subfolder of its own folder as a language, so everything else in PROGRAM_DIR but the
# executable EXECUTABLE (packs since renamed or removed, files left by older builds) is
# deleted first. Plain files of SOURCE_DIR and names beginning with '.' inside a pack
# (.gitkeep and the like) are not copied.
#
# Usage: cmake -DSOURCE_DIR=<lang folder> -DPROGRAM_DIR=<program folder>
#              -DEXECUTABLE=<file name of the executable> -P CopyLanguagePacks.cmake

foreach(variable SOURCE_DIR PROGRAM_DIR EXECUTABLE)
    if("${${variable}}" STREQUAL "")
        message(FATAL_ERROR "CopyLanguagePacks.cmake needs -D${variable}=...")
    endif()
endforeach()

file(MAKE_DIRECTORY "${PROGRAM_DIR}")

file(GLOB old_entries LIST_DIRECTORIES true "${PROGRAM_DIR}/*")
foreach(entry IN LISTS old_entries)
    get_filename_component(name "${entry}" NAME)
    if(NOT name STREQUAL EXECUTABLE)
        file(REMOVE_RECURSE "${entry}")
    endif()
endforeach()

file(GLOB packs LIST_DIRECTORIES true "${SOURCE_DIR}/*")
foreach(pack IN LISTS packs)
    get_filename_component(name "${pack}" NAME)
    if(IS_DIRECTORY "${pack}" AND NOT name MATCHES "^\\.")
        file(COPY "${pack}" DESTINATION "${PROGRAM_DIR}" PATTERN ".*" EXCLUDE)
    endif()
endforeach()
