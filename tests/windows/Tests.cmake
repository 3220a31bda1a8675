# Windows-side tests, run under Wine on Xvfb. The fixture starts the display
# and creates (or reuses) the prefix once, before any test of this side.
set(wine_state ${CMAKE_BINARY_DIR}/wine)
# Every time limit of this side, in the test programs, in ctest and in the
# session's scripts, is written for Wine at the machine's own speed and
# multiplied by SLIPWAY_WINE_TIME_SCALE (1 unless the build sets it; 10 for
# the 32-bit side under emulation, tests/windows/emulation/run-suite.sh).
if(NOT SLIPWAY_WINE_TIME_SCALE)
    set(SLIPWAY_WINE_TIME_SCALE 1)
endif()
add_compile_definitions(SLIPWAY_WINE_TIME_SCALE=${SLIPWAY_WINE_TIME_SCALE})
include_directories(${CMAKE_SOURCE_DIR}/tests/windows)
math(EXPR wine_test_timeout "600 * ${SLIPWAY_WINE_TIME_SCALE}")
math(EXPR wine_selftest_timeout "300 * ${SLIPWAY_WINE_TIME_SCALE}")
set(wine_run ${CMAKE_SOURCE_DIR}/tests/windows/wine-run.sh ${wine_state})

add_test(NAME windows.session.start COMMAND ${CMAKE_SOURCE_DIR}/tests/windows/wine-session.sh start ${wine_state})
add_test(NAME windows.session.stop COMMAND ${CMAKE_SOURCE_DIR}/tests/windows/wine-session.sh stop ${wine_state})
# 77: the machine runs no 32-bit x86 code (tests/windows/wine-x86.sh), so
# this side is reported as skipped, with the reason, rather than run.
set_tests_properties(windows.session.start PROPERTIES FIXTURES_SETUP wine SKIP_RETURN_CODE 77)
set_tests_properties(windows.session.stop PROPERTIES FIXTURES_CLEANUP wine)

file(GLOB uiauto_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/windows/uiauto/*.cpp)
list(FILTER uiauto_sources EXCLUDE REGEX "selftest")
add_library(uiauto STATIC ${uiauto_sources})
target_include_directories(uiauto PUBLIC ${CMAKE_SOURCE_DIR}/tests/windows ${CMAKE_SOURCE_DIR}/tests/windows/uiauto)
target_link_libraries(uiauto PUBLIC user32 gdi32)

# The helper checks itself against windows and message boxes of its own.
add_executable(uiauto_selftest tests/windows/uiauto/uiauto_selftest.cpp)
target_link_libraries(uiauto_selftest PRIVATE uiauto)
add_test(NAME windows.uiauto_selftest COMMAND ${wine_run} $<TARGET_FILE:uiauto_selftest>)
set_tests_properties(windows.uiauto_selftest PROPERTIES FIXTURES_REQUIRED wine TIMEOUT ${wine_selftest_timeout} RESOURCE_LOCK wine_desktop
                     SKIP_RETURN_CODE 77)

# One GoogleTest program per file tests/windows/*_test.cpp; each is one ctest
# test run under Wine.
file(GLOB windows_test_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/windows/*_test.cpp)
file(GLOB windows_support_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/windows/support/*.cpp)
add_library(windows_test_support STATIC ${windows_support_sources} ${CMAKE_SOURCE_DIR}/tests/common/sample_package.cpp)
target_include_directories(windows_test_support PUBLIC ${CMAKE_SOURCE_DIR}/tests/windows ${CMAKE_SOURCE_DIR}/tests/common)
target_link_libraries(windows_test_support PUBLIC slipway_win uiauto gtest)
target_compile_definitions(windows_test_support PUBLIC
    SLIPWAY_STUB_PATH="${SLIPWAY_STUB}" SLIPWAY_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
# slipway.exe, which the builder's tests run as a Windows user would.
target_compile_definitions(windows_test_support PUBLIC SLIPWAY_BUILDER_PATH="$<TARGET_FILE:slipway>")
add_dependencies(windows_test_support slipway)

foreach(source IN LISTS windows_test_sources)
    get_filename_component(name ${source} NAME_WE)
    add_executable(${name} ${source})
    target_link_libraries(${name} PRIVATE windows_test_support gtest_main)
    add_test(NAME windows.${name} COMMAND ${wine_run} $<TARGET_FILE:${name}>)
    # One desktop for all: tests that look for windows and message boxes run
    # one at a time, so none answers another's box.
    set_tests_properties(windows.${name} PROPERTIES FIXTURES_REQUIRED wine TIMEOUT ${wine_test_timeout} RESOURCE_LOCK wine_desktop
                         SKIP_RETURN_CODE 77)
endforeach()

# The host's slipway and slipway.exe make the same installer from one manifest.
add_test(NAME windows.builder_same_bytes
    COMMAND ${CMAKE_SOURCE_DIR}/tests/windows/builder-same-bytes.sh ${wine_state} ${SLIPWAY_HOST_BIN}/slipway
            $<TARGET_FILE:slipway> ${SLIPWAY_STUB} ${CMAKE_SOURCE_DIR}/examples/hello/slipway.toml)
set_tests_properties(windows.builder_same_bytes PROPERTIES FIXTURES_REQUIRED wine TIMEOUT ${wine_test_timeout} SKIP_RETURN_CODE 77)

# Programs and a library that the program and library steps start and call.
# Each records what it received; see tests/windows/fixtures/.
add_executable(recording_program WIN32 ${CMAKE_SOURCE_DIR}/tests/windows/fixtures/recording_program.cpp)
add_library(recording_library SHARED ${CMAKE_SOURCE_DIR}/tests/windows/fixtures/recording_library.cpp)
# Undecorated stdcall exports, as a library written for an installer has them.
set_target_properties(recording_library PROPERTIES PREFIX "")
target_link_options(recording_library PRIVATE -static -Wl,--kill-at)
add_dependencies(windows_test_support recording_program recording_library)
target_compile_definitions(windows_test_support PUBLIC
    SLIPWAY_RECORDING_PROGRAM="$<TARGET_FILE:recording_program>"
    SLIPWAY_RECORDING_LIBRARY="$<TARGET_FILE:recording_library>"
    SLIPWAY_TEST_INSTALLERS="${CMAKE_BINARY_DIR}/installers")

# Installers that the whole-run tests install: the manifest folder
# tests/windows/packages/NAME (or FOLDER, for several versions of a product
# built from one folder, each from its MANIFEST there), with the PAYLOAD
# targets' files copied into its "payload" folder (and what its
# PAYLOAD_SCRIPT, a CMake script of the folder, writes there), built by the
# host's slipway into installers/NAME.exe. The TESTS that run it are built
# after it.
function(slipway_test_installer name)
    cmake_parse_arguments(ARG "" "FOLDER;MANIFEST;PAYLOAD_SCRIPT" "PAYLOAD;TESTS" ${ARGN})
    if(NOT ARG_FOLDER)
        set(ARG_FOLDER ${name})
    endif()
    if(NOT ARG_MANIFEST)
        set(ARG_MANIFEST slipway.toml)
    endif()
    set(source ${CMAKE_SOURCE_DIR}/tests/windows/packages/${ARG_FOLDER})
    set(stage ${CMAKE_BINARY_DIR}/installers/${name})
    set(installer ${CMAKE_BINARY_DIR}/installers/${name}.exe)
    file(GLOB_RECURSE package_files CONFIGURE_DEPENDS ${source}/*)
    set(copy_payload)
    foreach(target IN LISTS ARG_PAYLOAD)
        list(APPEND copy_payload COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:${target}> ${stage}/payload/)
    endforeach()
    if(ARG_PAYLOAD_SCRIPT)
        list(APPEND copy_payload COMMAND ${CMAKE_COMMAND} -DPAYLOAD=${stage}/payload -P ${source}/${ARG_PAYLOAD_SCRIPT})
    endif()
    add_custom_command(OUTPUT ${installer}
        COMMAND ${CMAKE_COMMAND} -E rm -rf ${stage}
        COMMAND ${CMAKE_COMMAND} -E copy_directory ${source} ${stage}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${stage}/payload
        ${copy_payload}
        COMMAND ${SLIPWAY_HOST_BIN}/slipway build ${stage}/${ARG_MANIFEST} -o ${installer} --stub ${SLIPWAY_STUB} --fast
        DEPENDS ${package_files} ${ARG_PAYLOAD} ${SLIPWAY_HOST_BIN}/slipway ${SLIPWAY_STUB}
        COMMENT "Building the test installer ${name}.exe"
        VERBATIM)
    add_custom_target(installer_${name} DEPENDS ${installer})
    foreach(test IN LISTS ARG_TESTS)
        add_dependencies(${test} installer_${name})
    endforeach()
endfunction()

slipway_test_installer(system_actions PAYLOAD recording_program recording_library TESTS system_actions_install_test)

# The earlier product's uninstaller that the earlier-installation tests
# register under the Uninstall key; see tests/windows/fixtures/.
add_executable(fake_uninstaller WIN32 ${CMAKE_SOURCE_DIR}/tests/windows/fixtures/fake_uninstaller.cpp)
add_dependencies(windows_test_support fake_uninstaller)
target_compile_definitions(windows_test_support PUBLIC SLIPWAY_FAKE_UNINSTALLER="$<TARGET_FILE:fake_uninstaller>")

# The wizard's whole runs, attended and unattended, and the earlier
# installations they remove.
slipway_test_installer(wizard_run PAYLOAD recording_program TESTS wizard_run_test unattended_test)
slipway_test_installer(extract_all TESTS unattended_test)
# The progress bar, the file it names and Cancel while the files are written.
slipway_test_installer(progress PAYLOAD recording_program PAYLOAD_SCRIPT make-payload.cmake TESTS progress_page_test)
slipway_test_installer(earlier_installation TESTS earlier_installation_test)

# The uninstaller's whole runs: a product with files, registry values, a
# shortcut and an uninstall program, and one with ten captioned uninstall
# steps.
slipway_test_installer(uninstall_run PAYLOAD recording_program TESTS uninstall_run_test)
slipway_test_installer(uninstall_steps PAYLOAD recording_program TESTS uninstall_run_test)

# Libraries planted beside the installer and in the temporary folder, native
# first, load into neither the installer nor the uninstaller's copy.
add_executable(unguarded_loader WIN32 ${CMAKE_SOURCE_DIR}/tests/windows/fixtures/unguarded_loader.cpp)
add_dependencies(unguarded_loader installer_uninstall_run recording_library)
add_test(NAME windows.planted_library
    COMMAND ${CMAKE_SOURCE_DIR}/tests/windows/planted-library.sh ${wine_state} ${CMAKE_BINARY_DIR}/installers/uninstall_run.exe
            SlipwayUninstallRunTest $<TARGET_FILE:unguarded_loader> $<TARGET_FILE:recording_library>)
set_tests_properties(windows.planted_library PROPERTIES FIXTURES_REQUIRED wine TIMEOUT ${wine_test_timeout} RESOURCE_LOCK wine_desktop
                     SKIP_RETURN_CODE 77)

# A signed installer installs and verifies; its uninstaller verifies as
# unsigned. From a folder outside the code page or past 260 characters it
# still refuses -ip and installs its own package.
add_test(NAME windows.signed_installer
    COMMAND ${CMAKE_SOURCE_DIR}/tests/windows/signed-installer.sh ${wine_state} ${CMAKE_BINARY_DIR}/installers/uninstall_run.exe
            SlipwayUninstallRunTest ${SLIPWAY_HOST_BIN}/slipway ${CMAKE_BINARY_DIR}/installers/rollback.exe SlipwayRollbackTest)
set_tests_properties(windows.signed_installer PROPERTIES FIXTURES_REQUIRED wine TIMEOUT ${wine_test_timeout} RESOURCE_LOCK wine_desktop
                     SKIP_RETURN_CODE 77)

# An installation that the user aborts gives back what it overwrote,
# replaced and deleted.
slipway_test_installer(rollback TESTS rollback_test)

# The component page and the folder page through the wizard: the list's
# ticks, the folder page's rows, boxes and Browse, and what they install.
slipway_test_installer(component_page TESTS component_page_test)
slipway_test_installer(folder_page TESTS folder_page_test)

# Texts with links in the real wizard: welcome, licence hint and finish.
slipway_test_installer(link_texts TESTS wizard_links_test)

# Deployment without a person: exit codes, /dir=, /log=, /norestart and
# the quiet uninstaller a tool can wait for.
slipway_test_installer(unattended_deployment PAYLOAD recording_program TESTS unattended_deployment_test)

# Upgrades of a product "Mines" (tests/windows/packages/mines): 1.0, 2.0
# over it, a 2.1 whose last step fails, and 1.0 again over 2.0.
foreach(version 1_0 2_0 2_1)
    string(REPLACE "_" "." dotted ${version})
    slipway_test_installer(mines_${version} FOLDER mines MANIFEST mines-${dotted}.toml PAYLOAD recording_program
                           TESTS upgrade_test)
endforeach()
# 1.0 again, whose manifest allows it to replace a newer version.
slipway_test_installer(mines_1_0_downgrade FOLDER mines MANIFEST mines-1.0-downgrade.toml PAYLOAD recording_program
                       TESTS upgrade_test)

# The session's scripts and the whole-run scripts stretch their waits alike.
get_property(windows_tests DIRECTORY PROPERTY TESTS)
list(FILTER windows_tests INCLUDE REGEX "^windows\\.")
set_property(TEST ${windows_tests} APPEND PROPERTY ENVIRONMENT SLIPWAY_WINE_TIME_SCALE=${SLIPWAY_WINE_TIME_SCALE})

# The probe bench/welcome-ready.sh starts an installer with: how long the
# wizard's window waits for its welcome page's Next.
add_executable(welcome_ready_probe ${CMAKE_SOURCE_DIR}/bench/welcome_ready_probe.cpp)
target_link_libraries(welcome_ready_probe PRIVATE user32 winmm)
