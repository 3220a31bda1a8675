// Block 1 read as a stream, for a package of any size in bounded memory.
// The record stream and the small items (paths, texts) are read up front;
// a file's contents are decoded only when they are written, straight from
// the decoder into the caller's buffers, in chunks. Packages laid out for
// streaming keep every small item before the file data, in the order the
// installation writes it; other packages keep the order of first reference,
// where paths and data alternate. Both read correctly: an item the stream has
// passed is decoded again from the block's start.
#pragma once

#include "format/block_decoder.h"
#include "format/bytes.h"
#include "format/payload.h"

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

// Which pool items a record stream names, and as what: filled by a cursor
// attached with attachScan().
class PoolScan {
public:
    PoolScan() = default;
    ~PoolScan();
    PoolScan(const PoolScan&) = delete;
    PoolScan& operator=(const PoolScan&) = delete;

    // False when the memory for one more reference cannot be had.
    bool noteText(uint32_t index) { return note(index, kText); }
    bool notePayload(uint32_t index) { return note(index, kPayload); }

private:
    friend class StreamedPool;
    static constexpr uint8_t kText = 1;
    static constexpr uint8_t kPayload = 2;
    struct Reference {
        uint32_t index;
        uint32_t use;
    };
    bool note(uint32_t index, uint8_t use);

    Reference* references_ = nullptr;
    uint32_t count_ = 0;
    uint32_t capacity_ = 0;
};

// Told each chunk of an item's bytes in order; false stops the copy.
typedef bool (*ChunkSink)(void* context, const uint8_t* bytes, size_t size);

class StreamedPool {
public:
    StreamedPool() = default;
    ~StreamedPool();
    StreamedPool(const StreamedPool&) = delete;
    StreamedPool& operator=(const StreamedPool&) = delete;

    // Opens the block at the file's current position and reads its record
    // stream. `memoryLimit` bounds what the record stream, the references
    // and the texts may take together. The file stays in use by the pool.
    BlockResult open(FILE* file, uint64_t available, uint64_t memoryLimit);
    const Bytes& recordStream() const { return stream_; }
    PoolScan& scan() { return scan_; }

    // Once the scan is complete: decodes the pool as far as the last item
    // named as a text and keeps those items.
    BlockResult loadTexts();
    // For a cursor attached with attachStreamed(): a kept text, or null.
    const uint8_t* heldItem(uint32_t index, uint32_t* length) const;
    // A reference to item `index` named as a file's contents; false when the
    // scan did not find it so named.
    bool payloadRef(uint32_t index, PayloadRef& ref) const;
    // The texts are copied into the script: they go.
    void dropTexts();

    // Hands item `index`'s bytes to `sink`, decoding forward to it, or from
    // the block's start again when the stream has passed it. `length` is
    // the item's length once located. Ok when every byte was handed over and
    // the sink took it; `sinkRefused` tells a sink's refusal from damage.
    BlockResult copyItem(uint32_t index, ChunkSink sink, void* context, uint32_t& length, bool& sinkRefused);

    uint64_t position() const { return decoder_.position(); }
    uint32_t decodedSize() const { return decoder_.decodedSize(); }
    uint32_t dictionarySize() const { return decoder_.dictionarySize(); }

private:
    struct Entry {
        uint32_t index;
        uint32_t use;          // PoolScan's kText and kPayload bits
        uint64_t offset;       // decoded offset of the item's bytes, once located
        uint32_t length;
        bool located;
        Bytes held;            // a text's bytes
    };

    Entry* find(uint32_t index) const;
    bool takeScan();
    BlockResult walkTo(uint32_t index);
    bool charge(uint64_t bytes);

    BlockDecoder decoder_;
    Bytes stream_;
    PoolScan scan_;
    Entry* entries_ = nullptr;
    uint32_t entryCount_ = 0;
    uint64_t budget_ = 0;
    // The walk: the next item whose length field is to be read, and where
    // it stands in the decoded block (the decoder may stand before it, in
    // the middle of the previous item).
    uint32_t nextIndex_ = 0;
    uint64_t nextOffset_ = 0;
    uint64_t poolStart_ = 0;
    bool keepTexts_ = false;
    Bytes chunk_;
};
