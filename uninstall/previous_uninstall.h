// Running an earlier installation's uninstaller and waiting until it, and
// the temporary copy it may start of itself, have ended.
#pragma once

#include <windows.h>

// Runs an earlier installation's uninstall command with the run's show
// command and waits for it and its temporary copy. False when it could not
// be started; how it ended is not known.
bool runEarlierUninstaller(char* command);

// Returns when the started uninstaller and its "uni*.tmp" child have ended.
void waitForUninstaller(DWORD processId, HANDLE process);

// The file name of a path: the text after its last backslash (multi-byte
// aware), or the whole path.
const char* pathBaseName(const char* path);

// True for a base name like "uni1A2B.tmp": begins with "uni", ends with
// ".tmp", both compared without case.
bool looksLikeUninstallerCopy(const char* imageName);
