# libFuzzer targets for every reader of untrusted bytes. ctest runs each one
# briefly over its committed seed corpus; scripts/fuzz.sh runs them longer.
find_package(PkgConfig REQUIRED)
pkg_check_modules(LZMA REQUIRED IMPORTED_TARGET liblzma)
enable_testing()

set(fuzz_flags -fsanitize=fuzzer,address,undefined -fno-omit-frame-pointer)
add_library(slipway_format_fuzz STATIC ${SLIPWAY_FORMAT_SOURCES} ${SLIPWAY_LINK_LAYOUT_SOURCES} ${SLIPWAY_HOST_RECORD_SOURCES} ${SLIPWAY_WRITER_SOURCES})
target_include_directories(slipway_format_fuzz PUBLIC ${SLIPWAY_INCLUDE_DIRS})
target_link_libraries(slipway_format_fuzz PUBLIC PkgConfig::LZMA)
target_compile_options(slipway_format_fuzz PUBLIC -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)

# The builder's own readers of untrusted input (manifests, programs, BMPs)
# and the whole package read behind inspect and extract.
include(${CMAKE_SOURCE_DIR}/cmake/TomlPlusPlus.cmake)
add_library(slipway_tools_fuzz STATIC ${SLIPWAY_BUILDER_SOURCES} ${SLIPWAY_INSPECT_SOURCES})
target_link_libraries(slipway_tools_fuzz PUBLIC slipway_format_fuzz tomlplusplus_only)

set(SLIPWAY_FUZZ_SECONDS 5 CACHE STRING "how long ctest runs each fuzz target")
include(${CMAKE_SOURCE_DIR}/tests/fuzz/Tests.cmake)
