// The Win32 answers to the path variables: shell folders, system folders, the
// registry and the run state, and the expander the stub hands to its actions.
#pragma once

#include <windows.h>

#include <stddef.h>

// Expands the path variables of `source` with this machine's folders and
// registry: the ExpandFn of the stub's actions and pages.
bool expandPathVariables(const char* source, char* output, size_t outputSize);

// The path of a shell folder into `buffer` (at least 261 bytes); the empty
// string when the shell cannot locate or convert it. Returns `buffer`.
char* shellFolderPath(int csidl, char* buffer);
// As shellFolderPath, locating `fallbackCsidl` when `csidl` cannot be located.
// A failed conversion to a path does not try the fallback.
char* shellFolderPathWithFallback(int csidl, int fallbackCsidl, char* buffer);

// Reads a text value into `out` of `outSize` bytes. True only for a REG_SZ or
// REG_EXPAND_SZ value whose NUL lies within the bytes the query returned and
// that fits `out`; the text is taken as stored, never expanded further.
bool readRegistryString(HKEY root, const char* keyPath, const char* valueName, char* out, size_t outSize);

// Sets a dialog item's text after expanding its path variables; a null text
// reads as empty, so package texts come as Bytes::textOrNull. Standard
// call: its many callers push an identifier and a text, shorter than loading
// them into registers.
void WINAPI setDlgItemTextExpanded(HWND dialog, int id, const char* text);
