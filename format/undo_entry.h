// Undo entries: what an action leaves behind so its change can be reversed,
// at rollback and by the uninstaller. Fields are stored already expanded.
#pragma once

#include "format/bytes.h"
#include "format/execution_context.h"
#include "format/record_fields.h"
#include "format/step_fields.h"

#include <stdint.h>

#include <new>

// Results of UndoEntry::undo.
enum UndoResult : uint32_t {
    kUndoContinue = 0,
    kUndoFailed = 1,     // failed or aborted by the user
    kUndoCancelled = 2,  // a program or entry point answered 1602
};

class UndoEntry {
public:
    virtual ~UndoEntry() = default;

    // The undo kind code, then the fields. Not virtual, like read and
    // describe: the walk is.
    bool serialize(ByteSink& sink) const { return writeWalkedFields(*this, sink); }
    // True for the reversals (files, folders, shortcuts, registry values),
    // false for the custom steps (programs and entry points).
    virtual bool isReversal() const = 0;
    virtual const char* caption() const { return nullptr; }
    // Carries the entry out with the context's page and restart flag; the
    // context's undo target and expander are not used.
    virtual uint32_t undo(ExecutionContext& context) = 0;

    virtual uint32_t kind() const = 0;
    virtual const char* className() const = 0;
    bool read(ByteCursor& cursor) { return readWalkedFields(*this, cursor); }
    // The stub never describes, so the describing code stays out of its image.
    void describe(FieldVisitor& visitor) const { describeWalkedFields(*this, visitor); }
    // Hands the fields, in stream order, to the walker.
    virtual void walkFields(FieldWalker& walker) { (void)walker; }

    // Rollback-only entries put back what an installation replaced, should it
    // fail; they are never written into the uninstall package.
    virtual bool isRollbackOnly() const { return false; }
    // A successful installation lets a rollback-only entry go.
    virtual void commit() {}

    // The next older entry of the log this entry belongs to.
    UndoEntry* next = nullptr;
    // Set on an entry that only the uninstaller carries out: a file listed
    // for removal at uninstall was not made by the installation, so a
    // rollback leaves it where it is. Not stored in the package.
    bool uninstallOnly = false;
};

// An undo kind: the shared walks, and whether it is a reversal.
template <typename Derived, uint32_t Kind, bool Reversal>
class UndoOfKind : public RecordOfKind<UndoEntry, Derived, Kind> {
public:
    bool isReversal() const override { return Reversal; }
};

class RemoveFolderUndo final : public UndoOfKind<RemoveFolderUndo, 1, true> {
public:
    static constexpr const char* kClassName = "RemoveFolderUndo";
    Bytes path;
    template <typename Self, typename V>
    static void fields(Self& s, V& v)
    {
        v.text("path", s.path);
    }
    uint32_t undo(ExecutionContext& context) override;
};

class DeleteFileUndo final : public UndoOfKind<DeleteFileUndo, 2, true> {
public:
    static constexpr const char* kClassName = "DeleteFileUndo";
    Bytes path;
    uint32_t reportFailure = 0;
    template <typename Self, typename V>
    static void fields(Self& s, V& v)
    {
        v.text("path", s.path);
        v.number("reportFailure", s.reportFailure);
    }
    uint32_t undo(ExecutionContext& context) override;
};

class DeleteShortcutUndo final : public UndoOfKind<DeleteShortcutUndo, 3, true> {
public:
    static constexpr const char* kClassName = "DeleteShortcutUndo";
    Bytes path;
    template <typename Self, typename V>
    static void fields(Self& s, V& v)
    {
        v.text("path", s.path);
    }
    uint32_t undo(ExecutionContext& context) override;
};

class DeleteRegValueUndo final : public UndoOfKind<DeleteRegValueUndo, 4, true>, public RegistryValueFields {
public:
    static constexpr const char* kClassName = "DeleteRegValueUndo";
    uint32_t undo(ExecutionContext& context) override;
};

class RunProgramUndo final : public UndoOfKind<RunProgramUndo, 5, false>, public ProgramStepFields {
public:
    static constexpr const char* kClassName = "RunProgramUndo";
    const char* caption() const override { return *stepCaption.text() ? stepCaption.text() : nullptr; }
    uint32_t undo(ExecutionContext& context) override;
};

class CallLibraryUndo final : public UndoOfKind<CallLibraryUndo, 6, false>, public LibraryStepFields {
public:
    static constexpr const char* kClassName = "CallLibraryUndo";
    const char* caption() const override { return *stepCaption.text() ? stepCaption.text() : nullptr; }
    uint32_t undo(ExecutionContext& context) override;
};

// The entries that only a failed installation carries out. They are never
// written nor read: the uninstall package leaves them out, and no kind code
// makes one.
class RollbackEntry : public UndoEntry {
public:
    bool isRollbackOnly() const override { return true; }
    bool isReversal() const override { return true; }
    uint32_t kind() const override { return 0; }
};

// A file the installation replaced or deleted: `keptCopy` holds what was
// there, and goes back to `path` on rollback. Without a kept copy, `path`
// is a folder that a deletion left empty and the installation removed,
// made again on rollback (before its files go back).
class RestoreFileRollback final : public RollbackEntry {
public:
    const char* className() const override { return "RestoreFileRollback"; }
    uint32_t undo(ExecutionContext& context) override;
    void commit() override;
    Bytes path;
    Bytes keptCopy;
};

// A registry value the installation replaced or deleted, set back on
// rollback. Without a value name (null), the keys the installation created
// on the way to a value instead: `subKey` from its first `createdFrom` bytes
// on, deleted innermost first, each once nothing is left below it.
class RegistryRollback final : public RollbackEntry {
public:
    const char* className() const override { return "RegistryRollback"; }
    uint32_t undo(ExecutionContext& context) override;
    uint32_t root = 0;
    Bytes subKey;
    Bytes valueName;
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
        return static_cast<Entry*>(push(new (std::nothrow) Entry));
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
