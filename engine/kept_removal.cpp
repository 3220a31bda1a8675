#include "engine/kept_removal.h"

#include "engine/ask_retry.h"
#include "engine/kept_deletions.h"
#include "format/stub_texts.h"

#include <windows.h>
#include <shlobj.h>

#include <new>
#include "platform/import_slots.h"

SLIPWAY_IMPORT_SLOT(RemoveDirectoryA, 4);

namespace {

// A file or shortcut moved aside, asking while it cannot be moved when its
// removal reports failures. Ignore leaves it where it is.
uint32_t keepAsking(ExecutionContext& context, const char* path, bool askOnFailure)
{
    for (;;) {
        if (keepFileAside(path, *context.undoLog) != KeptAside::Failed || !askOnFailure)
            return kUndoContinue;
        int answer = askRetry(context.page, kCannotDeleteFile, kErrorTitle, path);
        if (answer == IDIGNORE)
            return kUndoContinue;
        if (answer != IDRETRY)
            return kUndoFailed;
    }
}

uint32_t reverseKept(UndoEntry& entry, ExecutionContext& context)
{
    switch (entry.kind()) {
    case KindCode<DeleteFileUndo>::value: {
        const DeleteFileUndo& file = static_cast<const DeleteFileUndo&>(entry);
        return keepAsking(context, file.path.text(), file.reportFailure != 0);
    }
    case KindCode<DeleteShortcutUndo>::value:
        return keepAsking(context, static_cast<const DeleteShortcutUndo&>(entry).path.text(), true);
    case KindCode<DeleteRegValueUndo>::value: {
        const DeleteRegValueUndo& value = static_cast<const DeleteRegValueUndo&>(entry);
        deleteValueKept(value.root, value.subKey.text(), value.valueName.text(), *context.undoLog);
        return kUndoContinue;
    }
    default:
        // Folders wait for the end; nothing else is stored.
        return kUndoContinue;
    }
}

}  // namespace

uint32_t removeKeptAside(const UndoLog& earlier, ExecutionContext& context)
{
    // The custom steps in a first walk, the reversals in a second.
    for (int reversals = 0; reversals < 2; ++reversals) {
        for (UndoEntry* entry = earlier.first(); entry; entry = entry->next) {
            if (entry->isReversal() != (reversals != 0))
                continue;
            uint32_t result = reversals ? reverseKept(*entry, context) : entry->undo(context);
            if (context.report)
                context.report("remove earlier", entry->className(), entry->caption(), result);
            if (result == kUndoCancelled)
                context.cancelled = true;
            if (result != kUndoContinue)
                return result;
        }
    }
    return kUndoContinue;
}

void removeLeftFolders(const UndoLog& earlier, UndoLog& successor)
{
    // Newest first, as the earlier log runs: a folder's sub-folders go
    // before it. Handed-over folders come last in the successor, in the
    // order handed over, so it removes sub-folders first too.
    for (UndoEntry* entry = earlier.first(); entry; entry = entry->next) {
        if (entry->kind() != KindCode<RemoveFolderUndo>::value)
            continue;
        const char* path = static_cast<const RemoveFolderUndo*>(entry)->path.text();
        if (RemoveDirectoryASlot(path)) {
            SHChangeNotify(SHCNE_RMDIR, SHCNF_PATHA, path, nullptr);
            continue;
        }
        if (GetLastError() != ERROR_DIR_NOT_EMPTY)
            continue;
        RemoveFolderUndo* handed = new (std::nothrow) RemoveFolderUndo();
        if (handed && handed->path.assignText(path))
            successor.append(handed);
        else
            delete handed;
    }
}
