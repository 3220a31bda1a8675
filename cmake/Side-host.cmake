# The host side: the portable format and writer libraries, the host tests
# (with AddressSanitizer and UndefinedBehaviorSanitizer), and the builder.
find_package(PkgConfig REQUIRED)
pkg_check_modules(LZMA REQUIRED IMPORTED_TARGET liblzma)
find_package(GTest REQUIRED)
enable_testing()
include(GoogleTest)

set(sanitize_flags -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)

# Two variants of each library: plain for the tools, checked for the tests.
function(slipway_host_library name sources checked)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${SLIPWAY_INCLUDE_DIRS})
    target_link_libraries(${name} PUBLIC PkgConfig::LZMA)
    target_compile_options(${name} PRIVATE -Wall -Wextra)
    if(checked)
        target_compile_options(${name} PUBLIC ${sanitize_flags})
        target_link_options(${name} PUBLIC ${sanitize_flags})
    endif()
endfunction()

slipway_host_library(slipway_format "${SLIPWAY_FORMAT_SOURCES};${SLIPWAY_HOST_RECORD_SOURCES}" OFF)
slipway_host_library(slipway_format_checked "${SLIPWAY_FORMAT_SOURCES};${SLIPWAY_HOST_RECORD_SOURCES}" ON)
# The wizard's page rules, for the tests only: no host tool follows them.
slipway_host_library(slipway_wizard_rules_checked "${SLIPWAY_WIZARD_RULE_SOURCES}" ON)
target_link_libraries(slipway_wizard_rules_checked PUBLIC slipway_format_checked)
# The link layout, for the tests only: the stub draws with it.
slipway_host_library(slipway_link_layout_checked "${SLIPWAY_LINK_LAYOUT_SOURCES}" ON)
slipway_host_library(slipway_writer "${SLIPWAY_WRITER_SOURCES}" OFF)
target_link_libraries(slipway_writer PUBLIC slipway_format)
slipway_host_library(slipway_writer_checked "${SLIPWAY_WRITER_SOURCES}" ON)
target_link_libraries(slipway_writer_checked PUBLIC slipway_format_checked)

# toml++ is header-only; it is included from a folder that holds nothing else,
# so the cross build of slipway.exe never sees the host's /usr/include.
include(${CMAKE_SOURCE_DIR}/cmake/TomlPlusPlus.cmake)

slipway_host_library(slipway_inspect "${SLIPWAY_INSPECT_SOURCES}" OFF)
target_link_libraries(slipway_inspect PUBLIC slipway_format)
slipway_host_library(slipway_inspect_checked "${SLIPWAY_INSPECT_SOURCES}" ON)
target_link_libraries(slipway_inspect_checked PUBLIC slipway_format_checked)

# `slipway build` as a library: the command links it, and so do the host
# tests (checked), which drive the manifest reader and the whole build.
foreach(variant IN ITEMS "" "_checked")
    set(checked OFF)
    if(variant)
        set(checked ON)
    endif()
    slipway_host_library(slipway_builder${variant} "${SLIPWAY_BUILDER_SOURCES}" ${checked})
    target_link_libraries(slipway_builder${variant} PUBLIC slipway_writer${variant} tomlplusplus_only)
    target_compile_definitions(slipway_builder${variant} PRIVATE SLIPWAY_DEFAULT_STUB="${SLIPWAY_STUB}")
    # Reports escape names as the builder's messages do, with its escapes.
    target_link_libraries(slipway_inspect${variant} PUBLIC slipway_builder${variant})
endforeach()

add_executable(slipway ${SLIPWAY_BUILDER_ENTRY})
target_link_libraries(slipway PRIVATE slipway_builder slipway_inspect slipway_writer tomlplusplus_only)
target_compile_options(slipway PRIVATE -Wall -Wextra)

include(${CMAKE_SOURCE_DIR}/tests/host/Tests.cmake)
