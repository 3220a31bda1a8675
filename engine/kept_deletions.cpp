// The kept files go beside the tree the pattern walks, into the folder that
// holds its own, so the walk never meets one, and a folder left empty is
// removed at once, as without keeping: later steps that write into it make
// and record it again.
#include "engine/kept_deletions.h"

#include "platform/win32_handles.h"
#include "engine/file_routines.h"
#include "format/undo_entry.h"

#include <new>
#include <string.h>
#include "platform/import_slots.h"

SLIPWAY_IMPORT_SLOT(GetTempFileNameA, 16);
SLIPWAY_IMPORT_SLOT(MoveFileExA, 12);
SLIPWAY_IMPORT_SLOT(RemoveDirectoryA, 4);

namespace {

// Moves the file to a name the system makes unique in `folder` (it comes as
// an empty file, which the move replaces) and records how to move it back.
// False, with nothing moved nor recorded, when that cannot be done.
bool moveAsideInto(const char* folder, const char* path, UndoLog& log)
{
    char copy[kPathSize];
    if (GetTempFileNameASlot(folder, "swk", 0, copy) == 0)
        return false;
    RestoreFileRollback* entry = log.pushNew<RestoreFileRollback>();
    if (entry && entry->path.assignText(path) && entry->keptCopy.assignText(copy) &&
        MoveFileExASlot(path, copy, MOVEFILE_REPLACE_EXISTING))
        return true;
    log.dropNewest(entry);
    DeleteFileA(copy);
    return false;
}

class KeepingDeleter final : public MatchHandler {
public:
    // The pattern's folder's parent: "C:\Tree\*.tmp" gives "C:\". A pattern
    // at a drive's root has none, and keeps nothing.
    KeepingDeleter(const char* pathPattern, UndoLog& log) : log_(log)
    {
        size_t length = strlen(pathPattern);
        if (length >= sizeof parent_)
            return;
        memcpy(parent_, pathPattern, length + 1);
        char* last = lastBackslashOf(parent_);
        if (last) {
            *last = 0;
            last = lastBackslashOf(parent_);
        }
        if (last)
            last[1] = 0;
        else
            parent_[0] = 0;
    }

    // Moved to a name the system makes unique in the parent (it comes as an
    // empty file, which the move replaces), or deleted as before when that
    // cannot be done.
    void file(const char* path, DWORD attributes) override
    {
        if (!parent_[0] || !moveAsideInto(parent_, path, log_))
            deleteMatchedFile(path, attributes);
    }

    // A rollback (newest first) makes the parents again before their
    // children, which the walk left first.
    void left(const char* folder) override
    {
        if (!RemoveDirectoryASlot(folder))
            return;
        RestoreFileRollback* entry = log_.pushNew<RestoreFileRollback>();
        if (entry && !entry->path.assignText(folder))
            log_.dropNewest(entry);
    }

private:
    UndoLog& log_;
    char parent_[kPathSize] = {};
};

}  // namespace

void deleteMatchingKept(const char* pathPattern, bool recurse, UndoLog& log)
{
    KeepingDeleter deleter(pathPattern, log);
    walkMatching(pathPattern, recurse, deleter);
}

KeptAside keepFileAside(const char* path, UndoLog& log)
{
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return KeptAside::Missing;
    char folder[kPathSize];
    size_t length = strlen(path);
    if (length >= sizeof folder)
        return KeptAside::Failed;
    memcpy(folder, path, length + 1);
    char* last = lastBackslashOf(folder);
    if (!last)
        return KeptAside::Failed;
    *last = 0;
    return moveAsideInto(folder, path, log) ? KeptAside::Kept : KeptAside::Failed;
}
