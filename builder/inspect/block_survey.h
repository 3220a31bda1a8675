// Block 1 walked once from end to end, for `inspect` and `extract`: the whole
// stream decoded and checked (every byte decodes, no input left over), the
// pool's layout measured, and each file's contents hashed on the way, so a
// block of any size is verified and described holding only the decoder's
// dictionary and a chunk.
#pragma once

#include "builder/inspect/loaded_package.h"
#include "format/block_reader.h"

#include <stdint.h>
#include <stdio.h>

struct BlockSurvey {
    BlockResult result = BlockResult::Truncated;
    // False when the record stream's length field does not fit the block.
    bool recordStreamFits = false;
};

// Decodes the block at `offset` (its header) with `available` package bytes
// from there to the trailer. Fills the layout into `facts` (recordStreamLength,
// poolItems, bytesBehindPool), and the size of each item `digests` lists
// with, when `hash` is set, its SHA-256; an item the pool lacks stays unseen.
BlockSurvey surveyBlock(FILE* file, uint64_t offset, uint64_t available, bool hash, BlockFacts& facts,
                        PayloadDigests& digests);
