# Checks of the stub image itself: what it imports and how large it is.
add_test(NAME stub.imports
    COMMAND ${CMAKE_SOURCE_DIR}/tests/stub/check-imports.sh $<TARGET_FILE:slipway-stub>
            ${CMAKE_SOURCE_DIR}/tests/stub/allowed-imports.txt)
add_test(NAME stub.known_libraries
    COMMAND ${CMAKE_SOURCE_DIR}/tests/stub/check-known-libraries.sh $<TARGET_FILE:slipway-stub>
            ${CMAKE_SOURCE_DIR}/tests/stub/known-libraries.txt)
add_test(NAME stub.size
    COMMAND ${CMAKE_SOURCE_DIR}/bench/stub-size.sh --limit 89600 $<TARGET_FILE:slipway-stub>)
add_test(NAME stub.hardening
    COMMAND ${CMAKE_SOURCE_DIR}/tests/stub/check-hardening.sh $<TARGET_FILE:slipway-stub>)
# The stub's sources include only downward, through the layer map that the
# README's layout section shows.
add_test(NAME stub.layers COMMAND python3 ${CMAKE_SOURCE_DIR}/tests/stub/check-layers.py ${CMAKE_SOURCE_DIR})
add_test(NAME stub.frames
    COMMAND ${CMAKE_SOURCE_DIR}/tests/stub/check-frames.sh $<TARGET_FILE:slipway-stub>)
# Initialised writable data would take a 512-byte section of the file.
add_test(NAME stub.sections
    COMMAND ${CMAKE_SOURCE_DIR}/tests/stub/check-sections.sh $<TARGET_FILE:slipway-stub>)
