# Windows-side tests, run under Wine on Xvfb. The fixture starts the display
# and creates (or reuses) the prefix once, before any test of this side.
set(wine_state ${CMAKE_BINARY_DIR}/wine)
set(wine_run ${CMAKE_SOURCE_DIR}/tests/windows/wine-run.sh ${wine_state})

add_test(NAME windows.session.start COMMAND ${CMAKE_SOURCE_DIR}/tests/windows/wine-session.sh start ${wine_state})
add_test(NAME windows.session.stop COMMAND ${CMAKE_SOURCE_DIR}/tests/windows/wine-session.sh stop ${wine_state})
set_tests_properties(windows.session.start PROPERTIES FIXTURES_SETUP wine)
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
set_tests_properties(windows.uiauto_selftest PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 300)

# One GoogleTest program per file tests/windows/*_test.cpp; each is one ctest
# test run under Wine.
file(GLOB windows_test_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/windows/*_test.cpp)
file(GLOB windows_support_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/windows/support/*.cpp)
add_library(windows_test_support STATIC ${windows_support_sources})
target_include_directories(windows_test_support PUBLIC ${CMAKE_SOURCE_DIR}/tests/windows)
target_link_libraries(windows_test_support PUBLIC slipway_win uiauto gtest)
target_compile_definitions(windows_test_support PUBLIC
    SLIPWAY_STUB_PATH="${SLIPWAY_STUB}" SLIPWAY_SOURCE_DIR="${CMAKE_SOURCE_DIR}")

foreach(source IN LISTS windows_test_sources)
    get_filename_component(name ${source} NAME_WE)
    add_executable(${name} ${source})
    target_link_libraries(${name} PRIVATE windows_test_support gtest_main)
    add_test(NAME windows.${name} COMMAND ${wine_run} $<TARGET_FILE:${name}>)
    set_tests_properties(windows.${name} PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 600)
endforeach()
