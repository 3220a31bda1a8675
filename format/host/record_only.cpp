// The host tools (the builder, the host tests, the fuzz targets) read, write
// and describe actions and undo entries but never carry them out: that is the
// stub's work on Windows. Here every attempt refuses.
#include "format/action.h"
#include "format/undo_entry.h"

#define SLIPWAY_REFUSE_EXECUTE(Kind)                                                                                   \
    bool Kind::execute(ExecutionContext&)                                                                              \
    {                                                                                                                  \
        return false;                                                                                                  \
    }

SLIPWAY_REFUSE_EXECUTE(WriteFileAction)
SLIPWAY_REFUSE_EXECUTE(CopyFileAction)
SLIPWAY_REFUSE_EXECUTE(DeleteFilesAction)
SLIPWAY_REFUSE_EXECUTE(RemoveOnUninstallAction)
SLIPWAY_REFUSE_EXECUTE(ShortcutAction)
SLIPWAY_REFUSE_EXECUTE(SetRegStringAction)
SLIPWAY_REFUSE_EXECUTE(SetRegDwordAction)
SLIPWAY_REFUSE_EXECUTE(DeleteRegValueAction)
SLIPWAY_REFUSE_EXECUTE(RunAction)
SLIPWAY_REFUSE_EXECUTE(RunAtFinishAction)
SLIPWAY_REFUSE_EXECUTE(RunAndWaitAction)
SLIPWAY_REFUSE_EXECUTE(RunOnUninstallAction)
SLIPWAY_REFUSE_EXECUTE(CallLibraryAction)
SLIPWAY_REFUSE_EXECUTE(CallLibraryOnUninstallAction)

void WriteFileAction::extract(const char*)
{
}

#define SLIPWAY_REFUSE_UNDO(Kind)                                                                                      \
    uint32_t Kind::undo(ExecutionContext&)                                                                             \
    {                                                                                                                  \
        return kUndoFailed;                                                                                            \
    }

SLIPWAY_REFUSE_UNDO(RemoveFolderUndo)
SLIPWAY_REFUSE_UNDO(DeleteFileUndo)
SLIPWAY_REFUSE_UNDO(DeleteShortcutUndo)
SLIPWAY_REFUSE_UNDO(DeleteRegValueUndo)
SLIPWAY_REFUSE_UNDO(RunProgramUndo)
SLIPWAY_REFUSE_UNDO(CallLibraryUndo)
SLIPWAY_REFUSE_UNDO(RestoreFileRollback)
SLIPWAY_REFUSE_UNDO(RegistryRollback)
void RestoreFileRollback::commit()
{
}
