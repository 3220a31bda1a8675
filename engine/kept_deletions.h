// Files an installation deletes by pattern, kept until it has succeeded: a
// failed installation puts them back, as it does the files it overwrote.
#pragma once

class UndoLog;

// Deletes what `pathPattern` matches as deleteMatching does, but moves each
// file into the folder that holds the pattern's folder instead, and records
// in `log` how to put files and emptied folders back. A file that cannot be
// moved aside is deleted as before, and so is every file of a pattern at a
// drive's root, which has no folder above it.
void deleteMatchingKept(const char* pathPattern, bool recurse, UndoLog& log);
