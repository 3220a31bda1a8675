// One LZMA-compressed block of a package read as a stream: the decoded bytes
// come out in the order they were written, into the caller's buffers, and
// the decoder holds only its dictionary and a small input window. Going back
// means decoding again from the block's start (rewind).
#pragma once

#include "format/block_reader.h"
#include "format/bytes.h"
#include "format/lzma_stream.h"

#include <stdint.h>
#include <stdio.h>

class BlockDecoder {
public:
    BlockDecoder() = default;
    ~BlockDecoder();
    BlockDecoder(const BlockDecoder&) = delete;
    BlockDecoder& operator=(const BlockDecoder&) = delete;

    // Reads the block's header at the file's current position and sets the
    // decoder up at the block's first byte. `available` is the number of
    // package bytes from that position to the trailer. The file stays in use
    // by the decoder until it is destroyed; endOffset() is where the next
    // block begins once hasHeader().
    BlockResult open(FILE* file, uint64_t available);

    // Decodes exactly `count` bytes into `out`, or drops them when `out` is
    // null. A block that ends before them, or a damaged stream, fails; the
    // failure is sticky.
    BlockResult read(void* out, size_t count);
    // Decodes and drops `count` bytes.
    BlockResult skip(uint32_t count) { return read(nullptr, count); }
    // Starts again at the block's first decoded byte.
    BlockResult rewind();
    // Once every decoded byte is out: Ok only when the stream ends exactly
    // there with every input byte consumed.
    BlockResult finish();

    // Decoded offsets are u32, as the block's decoded size is.
    uint32_t position() const { return position_; }
    uint32_t decodedSize() const { return usize_; }
    // The block's csize field: its properties and its LZMA stream.
    uint32_t compressedSize() const { return csize_; }
    uint32_t dictionarySize() const { return properties_.dictionarySize; }
    BlockResult result() const { return result_; }
    // False when open() could not even read the block's header.
    bool hasHeader() const { return hasHeader_; }
    // Where the file stands behind the block: csize + 8 past its header.
    uint64_t endOffset() const { return start_ + kBlockHeaderSize + csize_; }

private:
    BlockResult start();
    BlockResult decode(uint8_t* out, size_t count);
    BlockResult fail(BlockResult result);

    FILE* file_ = nullptr;
    uint64_t start_ = 0;  // file offset of the block's header
    uint32_t csize_ = 0;
    uint32_t usize_ = 0;
    uint32_t inputLeft_ = 0;     // compressed bytes not yet read from the file
    uint32_t position_ = 0;      // decoded bytes handed out so far
    LzmaProperties properties_;  // the dictionary as the decoder allocates it
    BlockResult result_ = BlockResult::Truncated;
    Bytes window_;
    lzma_stream stream_ = LZMA_STREAM_INIT;
    bool ended_ = false;  // the decoder said the stream ends
    bool hasHeader_ = false;
};
