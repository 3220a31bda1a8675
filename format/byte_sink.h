// A growable output buffer with a string pool that stores equal byte runs
// once (in the builder; the stub, which writes only its uninstaller's pool,
// stores each as it comes): the writer of every package block.
#pragma once

#include "format/byte_cursor.h"
#include "format/bytes.h"

#include <stddef.h>
#include <stdint.h>

// The record stream grows in the buffer; strings go to the pool and their
// index to the stream. Flattened, the sink is a block that a ByteCursor reads:
// u32 stream length, the stream, then the pool items in index order.
// A failure (memory) is sticky: every later append does nothing and failed()
// tells the writer, which then writes nothing.
class ByteSink {
public:
    static constexpr size_t kInitialCapacity = 65536;

    ByteSink() = default;
    ~ByteSink();
    ByteSink(const ByteSink&) = delete;
    ByteSink& operator=(const ByteSink&) = delete;

    bool appendU32(uint32_t value);
    bool appendBytes(const void* bytes, size_t length);
    // Appends the index of an item equal to these bytes, adding the item when
    // the pool has none yet. Texts are passed with their NUL.
    bool addString(const void* bytes, size_t length);
    // An item that no record names, after those added so far; a reader
    // that does not look for it passes it by. Equal bytes already in the
    // pool are not added again.
    bool addUnnamedItem(const void* bytes, size_t length);
    // Convenience for texts: the text and its NUL.
    bool addText(const char* text);
    // A file's contents that the writer streams in behind the pool, named by
    // the writer's own number `id`: the stream gets the index the item will
    // have, after every pool item, in the order of first reference. Equal
    // numbers name one item.
    bool addPayload(uint32_t id);
    // The streamed contents, by writer's number, in the order their items
    // follow the pool.
    uint32_t payloadCount() const { return payloadCount_; }
    uint32_t payloadAt(uint32_t ordinal) const { return payloadOrder_[ordinal]; }

    bool failed() const { return failed_; }
    uint32_t itemCount() const { return count_; }
    size_t streamLength() const { return end_; }
    // 4 + stream length + the sum over items of 4 + item length (the
    // streamed contents not counted: the writer appends them).
    uint64_t flattenedSize() const;
    // The flattened block; false when the sink failed or memory ran out.
    bool flatten(Bytes& out) const;

private:
    struct Item {
        Bytes bytes;
        uint32_t hash;
    };

    bool fail();
    bool reserve(size_t more);
    // The index slot of an item equal to these bytes, or of the empty slot
    // where it would go.
    uint32_t* findSlot(const uint8_t* bytes, size_t length, uint32_t hash) const;
    bool growIndex();

    uint8_t* start_ = nullptr;
    size_t end_ = 0;
    size_t capacity_ = 0;
    Item* items_ = nullptr;
    uint32_t count_ = 0;
    uint32_t itemCapacity_ = 0;
    // Open-addressed index of the items by hash: item number + 1, 0 empty.
    // Kept at most half full, so adding an item takes constant time.
    uint32_t* index_ = nullptr;
    uint32_t indexCapacity_ = 0;  // a power of two
    // Streamed contents: writer's number -> ordinal + 1, the numbers in
    // ordinal order, and the stream offsets whose index names one.
    uint32_t* ordinals_ = nullptr;
    uint32_t ordinalCapacity_ = 0;
    uint32_t* payloadOrder_ = nullptr;
    uint32_t payloadCount_ = 0;
    uint32_t payloadCapacity_ = 0;
    struct Slot {
        uint32_t offset;
        uint32_t ordinal;
    };
    Slot* slots_ = nullptr;
    uint32_t slotCount_ = 0;
    uint32_t slotCapacity_ = 0;
    bool failed_ = false;
};
