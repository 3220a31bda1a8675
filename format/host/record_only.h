// The host tools never carry records out (format/host/record_only.cpp): every
// kind refuses. A host test may put a stand-in in place to watch the engine's
// passes go over real records; the stub has its own Win32 code instead.
#pragma once

#include "format/execution_context.h"

#include <stdint.h>

class Action;
class UndoEntry;

struct RecordStandIn {
    bool (*execute)(Action& action, ExecutionContext& context);
    uint32_t (*undo)(UndoEntry& entry, ExecutionContext& context);
    void (*commit)(UndoEntry& entry);
};

// Null (every kind refuses) unless a test has put one in place.
extern const RecordStandIn* recordStandIn;
