#include "engine/file_routines.h"

#include "format/undo_entry.h"

#include <new>

#include <string.h>
#include "platform/import_slots.h"

SLIPWAY_IMPORT_SLOT(CreateDirectoryA, 8);
SLIPWAY_IMPORT_SLOT(FindNextFileA, 8);
SLIPWAY_IMPORT_SLOT(RemoveDirectoryA, 4);
SLIPWAY_IMPORT_SLOT(SetFileAttributesA, 8);

namespace {

bool isDotEntry(const char* name)
{
    return name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0));
}

// Writes the three parts at `namePart` of the work buffer when they fit; a
// name that does not fit is skipped whole, never cut into another name.
bool putName(char* work, char* namePart, const char* first, const char* second = "", const char* third = "")
{
    size_t room = kWorkNameSize - size_t(namePart - work);
    size_t lengths[3] = {strlen(first), strlen(second), strlen(third)};
    if (lengths[0] + lengths[1] + lengths[2] >= room)
        return false;
    memcpy(namePart, first, lengths[0]);
    memcpy(namePart + lengths[0], second, lengths[1]);
    memcpy(namePart + lengths[0] + lengths[1], third, lengths[2] + 1);
    return true;
}

void walkFolder(const char* pathPattern, bool recurse, MatchHandler& handler);

// Step one: the files (not folders) the pattern matches.
void walkMatchingFiles(const char* pathPattern, char* work, char* namePart, MatchHandler& handler)
{
    WIN32_FIND_DATAA found;
    UniqueFindHandle search(FindFirstFileA(pathPattern, &found));
    if (!search)
        return;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && putName(work, namePart, found.cFileName))
            handler.file(work, found.dwFileAttributes);
    } while (FindNextFileASlot(search.get(), &found));
}

// Step two: every real sub-folder, with the same pattern. A junction or
// symbolic link may lead anywhere, out of the tree the package named.
void walkSubfolders(char* work, char* namePart, const char* pattern, MatchHandler& handler)
{
    if (!putName(work, namePart, "*.*"))
        return;
    WIN32_FIND_DATAA found;
    UniqueFindHandle search(FindFirstFileA(work, &found));
    if (!search)
        return;
    do {
        DWORD attributes = found.dwFileAttributes;
        if (!(attributes & FILE_ATTRIBUTE_DIRECTORY) || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
            isDotEntry(found.cFileName))
            continue;
        if (putName(work, namePart, found.cFileName, "\\", pattern))
            walkFolder(work, true, handler);
    } while (FindNextFileASlot(search.get(), &found));
}

void walkFolder(const char* pathPattern, bool recurse, MatchHandler& handler)
{
    char work[kWorkNameSize];
    size_t length = strlen(pathPattern);
    if (length >= sizeof work)
        return;
    memcpy(work, pathPattern, length + 1);
    char* lastBackslash = strrchr(work, '\\');
    char* namePart = lastBackslash ? lastBackslash + 1 : work;
    const char* pattern = pathPattern + (namePart - work);

    if (recurse) {
        // The folder itself, kept with its backslash.
        char saved = *namePart;
        *namePart = 0;
        handler.entered(work);
        *namePart = saved;
    }
    walkMatchingFiles(pathPattern, work, namePart, handler);
    if (!recurse)
        return;
    walkSubfolders(work, namePart, pattern, handler);
    *namePart = 0;
    handler.left(work);
}

// Deletes as it walks: files as they are found, each folder once it is left
// (only an empty one goes).
class Deleter final : public MatchHandler {
public:
    void file(const char* path, DWORD attributes) override { deleteMatchedFile(path, attributes); }
    void left(const char* folder) override { RemoveDirectoryASlot(folder); }
};

}  // namespace

char* lastBackslashOf(char* path)
{
    char* last = nullptr;
    for (char* p = path; *p; p = CharNextA(p))
        if (*p == '\\')
            last = p;
    return last;
}

void createFoldersOnPath(char* path, UndoLog* record)
{
    for (char* p = path; *p; p = CharNextA(p)) {
        if (*p != '\\')
            continue;
        *p = 0;
        if (CreateDirectoryASlot(path, nullptr) && record) {
            RemoveFolderUndo* undo = record->pushNew<RemoveFolderUndo>();
            if (undo && !undo->path.assignText(path))
                record->dropNewest(undo);
        }
        *p = '\\';
    }
}

UniqueFile createPathFile(const char* path)
{
    UniqueFile file(fopen(path, "wb"));
    if (file || !strchr(path, '\\'))
        return file;
    char folder[kPathSize];
    size_t length = strlen(path);
    if (length >= sizeof folder)
        return file;
    memcpy(folder, path, length + 1);
    createFoldersOnPath(folder, nullptr);
    file.reset(fopen(path, "wb"));
    return file;
}

uint32_t fileSize(const char* path)
{
    WIN32_FIND_DATAA found;
    UniqueFindHandle search(FindFirstFileA(path, &found));
    return search ? found.nFileSizeLow : 0;
}

bool deleteFile(const char* path)
{
    if (DeleteFileA(path))
        return true;
    DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
        return true;
    SetLastError(error);
    return false;
}

void walkMatching(const char* pathPattern, bool recurse, MatchHandler& handler)
{
    walkFolder(pathPattern, recurse, handler);
}

bool deleteMatching(const char* pathPattern, bool recurse)
{
    Deleter deleter;
    walkFolder(pathPattern, recurse, deleter);
    return true;
}

void deleteMatchedFile(const char* path, DWORD attributes)
{
    // Clearing the attributes of a link would change its target's; the
    // link itself is deleted as it is.
    if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        SetFileAttributesASlot(path, FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(path);
}
