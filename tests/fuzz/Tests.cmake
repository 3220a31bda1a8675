# One libFuzzer target per reader of untrusted bytes, each run briefly here
# over its seed corpus.
file(GLOB fuzz_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/fuzz/fuzz_*.cpp)
foreach(source IN LISTS fuzz_sources)
    get_filename_component(name ${source} NAME_WE)
    add_executable(${name} ${source})
    target_link_libraries(${name} PRIVATE slipway_tools_fuzz slipway_format_fuzz)
    target_link_options(${name} PRIVATE ${fuzz_flags})
    set(corpus ${CMAKE_SOURCE_DIR}/tests/fuzz/corpus/${name})
    set(work ${CMAKE_BINARY_DIR}/corpus/${name})
    add_test(NAME fuzz.${name}
        COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=1
                ${CMAKE_SOURCE_DIR}/tests/fuzz/run-fuzzer.sh $<TARGET_FILE:${name}> ${corpus} ${work}
                ${SLIPWAY_FUZZ_SECONDS})
endforeach()
