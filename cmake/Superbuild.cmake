include(ExternalProject)

set(SLIPWAY_CACHE "/var/cache/slipway" CACHE PATH "where scripts/bootstrap.sh keeps the MinGW liblzma builds")
option(SLIPWAY_FUZZ "build the libFuzzer targets with clang" ON)
if(NOT CMAKE_BUILD_TYPE)
    set(CMAKE_BUILD_TYPE RelWithDebInfo)
endif()

set(side_args
    -DSLIPWAY_CACHE=${SLIPWAY_CACHE}
    -DSLIPWAY_SOURCE=${CMAKE_SOURCE_DIR}
    -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE}
    -DCMAKE_EXPORT_COMPILE_COMMANDS=ON)
set(generator_args)
if(CMAKE_GENERATOR)
    set(generator_args CMAKE_GENERATOR ${CMAKE_GENERATOR})
endif()

function(slipway_side name)
    cmake_parse_arguments(SIDE "" "" "ARGS;DEPENDS" ${ARGN})
    ExternalProject_Add(${name}
        SOURCE_DIR ${CMAKE_SOURCE_DIR}
        BINARY_DIR ${CMAKE_BINARY_DIR}/${name}
        ${generator_args}
        CMAKE_ARGS -DSLIPWAY_SIDE=${name} ${side_args} ${SIDE_ARGS}
        INSTALL_COMMAND ""
        BUILD_ALWAYS ON
        USES_TERMINAL_CONFIGURE ON
        USES_TERMINAL_BUILD ON
        DEPENDS ${SIDE_DEPENDS})
endfunction()

slipway_side(stub ARGS -DCMAKE_TOOLCHAIN_FILE=${CMAKE_SOURCE_DIR}/cmake/mingw-i686-win32.cmake)
# The host side packages the real stub in its tests and in the builder's.
slipway_side(host
    ARGS -DCMAKE_C_COMPILER=gcc -DCMAKE_CXX_COMPILER=g++
         -DSLIPWAY_STUB=${CMAKE_BINARY_DIR}/stub/slipway-stub.exe
    DEPENDS stub)
set(SLIPWAY_WINE_TIME_SCALE 1 CACHE STRING
    "multiplies every time limit of the Windows-side tests (10 for the 32-bit side under emulation)")
slipway_side(wintests
    ARGS -DCMAKE_TOOLCHAIN_FILE=${CMAKE_SOURCE_DIR}/cmake/mingw-i686-posix.cmake
         -DSLIPWAY_WINE_TIME_SCALE=${SLIPWAY_WINE_TIME_SCALE}
         -DSLIPWAY_STUB=${CMAKE_BINARY_DIR}/stub/slipway-stub.exe
         -DSLIPWAY_HOST_BIN=${CMAKE_BINARY_DIR}/host
    DEPENDS stub host)
set(test_dirs host stub wintests)
if(SLIPWAY_FUZZ)
    slipway_side(fuzz ARGS -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++)
    list(APPEND test_dirs fuzz)
endif()

# Every sub-build's tests appear in this build's ctest.
set(include_file ${CMAKE_BINARY_DIR}/SubbuildTests.cmake)
file(WRITE ${include_file} "")
foreach(dir IN LISTS test_dirs)
    file(APPEND ${include_file} "subdirs(\"${CMAKE_BINARY_DIR}/${dir}\")\n")
endforeach()
enable_testing()
set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${include_file})
