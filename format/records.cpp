// The factories of actions and undo entries, the reading, writing and
// describing of their fields over one walk, what differs by kind dispatched
// on the kind code, and the undo log.
#include "format/action.h"
#include "format/undo_entry.h"

#include <new>
#include <type_traits>

template <typename Field>
void FieldWalker::hand(Field field)
{
    if (reading_)
        field(FieldReader{*reading_});
    else if (writing_)
        field(FieldWriter{*writing_});
#ifndef SLIPWAY_UNNAMED_FIELDS
    else
        field(FieldDescriber{*describing_});
#endif
}

void FieldWalker::text(const char* name, Bytes& value)
{
    hand([&](auto visitor) { visitor.text(name, value); });
}

void FieldWalker::blob(const char* name, Bytes& value)
{
    hand([&](auto visitor) { visitor.blob(name, value); });
}

void FieldWalker::payload(const char* name, Bytes& value, PayloadRef& ref)
{
    hand([&](auto visitor) { visitor.payload(name, value, ref); });
}

void FieldWalker::number(const char* name, uint32_t& value, NumberForm form)
{
    hand([&](auto visitor) { visitor.number(name, value, form); });
}

void FieldWalker::shortNumber(const char* name, uint16_t& value, NumberForm form)
{
    hand([&](auto visitor) { visitor.shortNumber(name, value, form); });
}

template <typename Record>
bool readWalkedFields(Record& record, ByteCursor& cursor)
{
    FieldWalker walker(cursor);
    record.walkFields(walker);
    return !cursor.failed();
}

// Writing and describing walk a const record: their walkers change nothing.
template <typename Record>
bool writeWalkedFields(const Record& record, ByteSink& sink)
{
    sink.appendU32(record.kind());
    FieldWalker walker(sink);
    const_cast<Record&>(record).walkFields(walker);
    return !sink.failed();
}

// The stub never describes: its walkers cannot.
#ifndef SLIPWAY_UNNAMED_FIELDS
template <typename Record>
void describeWalkedFields(const Record& record, FieldVisitor& visitor)
{
    FieldWalker walker(visitor);
    const_cast<Record&>(record).walkFields(walker);
}

template void describeWalkedFields(const Action&, FieldVisitor&);
template void describeWalkedFields(const UndoEntry&, FieldVisitor&);
#endif

template bool readWalkedFields(Action&, ByteCursor&);
template bool writeWalkedFields(const Action&, ByteSink&);
template bool readWalkedFields(UndoEntry&, ByteCursor&);
template bool writeWalkedFields(const UndoEntry&, ByteSink&);

// What differs by kind, dispatched on the kind code through the lists of
// format/record_kinds.h: one switch an operation instead of a vtable a
// class. Each case calls the kind's own member by its class; a class without
// its own would fall back on the base's dispatch, which would call itself,
// so that stops the build instead.
#define SLIPWAY_OWN_MEMBER(Class, member, Base)                                                                        \
    static_assert(!std::is_same_v<decltype(&Class::member), decltype(&Base::member)>, #Class " has its own " #member)

namespace {

// A step caption when not empty, else null.
const char* shownCaption(const Bytes& caption)
{
    return *caption.text() ? caption.text() : nullptr;
}

// An action's own step row: only kinds whose caption rule gives them one,
// from the caption of their step fields.
template <typename Class>
const char* actionCaption(const Action& action)
{
    if constexpr (kActionCaptionRules[KindCode<Class>::value] == kInstallStepCaption)
        return shownCaption(static_cast<const Class&>(action).stepCaption);
    else
        return nullptr;
}

// An undo entry's row: only the custom steps (the kinds neither reversals
// nor rollback-only) have one, from the caption of their step fields.
template <typename Class>
const char* undoCaption(const UndoEntry& entry)
{
    constexpr uint32_t bit = 1u << KindCode<Class>::value;
    if constexpr ((kReversalUndoKinds & bit) == 0 && (kStoredUndoKinds & bit) != 0)
        return shownCaption(static_cast<const Class&>(entry).stepCaption);
    else
        return nullptr;
}

// Only the rollback-only kinds have anything to let go of at a successful
// end; the stored kinds have no commit of their own.
template <typename Class>
void commitAs(UndoEntry& entry)
{
    if constexpr ((kStoredUndoKinds >> KindCode<Class>::value & 1) == 0)
        static_cast<Class&>(entry).commit();
}

}  // namespace

const char* Action::caption() const
{
    switch (kind_) {
#define SLIPWAY_ACTION_CAPTION(code, Class, ...)                                                                       \
    case code: return actionCaption<Class>(*this);
        SLIPWAY_ACTION_KINDS(SLIPWAY_ACTION_CAPTION)
#undef SLIPWAY_ACTION_CAPTION
    }
    return nullptr;
}

bool Action::execute(ExecutionContext& context)
{
    switch (kind_) {
#define SLIPWAY_ACTION_EXECUTE(code, Class, ...)                                                                       \
    case code: SLIPWAY_OWN_MEMBER(Class, execute, Action); return static_cast<Class&>(*this).execute(context);
        SLIPWAY_ACTION_KINDS(SLIPWAY_ACTION_EXECUTE)
#undef SLIPWAY_ACTION_EXECUTE
    }
    return false;
}

void Action::walkFields(FieldWalker& walker)
{
    switch (kind_) {
#define SLIPWAY_ACTION_WALK(code, Class, ...)                                                                          \
    case code:                                                                                                         \
        SLIPWAY_OWN_MEMBER(Class, walkFields, Action);                                                                 \
        static_cast<Class&>(*this).walkFields(walker);                                                                 \
        return;
        SLIPWAY_ACTION_KINDS(SLIPWAY_ACTION_WALK)
#undef SLIPWAY_ACTION_WALK
    }
}

void std::default_delete<Action>::operator()(Action* action) const
{
    if (!action)
        return;
    switch (action->kind()) {
#define SLIPWAY_DELETE_ACTION(code, Class, ...)                                                                        \
    case code: delete static_cast<Class*>(action); return;
        SLIPWAY_ACTION_KINDS(SLIPWAY_DELETE_ACTION)
#undef SLIPWAY_DELETE_ACTION
    }
}

const char* UndoEntry::caption() const
{
    switch (kind_) {
#define SLIPWAY_UNDO_CAPTION(code, Class, ...)                                                                         \
    case code: return undoCaption<Class>(*this);
        SLIPWAY_UNDO_KINDS(SLIPWAY_UNDO_CAPTION)
#undef SLIPWAY_UNDO_CAPTION
    }
    return nullptr;
}

uint32_t UndoEntry::undo(ExecutionContext& context)
{
    switch (kind_) {
#define SLIPWAY_UNDO_UNDO(code, Class, ...)                                                                            \
    case code: SLIPWAY_OWN_MEMBER(Class, undo, UndoEntry); return static_cast<Class&>(*this).undo(context);
        SLIPWAY_UNDO_KINDS(SLIPWAY_UNDO_UNDO)
#undef SLIPWAY_UNDO_UNDO
    }
    return kUndoFailed;
}

void UndoEntry::walkFields(FieldWalker& walker)
{
    switch (kind_) {
#define SLIPWAY_UNDO_WALK(code, Class, ...)                                                                            \
    case code:                                                                                                         \
        SLIPWAY_OWN_MEMBER(Class, walkFields, UndoEntry);                                                              \
        static_cast<Class&>(*this).walkFields(walker);                                                                 \
        return;
        SLIPWAY_UNDO_KINDS(SLIPWAY_UNDO_WALK)
#undef SLIPWAY_UNDO_WALK
    }
}

void UndoEntry::commit()
{
    switch (kind_) {
#define SLIPWAY_UNDO_COMMIT(code, Class, reversal, stored)                                                             \
    case code: commitAs<Class>(*this); return;
        SLIPWAY_UNDO_KINDS(SLIPWAY_UNDO_COMMIT)
#undef SLIPWAY_UNDO_COMMIT
    }
}

void std::default_delete<UndoEntry>::operator()(UndoEntry* entry) const
{
    if (!entry)
        return;
    switch (entry->kind()) {
#define SLIPWAY_DELETE_UNDO(code, Class, ...)                                                                          \
    case code: delete static_cast<Class*>(entry); return;
        SLIPWAY_UNDO_KINDS(SLIPWAY_DELETE_UNDO)
#undef SLIPWAY_DELETE_UNDO
    }
}

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
    std::default_delete<UndoEntry>()(entry);
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
        std::default_delete<UndoEntry>()(head_);
        head_ = next;
    }
    tail_ = nullptr;
    count_ = 0;
}
