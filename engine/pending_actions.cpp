// Registry, shortcut, program and library steps are read and written by this
// build but not carried out yet. A package that holds one fails its
// installation (and is rolled back) rather than skipping the step in silence.
#include "engine/action.h"
#include "engine/undo_entry.h"

#define SLIPWAY_PENDING_EXECUTE(Kind)                                                                   \
    bool Kind::execute(UninstallScript&, ExpandFn, WindowHandle, uint32_t&, bool&) { return false; }

SLIPWAY_PENDING_EXECUTE(ShortcutAction)
SLIPWAY_PENDING_EXECUTE(SetRegStringAction)
SLIPWAY_PENDING_EXECUTE(SetRegDwordAction)
SLIPWAY_PENDING_EXECUTE(DeleteRegValueAction)
SLIPWAY_PENDING_EXECUTE(RunAction)
SLIPWAY_PENDING_EXECUTE(RunAtFinishAction)
SLIPWAY_PENDING_EXECUTE(RunAndWaitAction)
SLIPWAY_PENDING_EXECUTE(RunOnUninstallAction)
SLIPWAY_PENDING_EXECUTE(CallLibraryAction)
SLIPWAY_PENDING_EXECUTE(CallLibraryOnUninstallAction)

#define SLIPWAY_PENDING_UNDO(Kind) \
    uint32_t Kind::undo(WindowHandle, bool&) { return kUndoFailed; }

SLIPWAY_PENDING_UNDO(DeleteShortcutUndo)
SLIPWAY_PENDING_UNDO(DeleteRegValueUndo)
SLIPWAY_PENDING_UNDO(RunProgramUndo)
SLIPWAY_PENDING_UNDO(CallLibraryUndo)
