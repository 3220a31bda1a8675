// This program's own file, held by its wide path: a folder whose name the
// ANSI code page cannot hold (a Cyrillic user name on a Western system), or
// a path past 260 characters, is still this file, never a mangled name of
// some other. The 9x line has no wide calls: there the ANSI ones stand.
#pragma once

#include <memory>

// The own file's path, heap-held, in the "\\?\" form when it lies on a
// drive, which alone reaches past 260 characters; null when the system gives
// none or it is longer than any path can be.
std::unique_ptr<wchar_t[]> ownModulePathWide();

// An ANSI text (a command line) as a wide one, heap-held; null when memory
// ran out.
std::unique_ptr<wchar_t[]> wideTextOf(const char* text);
