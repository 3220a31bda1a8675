// The raw LZMA1 streams of package blocks: five properties bytes in front
// (lc + 9 * (lp + 5 * pb), then the dictionary size as u32) and no end
// marker, the decoded size being known from the block's header. The block
// reader and the builder's compressor set liblzma up through here, so both
// sides agree on one stream format.
#pragma once

#include <lzma.h>
#include <stdint.h>

constexpr uint32_t kLzmaPropertiesSize = 5;

// Zero until set: the reader parses all four, the builder sets all four from
// its options. (Non-zero defaults would make the stub copy them from a
// .data section of their own: 512 bytes of image.)
struct LzmaProperties {
    uint32_t lc = 0, lp = 0, pb = 0;
    uint32_t dictionarySize = 0;
};

// False for a properties byte of 225 and above, which names no lc, lp, pb.
bool parseLzmaProperties(const uint8_t* bytes, LzmaProperties& out);
// Writes the five properties bytes; lc, lp and pb must be in range.
void storeLzmaProperties(const LzmaProperties& properties, uint8_t* bytes);

// liblzma's raw LZMA1 filter chain for one block's stream. The chain points
// at its own options, so it stays where it was made.
struct LzmaFilterChain {
    lzma_options_lzma options;
    lzma_filter filters[2];
    LzmaFilterChain() = default;
    LzmaFilterChain(const LzmaFilterChain&) = delete;
    LzmaFilterChain& operator=(const LzmaFilterChain&) = delete;
};

// Puts lc, lp, pb and the dictionary size into the chain's options (leaving
// the encoder's other settings as they are), asks for no end marker and, when
// `decodedSize` is not 0, for a decoder that stops once that many bytes are
// out.
void setUpLzma1(LzmaFilterChain& chain, const LzmaProperties& properties, uint32_t decodedSize);

// A liblzma stream, ended by its owner.
struct LzmaStreamOwner {
    lzma_stream stream = LZMA_STREAM_INIT;
    LzmaStreamOwner() = default;
    ~LzmaStreamOwner() { lzma_end(&stream); }
    LzmaStreamOwner(const LzmaStreamOwner&) = delete;
    LzmaStreamOwner& operator=(const LzmaStreamOwner&) = delete;
};
