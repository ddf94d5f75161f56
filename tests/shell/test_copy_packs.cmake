# The copy of the language packs next to the executable: afterwards the program folder
# holds the executable and the current packs, and nothing else.
#
# Usage: cmake -DSCRIPT=<CopyLanguagePacks.cmake> -DWORK_DIR=<scratch folder> -P test_copy_packs.cmake

set(lang "${WORK_DIR}/lang")
set(program "${WORK_DIR}/program")
file(REMOVE_RECURSE "${WORK_DIR}")

# A lang folder with a pack holding a dot file and a subfolder, a hidden pack and plain files.
file(WRITE "${lang}/English/Pelzamo2007.ini" "[General]\n")
file(WRITE "${lang}/English/.gitkeep" "")
file(WRITE "${lang}/English/images/figure.txt" "")
file(WRITE "${lang}/.old/Pelzamo2007.ini" "")
file(WRITE "${lang}/.gitkeep" "")
file(WRITE "${lang}/README.txt" "")
# A program folder left by an older build: the executable, a pack since renamed, stray files.
file(WRITE "${program}/Pelzamo2007" "executable")
file(WRITE "${program}/Englsh/Pelzamo2007.ini" "")
file(WRITE "${program}/.gitkeep" "")
file(WRITE "${program}/README.txt" "")
file(MAKE_DIRECTORY "${program}/.hidden")

execute_process(
    COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${lang} -DPROGRAM_DIR=${program}
            -DEXECUTABLE=Pelzamo2007 -P ${SCRIPT}
    RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "the copy failed: ${result}")
endif()

file(GLOB_RECURSE found LIST_DIRECTORIES true RELATIVE "${program}" "${program}/*")
list(SORT found)
set(expected English English/Pelzamo2007.ini English/images English/images/figure.txt Pelzamo2007)
if(NOT found STREQUAL expected)
    message(FATAL_ERROR "program folder holds [${found}], expected [${expected}]")
endif()
file(READ "${program}/Pelzamo2007" executable)
if(NOT executable STREQUAL "executable")
    message(FATAL_ERROR "the executable was touched")
endif()

# Without a program folder the script refuses to run rather than clear another folder.
execute_process(
    COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${lang} -DPROGRAM_DIR= -DEXECUTABLE=Pelzamo2007
            -P ${SCRIPT}
    RESULT_VARIABLE result OUTPUT_QUIET ERROR_QUIET)
if(result EQUAL 0)
    message(FATAL_ERROR "an empty program folder was accepted")
endif()

file(REMOVE_RECURSE "${WORK_DIR}")
