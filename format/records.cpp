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
    void payload(const char* name, Bytes& value, PayloadRef& ref) override { visitor_.payload(name, value, ref); }
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

namespace {

Action* newAction(uint32_t kind)
{
    switch (kind) {
#define SLIPWAY_NEW_ACTION(code, Class, ...)                                                                           \
    case code: return new (std::nothrow) Class();
        SLIPWAY_ACTION_KINDS(SLIPWAY_NEW_ACTION)
#undef SLIPWAY_NEW_ACTION
    default: return nullptr;
    }
}

}  // namespace

std::unique_ptr<Action> createAction(uint32_t kind)
{
    return std::unique_ptr<Action>(newAction(kind));
}

UndoEntry* createUndoEntry(uint32_t kind)
{
    switch (kind) {
        // Only the kinds a package stores: a rollback-only code makes nothing.
#define SLIPWAY_NEW_UNDO(code, Class, reversal, stored)                                                                \
    case code: return stored ? new (std::nothrow) Class() : nullptr;
        SLIPWAY_UNDO_KINDS(SLIPWAY_NEW_UNDO)
#undef SLIPWAY_NEW_UNDO
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
