// The two record families of a package, each listed once: the action kinds
// of block 1 and the undo kinds of the uninstall package. Every place that
// names a kind is made from these lists: the class's code and name, the
// factories and the dispatch on the kind code (format/records.cpp), the host
// tools' refusals (format/host/record_only.cpp), the builder's manifest
// names and reader (builder/manifest/) and `slipway inspect`. A kind added to a list and not
// given its class, its execute or undo code or its manifest reading stops
// the build where it is missing.
#pragma once

#include <stdint.h>

enum ActionStage : uint8_t {
    kFileStage = 0,     // files, folders, shortcuts, registry
    kProgramStage = 1,  // programs and library entry points, after stage 0
    kFinishStage = 2,   // run from the finish page
};

// What a kind's step caption is for.
enum CaptionRule : uint8_t {
    kNoCaption = 0,
    // Its own step row while installing: stored as written, shown when not empty.
    kInstallStepCaption = 1,
    // The row of the undo entry it leaves for the uninstaller: expanded
    // when the entry is made.
    kUninstallStepCaption = 2,
};

// X(code, class, manifest name, stage, caption rule). Codes run from 1
// without a gap; a package stores them. "files" is the one manifest name
// that stands for many actions: one WriteFileAction per file it matches.
#define SLIPWAY_ACTION_KINDS(X)                                                                                        \
    X(1, WriteFileAction, "files", kFileStage, kNoCaption)                                                             \
    X(2, CopyFileAction, "copy_file", kFileStage, kNoCaption)                                                          \
    X(3, DeleteFilesAction, "delete_files", kFileStage, kNoCaption)                                                    \
    X(4, RemoveOnUninstallAction, "remove_on_uninstall", kFileStage, kNoCaption)                                       \
    X(5, ShortcutAction, "shortcut", kFileStage, kNoCaption)                                                           \
    X(6, SetRegStringAction, "set_registry_string", kFileStage, kNoCaption)                                            \
    X(7, SetRegDwordAction, "set_registry_dword", kFileStage, kNoCaption)                                              \
    X(8, DeleteRegValueAction, "delete_registry_value", kFileStage, kNoCaption)                                        \
    X(9, RunAction, "run", kProgramStage, kNoCaption)                                                                  \
    X(10, RunAtFinishAction, "run_at_finish", kFinishStage, kNoCaption)                                                \
    X(11, RunAndWaitAction, "run_and_wait", kProgramStage, kInstallStepCaption)                                        \
    X(12, RunOnUninstallAction, "run_on_uninstall", kProgramStage, kUninstallStepCaption)                              \
    X(13, CallLibraryAction, "call_library", kProgramStage, kInstallStepCaption)                                       \
    X(14, CallLibraryOnUninstallAction, "call_library_on_uninstall", kProgramStage, kUninstallStepCaption)

// X(code, class, reversal, stored). Reversals put back files, folders,
// shortcuts and registry values; the others are the custom steps (programs
// and entry points), which show their caption as a step row. Stored kinds
// run from 1 without a gap and come first; the rollback-only kinds after
// them are never written nor read, so their codes may move.
#define SLIPWAY_UNDO_KINDS(X)                                                                                          \
    X(1, RemoveFolderUndo, true, true)                                                                                 \
    X(2, DeleteFileUndo, true, true)                                                                                   \
    X(3, DeleteShortcutUndo, true, true)                                                                               \
    X(4, DeleteRegValueUndo, true, true)                                                                               \
    X(5, RunProgramUndo, false, true)                                                                                  \
    X(6, CallLibraryUndo, false, true)                                                                                 \
    X(7, RestoreFileRollback, true, false)                                                                             \
    X(8, RegistryRollback, true, false)

#define SLIPWAY_DECLARE_CLASS(code, Class, ...) class Class;
SLIPWAY_ACTION_KINDS(SLIPWAY_DECLARE_CLASS)
SLIPWAY_UNDO_KINDS(SLIPWAY_DECLARE_CLASS)
#undef SLIPWAY_DECLARE_CLASS

// The code of a kind's class: KindCode<WriteFileAction>::value is 1.
template <typename Class>
struct KindCode;
#define SLIPWAY_KIND_CODE(code, Class, ...)                                                                            \
    template <>                                                                                                        \
    struct KindCode<Class> {                                                                                           \
        static constexpr uint8_t value = code;                                                                         \
    };
SLIPWAY_ACTION_KINDS(SLIPWAY_KIND_CODE)
SLIPWAY_UNDO_KINDS(SLIPWAY_KIND_CODE)
#undef SLIPWAY_KIND_CODE

#define SLIPWAY_COUNT_KIND(...) +1
constexpr uint32_t kActionKindCount = 0 SLIPWAY_ACTION_KINDS(SLIPWAY_COUNT_KIND);
constexpr uint32_t kUndoKindCount = 0 SLIPWAY_UNDO_KINDS(SLIPWAY_COUNT_KIND);
#undef SLIPWAY_COUNT_KIND

// Per-kind facts, indexed by code; entry 0 stands for no kind.
#define SLIPWAY_ACTION_STAGE(code, Class, name, stage, caption) , stage
inline constexpr uint8_t kActionStages[] = {kFileStage SLIPWAY_ACTION_KINDS(SLIPWAY_ACTION_STAGE)};
#undef SLIPWAY_ACTION_STAGE

#define SLIPWAY_ACTION_CAPTION(code, Class, name, stage, caption) , caption
inline constexpr uint8_t kActionCaptionRules[] = {kNoCaption SLIPWAY_ACTION_KINDS(SLIPWAY_ACTION_CAPTION)};
#undef SLIPWAY_ACTION_CAPTION

#define SLIPWAY_CLASS_NAME(code, Class, ...) , #Class
inline constexpr const char* kActionClassNames[] = {"" SLIPWAY_ACTION_KINDS(SLIPWAY_CLASS_NAME)};
inline constexpr const char* kUndoClassNames[] = {"" SLIPWAY_UNDO_KINDS(SLIPWAY_CLASS_NAME)};
#undef SLIPWAY_CLASS_NAME

// Bit `code` set for each reversal, and for each kind a package stores.
#define SLIPWAY_UNDO_BIT(code, Class, reversal, stored) | (reversal ? 1u << code : 0u)
constexpr uint32_t kReversalUndoKinds = 0 SLIPWAY_UNDO_KINDS(SLIPWAY_UNDO_BIT);
#undef SLIPWAY_UNDO_BIT
#define SLIPWAY_UNDO_BIT(code, Class, reversal, stored) | (stored ? 1u << code : 0u)
constexpr uint32_t kStoredUndoKinds = 0 SLIPWAY_UNDO_KINDS(SLIPWAY_UNDO_BIT);
#undef SLIPWAY_UNDO_BIT

// The lists' promises: codes from 1 without a gap, stored undo kinds first.
#define SLIPWAY_CHECK_CODE(code, Class, ...) &&KindCode<Class>::value == ++n
constexpr bool codesRunWithoutGap()
{
    uint32_t n = 0;
    return true SLIPWAY_ACTION_KINDS(SLIPWAY_CHECK_CODE);
}
constexpr bool undoCodesRunWithoutGap()
{
    uint32_t n = 0;
    return true SLIPWAY_UNDO_KINDS(SLIPWAY_CHECK_CODE);
}
#undef SLIPWAY_CHECK_CODE
static_assert(codesRunWithoutGap() && undoCodesRunWithoutGap(), "kind codes run from 1 without a gap");
static_assert(kActionKindCount < 32 && kUndoKindCount < 32, "a kind's bit fits a u32");
static_assert(((kStoredUndoKinds >> 1) & ((kStoredUndoKinds >> 1) + 1)) == 0, "stored undo kinds come first");
