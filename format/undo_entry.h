// Undo entries: what an action leaves behind so its change can be reversed,
// at rollback and by the uninstaller. Fields are stored already expanded.
#pragma once

#include "format/bytes.h"
#include "format/execution_context.h"
#include "format/record_fields.h"
#include "format/record_kinds.h"
#include "format/step_fields.h"

#include <stdint.h>

#include <memory>
#include <type_traits>
#include <new>

// Results of UndoEntry::undo.
enum UndoResult : uint32_t {
    kUndoContinue = 0,
    kUndoFailed = 1,     // failed or aborted by the user
    kUndoCancelled = 2,  // a program or entry point answered 1602
};

class UndoEntry {
public:
    // The undo kind code, then the fields. Not virtual, like read and
    // describe: nothing here is; what differs by kind is looked up by the
    // code or dispatched on it (format/records.cpp).
    bool serialize(ByteSink& sink) const { return writeWalkedFields(*this, sink); }
    // The kind's code and name, and what format/record_kinds.h says of it.
    uint32_t kind() const { return kind_; }
    const char* className() const { return kUndoClassNames[kind_]; }
    // True for the reversals (files, folders, shortcuts, registry values),
    // false for the custom steps (programs and entry points).
    bool isReversal() const { return (kReversalUndoKinds >> kind_ & 1) != 0; }
    // Rollback-only entries put back what an installation replaced, should it
    // fail; they are never written into the uninstall package.
    bool isRollbackOnly() const { return (kStoredUndoKinds >> kind_ & 1) == 0; }
    // The custom steps' caption, when not empty; null for every other entry.
    const char* caption() const;
    // Carries the entry out with the context's page and restart flag; the
    // context's undo target and expander are not used. Each kind's class
    // has its own `undo`, which this calls by the code.
    uint32_t undo(ExecutionContext& context);

    bool read(ByteCursor& cursor) { return readWalkedFields(*this, cursor); }
    // The stub never describes, so the describing code stays out of its image.
    void describe(FieldVisitor& visitor) const { describeWalkedFields(*this, visitor); }
    // Hands the fields, in stream order, to the walker (by the kind's class).
    void walkFields(FieldWalker& walker);

    // A successful installation lets a rollback-only entry go.
    void commit();

    // The next older entry of the log this entry belongs to.
    UndoEntry* next = nullptr;
    // Set on an entry that only the uninstaller carries out: a file listed
    // for removal at uninstall was not made by the installation, so a
    // rollback leaves it where it is. Not stored in the package.
    bool uninstallOnly = false;

protected:
    explicit UndoEntry(uint8_t kind) : kind_(kind) {}
    // Not virtual: an owner deletes an entry through std::default_delete,
    // which destroys it as the class of its code.
    ~UndoEntry() = default;

private:
    uint8_t kind_;
};

// Deletes an entry as the class its kind code names (see Action's).
namespace std {
template <>
struct default_delete<UndoEntry> {
    constexpr default_delete() noexcept = default;
    // An owner of one kind's class hands its record on to an owner of any.
    template <typename Kind, typename = enable_if_t<is_convertible_v<Kind*, UndoEntry*>>>
    default_delete(const default_delete<Kind>&) noexcept
    {
    }
    void operator()(UndoEntry* entry) const;
};
}  // namespace std

// An undo kind: its code from the list, and the shared walks.
template <typename Derived>
using UndoOfKind = RecordOfKind<UndoEntry, Derived>;

class RemoveFolderUndo final : public UndoOfKind<RemoveFolderUndo> {
public:
    Bytes path;
    template <typename Self, typename V>
    static void fields(Self& s, V& v)
    {
        v.text("path", s.path);
    }
    uint32_t undo(ExecutionContext& context);
};

class DeleteFileUndo final : public UndoOfKind<DeleteFileUndo> {
public:
    Bytes path;
    uint32_t reportFailure = 0;
    template <typename Self, typename V>
    static void fields(Self& s, V& v)
    {
        v.text("path", s.path);
        v.number("reportFailure", s.reportFailure);
    }
    uint32_t undo(ExecutionContext& context);
};

class DeleteShortcutUndo final : public UndoOfKind<DeleteShortcutUndo> {
public:
    Bytes path;
    template <typename Self, typename V>
    static void fields(Self& s, V& v)
    {
        v.text("path", s.path);
    }
    uint32_t undo(ExecutionContext& context);
};

class DeleteRegValueUndo final : public UndoOfKind<DeleteRegValueUndo>, public RegistryValueFields {
public:
    uint32_t undo(ExecutionContext& context);
};

class RunProgramUndo final : public UndoOfKind<RunProgramUndo>, public ProgramStepFields {
public:
    uint32_t undo(ExecutionContext& context);
};

class CallLibraryUndo final : public UndoOfKind<CallLibraryUndo>, public LibraryStepFields {
public:
    uint32_t undo(ExecutionContext& context);
};

// The entries that only a failed installation carries out. They are never
// written nor read: the uninstall package leaves them out, and no stored
// kind code makes one, so they walk no fields.
template <typename Derived>
class RollbackOfKind : public UndoEntry {
public:
    RollbackOfKind() : UndoEntry(KindCode<Derived>::value) {}
    void walkFields(FieldWalker&) {}
    // What a successful installation does with the entry: by default nothing.
    void commit() {}
};

// A file the installation replaced or deleted: `keptCopy` holds what was
// there, and goes back to `path` on rollback. Without a kept copy, `path`
// is a folder that a deletion left empty and the installation removed,
// made again on rollback (before its files go back).
class RestoreFileRollback final : public RollbackOfKind<RestoreFileRollback> {
public:
    uint32_t undo(ExecutionContext& context);
    void commit();
    Bytes path;
    Bytes keptCopy;
};

// A registry value the installation replaced or deleted, set back on
// rollback. Without a value name (null), the keys the installation created
// on the way to a value instead: `subKey` from its first `createdFrom` bytes
// on, deleted innermost first, each once nothing is left below it.
class RegistryRollback final : public RollbackOfKind<RegistryRollback>, public RegistryValueFields {
public:
    uint32_t undo(ExecutionContext& context);
    uint32_t type = 0;
    Bytes data;
    uint32_t createdFrom = 0;
};

// A new, empty entry of an undo kind code, or null outside 1 to 6.
UndoEntry* createUndoEntry(uint32_t kind);

// The newest-first list of undo entries; it owns them.
class UndoLog {
public:
    UndoLog() = default;
    ~UndoLog() { clear(); }
    UndoLog(const UndoLog&) = delete;
    UndoLog& operator=(const UndoLog&) = delete;

    // Puts an entry at the front (the log runs newest first) and owns it
    // from here on; a null entry is left out.
    UndoEntry* push(UndoEntry* entry);
    // A new, empty entry put at the front at once, or null when memory ran
    // out: the log owns it before the caller fills it in, so no way out of
    // the filling can lose it. One that cannot be filled goes again by
    // dropNewest.
    template <typename Entry>
    Entry* pushNew()
    {
        return static_cast<Entry*>(push(new (std::nothrow) Entry()));
    }
    // Takes `entry` back out and deletes it, when it is the newest (the one
    // pushNew just gave); null does nothing.
    void dropNewest(UndoEntry* entry);
    // Puts an entry at the back, keeping a stored log's order when reading.
    void append(UndoEntry* entry);
    void clear();
    UndoEntry* first() const { return head_; }
    uint32_t count() const { return count_; }

private:
    UndoEntry* head_ = nullptr;
    UndoEntry* tail_ = nullptr;
    uint32_t count_ = 0;
};
