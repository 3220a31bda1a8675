// The machine's list of installed programs: the Uninstall key under
// HKEY_LOCAL_MACHINE, where an installation registers its uninstaller and
// from where the uninstaller removes that entry again.
#pragma once

#include "app/win32_handles.h"

extern const char kUninstallKeyPath[];

// Opens the Uninstall key, creating it when missing, with the rights to read
// it, set values and create sub-keys.
bool createUninstallKey(UniqueRegKey& key);
// Creates or opens one entry below it with the same rights.
bool createUninstallEntry(HKEY uninstallKey, const char* name, UniqueRegKey& entry);
