# The stub: small, static, no exceptions, no RTTI, no iostream.
set(lzma_root ${SLIPWAY_CACHE}/lzma-stub)
if(NOT EXISTS ${lzma_root}/lib/liblzma.a)
    message(FATAL_ERROR "${lzma_root}/lib/liblzma.a is missing: run scripts/bootstrap.sh")
endif()
enable_language(RC)

# No -fdata-sections: with it MinGW puts zero-initialised objects in .data,
# where they take room in the image, instead of .bss.
# -Oz over -Os, and frames without a frame pointer or 16-byte stack alignment
# (Windows hands callbacks a 4-byte aligned stack anyway): 1.5 KiB less.
# Static data aligned as the ABI asks, not arrays of 32 bytes and more to 32
# (a cache line), whose padding took about 100 bytes of constants. A function
# called from one place stays a function of its own: inlined, its locals
# landed far into its caller's frame, where every access to them took longer
# instructions (300 bytes); nor is a function split to inline its head (140
# bytes). Switches that pick a value stay branches rather than becoming
# tables of constants.
# Link-time optimisation runs through collect2 on fat objects: the linker
# plugin's path crashes this ld when the image has its own entry point. One
# partition lets it share constants and bodies across the whole image.
set(stub_flags -Oz -flto=auto -flto-partition=one -ffat-lto-objects -fno-use-linker-plugin -fno-exceptions -fno-rtti
    -fno-asynchronous-unwind-tables -fomit-frame-pointer -mpreferred-stack-boundary=2 -malign-data=abi -fno-inline-functions-called-once
    -fno-tree-switch-conversion -fno-partial-inlining -ffunction-sections
    -Wall -Wextra)
add_executable(slipway-stub WIN32
    ${SLIPWAY_FORMAT_SOURCES} ${SLIPWAY_LINK_LAYOUT_SOURCES} ${SLIPWAY_WIZARD_RULE_SOURCES} ${SLIPWAY_STUB_SOURCES} ${SLIPWAY_STUB_ENTRY} ${SLIPWAY_STUB_RESOURCES})
target_include_directories(slipway-stub PRIVATE ${SLIPWAY_INCLUDE_DIRS} ${lzma_root}/include)
# The stub never describes records: no field names in its image.
target_compile_definitions(slipway-stub PRIVATE __USE_MINGW_ANSI_STDIO=0 LZMA_API_STATIC WIN32_LEAN_AND_MEAN _WIN32_WINNT=0x0501
    SLIPWAY_UNNAMED_FIELDS)
target_compile_options(slipway-stub PRIVATE $<$<COMPILE_LANGUAGE:CXX>:${stub_flags}>)
# Calls through plain thunks instead of the import table's pointers (a byte a
# call), and arguments pushed instead of stored into a frame reserved up front
# (two to four bytes an argument): about 7.5 KiB less. Pushed arguments need
# frames without the stack probe, so every such frame stays below a page, where
# the first store still lands on the guard page; the few files that keep
# path-sized buffers on the stack keep the probe and the stored arguments, and
# stub.frames checks the finished image.
# (Options, not definitions: CMake drops definitions of macros with parameters.)
set(stub_import_defines -DWINUSERAPI= -D_GDI32_ -DWINBASEAPI= -DWINADVAPI= -DWINCOMMCTRLAPI= "-DSHSTDAPI_(t)=t WINAPI"
    "-DSHSTDAPI=HRESULT WINAPI" "-DWINOLEAPI=HRESULT WINAPI" "-DWINOLEAPI_(t)=t WINAPI")
target_compile_options(slipway-stub PRIVATE $<$<COMPILE_LANGUAGE:CXX>:${stub_import_defines}>)
set(stub_probed_frames engine/shortcut_action.cpp engine/program_actions.cpp wizard/folder_browser.cpp)
set(stub_pushed_args ${SLIPWAY_FORMAT_SOURCES} ${SLIPWAY_LINK_LAYOUT_SOURCES} ${SLIPWAY_WIZARD_RULE_SOURCES} ${SLIPWAY_STUB_SOURCES} ${SLIPWAY_STUB_ENTRY})
list(FILTER stub_pushed_args INCLUDE REGEX "\\.cpp$")
foreach(probed ${stub_probed_frames})
    list(REMOVE_ITEM stub_pushed_args ${CMAKE_SOURCE_DIR}/${probed} ${probed})
endforeach()
set_source_files_properties(${stub_pushed_args} PROPERTIES
    COMPILE_OPTIONS "-mno-accumulate-outgoing-args;-mno-stack-arg-probe;-Werror=frame-larger-than=3072")
# No C runtime start-up code (about 8 KiB): startup/main.cpp's stubEntry is the
# entry point. The image is relocatable with ASLR and DEP on: it runs with
# administrator rights. The link-time pass sees the whole program (stubEntry
# is its one way in): code the stub never calls goes with its constants, and
# functions only the stub calls take their arguments in registers, 2.5 KiB.
# That pass gets the code in one section: it drops what is never called by
# itself, and a section per function would be padded to four bytes (half a
# KiB).
target_link_options(slipway-stub PRIVATE ${stub_flags} -fno-function-sections -fwhole-program -nostartfiles -Wl,-e,_stubEntry -static -s -Wl,--gc-sections -Wl,--no-insert-timestamp -Wl,--dynamicbase -Wl,--nxcompat)
# Only libraries on the system's known-library list are imported; the common
# controls are loaded at run time from the system folder.
target_link_libraries(slipway-stub PRIVATE ${lzma_root}/lib/liblzma.a
    shell32 ole32 advapi32 user32 gdi32 shlwapi)
set_target_properties(slipway-stub PROPERTIES OUTPUT_NAME slipway-stub SUFFIX .exe)
set_source_files_properties(${SLIPWAY_STUB_RESOURCES} PROPERTIES
    OBJECT_DEPENDS "${CMAKE_SOURCE_DIR}/resources/stub.manifest;${CMAKE_SOURCE_DIR}/resources/slipway.ico")

enable_testing()
include(${CMAKE_SOURCE_DIR}/tests/stub/Tests.cmake)
