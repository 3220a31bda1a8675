# The Windows-side tests: GoogleTest cross-compiled with the posix-model
# MinGW compiler, run by ctest under Wine on an Xvfb display. They link the
# stub's own sources, so they can call its parts directly, and the package
# writer with an encoding liblzma, so they make their own packages.
set(lzma_root ${SLIPWAY_CACHE}/lzma-full)
if(NOT EXISTS ${lzma_root}/lib/liblzma.a)
    message(FATAL_ERROR "${lzma_root}/lib/liblzma.a is missing: run scripts/bootstrap.sh")
endif()
if(NOT SLIPWAY_STUB)
    message(FATAL_ERROR "SLIPWAY_STUB names the stub image the tests package")
endif()

set(CMAKE_EXE_LINKER_FLAGS "${CMAKE_EXE_LINKER_FLAGS} -static")
set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

add_library(slipway_win STATIC ${SLIPWAY_FORMAT_SOURCES} ${SLIPWAY_LINK_LAYOUT_SOURCES} ${SLIPWAY_WRITER_SOURCES} ${SLIPWAY_WIZARD_RULE_SOURCES}
    ${SLIPWAY_STUB_SOURCES})
target_include_directories(slipway_win PUBLIC ${SLIPWAY_INCLUDE_DIRS} ${lzma_root}/include)
target_compile_definitions(slipway_win PUBLIC LZMA_API_STATIC WIN32_LEAN_AND_MEAN _WIN32_WINNT=0x0501)
target_link_libraries(slipway_win PUBLIC ${lzma_root}/lib/liblzma.a
    comctl32 shell32 ole32 advapi32 user32 gdi32 shlwapi)

# slipway.exe, the builder for Windows. It reads and writes packages but never
# carries out an action, so it links the format code with the record-only
# actions instead of the stub's Win32 side. The stub is copied beside it,
# where the build command looks first, as in a Windows distribution.
include(${CMAKE_SOURCE_DIR}/cmake/TomlPlusPlus.cmake)
add_library(slipway_builder_format STATIC
    ${SLIPWAY_FORMAT_SOURCES} ${SLIPWAY_HOST_RECORD_SOURCES} ${SLIPWAY_WRITER_SOURCES})
target_include_directories(slipway_builder_format PUBLIC ${SLIPWAY_INCLUDE_DIRS} ${lzma_root}/include)
target_compile_definitions(slipway_builder_format PUBLIC LZMA_API_STATIC WIN32_LEAN_AND_MEAN _WIN32_WINNT=0x0601)
target_link_libraries(slipway_builder_format PUBLIC ${lzma_root}/lib/liblzma.a)
add_executable(slipway ${SLIPWAY_BUILDER_ENTRY} ${SLIPWAY_BUILDER_SOURCES} ${SLIPWAY_INSPECT_SOURCES})
target_link_libraries(slipway PRIVATE slipway_builder_format tomlplusplus_only)
target_compile_options(slipway PRIVATE -Wall -Wextra)
add_custom_command(TARGET slipway POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${SLIPWAY_STUB} $<TARGET_FILE_DIR:slipway>/slipway-stub.exe)

enable_testing()
include(${CMAKE_SOURCE_DIR}/tests/windows/Tests.cmake)
