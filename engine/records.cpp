// The factories of actions and undo entries, and the undo log.
#include "engine/action.h"
#include "engine/undo_entry.h"

#include <new>

Action* createAction(uint32_t kind)
{
    switch (kind) {
    case WriteFileAction::kKind: return new (std::nothrow) WriteFileAction;
    case CopyFileAction::kKind: return new (std::nothrow) CopyFileAction;
    case DeleteFilesAction::kKind: return new (std::nothrow) DeleteFilesAction;
    case RemoveOnUninstallAction::kKind: return new (std::nothrow) RemoveOnUninstallAction;
    case ShortcutAction::kKind: return new (std::nothrow) ShortcutAction;
    case SetRegStringAction::kKind: return new (std::nothrow) SetRegStringAction;
    case SetRegDwordAction::kKind: return new (std::nothrow) SetRegDwordAction;
    case DeleteRegValueAction::kKind: return new (std::nothrow) DeleteRegValueAction;
    case RunAction::kKind: return new (std::nothrow) RunAction;
    case RunAtFinishAction::kKind: return new (std::nothrow) RunAtFinishAction;
    case RunAndWaitAction::kKind: return new (std::nothrow) RunAndWaitAction;
    case RunOnUninstallAction::kKind: return new (std::nothrow) RunOnUninstallAction;
    case CallLibraryAction::kKind: return new (std::nothrow) CallLibraryAction;
    case CallLibraryOnUninstallAction::kKind: return new (std::nothrow) CallLibraryOnUninstallAction;
    default: return nullptr;
    }
}

UndoEntry* createUndoEntry(uint32_t kind)
{
    switch (kind) {
    case RemoveFolderUndo::kKind: return new (std::nothrow) RemoveFolderUndo;
    case DeleteFileUndo::kKind: return new (std::nothrow) DeleteFileUndo;
    case DeleteShortcutUndo::kKind: return new (std::nothrow) DeleteShortcutUndo;
    case DeleteRegValueUndo::kKind: return new (std::nothrow) DeleteRegValueUndo;
    case RunProgramUndo::kKind: return new (std::nothrow) RunProgramUndo;
    case CallLibraryUndo::kKind: return new (std::nothrow) CallLibraryUndo;
    default: return nullptr;
    }
}

void UndoLog::push(UndoEntry* entry)
{
    if (!entry)
        return;
    entry->next = head_;
    head_ = entry;
    if (!tail_)
        tail_ = entry;
    ++count_;
}

void UndoLog::append(UndoEntry* entry)
{
    if (!entry)
        return;
    entry->next = nullptr;
    if (tail_)
        tail_->next = entry;
    else
        head_ = entry;
    tail_ = entry;
    ++count_;
}

void UndoLog::clear()
{
    while (head_) {
        UndoEntry* next = head_->next;
        delete head_;
        head_ = next;
    }
    tail_ = nullptr;
    count_ = 0;
}
