# Project-wide helpers: warnings for our own targets and test registration.

function(pelzamo_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
endfunction()

# pelzamo_expose_headers(<target> <folder>)
# Lets the target and whatever links it include the headers of src/<folder> as
# "<folder>/Name.h", and nothing else of src/: each target sees only the folders of the
# targets it links, so a lower layer cannot include a higher one. The include root is a
# build-tree folder holding one link to src/<folder>.
function(pelzamo_expose_headers target folder)
    set(root ${CMAKE_BINARY_DIR}/include/${folder})
    if(NOT EXISTS ${root}/${folder})
        file(MAKE_DIRECTORY ${root})
        file(CREATE_LINK ${PROJECT_SOURCE_DIR}/src/${folder} ${root}/${folder} SYMBOLIC)
    endif()
    target_include_directories(${target} PUBLIC ${root})
endfunction()

# pelzamo_add_gtest(NAME <name> SOURCES <files...> LIBS <targets...>)
# One GoogleTest executable per module, registered as one CTest test.
function(pelzamo_add_gtest)
    cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS" ${ARGN})
    add_executable(${T_NAME} ${T_SOURCES})
    target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
    pelzamo_warnings(${T_NAME})
    add_test(NAME ${T_NAME} COMMAND ${T_NAME})
endfunction()

# pelzamo_add_qtest(NAME <name> SOURCES <files...> LIBS <targets...>
#                   [ROWS <function> <tags...>] [TIMEOUT <seconds>])
# One QtTest executable, run without a display. With ROWS, each data row of one
# table-driven test function runs as a CTest test of its own, <name>.<tag>, so that a row
# that hangs fails alone; TIMEOUT bounds every test registered.
function(pelzamo_add_qtest)
    cmake_parse_arguments(T "" "NAME;TIMEOUT" "SOURCES;LIBS;ROWS" ${ARGN})
    add_executable(${T_NAME} ${T_SOURCES})
    target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} Qt6::Test Qt6::Widgets)
    pelzamo_warnings(${T_NAME})
    set(tests ${T_NAME})
    if(T_ROWS)
        list(POP_FRONT T_ROWS function)
        set(tests "")
        foreach(tag IN LISTS T_ROWS)
            add_test(NAME ${T_NAME}.${tag} COMMAND ${T_NAME} ${function}:${tag})
            list(APPEND tests ${T_NAME}.${tag})
        endforeach()
    else()
        add_test(NAME ${T_NAME} COMMAND ${T_NAME})
    endif()
    # A crash fails the test at once: no debugger is started for a stack trace, which
    # can hang where the debugger may not attach.
    set(env "QT_QPA_PLATFORM=offscreen" "QTEST_DISABLE_STACK_DUMP=1")
    if(PELZAMO_SANITIZE)
        # Qt and fontconfig keep caches alive until exit; leak reports there are not ours.
        list(APPEND env "ASAN_OPTIONS=detect_leaks=0")
    endif()
    set_tests_properties(${tests} PROPERTIES ENVIRONMENT "${env}")
    if(T_TIMEOUT)
        set_tests_properties(${tests} PROPERTIES TIMEOUT ${T_TIMEOUT})
    endif()
endfunction()
