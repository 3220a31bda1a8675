// The buffers the stub expands each kind of package field into, with room
// for the NUL, and the values that stand for "not given". The stub sizes its
// buffers with these; the builder refuses a field that would not fit (its
// expanded length at most the size less one), so no field a build lets
// through is cut short on the way.
#pragma once

#include <stddef.h>
#include <stdint.h>

// A path: the 260 characters the system's ANSI calls take.
constexpr size_t kExpandedPathSize = 261;
// A registry sub-key or value name.
constexpr size_t kRegistryNameSize = 256;
// A registry text value.
constexpr size_t kRegistryDataSize = 16301;
// A command line, or the argument of a library entry point.
constexpr size_t kCommandLineSize = 4096;
// A shortcut's arguments and description.
constexpr size_t kShortcutTextSize = 2048;
// The step caption an uninstall step is expanded into.
constexpr size_t kUndoCaptionSize = 128;

// A program's show command left to the program.
constexpr uint16_t kShowUnspecified = 0xFFFF;
// A shortcut without an icon of its own.
constexpr uint32_t kNoIcon = 0xFFFFFFFF;
