// The host tools (the builder, the host tests, the fuzz targets) read, write
// and describe actions and undo entries but never carry them out: that is the
// stub's work on Windows. Here every attempt refuses, for every kind the
// lists of format/record_kinds.h name.
#include "format/action.h"
#include "format/undo_entry.h"

#define SLIPWAY_REFUSE_EXECUTE(code, Class, ...)                                                                       \
    bool Class::execute(ExecutionContext&)                                                                             \
    {                                                                                                                  \
        return false;                                                                                                  \
    }
SLIPWAY_ACTION_KINDS(SLIPWAY_REFUSE_EXECUTE)

void WriteFileAction::extract(const char*, StreamedPool*)
{
}

#define SLIPWAY_REFUSE_UNDO(code, Class, ...)                                                                          \
    uint32_t Class::undo(ExecutionContext&)                                                                            \
    {                                                                                                                  \
        return kUndoFailed;                                                                                            \
    }
SLIPWAY_UNDO_KINDS(SLIPWAY_REFUSE_UNDO)

void RestoreFileRollback::commit()
{
}
