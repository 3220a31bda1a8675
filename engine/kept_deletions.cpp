// The found files are gathered whole before anything moves, and kept in a
// fresh folder outside the tree the pattern walks: the walk never meets a
// kept copy, and a folder left empty is removed at once, as without keeping,
// so later steps that write into it make and record it again.
#include "engine/kept_deletions.h"

#include "app/bytes.h"
#include "app/win32_handles.h"
#include "engine/file_routines.h"
#include "engine/undo_entry.h"

#include <new>
#include <string.h>

namespace {

constexpr char kFileRecord = 'f';
constexpr char kEmptiedFolderRecord = 'd';

// What the walk found, in walk order: a kind byte and a path with its NUL
// per record, files as found and each folder once everything in it was.
class FoundPaths final : public MatchHandler {
public:
    void file(const char* path, DWORD) override { add(kFileRecord, path); }
    void left(const char* folder) override { add(kEmptiedFolderRecord, folder); }
    bool failed() const { return failed_; }

    // Calls `visit(path)` for each record of `kind`, in walk order.
    template <typename Visit>
    void forEach(char kind, Visit visit) const
    {
        const char* p = run_.text();
        const char* end = p + used_;
        while (p < end) {
            size_t length = strlen(p + 1);
            if (*p == kind)
                visit(p + 1);
            p += length + 2;
        }
    }

private:
    void add(char kind, const char* path)
    {
        size_t length = strlen(path);
        size_t needed = used_ + length + 2;
        if (failed_)
            return;
        if (needed > run_.size()) {
            size_t grown = run_.size() < 4096 ? 4096 : run_.size() * 2;
            if (grown < needed)
                grown = needed;
            if (!run_.resize(grown)) {
                failed_ = true;
                return;
            }
        }
        uint8_t* at = run_.data() + used_;
        at[0] = uint8_t(kind);
        memcpy(at + 1, path, length + 1);
        used_ = needed;
    }

    Bytes run_;
    size_t used_ = 0;
    bool failed_ = false;
};

// Cuts `path` after its last backslash; false when it has none.
bool cutAfterLastBackslash(char* path)
{
    char* last = nullptr;
    for (char* p = path; *p; p = CharNextA(p))
        if (*p == '\\')
            last = p;
    if (!last)
        return false;
    last[1] = 0;
    return true;
}

// The folder the kept files go to: new, under the parent of the pattern's
// own folder (the pattern's folder itself when it is a drive's root), so
// that it lies on the tree's volume but outside the tree. Made when the
// first file needs it; its entry, pushed first, removes it last.
class AsideFolder {
public:
    explicit AsideFolder(const char* pathPattern) : pattern_(pathPattern) {}

    // The kept copy's path for the next file, in `copy`; false when no
    // folder could be made or the name does not fit.
    bool nextCopyPath(UndoLog& log, char* copy, size_t size)
    {
        if (!folder_[0] && !make(log))
            return false;
        int length = wsprintfA(copy, "%s\\%lu", folder_, static_cast<unsigned long>(count_++));
        return length > 0 && size_t(length) < size;
    }

private:
    bool make(UndoLog& log)
    {
        char parent[kWorkNameSize];
        if (made_ || strlen(pattern_) >= sizeof parent)
            return false;
        made_ = true;
        strcpy(parent, pattern_);
        if (!cutAfterLastBackslash(parent))
            return false;
        // "C:\Tree\" becomes "C:\"; a root stays itself.
        size_t length = strlen(parent);
        if (length > 1 && !(length == 3 && parent[1] == ':')) {
            parent[length - 1] = 0;
            if (!cutAfterLastBackslash(parent))
                parent[length - 1] = '\\';
        }
        RemoveAsideFolderRollback* entry = new (std::nothrow) RemoveAsideFolderRollback;
        if (!entry)
            return false;
        DWORD seed = GetTickCount();
        for (DWORD attempt = 0; attempt < 100; ++attempt) {
            char name[kWorkNameSize];
            int written = wsprintfA(name, "%sswk%04lX.tmp", parent, static_cast<unsigned long>((seed + attempt) & 0xFFFF));
            if (written <= 0 || size_t(written) + 12 >= kPathSize)
                break;
            if (CreateDirectoryA(name, nullptr)) {
                if (!entry->path.assignText(name)) {
                    RemoveDirectoryA(name);
                    break;
                }
                strcpy(folder_, name);
                log.push(entry);
                return true;
            }
            if (GetLastError() != ERROR_ALREADY_EXISTS)
                break;
        }
        delete entry;
        return false;
    }

    const char* pattern_;
    char folder_[kPathSize] = {};
    unsigned count_ = 0;
    bool made_ = false;
};

// Moves one file aside and records it; deletes it as before when it cannot
// be kept.
void keepOrDelete(const char* path, AsideFolder& aside, UndoLog& log)
{
    char copy[kPathSize];
    RestoreDeletedFileRollback* entry = new (std::nothrow) RestoreDeletedFileRollback;
    if (entry && aside.nextCopyPath(log, copy, sizeof copy) && entry->path.assignText(path) &&
        entry->keptCopy.assignText(copy) && MoveFileExA(path, copy, 0)) {
        log.push(entry);
        return;
    }
    delete entry;
    deleteMatchedFile(path, GetFileAttributesA(path));
}

// Removes a folder the deletion left empty; a rollback makes it again.
void removeEmptiedFolder(const char* folder, UndoLog& log)
{
    if (!RemoveDirectoryA(folder))
        return;
    RecreateFolderRollback* entry = new (std::nothrow) RecreateFolderRollback;
    if (entry && entry->path.assignText(folder))
        log.push(entry);
    else
        delete entry;
}

}  // namespace

void deleteMatchingKept(const char* pathPattern, bool recurse, UndoLog& log)
{
    FoundPaths found;
    walkMatching(pathPattern, recurse, found);
    if (found.failed()) {
        deleteMatching(pathPattern, recurse);
        return;
    }
    AsideFolder aside(pathPattern);
    found.forEach(kFileRecord, [&](const char* path) { keepOrDelete(path, aside, log); });
    // Children before their parents, as the walk left them; a rollback
    // (newest first) makes the parents again first.
    found.forEach(kEmptiedFolderRecord, [&](const char* folder) { removeEmptiedFolder(folder, log); });
}

uint32_t RestoreDeletedFileRollback::undo(ExecutionContext&)
{
    // What a later step wrote at the path has been taken away by then; a
    // copy that cannot go back stays where it is rather than be lost.
    MoveFileExA(keptCopy.text(), path.text(), MOVEFILE_REPLACE_EXISTING);
    return kUndoContinue;
}

void RestoreDeletedFileRollback::commit()
{
    deleteMatchedFile(keptCopy.text(), GetFileAttributesA(keptCopy.text()));
}

uint32_t RecreateFolderRollback::undo(ExecutionContext&)
{
    CreateDirectoryA(path.text(), nullptr);
    return kUndoContinue;
}

uint32_t RemoveAsideFolderRollback::undo(ExecutionContext&)
{
    RemoveDirectoryA(path.text());
    return kUndoContinue;
}

void RemoveAsideFolderRollback::commit()
{
    RemoveDirectoryA(path.text());
}
