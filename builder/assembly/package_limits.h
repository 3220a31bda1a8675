// The limits a package keeps, all of them the format's own: a block's
// decoded size is a u32 in its header, and so are the package's length L
// and the trailer's offset T. Memory is no limit: the stub decodes block 1
// as a stream.
#pragma once

#include <stdint.h>

#include <string>

// The most bytes a block decodes to.
constexpr uint64_t kMaxBlockSize = UINT32_MAX;

// Block 1 holds each distinct content behind a 4-byte length.
constexpr uint64_t kPayloadItemOverhead = 4;

// Empty when one file of `size` bytes fits in a block; else the message
// that refuses it, naming `shownPath`.
std::string fileSizeProblem(const std::string& shownPath, uint64_t size);

// Empty when a block 1 that decodes to `decodedSize` bytes (record stream,
// texts and the distinct contents of `files` files) fits; else the
// message that refuses the package before anything is compressed.
std::string block1SizeProblem(uint64_t decodedSize, uint64_t payloadBytes, uint32_t files);

// Empty when a package of `bodySize` compressed bytes behind a stub of
// `stubSize` bytes can be framed (L and T fit in a u32); else the message.
std::string packageLengthProblem(uint64_t stubSize, uint64_t bodySize);
