# Copies Debian's toml++ headers into a folder of their own and offers them as
# the interface library tomlplusplus_only.
set(toml_source /usr/include/toml++)
if(NOT EXISTS ${toml_source}/toml.h)
    message(FATAL_ERROR "toml++ is missing (${toml_source}): run scripts/bootstrap.sh")
endif()
set(toml_include ${CMAKE_BINARY_DIR}/toml-only)
file(COPY ${toml_source} DESTINATION ${toml_include})
add_library(tomlplusplus_only INTERFACE)
target_include_directories(tomlplusplus_only SYSTEM INTERFACE ${toml_include})
