// Compresses a decoded block into the framing the stub's block reader takes:
// csize, usize, five LZMA properties bytes, raw LZMA1 without end marker.
#pragma once

#include "format/bytes.h"

#include <stdint.h>

struct CompressionOptions {
    uint32_t preset = 9;  // liblzma preset level, 0 to 9
    bool extreme = true;  // liblzma's extreme variant of the preset
    // The dictionary covers the block up to this size (and never less than
    // 4 KiB); the stub's decoder clamps it to the decoded size anyway.
    uint32_t maxDictionarySize = 64u << 20;
    uint32_t lc = 3, lp = 0, pb = 2;
};

// The dictionary size written for a block of `size` bytes.
uint32_t dictionarySizeFor(uint64_t size, const CompressionOptions& options);

struct LzmaFilterChain;
struct LzmaProperties;
// The encoder's raw LZMA1 chain for a block of `decodedSize` bytes, without
// an end marker (the reader knows the size from the header), and the
// properties its header carries; false for options no encoder takes.
bool setUpEncoderChain(LzmaFilterChain& chain, LzmaProperties& properties, uint64_t decodedSize,
                       const CompressionOptions& options);

// Told how many input bytes the encoder has taken so far, now and then
// while a block is compressed (a large block takes a while).
struct CompressionProgress {
    void (*report)(void* context, uint64_t done, uint64_t total) = nullptr;
    void* context = nullptr;
};

// Appends the framed block to `out`. False when liblzma fails, the block is
// larger than a framed block can describe, or memory runs out.
bool compressBlock(const uint8_t* decoded, size_t size, const CompressionOptions& options, Bytes& framed,
                   const CompressionProgress* progress = nullptr);
