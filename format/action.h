// The install steps of block 1: the Action interface and its fourteen kinds.
// Each kind's fields, their reading and their writing are defined here once
// and shared by the stub, the builder and the tests; what a kind does on
// Windows (execute, extract) is defined by the stub's Win32 code.
#pragma once

#include "format/bytes.h"
#include "format/execution_context.h"
#include "format/record_fields.h"
#include "format/record_kinds.h"
#include "format/step_fields.h"

#include <stdint.h>

#include <memory>
#include <type_traits>

class Action {
public:
    // The kind code, then the fields in stream order. Not virtual, like
    // read and describe below: the stub never writes actions.
    bool serialize(ByteSink& sink) const { return writeWalkedFields(*this, sink); }
    // The kind's code, stage and class name, as format/record_kinds.h lists
    // them. Nothing here is virtual: what differs by kind is looked up by the
    // code or dispatched on it (format/records.cpp), so no kind carries a
    // vtable, nor its constructor a store of one.
    uint32_t kind() const { return kind_; }
    uint32_t stage() const { return kActionStages[kind_]; }
    const char* className() const { return kActionClassNames[kind_]; }
    // The step caption, or null: only kinds whose caption rule gives them
    // their own step row have one, and only when it is not empty.
    const char* caption() const;
    // True to go on; false stops the installation and rolls it back. Each
    // kind's class has its own `execute`, which this calls by the code.
    bool execute(ExecutionContext& context);

    // Reads the fields (the kind code is already read). False when the
    // cursor ran out of bounds.
    bool read(ByteCursor& cursor) { return readWalkedFields(*this, cursor); }
    // The stub never describes, so the describing code stays out of its image.
    void describe(FieldVisitor& visitor) const { describeWalkedFields(*this, visitor); }
    // Hands the fields, in stream order, to the walker (by the kind's class).
    void walkFields(FieldWalker& walker);

protected:
    explicit Action(uint8_t kind) : kind_(kind) {}
    // Not virtual: an owner deletes an action through std::default_delete,
    // which destroys it as the class of its code.
    ~Action() = default;

private:
    uint8_t kind_;
};

// Deletes an action as the class its kind code names, so std::unique_ptr<Action>
// and the action lists own actions without a virtual destructor.
namespace std {
template <>
struct default_delete<Action> {
    constexpr default_delete() noexcept = default;
    // An owner of one kind's class hands its record on to an owner of any.
    template <typename Kind, typename = enable_if_t<is_convertible_v<Kind*, Action*>>>
    default_delete(const default_delete<Kind>&) noexcept
    {
    }
    void operator()(Action* action) const;
};
}  // namespace std

// An action kind: its code from the list, and the shared walks.
template <typename Derived>
using ActionOfKind = RecordOfKind<Action, Derived>;

class StreamedPool;

class WriteFileAction final : public ActionOfKind<WriteFileAction> {
public:
    Bytes path;
    // The file's contents: held (a whole block, the builder's tests), or
    // named by `dataRef` and decoded from the package as the file is written.
    Bytes data;
    PayloadRef dataRef;
    uint32_t timeLow = 0, timeHigh = 0;        // last-write FILETIME
    uint32_t versionHigh = 0, versionLow = 0;  // major << 16 | minor, build << 16 | revision
    template <typename Self, typename V>
    static void fields(Self& s, V& v)
    {
        v.text("path", s.path);
        v.payload("data", s.data, s.dataRef);
        v.number("timeLow", s.timeLow);
        v.number("timeHigh", s.timeHigh);
        v.number("versionHigh", s.versionHigh);
        v.number("versionLow", s.versionLow);
    }
    // The contents' length: held, or as far as the package has told it.
    uint32_t dataSize() const { return dataRef.streamed() ? dataRef.size : uint32_t(data.size()); }
    bool execute(ExecutionContext& context);
    // Extract-all mode: the one kind that does anything there.
    void extract(const char* prefix, StreamedPool* payload = nullptr);
};

class CopyFileAction final : public ActionOfKind<CopyFileAction> {
public:
    Bytes source;
    Bytes destination;
    template <typename Self, typename V>
    static void fields(Self& s, V& v)
    {
        v.text("source", s.source);
        v.text("destination", s.destination);
    }
    bool execute(ExecutionContext& context);
};

class DeleteFilesAction final : public ActionOfKind<DeleteFilesAction> {
public:
    Bytes pathPattern;
    uint32_t recurse = 0;
    template <typename Self, typename V>
    static void fields(Self& s, V& v)
    {
        v.text("pathPattern", s.pathPattern);
        v.number("recurse", s.recurse);
    }
    bool execute(ExecutionContext& context);
};

class RemoveOnUninstallAction final : public ActionOfKind<RemoveOnUninstallAction> {
public:
    Bytes path;
    template <typename Self, typename V>
    static void fields(Self& s, V& v)
    {
        v.text("path", s.path);
    }
    bool execute(ExecutionContext& context);
};

class ShortcutAction final : public ActionOfKind<ShortcutAction> {
public:
    Bytes target;
    Bytes shortcutPath;
    Bytes arguments;
    Bytes description;
    Bytes iconPath;
    uint32_t iconIndex = 0;
    uint16_t hotKey = 0;
    template <typename Self, typename V>
    static void fields(Self& s, V& v)
    {
        v.text("target", s.target);
        v.text("shortcutPath", s.shortcutPath);
        v.text("arguments", s.arguments);
        v.text("description", s.description);
        v.text("iconPath", s.iconPath);
        v.number("iconIndex", s.iconIndex);
        v.shortNumber("hotKey", s.hotKey, NumberForm::Hex);
    }
    bool execute(ExecutionContext& context);
};

class SetRegStringAction final : public ActionOfKind<SetRegStringAction>, public RegistryValueFields {
public:
    Bytes data;
    template <typename Self, typename V>
    static void fields(Self& s, V& v)
    {
        RegistryValueFields::fields(s, v);
        v.text("data", s.data);
    }
    bool execute(ExecutionContext& context);
};

class SetRegDwordAction final : public ActionOfKind<SetRegDwordAction>, public RegistryValueFields {
public:
    uint32_t data = 0;
    template <typename Self, typename V>
    static void fields(Self& s, V& v)
    {
        RegistryValueFields::fields(s, v);
        v.number("data", s.data);
    }
    bool execute(ExecutionContext& context);
};

class DeleteRegValueAction final : public ActionOfKind<DeleteRegValueAction>, public RegistryValueFields {
public:
    bool execute(ExecutionContext& context);
};

// Programs started without waiting: at install (stage 1) or from the finish page.
template <typename Derived>
class StartProgramFields : public ActionOfKind<Derived> {
public:
    Bytes commandLine;
    Bytes workingFolder;
    uint16_t show = 0;
    template <typename Self, typename V>
    static void fields(Self& s, V& v)
    {
        v.text("commandLine", s.commandLine);
        v.text("workingFolder", s.workingFolder);
        v.shortNumber("show", s.show);
    }
};

class RunAction final : public StartProgramFields<RunAction> {
public:
    bool execute(ExecutionContext& context);
};

class RunAtFinishAction final : public StartProgramFields<RunAtFinishAction> {
public:
    bool execute(ExecutionContext& context);
};

// Programs with a step caption: run and waited for, or run at uninstall.
template <typename Derived>
class CaptionedProgramFields : public ActionOfKind<Derived>, public ProgramStepFields {
};

class RunAndWaitAction final : public CaptionedProgramFields<RunAndWaitAction> {
public:
    bool execute(ExecutionContext& context);
};

class RunOnUninstallAction final : public CaptionedProgramFields<RunOnUninstallAction> {
public:
    bool execute(ExecutionContext& context);
};

// Library entry points, called at install or at uninstall.
template <typename Derived>
class LibraryCallFields : public ActionOfKind<Derived>, public LibraryStepFields {
};

class CallLibraryAction final : public LibraryCallFields<CallLibraryAction> {
public:
    bool execute(ExecutionContext& context);
};

class CallLibraryOnUninstallAction final : public LibraryCallFields<CallLibraryOnUninstallAction> {
public:
    bool execute(ExecutionContext& context);
};

// A new, empty action of a kind code, owned by the caller; null for a code
// outside 1 to 14, or without memory.
std::unique_ptr<Action> createAction(uint32_t kind);
