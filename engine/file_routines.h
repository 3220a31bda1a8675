// File routines shared by the file, shortcut and uninstall steps.
#pragma once

#include "format/field_limits.h"
#include "platform/win32_handles.h"

#include <stdint.h>

// An expanded path with its NUL: 260 characters, as the system's ANSI calls take.
constexpr size_t kPathSize = kExpandedPathSize;
// The name buffers of the extract-all mode and of deleteMatching.
constexpr size_t kWorkNameSize = 264;

class UndoLog;

// The last backslash of `path`, walked by characters (a double-byte
// character's trail byte may equal a backslash); null when it has none.
char* lastBackslashOf(char* path);

// Creates each folder on the way to the last backslash of `path`, outermost
// first, walking the path by characters (a double-byte character's trail
// byte may equal a backslash). With `record`, every folder it made gets a
// RemoveFolderUndo in the log, whose newest-first order then removes them
// innermost first. Failures are ignored: the caller's own step finds them.
// `path` is changed while it runs and given back whole.
void createFoldersOnPath(char* path, UndoLog* record);

// Opens the file for binary writing, creating or truncating it. When that
// fails and the path has folders, creates each of them, outermost first
// (failures ignored), and opens once more. A path longer than kPathSize is
// not cut to make folders: the first failure stands.
UniqueFile createPathFile(const char* path);

// The low 32 bits of the size of the first entry a search for `path` finds;
// 0 when there is none.
uint32_t fileSize(const char* path);

// Deletes the file; true when it is gone (also when it never existed).
// On false the last error is the deletion's own.
bool deleteFile(const char* path);

// What a walk over the files a pattern matches does with what it finds.
class MatchHandler {
public:
    // A file (not a folder) the pattern matches, with its attributes.
    virtual void file(const char* path, DWORD attributes) = 0;
    // With recursion: a folder of the tree (its path ends with a backslash),
    // once before anything in it and once after everything in it.
    virtual void entered(const char* folder) { (void)folder; }
    virtual void left(const char* folder) { (void)folder; }

protected:
    ~MatchHandler() = default;
};

// Walks the files that `pathPattern` (a folder, a backslash and a name that
// may hold wildcards) matches; with `recurse`, also in every sub-folder, the
// pattern's own folder first. Junctions and other reparse points are never
// entered, and a name that would not fit the work buffer is skipped, never
// cut.
void walkMatching(const char* pathPattern, bool recurse, MatchHandler& handler);

// Deletes the files that `pathPattern` matches, clearing their attributes
// first; with `recurse`, does the same in every sub-folder and then removes
// each folder of the tree that is left empty. Failures are ignored. Always
// true.
bool deleteMatching(const char* pathPattern, bool recurse);

// Deletes one file as deleteMatching does: its attributes cleared first
// (not a link's, which would change its target's), failures ignored.
void deleteMatchedFile(const char* path, DWORD attributes);
