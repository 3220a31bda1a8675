// One LZMA-compressed block of an install package: an 8-byte header (csize,
// usize), five LZMA properties bytes and a raw LZMA1 stream without end marker.
#pragma once

#include "app/bytes.h"

#include <stdint.h>
#include <stdio.h>

constexpr uint32_t kBlockHeaderSize = 8;
constexpr uint32_t kLzmaPropertiesSize = 5;
// The largest decoded block a 32-bit process is asked to hold; a header that
// names more is damaged, not an allocation to try.
constexpr uint32_t kMaxDecodedBlockSize = 0x60000000;

// Decodes csize bytes (properties and stream) into exactly usize bytes. The
// block is good only when the decoder reports no error, consumed every input
// byte and produced exactly usize bytes.
bool decodeLzmaBlock(const uint8_t* compressed, uint32_t csize, uint32_t usize, Bytes& out);

// Reads the block at the file's current position. `available` is the number
// of package bytes from that position to the trailer: a header whose csize
// runs past it is damaged. Whatever the outcome, the position afterwards is
// csize + 8 bytes further on when the file holds them.
bool readBlock(FILE* file, uint64_t available, Bytes& out);
