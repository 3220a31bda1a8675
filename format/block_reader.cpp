#include "format/block_reader.h"

#include "format/file_io.h"

#include <lzma.h>
#include <string.h>

namespace {

// Owns a liblzma stream and the output it decodes into. The output grows as
// decoding fills it, up to usize, rather than being allocated at usize up
// front: a header can name any size, but only the bytes the stream really
// decodes to (or a few times the compressed bytes) are ever allocated.
struct LzmaStream : LzmaStreamOwner {
    Bytes* out = nullptr;
    uint32_t usize = 0;

    size_t produced() const { return out->size() - stream.avail_out; }

    // Room for more output when the current room is used up and the block
    // is not yet whole: doubles the output, never beyond usize.
    bool grow()
    {
        size_t done = produced();
        size_t size = out->size();
        size_t doubled = size * 2 > kMinimumOutput ? size * 2 : kMinimumOutput;
        size_t target = doubled < usize ? doubled : usize;
        if (target <= size || !out->resize(target))
            return false;
        stream.next_out = out->data() + done;
        stream.avail_out = target - done;
        return true;
    }

    static const size_t kMinimumOutput = 1 << 20;
};

// The first output allocation: what honest compression of csize bytes
// usually decodes to, at least 1 MiB, at most usize.
size_t firstOutputSize(uint32_t csize, uint32_t usize)
{
    uint64_t guess = uint64_t(csize) * 8;
    if (guess < LzmaStream::kMinimumOutput)
        guess = LzmaStream::kMinimumOutput;
    return guess < usize ? size_t(guess) : size_t(usize);
}

// Sets `lzma` up to decode exactly usize bytes into `out` from the raw stream
// of csize bytes (properties included) whose properties are given.
BlockResult beginDecoding(const uint8_t* propertiesBytes, uint32_t csize, uint32_t usize, LzmaStream& lzma, Bytes& out)
{
    LzmaProperties properties;
    if (usize > kMaxDecodedBlockSize)
        return BlockResult::TooLarge;
    // liblzma refuses lc + lp > 4, which plain LZMA1 allows; no package writer
    // of ours makes such a stream, so it counts as a damaged block.
    if (!parseLzmaProperties(propertiesBytes, properties) || properties.lc + properties.lp > 4)
        return BlockResult::BadProperties;

    // liblzma allocates the whole dictionary the properties name, but a
    // dictionary larger than the decoded size is never used.
    uint32_t dictionary = properties.dictionarySize;
    uint32_t needed = usize < 4096 ? 4096 : usize;
    properties.dictionarySize = dictionary < needed ? (dictionary < 4096 ? 4096 : dictionary) : needed;
    LzmaFilterChain chain;
    memset(&chain.options, 0, sizeof chain.options);
    // Known size, no end marker: decoding stops when usize bytes are out.
    setUpLzma1(chain, properties, usize);

    if (!out.allocate(firstOutputSize(csize, usize)))
        return BlockResult::OutOfMemory;
    lzma_ret started = lzma_raw_decoder(&lzma.stream, chain.filters);
    if (started != LZMA_OK)
        return started == LZMA_MEM_ERROR ? BlockResult::OutOfMemory : BlockResult::BadProperties;
    lzma.out = &out;
    lzma.usize = usize;
    lzma.stream.next_out = out.data();
    lzma.stream.avail_out = out.size();
    return BlockResult::Ok;
}

// Decodes the input the stream holds; `last` says no more follows. Answers
// as soon as the block is known to be damaged; Ok while decoding may go on
// and, after the last input, only when exactly usize bytes came out of
// exactly the input given.
BlockResult decodeInput(LzmaStream& lzma, bool last)
{
    lzma_ret result;
    for (;;) {
        if (lzma.stream.avail_out == 0 && lzma.out->size() < lzma.usize && !lzma.grow())
            return BlockResult::OutOfMemory;
        size_t inBefore = lzma.stream.avail_in;
        size_t outBefore = lzma.stream.avail_out;
        result = lzma_code(&lzma.stream, last ? LZMA_FINISH : LZMA_RUN);
        if (result == LZMA_MEM_ERROR || result == LZMA_MEMLIMIT_ERROR)
            return BlockResult::OutOfMemory;
        if (result == LZMA_BUF_ERROR)
            return BlockResult::WrongSize;  // the stream wants input that is not there
        // An error once every byte is out says the stream goes on behind
        // its stated size.
        if (result != LZMA_OK && result != LZMA_STREAM_END)
            return lzma.produced() == lzma.usize ? BlockResult::WrongSize : BlockResult::BadStream;
        if (result == LZMA_STREAM_END)
            break;
        if (lzma.stream.avail_in == 0 && (lzma.stream.avail_out != 0 || lzma.out->size() == lzma.usize))
            break;
        if (lzma.stream.avail_in == inBefore && lzma.stream.avail_out == outBefore) {
            if (lzma.stream.avail_in == 0)
                break;                      // nothing pending: the next input goes on
            return BlockResult::WrongSize;  // input left that no output room can take
        }
    }
    if (result == LZMA_STREAM_END && (!last || lzma.stream.avail_in != 0))
        return BlockResult::WrongSize;  // the block ends before its input does
    if (!last)
        return BlockResult::Ok;
    if (lzma.stream.avail_out != 0 || lzma.out->size() != lzma.usize)
        return BlockResult::WrongSize;
    // Every byte is out and every input byte consumed; let the decoder
    // confirm that the stream really ends here.
    if (result == LZMA_STREAM_END || lzma_code(&lzma.stream, LZMA_FINISH) == LZMA_STREAM_END)
        return BlockResult::Ok;
    return BlockResult::WrongSize;
}

}  // namespace

// The compressed bytes are read through a small window rather than whole, so
// a block's peak is its decoded bytes and the dictionary, not those plus the
// compressed stream.
BlockResult readBlock(FILE* file, uint64_t available, Bytes& out)
{
    out.reset();
    int64_t start = tellPosition(file);
    uint8_t header[kBlockHeaderSize];
    if (start < 0 || !readExactly(file, header, sizeof header))
        return BlockResult::Truncated;
    uint32_t csize = loadU32(header);
    uint32_t usize = loadU32(header + 4);
    // Leave the position csize + 8 further on, whatever happens below.
    uint64_t next = uint64_t(start) + kBlockHeaderSize + csize;
    BlockResult result = BlockResult::Ok;
    if (available < kBlockHeaderSize || csize > available - kBlockHeaderSize || csize < kLzmaPropertiesSize)
        result = BlockResult::BeyondPackage;
    else if (usize > kMaxDecodedBlockSize)
        result = BlockResult::TooLarge;
    if (result != BlockResult::Ok) {
        seekTo(file, next);
        return result;
    }

    static const uint32_t kWindowSize = 64 * 1024;
    Bytes window;
    uint8_t propertiesBytes[kLzmaPropertiesSize];
    LzmaStream lzma;
    if (!window.allocate(kWindowSize))
        result = BlockResult::OutOfMemory;
    else if (!readExactly(file, propertiesBytes, sizeof propertiesBytes))
        result = BlockResult::Truncated;
    else
        result = beginDecoding(propertiesBytes, csize, usize, lzma, out);
    uint32_t left = csize - kLzmaPropertiesSize;
    while (result == BlockResult::Ok) {
        uint32_t chunk = left < kWindowSize ? left : kWindowSize;
        if (!readExactly(file, window.data(), chunk)) {
            result = BlockResult::Truncated;
            break;
        }
        left -= chunk;
        lzma.stream.next_in = window.data();
        lzma.stream.avail_in = chunk;
        result = decodeInput(lzma, left == 0);
        if (left == 0)
            break;
    }
    if (result != BlockResult::Ok) {
        out.reset();
        seekTo(file, next);
    }
    return result;
}
