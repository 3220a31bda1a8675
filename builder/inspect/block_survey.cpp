#include "builder/inspect/block_survey.h"

#include "builder/sha256.h"
#include "format/block_decoder.h"
#include "format/file_io.h"

namespace {

// Decoded bytes pass through a buffer of this size.
constexpr size_t kChunkSize = 64 * 1024;

// Decodes `count` bytes, handing each chunk to the hash when there is one.
BlockResult pass(BlockDecoder& decoder, Bytes& chunk, uint64_t count, Sha256* hash)
{
    while (count > 0) {
        size_t size = count < kChunkSize ? size_t(count) : kChunkSize;
        BlockResult result = decoder.read(chunk.data(), size);
        if (result != BlockResult::Ok)
            return result;
        if (hash)
            hash->update(chunk.data(), size);
        count -= size;
    }
    return BlockResult::Ok;
}

// Walks the pool behind the record stream: each whole item counted, the
// listed ones hashed. The decoder stands at the pool's start.
BlockResult walkPool(BlockDecoder& decoder, Bytes& chunk, bool hash, BlockFacts& facts, PayloadDigests& digests)
{
    uint64_t usize = decoder.decodedSize();
    size_t next = 0;  // the first listed item not yet reached (the list is sorted)
    for (uint32_t index = 0; usize - decoder.position() >= 4; ++index) {
        uint64_t start = decoder.position();
        uint8_t raw[4];
        BlockResult result = decoder.read(raw, sizeof raw);
        if (result != BlockResult::Ok)
            return result;
        uint32_t length = loadU32(raw);
        if (length > usize - decoder.position()) {
            facts.bytesBehindPool = usize - start;
            return BlockResult::Ok;
        }
        while (next < digests.size() && digests[next].item < index)
            ++next;
        bool listed = next < digests.size() && digests[next].item == index;
        Sha256 sha;
        result = pass(decoder, chunk, length, listed && hash ? &sha : nullptr);
        if (result != BlockResult::Ok)
            return result;
        if (listed) {
            ItemDigest& digest = digests[next];
            digest.size = length;
            digest.seen = true;
            if (hash)
                sha.finish(digest.sha256);
        }
        ++facts.poolItems;
    }
    facts.bytesBehindPool = usize - decoder.position();
    return BlockResult::Ok;
}

}  // namespace

BlockSurvey surveyBlock(FILE* file, uint64_t offset, uint64_t available, bool hash, BlockFacts& facts,
                        PayloadDigests& digests)
{
    BlockSurvey survey;
    BlockDecoder decoder;
    Bytes chunk;
    if (!seekTo(file, offset)) {
        survey.result = BlockResult::Truncated;
        return survey;
    }
    survey.result = decoder.open(file, available);
    if (survey.result == BlockResult::Ok && !chunk.allocate(kChunkSize))
        survey.result = BlockResult::OutOfMemory;
    if (survey.result != BlockResult::Ok)
        return survey;
    uint64_t usize = decoder.decodedSize();
    facts.recordStreamLength = 0;
    facts.poolItems = 0;
    facts.bytesBehindPool = 0;
    BlockResult result = BlockResult::Ok;
    if (usize >= 4) {
        uint8_t raw[4];
        result = decoder.read(raw, sizeof raw);
        uint32_t streamLength = loadU32(raw);
        if (result == BlockResult::Ok && streamLength <= usize - 4) {
            survey.recordStreamFits = true;
            facts.recordStreamLength = streamLength;
            result = pass(decoder, chunk, streamLength, nullptr);
            if (result == BlockResult::Ok)
                result = walkPool(decoder, chunk, hash, facts, digests);
        }
    }
    // Whatever the layout, every byte must decode and the stream end there.
    if (result == BlockResult::Ok)
        result = pass(decoder, chunk, usize - decoder.position(), nullptr);
    if (result == BlockResult::Ok)
        result = decoder.finish();
    survey.result = result;
    return survey;
}
