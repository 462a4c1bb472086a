# levyholvi_add_fuzzer(<name> [SOURCES] <source>... [LIBS <lib>...])
#
# Builds a libFuzzer executable <name> (use names fuzz_<unit>; scripts/test runs every
# build/fuzz/fuzz/fuzz_* it finds). Only meaningful when LEVYHOLVI_FUZZ is ON.
function(levyholvi_add_fuzzer name)
    cmake_parse_arguments(PARSE_ARGV 1 ARG "" "" "SOURCES;LIBS")
    set(sources ${ARG_UNPARSED_ARGUMENTS} ${ARG_SOURCES})
    if(NOT sources)
        message(FATAL_ERROR "levyholvi_add_fuzzer(${name}): no sources given")
    endif()
    add_executable(${name} ${sources})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS})
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
endfunction()
