# Source lists shared by the sub-builds. The format sources are portable: they
# compile for the stub, the host tools, the host tests and the fuzz targets.
# All of format/ is here, and the engine's passes, portable too, which the
# host tests run over the record-only actions.
set(SLIPWAY_FORMAT_SOURCES
    format/bytes.cpp
    format/file_io.cpp
    format/byte_cursor.cpp
    format/lzma_stream.cpp
    format/block_decoder.cpp
    format/block_reader.cpp
    format/streamed_pool.cpp
    format/payload_sizes.cpp
    format/streamed_action_script.cpp
    format/install_script.cpp
    format/package_container.cpp
    format/pe_image.cpp
    format/startup_rules.cpp
    format/unattended_rules.cpp
    format/byte_sink.cpp
    format/action_script.cpp
    format/records.cpp
    engine/passes.cpp
    engine/progress_meter.cpp
    format/uninstall_script.cpp
    format/path_variables.cpp
    format/product_version.cpp
    format/earlier_installation.cpp
)

# The link markup and line layout of the formatted text control: portable,
# so the host tests and the fuzzer check what the stub draws.
set(SLIPWAY_LINK_LAYOUT_SOURCES
    linkstatic/link_markup.cpp
    linkstatic/link_layout.cpp
)

# The host tools read and write actions but never carry them out.
set(SLIPWAY_HOST_RECORD_SOURCES
    format/host/record_only.cpp
)

# Writing packages: the builder, and the tests that make their own packages.
set(SLIPWAY_WRITER_SOURCES
    builder/package/block_compressor.cpp
    builder/package/block_encoder.cpp
    builder/package/package_writer.cpp
)

# The `slipway` command (host, and cross-built as slipway.exe): its entry
# point, and `slipway build` with the manifest reader and the package
# assembly, kept apart from the entry so the host tests link them too.
set(SLIPWAY_BUILDER_ENTRY builder/main.cpp)
set(SLIPWAY_BUILDER_SOURCES
    builder/build_command.cpp
    builder/command_line.cpp
    builder/manifest/action_reader.cpp
    builder/manifest/command_lines.cpp
    builder/manifest/diagnostics.cpp
    builder/manifest/manifest_reader.cpp
    builder/manifest/manifest_shape.cpp
    builder/manifest/readable_names.cpp
    builder/manifest/source_text.cpp
    builder/manifest/table_reader.cpp
    builder/manifest/text_fields.cpp
    builder/assembly/action_lists.cpp
    builder/assembly/banner.cpp
    builder/assembly/code_page.cpp
    builder/assembly/file_collector.cpp
    builder/assembly/file_contents.cpp
    builder/assembly/file_system.cpp
    builder/assembly/installer_builder.cpp
    builder/assembly/license.cpp
    builder/assembly/package_limits.cpp
    builder/assembly/path_texts.cpp
    builder/assembly/pe_version.cpp
    builder/assembly/progress_bar.cpp
    builder/assembly/write_order.cpp
    builder/text_escape.cpp
)

# `slipway inspect` and `slipway extract`: whole packages read back, described
# and taken apart. Linked into the command beside SLIPWAY_BUILDER_SOURCES, whose
# text escapes they share.
set(SLIPWAY_INSPECT_SOURCES
    builder/sha256.cpp
    builder/windows1252.cpp
    builder/inspect/block_survey.cpp
    builder/inspect/loaded_package.cpp
    builder/inspect/package_description.cpp
    builder/inspect/report.cpp
    builder/inspect/report_writers.cpp
    builder/extract/output_folder.cpp
    builder/extract/package_extraction.cpp
    builder/extract/safe_path.cpp
    builder/report_command.cpp
    builder/extract_command.cpp
)

# The wizard's page rules: portable, so the host tests check them, though
# only the stub follows them.
set(SLIPWAY_WIZARD_RULE_SOURCES
    wizard/page_rules.cpp
    wizard/component_entries.cpp
    wizard/install_folder_choice.cpp
)

# The formatted text control's window: painting, mouse and keyboard, tips.
set(SLIPWAY_LINK_WINDOW_SOURCES
    linkstatic/link_window.cpp
    linkstatic/link_styles.cpp
    linkstatic/link_notify.cpp
    linkstatic/link_paint.cpp
    linkstatic/link_tip.cpp
    linkstatic/link_static.cpp
)

# The stub's Win32 side, everything but the entry point itself, so that the
# Windows-side tests can link it and call its parts directly.
set(SLIPWAY_STUB_SOURCES
    platform/own_path.cpp
    platform/run_log.cpp
    state/run_state.cpp
    platform/system_services.cpp
    platform/theme_library.cpp
    startup/startup.cpp
    engine/ask_retry.cpp
    engine/file_routines.cpp
    engine/file_actions.cpp
    engine/kept_deletions.cpp
    engine/kept_removal.cpp
    engine/registry_actions.cpp
    engine/shortcut_action.cpp
    engine/program_actions.cpp
    engine/program_routines.cpp
    threads/worker_threads.cpp
    threads/loading_thread.cpp
    threads/install_thread.cpp
    uninstall/uninstaller_writer.cpp
    uninstall/previous_uninstall.cpp
    uninstall/earlier_installations.cpp
    uninstall/uninstall_entry.cpp
    uninstall/uninstall_mode.cpp
    uninstall/uninstall_thread.cpp
    uninstall/path_variables_win32.cpp
    ${SLIPWAY_LINK_WINDOW_SOURCES}
    wizard/wizard_frame.cpp
    wizard/page_descriptor.cpp
    wizard/page_sequence.cpp
    wizard/banner.cpp
    wizard/step_rows.cpp
    wizard/progress_display.cpp
    wizard/option_boxes.cpp
    wizard/folder_browser.cpp
    wizard/pages/welcome_page.cpp
    wizard/pages/license_page.cpp
    wizard/pages/earlier_installation_pages.cpp
    wizard/pages/component_page.cpp
    wizard/pages/folder_page.cpp
    wizard/pages/progress_page.cpp
    wizard/pages/finish_page.cpp
    wizard/pages/uninstall_pages.cpp
)
set(SLIPWAY_STUB_ENTRY startup/main.cpp startup/stub_runtime.cpp)
set(SLIPWAY_STUB_RESOURCES resources/stub.rc)

set(SLIPWAY_INCLUDE_DIRS ${CMAKE_SOURCE_DIR})
