// Forward-only reader of a package block: a u32 length S, a record stream of S
// bytes, then a pool of length-prefixed items addressed by index.
#pragma once

#include "format/bytes.h"
#include "format/payload.h"

#include <stddef.h>
#include <stdint.h>

class StreamedPool;
// What an owned copy of an item costs beyond its bytes: the hidden NUL and
// the allocator's bookkeeping, counted by a cursor with a memory bound.
constexpr uint32_t kCopyOverhead = 16;
// What one record object a reader creates from a block (an action, an undo
// entry) costs beside its copied items: the object, its list entry and the
// allocator's bookkeeping, charged with spend().
constexpr uint32_t kRecordMemoryCharge = 128;

// Reads a block it does not own. Every read is bounded by the block: a read
// past the record stream, an item running past the block's end or an index
// beyond the last item sets the sticky failed() flag and yields zeros or
// nothing, so a damaged package is refused rather than read out of bounds.
// The table of items located so far grows with the highest index asked for;
// as every item takes at least its 4-byte length, it is bounded by the block.
// A cursor is small: it lives on the stack of its reader.
class ByteCursor {
public:
    ByteCursor() = default;
    ~ByteCursor();
    ByteCursor(const ByteCursor&) = delete;
    ByteCursor& operator=(const ByteCursor&) = delete;

    // A whole block in memory. False (and failed()) when the block cannot
    // hold its S field and the record stream that S announces.
    bool attach(const uint8_t* block, size_t size);
    // A record stream whose pool is read as a stream: texts are decoded
    // from `pool` as they are read, and a file's contents stay a reference
    // to their item. stringRef() has nothing to point into and fails.
    bool attachStreamed(const uint8_t* stream, size_t size, StreamedPool& pool);

    uint32_t readU32();
    bool readBytes(void* destination, size_t count);
    // Pointer to item k's bytes inside the block, for an index read from the
    // record stream; null on failure. The pointer lives as long as the block.
    const uint8_t* stringRef(uint32_t* length);
    // An owned copy of the next referenced item (with the hidden NUL of Bytes).
    bool readString(Bytes& out);
    // A file's contents: a copy in `out` from a whole block, a reference in
    // `ref` from a streamed one (and then `out` stays empty).
    bool readPayload(Bytes& out, PayloadRef& ref);

    // Bounds the memory that reading through this cursor may take: each
    // copied item counts its length plus kCopyOverhead, and whatever else
    // a reader creates from the stream counts what it charges with spend().
    // Once the total would pass `bytes` the cursor fails. attach() lifts
    // the bound; without one a cursor copies whatever the block names.
    void limitMemory(uint64_t bytes) { budget_ = bytes < SIZE_MAX ? size_t(bytes) : SIZE_MAX; }
    // Charges `bytes` against the bound; false (and failed()) past it.
    bool spend(uint64_t bytes);

    bool failed() const { return failed_; }
    // True when the cursor failed because its memory bound was reached.
    bool memoryExhausted() const { return exhausted_; }
    // True once every byte of the record stream has been read.
    bool atStreamEnd() const { return position_ == streamEnd_; }

private:
    struct Item {
        const uint8_t* bytes;
        uint32_t length;
    };

    bool fail();
    const Item* locate(uint32_t index);

    // Set for a record stream whose pool is read as a stream.
    StreamedPool* pool_ = nullptr;
    const uint8_t* blockEnd_ = nullptr;
    const uint8_t* position_ = nullptr;
    const uint8_t* streamEnd_ = nullptr;
    // Where the item behind the last located one starts.
    const uint8_t* nextItem_ = nullptr;
    uint32_t located_ = 0;
    bool failed_ = true;
    // As wide as an address: no reader could allocate more, and no 64-bit
    // member makes every function that keeps a cursor realign its stack.
    size_t budget_ = SIZE_MAX;
    bool exhausted_ = false;
    Item* items_ = nullptr;
    uint32_t itemCapacity_ = 0;
};
