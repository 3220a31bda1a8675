// Compresses a block while its decoded bytes are still being produced and
// writes it to a file as it goes, in the framing compressBlock makes:
// csize, usize, five LZMA properties bytes, raw LZMA1 without end marker.
// The decoded size is announced first (it sets usize and the dictionary);
// csize is written once the stream has ended, by seeking back. Memory is
// the encoder's own and two buffers of kEncoderBuffer bytes, whatever the
// block's size.
#pragma once

#include "builder/package/block_compressor.h"
#include "format/lzma_stream.h"

#include <stdint.h>
#include <stdio.h>

#include <memory>
#include <string>

constexpr size_t kEncoderBuffer = 1u << 20;

class BlockEncoder {
public:
    BlockEncoder() = default;
    BlockEncoder(const BlockEncoder&) = delete;
    BlockEncoder& operator=(const BlockEncoder&) = delete;

    // Writes the block's header at the file's current position and sets the
    // encoder up for `decodedSize` bytes. `progress`, when given, is told
    // how many of them the encoder has taken, now and then.
    bool begin(FILE* file, uint64_t decodedSize, const CompressionOptions& options, const CompressionProgress* progress,
               std::string& problem);
    // Compresses the next decoded bytes. More than were announced fail.
    bool write(const void* bytes, size_t size, std::string& problem);
    // Ends the stream once every announced byte is in, writes csize into
    // the header and leaves the file positioned behind the block.
    // `framedSize` is the block's size in the file.
    bool finish(uint64_t& framedSize, std::string& problem);

    uint64_t written() const { return fed_; }

private:
    bool drain(lzma_action action, std::string& problem);
    bool flushOutput(std::string& problem);

    FILE* file_ = nullptr;
    uint64_t start_ = 0;  // file offset of the header
    uint64_t decodedSize_ = 0;
    uint64_t fed_ = 0;
    uint64_t streamSize_ = 0;  // compressed bytes written behind the properties
    const CompressionProgress* progress_ = nullptr;
    LzmaFilterChain chain_;
    LzmaStreamOwner lzma_;
    std::unique_ptr<uint8_t[]> output_;
};

// What liblzma asks for to encode with these options a block of this size:
// the encoder's own need, beside which the builder's memory is bounded.
uint64_t encoderMemoryFor(uint64_t decodedSize, const CompressionOptions& options);
