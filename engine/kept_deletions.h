// Files an installation deletes by pattern, kept until it has succeeded: a
// failed installation puts them back, as it does the files it overwrote.
#pragma once

#include <stdint.h>

class UndoLog;

// Deletes what `pathPattern` matches as deleteMatching does, but moves each
// file into the folder that holds the pattern's folder instead, and records
// in `log` how to put files and emptied folders back. A file that cannot be
// moved aside is deleted as before, and so is every file of a pattern at a
// drive's root, which has no folder above it.
void deleteMatchingKept(const char* pathPattern, bool recurse, UndoLog& log);

// What keepFileAside did.
enum class KeptAside : uint8_t { Kept, Missing, Failed };
// Moves the file at `path` to a name the system makes unique in its own
// folder and records in `log` how to move it back: a failed installation
// restores it with its contents and times, a successful one deletes the
// copy. Missing: there was no file to keep; Failed: it could not be moved
// (something holds it), and stays where it is.
KeptAside keepFileAside(const char* path, UndoLog& log);

// Deletes a registry value of the installer's 32-bit view and records in
// `log` how to set it back. A value that is not there, or cannot be read
// whole, is left as it is.
void deleteValueKept(uint32_t root, const char* subKey, const char* valueName, UndoLog& log);
