# Host tests: GoogleTest on Linux over the portable code, with sanitizers.
file(GLOB host_test_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/host/*.cpp)
# The sample package that both sides of the tests and the fuzz seeds build.
set(sample_package_sources ${CMAKE_SOURCE_DIR}/tests/common/sample_package.cpp)
add_executable(host_tests ${host_test_sources} ${sample_package_sources})
target_include_directories(host_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests/host ${CMAKE_SOURCE_DIR}/tests/common)
target_link_libraries(host_tests PRIVATE slipway_builder_checked slipway_inspect_checked slipway_writer_checked
    slipway_wizard_rules_checked slipway_link_layout_checked GTest::gtest_main)
target_compile_definitions(host_tests PRIVATE SLIPWAY_SOURCE_DIR="${CMAKE_SOURCE_DIR}" SLIPWAY_STUB_PATH="${SLIPWAY_STUB}")
gtest_discover_tests(host_tests TEST_PREFIX "host." DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "ASAN_OPTIONS=detect_leaks=1:abort_on_error=1")

# Writes the fuzz targets' seed corpora with the real writer; not a test:
#   build/host/make_fuzz_seeds tests/fuzz/corpus
add_executable(make_fuzz_seeds ${CMAKE_SOURCE_DIR}/tests/fuzz/make_seeds.cpp ${CMAKE_SOURCE_DIR}/tests/host/test_packages.cpp
    ${CMAKE_SOURCE_DIR}/tests/host/engine_samples.cpp ${sample_package_sources})
target_include_directories(make_fuzz_seeds PRIVATE ${CMAKE_SOURCE_DIR}/tests/host ${CMAKE_SOURCE_DIR}/tests/common)
target_link_libraries(make_fuzz_seeds PRIVATE slipway_writer)
target_compile_definitions(make_fuzz_seeds PRIVATE SLIPWAY_STUB_PATH="${SLIPWAY_STUB}")

# The benchmarks' payload generator and their reading of the builder's output.
add_test(NAME host.bench_tools COMMAND ${CMAKE_SOURCE_DIR}/tests/host/bench-tools.sh ${CMAKE_SOURCE_DIR} $<TARGET_FILE:slipway>)
set_tests_properties(host.bench_tools PROPERTIES TIMEOUT 600)
