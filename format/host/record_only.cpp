// The host tools (the builder, the host tests, the fuzz targets) read, write
// and describe actions and undo entries but never carry them out: that is the
// stub's work on Windows. Here every attempt refuses, for every kind the
// lists of format/record_kinds.h name, unless a test's stand-in answers.
#include "format/host/record_only.h"

#include "format/action.h"
#include "format/undo_entry.h"

const RecordStandIn* recordStandIn = nullptr;

#define SLIPWAY_REFUSE_EXECUTE(code, Class, ...)                                                                       \
    bool Class::execute(ExecutionContext& context)                                                                     \
    {                                                                                                                  \
        return recordStandIn && recordStandIn->execute(*this, context);                                                \
    }
SLIPWAY_ACTION_KINDS(SLIPWAY_REFUSE_EXECUTE)

void WriteFileAction::extract(const char*, StreamedPool*)
{
}

#define SLIPWAY_REFUSE_UNDO(code, Class, ...)                                                                          \
    uint32_t Class::undo(ExecutionContext& context)                                                                    \
    {                                                                                                                  \
        return recordStandIn ? recordStandIn->undo(*this, context) : uint32_t(kUndoFailed);                            \
    }
SLIPWAY_UNDO_KINDS(SLIPWAY_REFUSE_UNDO)

void RestoreFileRollback::commit()
{
    if (recordStandIn)
        recordStandIn->commit(*this);
}
