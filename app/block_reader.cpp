#include "app/block_reader.h"

#include "app/file_io.h"

#include <lzma.h>
#include <string.h>

namespace {

struct LzmaProperties {
    uint32_t lc, lp, pb, dictionarySize;
};

// The properties byte is lc + 9 * (lp + 5 * pb); 225 and above is invalid.
bool parseProperties(const uint8_t* bytes, LzmaProperties& out)
{
    uint32_t d = bytes[0];
    if (d >= 9 * 5 * 5)
        return false;
    out.lc = d % 9;
    d /= 9;
    out.lp = d % 5;
    out.pb = d / 5;
    out.dictionarySize = loadU32(bytes + 1);
    return true;
}

// Owns a liblzma stream and the output it decodes into. The output grows as
// decoding fills it, up to usize, rather than being allocated at usize up
// front: a header can name any size, but only the bytes the stream really
// decodes to (or a few times the compressed bytes) are ever allocated.
struct LzmaStream {
    lzma_stream stream = LZMA_STREAM_INIT;
    Bytes* out = nullptr;
    uint32_t usize = 0;
    ~LzmaStream() { lzma_end(&stream); }

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
bool beginDecoding(const uint8_t* propertiesBytes, uint32_t csize, uint32_t usize, LzmaStream& lzma, Bytes& out)
{
    LzmaProperties properties;
    if (usize > kMaxDecodedBlockSize || !parseProperties(propertiesBytes, properties))
        return false;
    // liblzma refuses lc + lp > 4, which plain LZMA1 allows; no package writer
    // of ours makes such a stream, so it counts as a damaged block.
    if (properties.lc + properties.lp > 4)
        return false;

    lzma_options_lzma options;
    memset(&options, 0, sizeof options);
    // liblzma allocates the whole dictionary the properties name, but a
    // dictionary larger than the decoded size is never used.
    uint32_t dictionary = properties.dictionarySize;
    uint32_t needed = usize < 4096 ? 4096 : usize;
    options.dict_size = dictionary < needed ? (dictionary < 4096 ? 4096 : dictionary) : needed;
    options.lc = properties.lc;
    options.lp = properties.lp;
    options.pb = properties.pb;
    // Known size, no end marker: decoding stops when usize bytes are out.
    options.ext_flags = 0;
    options.ext_size_low = usize;
    options.ext_size_high = 0;

    lzma_filter filters[2];
    filters[0].id = LZMA_FILTER_LZMA1EXT;
    filters[0].options = &options;
    filters[1].id = LZMA_VLI_UNKNOWN;
    filters[1].options = nullptr;

    if (!out.allocate(firstOutputSize(csize, usize)))
        return false;
    if (lzma_raw_decoder(&lzma.stream, filters) != LZMA_OK)
        return false;
    lzma.out = &out;
    lzma.usize = usize;
    lzma.stream.next_out = out.data();
    lzma.stream.avail_out = out.size();
    return true;
}

// Decodes the input the stream holds; `last` says no more follows. Returns
// false as soon as the block is known to be damaged, true while decoding may
// go on and, after the last input, only when exactly usize bytes came out of
// exactly the input given.
bool decodeInput(LzmaStream& lzma, bool last)
{
    lzma_ret result;
    for (;;) {
        if (lzma.stream.avail_out == 0 && lzma.out->size() < lzma.usize && !lzma.grow())
            return false;
        size_t inBefore = lzma.stream.avail_in;
        size_t outBefore = lzma.stream.avail_out;
        result = lzma_code(&lzma.stream, last ? LZMA_FINISH : LZMA_RUN);
        if (result != LZMA_OK && result != LZMA_STREAM_END)
            return false;
        if (result == LZMA_STREAM_END)
            break;
        if (lzma.stream.avail_in == 0 && (lzma.stream.avail_out != 0 || lzma.out->size() == lzma.usize))
            break;
        if (lzma.stream.avail_in == inBefore && lzma.stream.avail_out == outBefore) {
            if (lzma.stream.avail_in == 0)
                break;  // nothing pending: the next input goes on
            return false;  // input left that no output room can take
        }
    }
    if (result == LZMA_STREAM_END && (!last || lzma.stream.avail_in != 0))
        return false;  // the block ends before its input does
    if (!last)
        return true;
    if (lzma.stream.avail_out != 0 || lzma.out->size() != lzma.usize)
        return false;
    // Every byte is out and every input byte consumed; let the decoder
    // confirm that the stream really ends here.
    return result == LZMA_STREAM_END || lzma_code(&lzma.stream, LZMA_FINISH) == LZMA_STREAM_END;
}

}  // namespace

bool decodeLzmaBlock(const uint8_t* compressed, uint32_t csize, uint32_t usize, Bytes& out)
{
    out.reset();
    LzmaStream lzma;
    if (csize < kLzmaPropertiesSize || !beginDecoding(compressed, csize, usize, lzma, out))
        return out.reset(), false;
    lzma.stream.next_in = compressed + kLzmaPropertiesSize;
    lzma.stream.avail_in = csize - kLzmaPropertiesSize;
    if (!decodeInput(lzma, true))
        return out.reset(), false;
    return true;
}

// The compressed bytes are read through a small window rather than whole, so
// a block's peak is its decoded bytes and the dictionary, not those plus the
// compressed stream.
bool readBlock(FILE* file, uint64_t available, Bytes& out)
{
    out.reset();
    int64_t start = tellPosition(file);
    uint8_t header[kBlockHeaderSize];
    if (start < 0 || !readExactly(file, header, sizeof header))
        return false;
    uint32_t csize = loadU32(header);
    uint32_t usize = loadU32(header + 4);
    // Leave the position csize + 8 further on, whatever happens below.
    uint64_t next = uint64_t(start) + kBlockHeaderSize + csize;
    if (available < kBlockHeaderSize || csize > available - kBlockHeaderSize || csize < kLzmaPropertiesSize ||
        usize > kMaxDecodedBlockSize) {
        seekTo(file, next);
        return false;
    }

    static const uint32_t kWindowSize = 64 * 1024;
    Bytes window;
    uint8_t propertiesBytes[kLzmaPropertiesSize];
    LzmaStream lzma;
    bool good = window.allocate(kWindowSize) && readExactly(file, propertiesBytes, sizeof propertiesBytes) &&
                beginDecoding(propertiesBytes, csize, usize, lzma, out);
    uint32_t left = csize - kLzmaPropertiesSize;
    while (good) {
        uint32_t chunk = left < kWindowSize ? left : kWindowSize;
        if (!readExactly(file, window.data(), chunk)) {
            good = false;
            break;
        }
        left -= chunk;
        lzma.stream.next_in = window.data();
        lzma.stream.avail_in = chunk;
        good = decodeInput(lzma, left == 0);
        if (left == 0)
            break;
    }
    if (!good) {
        out.reset();
        seekTo(file, next);
    }
    return good;
}
