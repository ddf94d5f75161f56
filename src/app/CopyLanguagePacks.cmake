# Copies the language packs next to the executable: every folder of SOURCE_DIR whose name
# does not begin with '.' becomes a folder of PROGRAM_DIR. The program offers every
# subfolder of its own folder as a language, so subfolders left from earlier builds
# (a pack since renamed or removed) are deleted first, and plain files of SOURCE_DIR are
# not copied.
#
# Usage: cmake -DSOURCE_DIR=<lang folder> -DPROGRAM_DIR=<program folder> -P CopyLanguagePacks.cmake

file(MAKE_DIRECTORY "${PROGRAM_DIR}")

file(GLOB old_entries LIST_DIRECTORIES true "${PROGRAM_DIR}/*")
foreach(entry IN LISTS old_entries)
    if(IS_DIRECTORY "${entry}")
        file(REMOVE_RECURSE "${entry}")
    endif()
endforeach()

file(GLOB packs LIST_DIRECTORIES true "${SOURCE_DIR}/*")
foreach(pack IN LISTS packs)
    get_filename_component(name "${pack}" NAME)
    if(IS_DIRECTORY "${pack}" AND NOT name MATCHES "^\\.")
        file(COPY "${pack}" DESTINATION "${PROGRAM_DIR}")
    endif()
endforeach()
