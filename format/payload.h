// A packaged file's contents when they are not held in memory: a block read
// as a stream names them by their pool item, the builder by the source file
// it streams them from when it writes the block.
#pragma once

#include <stdint.h>

struct PayloadRef {
    static constexpr uint32_t kNone = UINT32_MAX;
    // The pool item (a block read as a stream) or the writer's own number
    // for the contents; kNone when the contents are held.
    uint32_t item = kNone;
    // The contents' length once known: a streamed item's length is read
    // only when the stream reaches it.
    uint32_t size = 0;
    bool sizeKnown = false;

    bool streamed() const { return item != kNone; }
};
