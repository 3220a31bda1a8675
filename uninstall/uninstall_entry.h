// The machine's list of installed programs: the Uninstall key under
// HKEY_LOCAL_MACHINE, where an installation registers its uninstaller, where
// a later installation looks for an earlier one, and from where the
// uninstaller removes that entry again. Only this file opens the key.
#pragma once

#include "platform/win32_handles.h"

#include <stddef.h>

// Creates or opens a product's entry, and the Uninstall key when missing,
// with the rights to read it, set values and create sub-keys. An empty name
// is refused: it would be the Uninstall key itself.
bool createUninstallEntry(const char* name, UniqueRegKey& entry);

// Reads the "UninstallString" of a product's entry into `command` of `size`
// bytes, terminated even when the value was stored without its NUL. False
// for an empty name, when there is no such entry or value, when the value
// does not fit in size - 1 bytes, or when it is empty.
bool readUninstallCommand(const char* name, char* command, size_t size);
// A product's entry opened for reading; false for an empty name or when
// there is no such entry.
bool openUninstallEntry(const char* name, UniqueRegKey& entry);
// A value of an opened entry as text into `text` of `size` bytes, its type
// not examined, terminated even when stored without its NUL. Empty, and
// false, when it is missing, empty or does not fit in size - 1 bytes.
bool readEntryText(HKEY entry, const char* valueName, char* text, size_t size);

// Deletes a product's entry. Failures are silent: an entry that is already
// gone is what the caller wants. An empty name deletes nothing, as it would
// be the Uninstall key itself (on the 9x line with every product's entry
// below it).
void deleteUninstallEntry(const char* name);

// The values that let deployment tools remove the product without a person
// and offer no change or repair: "QuietUninstallString" (the uninstaller's
// path in quotes and " /quiet"), "NoModify" and "NoRepair" (1).
void setQuietUninstallValues(HKEY entry, const char* uninstallerPath);
