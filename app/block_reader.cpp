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

// Owns a liblzma stream so every path out releases the decoder.
struct LzmaStream {
    lzma_stream stream = LZMA_STREAM_INIT;
    ~LzmaStream() { lzma_end(&stream); }
};

}  // namespace

bool decodeLzmaBlock(const uint8_t* compressed, uint32_t csize, uint32_t usize, Bytes& out)
{
    out.reset();
    LzmaProperties properties;
    if (csize < kLzmaPropertiesSize || usize > kMaxDecodedBlockSize || !parseProperties(compressed, properties))
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

    if (!out.allocate(usize))
        return false;
    LzmaStream lzma;
    if (lzma_raw_decoder(&lzma.stream, filters) != LZMA_OK) {
        out.reset();
        return false;
    }
    lzma.stream.next_in = compressed + kLzmaPropertiesSize;
    lzma.stream.avail_in = csize - kLzmaPropertiesSize;
    lzma.stream.next_out = out.data();
    lzma.stream.avail_out = usize;
    lzma_ret result = lzma_code(&lzma.stream, LZMA_FINISH);
    bool good = (result == LZMA_STREAM_END || result == LZMA_OK) && lzma.stream.avail_in == 0 &&
                lzma.stream.avail_out == 0;
    if (good && result == LZMA_OK) {
        // Every byte is out and every input byte consumed; let the decoder
        // confirm that the stream really ends here.
        result = lzma_code(&lzma.stream, LZMA_FINISH);
        good = result == LZMA_STREAM_END;
    }
    if (!good)
        out.reset();
    return good;
}

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
    Bytes compressed;
    if (!compressed.allocate(csize) || !readExactly(file, compressed.data(), csize)) {
        seekTo(file, next);
        return false;
    }
    return decodeLzmaBlock(compressed.data(), csize, usize, out);
}
