// Start-up: the stub's entry function and its steps.
#pragma once

#include <windows.h>

#include <stdint.h>

// Runs the stub for one command-line tail: answers the query switches, makes
// sure of administrator rights, loads the package and runs the wizard.
// Returns the process exit code.
int runStartup(HINSTANCE instance, const char* tail);

// The Windows version class of this system (OsWin95 when the query fails);
// `version` receives the query's answer, zeroed when it failed.
uint32_t queryOsClass(OSVERSIONINFOA& version);

// Writes bytes to standard output as they are (no line-end translation).
void writeStandardOutput(const char* text, size_t length);

// Reads "ProgramFilesDir" into a buffer of `size` bytes; false when the key or
// the value is missing, not a string, or longer than the buffer.
bool readProgramFilesDir(char* buffer, DWORD size);

// The elevation failure message for a shell result, at most 1023 characters.
void formatElevationMessage(int shellResult, char* message, size_t size);
