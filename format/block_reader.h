// One LZMA-compressed block of an install package: an 8-byte header (csize,
// usize), five LZMA properties bytes and a raw LZMA1 stream without end marker.
#pragma once

#include "format/bytes.h"
#include "format/lzma_stream.h"

#include <stdint.h>
#include <stdio.h>

constexpr uint32_t kBlockHeaderSize = 8;
// The largest decoded block a 32-bit process is asked to hold; a header that
// names more is damaged, not an allocation to try.
constexpr uint32_t kMaxDecodedBlockSize = 0x60000000;

// What became of a block, as liblzma answers with its lzma_ret: the stub
// counts every answer but Ok as a damaged package, the builder's tools name
// it.
enum class BlockResult {
    Ok,
    Truncated,      // the file ends inside the block's header or its stream
    BeyondPackage,  // csize runs past the package's trailer, or leaves no room for the properties
    TooLarge,       // usize is beyond what a 32-bit process is asked to hold
    BadProperties,  // a properties byte of 225 or more, or lc + lp above 4
    OutOfMemory,
    BadStream,  // the decoder finds an error in the stream
    WrongSize,  // the stream ends before usize bytes are out, or input is left behind them
};

// Reads and decodes the block at the file's current position: Ok only when
// the decoder reports no error, consumed every input byte and produced
// exactly usize bytes. `available` is the number of package bytes from that
// position to the trailer. Whatever the outcome, the position afterwards is
// csize + 8 bytes further on when the file holds them; `out` is empty unless
// the answer is Ok.
BlockResult readBlock(FILE* file, uint64_t available, Bytes& out);
