// Block 1 read as a stream, for a package of any size in bounded memory.
// The record stream is read up front and the items it names as texts are
// decoded as the records ask for them; a file's contents are decoded only
// when the file is written, straight into the caller's buffers, in chunks.
// Packages laid out for streaming keep every small item before the file
// data, in the order the installation writes it, so the pool is walked
// forward once; other packages (paths and data alternating, in the order of
// first reference, or any order at all) read correctly too: an item the
// stream has passed is decoded again from the block's start.
#pragma once

#include "format/block_decoder.h"
#include "format/bytes.h"
#include "format/payload.h"

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

class WriteFileAction;

// Told each chunk of an item's bytes in order; false stops the copy.
typedef bool (*ChunkSink)(void* context, const uint8_t* bytes, size_t size);

class StreamedPool {
public:
    StreamedPool() = default;
    ~StreamedPool();
    StreamedPool(const StreamedPool&) = delete;
    StreamedPool& operator=(const StreamedPool&) = delete;

    // Opens the block at the file's current position and reads its record
    // stream, refused when it is longer than `memoryLimit`. The file stays
    // in use by the pool.
    BlockResult open(FILE* file, uint64_t available, uint64_t memoryLimit);
    const Bytes& recordStream() const { return stream_; }
    // The records are read: their stream goes. The texts kept for them go
    // with the pool: at most as much again as the script's own copies.
    void dropRecordStream() { stream_.reset(); }

    // An owned copy of item `index`; false when the block has no such item
    // or is damaged. Texts are kept once read: records name the same text
    // again and again, and each would otherwise be decoded again from the
    // block's start.
    bool readItem(uint32_t index, Bytes& out);
    // The length of item `index`, located by decoding forward to it when
    // the stream has not come so far; false when the block has no such
    // item or is damaged. Its bytes are not read.
    bool itemLength(uint32_t index, uint32_t& length);
    // Fills a reference to item `index` for a file's contents, with its
    // length when the item has been located already.
    void referTo(uint32_t index, PayloadRef& ref) const;
    // Hands item `index`'s bytes to `sink`, decoding forward to it, or from
    // the block's start again when the stream has passed it. `length` is
    // the item's length once located. Ok when every byte was handed over or
    // the sink refused one (`sinkRefused`); anything else is damage.
    BlockResult copyItem(uint32_t index, ChunkSink sink, void* context, uint32_t& length, bool& sinkRefused);

    // Contents written into a file of this run, by the action that wrote
    // them. A later action with the same contents takes them from that file
    // once the stream has passed them (earlierWriter() names the action),
    // rather than decode the block from its start again.
    void noteWriter(uint32_t index, const WriteFileAction* writer);
    const WriteFileAction* earlierWriter(uint32_t index) const;

    uint32_t position() const { return decoder_.position(); }
    uint32_t decodedSize() const { return decoder_.decodedSize(); }
    uint32_t dictionarySize() const { return decoder_.dictionarySize(); }

private:
    // Where an item's bytes stand in the decoded block, and how many.
    struct Located {
        uint32_t offset;
        uint32_t length;
        const WriteFileAction* writer;
        uint8_t* text;  // the bytes of an item read as a text, kept while the records are read
    };
    BlockResult standAt(uint32_t index);

    BlockDecoder decoder_;
    Bytes stream_;
    Located* items_ = nullptr;  // items 0 to located_ - 1
    uint32_t located_ = 0;
    uint32_t capacity_ = 0;
    // Where the length field of the first item not yet located stands.
    uint32_t nextOffset_ = 0;
    Bytes chunk_;
};
