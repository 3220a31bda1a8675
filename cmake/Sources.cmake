# Source lists shared by the sub-builds. The format sources are portable: they
# compile for the stub, the host tools, the host tests and the fuzz targets.
set(SLIPWAY_FORMAT_SOURCES
    app/bytes.cpp
    app/file_io.cpp
    app/byte_cursor.cpp
    app/block_reader.cpp
    app/install_script.cpp
    app/package_container.cpp
    app/startup_rules.cpp
    engine/byte_sink.cpp
    engine/action_script.cpp
    engine/records.cpp
    engine/passes.cpp
    uninstall/uninstall_script.cpp
)

# The host tools read and write actions but never carry them out.
set(SLIPWAY_HOST_RECORD_SOURCES
    engine/host/record_only.cpp
)

# Writing packages: the builder, and the tests that make their own packages.
set(SLIPWAY_WRITER_SOURCES
    builder/package/block_compressor.cpp
    builder/package/package_writer.cpp
)

# The `slipway` command (host, and cross-built as slipway.exe).
set(SLIPWAY_BUILDER_SOURCES
    builder/main.cpp
    builder/build_command.cpp
    builder/inspect_command.cpp
    builder/extract_command.cpp
)

# The stub's Win32 side, everything but the entry point itself, so that the
# Windows-side tests can link it and call its parts directly.
set(SLIPWAY_STUB_SOURCES
    app/run_state.cpp
    app/system_services.cpp
    app/startup.cpp
    engine/file_actions.cpp
    engine/pending_actions.cpp
    linkstatic/link_static.cpp
    wizard/wizard_frame.cpp
)
set(SLIPWAY_STUB_ENTRY app/main.cpp app/stub_runtime.cpp)
set(SLIPWAY_STUB_RESOURCES resources/stub.rc)

set(SLIPWAY_INCLUDE_DIRS ${CMAKE_SOURCE_DIR})
