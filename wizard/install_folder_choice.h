// Choosing another install folder keeps the folder's last part, the
// product's own folder name (the leaf), and lets the user choose only the
// folder that holds it. These are the text rules of that choice; portable,
// so the host tests check them. wizard/folder_browser.cpp shows the shell's
// folder browser with them.
#pragma once

#include <stddef.h>

// A Windows path with its terminator. The chosen folder with the leaf must
// fit it: the folder page reads the install folder back in this size the
// next time the browser opens, and the installation's own paths start
// with it.
constexpr size_t kFolderPathSize = 260;

// Filled by splitInstallFolder.
struct BrowseFolders {
    char startFolder[kFolderPathSize];  // where the browser opens; empty: its default
    char leaf[520];
};

// Splits the install folder at its last backslash: the leaf after it, the
// start folder before it. A root keeps its backslash ("D:\Product" starts
// at "D:\", not at "D:", the current folder of drive D). A text without a
// backslash is not split: it is all leaf, a name to keep, or, when it is a
// bare drive ("D:"), the root of that drive with nothing to keep.
void splitInstallFolder(const char* installFolder, BrowseFolders& out);

// Whether a folder exists; the stub asks the file system, tests answer
// from a list.
class FolderProbe {
public:
    virtual bool exists(const char* folder) = 0;

protected:
    ~FolderProbe() = default;
};

// Cuts the start folder back, a backslash at a time, to its nearest
// existing ancestor, so the browser opens as close to the old folder as the
// machine allows. Empty when no ancestor exists: the browser then opens at
// its default.
void cutToExistingAncestor(char* startFolder, FolderProbe& probe);

enum class FolderChoice {
    Chosen,            // the new install folder is in `out`
    NoFileSystemPath,  // the chosen item is no folder of the file system
    TooLong,           // with the leaf it would not fit kFolderPathSize
};

// The chosen folder, a backslash unless it ends with one, and the leaf;
// `chosen` is the file-system path of the chosen item, empty when it has
// none. `out` (of `size` bytes) is written only for Chosen: a folder that
// does not fit is refused, never cut into some other path.
FolderChoice joinChosenFolder(const char* chosen, const char* leaf, char* out, size_t size);

// What the user is told when the chosen folder with the leaf is too long,
// naming that folder. Cut to `size` bytes and always terminated.
void describeTooLongFolder(const char* chosen, const char* leaf, char* out, size_t size);
