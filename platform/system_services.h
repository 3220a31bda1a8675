// Small services on top of Windows: WOW64 and administrator tests, the restart
// question and the restart, system DLLs.
#pragma once

#include <windows.h>

#include <stdint.h>

// 1 when this 32-bit process runs on 64-bit Windows, else 0.
uint32_t detectWow64();
// True when the process token holds the load-driver privilege.
bool isAdministrator();
// True when the process token is elevated (Vista and later; false before).
bool isTokenElevated();
// Set by start-up: /quiet leaves nobody to answer, so no question or error
// box is shown (each question takes the answer that stops or declines), and
// /norestart leaves a needed restart to the caller.
extern bool nobodyToAsk;
extern bool neverRestart;

// Asks whether to restart now; Yes restarts the machine. Not asked when
// nobody is there or restarts are left to the caller. True once the
// restart has been started.
bool offerRestart(HWND owner, const char* caption);
// An error box captioned "Error", unless nobody is there to see it; the log
// gets the text either way.
void showError(HWND owner, const char* text);
bool restartSystem();
// Fills `record` with a class of the common controls (the tooltip's, the
// progress bar's), loading them from the system folder first when the class
// is not there yet; the record stays as it was given when the class cannot
// be had.
WNDCLASSA* commonControlClassInfo(const char* className, WNDCLASSA* record);

// The top-level window that owns or contains `window`.
HWND rootWindowOf(HWND window);

// Keeps the loader out of the program's own folder (a user's Downloads
// folder, or the temporary folder of the uninstaller's copy) for every
// library it loads from now on, for this program and on its behalf: only the
// system folder is searched where the system can say so (Windows 8, or 7 and
// Vista with their loader update); older NT systems at least lose the
// current folder. Looked up at run time: Windows 9x has neither call.
void restrictLibrarySearch();

// A library of the system folder, loaded by its full path so that a DLL of the
// same name beside the installer is never picked up. Null when it is missing
// or its path does not fit.
HMODULE loadSystemLibrary(const char* fileName, DWORD flags = 0);
