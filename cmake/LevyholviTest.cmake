# levyholvi_add_qtest(<name> [SOURCES] <source>... [LIBS <lib>...] [TIMEOUT <seconds>])
#
# Builds a QtTest executable <name>, links Qt6::Test plus LIBS and registers it with ctest.
# Tests run headless and, in the sanitizer build, with leak checking on.
function(levyholvi_add_qtest name)
    cmake_parse_arguments(PARSE_ARGV 1 ARG "" "TIMEOUT" "SOURCES;LIBS")
    set(sources ${ARG_UNPARSED_ARGUMENTS} ${ARG_SOURCES})
    if(NOT sources)
        message(FATAL_ERROR "levyholvi_add_qtest(${name}): no sources given")
    endif()
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 300)
    endif()

    add_executable(${name} ${sources})
    target_link_libraries(${name} PRIVATE Qt6::Test ${ARG_LIBS})
    # Tests are full of expected texts: let plain literals become QStrings there.
    target_compile_options(${name} PRIVATE -UQT_NO_CAST_FROM_ASCII -DQT_RESTRICTED_CAST_FROM_ASCII)
    # Lets a test find files kept beside its source (test data).
    target_compile_definitions(${name} PRIVATE
        LEVYHOLVI_TEST_SOURCE_DIR="${CMAKE_CURRENT_SOURCE_DIR}")

    add_test(NAME ${name} COMMAND ${name} WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
    set_tests_properties(${name} PROPERTIES
        TIMEOUT ${ARG_TIMEOUT}
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ASAN_OPTIONS=detect_leaks=1;UBSAN_OPTIONS=print_stacktrace=1")
endfunction()
