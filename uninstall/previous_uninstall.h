// Running an earlier installation's uninstaller and waiting until it, and
// the temporary copy it may start of itself, have ended.
#pragma once

#include <windows.h>

// Runs the command in the run state's uninstall command buffer, waits, and
// posts WM_INSTALL_DONE (1, 0) to the page whatever happened.
DWORD WINAPI PreviousUninstallThread(LPVOID page);

// Returns when the started uninstaller and its "uni*.tmp" child have ended.
void waitForUninstaller(DWORD processId, HANDLE process);

// The file name of a path: the text after its last backslash (multi-byte
// aware), or the whole path.
const char* pathBaseName(const char* path);

// True for a base name like "uni1A2B.tmp": begins with "uni", ends with
// ".tmp", both compared without case.
bool looksLikeUninstallerCopy(const char* imageName);
