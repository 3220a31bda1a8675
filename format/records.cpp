// The factories of actions and undo entries, the reading, writing and
// describing of their fields over one walk, and the undo log.
#include "format/action.h"
#include "format/undo_entry.h"

#include <new>

namespace {

// A FieldWalker that hands each field on to one of the template visitors of
// format/record_fields.h.
template <typename Visitor>
class WalkerOver final : public FieldWalker {
public:
    explicit WalkerOver(Visitor visitor) : visitor_(visitor) {}
    void text(const char* name, Bytes& value) override { visitor_.text(name, value); }
    void blob(const char* name, Bytes& value) override { visitor_.blob(name, value); }
    void number(const char* name, uint32_t& value, NumberForm form) override { visitor_.number(name, value, form); }
    void shortNumber(const char* name, uint16_t& value, NumberForm form) override
    {
        visitor_.shortNumber(name, value, form);
    }

private:
    Visitor visitor_;
};

}  // namespace

template <typename Record>
bool readWalkedFields(Record& record, ByteCursor& cursor)
{
    WalkerOver<FieldReader> walker(FieldReader{cursor});
    record.walkFields(walker);
    return !cursor.failed();
}

// Writing and describing walk a const record: their walkers change nothing.
template <typename Record>
bool writeWalkedFields(const Record& record, ByteSink& sink)
{
    sink.appendU32(record.kind());
    WalkerOver<FieldWriter> walker(FieldWriter{sink});
    const_cast<Record&>(record).walkFields(walker);
    return !sink.failed();
}

template <typename Record>
void describeWalkedFields(const Record& record, FieldVisitor& visitor)
{
    WalkerOver<FieldDescriber> walker(FieldDescriber{visitor});
    const_cast<Record&>(record).walkFields(walker);
}

template bool readWalkedFields(Action&, ByteCursor&);
template bool writeWalkedFields(const Action&, ByteSink&);
template void describeWalkedFields(const Action&, FieldVisitor&);
template bool readWalkedFields(UndoEntry&, ByteCursor&);
template bool writeWalkedFields(const UndoEntry&, ByteSink&);
template void describeWalkedFields(const UndoEntry&, FieldVisitor&);

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

UndoEntry* UndoLog::push(UndoEntry* entry)
{
    if (!entry)
        return nullptr;
    entry->next = head_;
    head_ = entry;
    if (!tail_)
        tail_ = entry;
    ++count_;
    return entry;
}

void UndoLog::dropNewest(UndoEntry* entry)
{
    if (!entry || entry != head_)
        return;
    head_ = entry->next;
    if (!head_)
        tail_ = nullptr;
    --count_;
    delete entry;
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
