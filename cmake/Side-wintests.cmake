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

add_library(slipway_win STATIC ${SLIPWAY_FORMAT_SOURCES} ${SLIPWAY_WRITER_SOURCES} ${SLIPWAY_STUB_SOURCES})
target_include_directories(slipway_win PUBLIC ${SLIPWAY_INCLUDE_DIRS} ${lzma_root}/include)
target_compile_definitions(slipway_win PUBLIC LZMA_API_STATIC WIN32_LEAN_AND_MEAN _WIN32_WINNT=0x0501)
target_link_libraries(slipway_win PUBLIC ${lzma_root}/lib/liblzma.a
    comctl32 shell32 ole32 advapi32 user32 gdi32 shlwapi)

enable_testing()
include(${CMAKE_SOURCE_DIR}/tests/windows/Tests.cmake)
