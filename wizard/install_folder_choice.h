// Choosing another install folder keeps the product's own part of the
// folder (its sub-path: "Vendor\Product" below Program Files) and lets the
// user choose only the folder that holds it. These are the text rules of
// that choice; portable, so the host tests check them.
// wizard/folder_browser.cpp shows the shell's folder browser with them, and
// the folder page asks for the free space of the folder's drive at its
// nearest existing folder.
#pragma once

#include <stddef.h>

// A Windows path with its terminator. The chosen folder with the sub-path
// must fit it: the folder page reads the install folder back in this size
// the next time the browser opens, and the installation's own paths start
// with it.
constexpr size_t kFolderPathSize = 260;

// The length of the root a path starts with: 3 for "D:\", 1 for "\", and
// for "\\server\share\" up to and with the backslash behind the share (the
// whole text when none follows). 0 for a relative path, "D:" and
// "D:folder" included: they name drive D's current folder.
size_t pathRootLength(const char* path);

// Whether a folder exists; the stub asks the file system, tests answer
// from a list.
class FolderProbe {
public:
    virtual bool exists(const char* folder) = 0;

protected:
    ~FolderProbe() = default;
};

// Cuts `folder` back, a part at a time, to the nearest folder that exists,
// itself included. The cut never goes into the root ("D:" would be drive
// D's current folder, "\\server" no folder at all). Empty when not even the
// root exists, or the text has no root. The free space of a folder still
// to be made is asked of it.
void cutToExistingFolder(char* folder, FolderProbe& probe);

// Filled by splitInstallFolder.
struct BrowseFolders {
    char startFolder[kFolderPathSize];  // where the browser opens; empty: its default
    char subPath[kFolderPathSize];      // kept below the chosen folder; may be empty
};

// Splits the install folder at its nearest existing ancestor: the browser
// opens there, and the part below it is the product's sub-path. A folder
// that exists whole (a reinstall) keeps only its last part, opening at its
// parent. Trailing backslashes are passed over. A folder without a root
// is all sub-path, and the file system is not asked about it.
void splitInstallFolder(const char* installFolder, FolderProbe& probe, BrowseFolders& out);

enum class FolderChoice {
    Chosen,            // the new install folder is in `out`
    Unchanged,         // the install folder stays as it is
    NoFileSystemPath,  // the chosen item is no folder of the file system
    TooLong,           // with the sub-path it would not fit kFolderPathSize
};

// The chosen folder, a backslash unless it ends with one or the sub-path is
// empty, and the sub-path; `chosen` is the file-system path of the chosen
// item, empty when it has none. `out` (of `size` bytes) is written only
// for Chosen: a folder that does not fit is refused, never cut into some
// other path.
FolderChoice joinChosenFolder(const char* chosen, const char* subPath, char* out, size_t size);

// What becomes of the install folder when the user chooses `chosen` in a
// browser opened with `folders`: the browser's own start folder leaves it
// exactly as it was (case and trailing backslashes too: Unchanged); any
// other folder takes the sub-path (joinChosenFolder).
FolderChoice chooseInstallFolder(const char* chosen, const BrowseFolders& folders, char* out, size_t size);

// What the user is told when the chosen folder with the sub-path is too
// long, naming that folder. Cut to `size` bytes and always terminated.
void describeTooLongFolder(const char* chosen, const char* subPath, char* out, size_t size);
