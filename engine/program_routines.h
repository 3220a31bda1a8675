// Starting programs and calling library entry points, with the shared result
// convention: 0 success, 3010 success with a restart needed, 1602 cancelled
// by the user, anything else failure.
#pragma once

#include "platform/win32_handles.h"

#include <stdint.h>
#include <windows.h>

constexpr DWORD kResultSuccess = 0;
constexpr DWORD kResultRestartNeeded = 3010;
constexpr DWORD kResultCancelled = 1602;

enum class StartResult { Started, Ignored, Aborted };

struct StartedProcess {
    UniqueHandle process;
    UniqueHandle thread;
};

// Starts a command line; on failure asks "Cannot execute" until the user
// ignores or aborts. A show command of 0xFFFF leaves the window state to the
// program.
StartResult startProcess(HWND owner, const char* commandLine, const char* workingFolder, uint16_t show,
                         StartedProcess& out);

// Loads the library (its own folder searched first for what it needs) and
// calls the entry "<name>W" with a UTF-16 argument, else "<name>A" or the
// plain name with the ANSI text. Returns an undo result: 0 success (or
// ignored), 1 failure or abort, 2 cancelled.
uint32_t callLibraryEntry(HWND owner, const char* library, const char* entryName, const char* argument,
                          bool& restartNeeded);

// An exit code or entry result as an undo result.
uint32_t resultCodeToUndo(DWORD code, bool& restartNeeded);
