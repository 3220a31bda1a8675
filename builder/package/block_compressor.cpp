#include "builder/package/block_compressor.h"

#include "app/block_reader.h"

#include <lzma.h>
#include <string.h>

namespace {

struct LzmaStream {
    lzma_stream stream = LZMA_STREAM_INIT;
    ~LzmaStream() { lzma_end(&stream); }
};

}  // namespace

uint32_t dictionarySizeFor(uint64_t size, const CompressionOptions& options)
{
    uint64_t dictionary = 4096;
    while (dictionary < size && dictionary < options.maxDictionarySize)
        dictionary *= 2;
    if (dictionary > options.maxDictionarySize)
        dictionary = options.maxDictionarySize < 4096 ? 4096 : options.maxDictionarySize;
    return uint32_t(dictionary);
}

bool compressBlock(const uint8_t* decoded, size_t size, const CompressionOptions& options, Bytes& framed,
                   const CompressionProgress* progress)
{
    framed.reset();
    if (size > kMaxDecodedBlockSize || options.lc + options.lp > 4 || options.pb > 4)
        return false;
    lzma_options_lzma lzmaOptions;
    if (lzma_lzma_preset(&lzmaOptions, options.preset | (options.extreme ? LZMA_PRESET_EXTREME : 0)))
        return false;
    lzmaOptions.dict_size = dictionarySizeFor(size, options);
    lzmaOptions.lc = options.lc;
    lzmaOptions.lp = options.lp;
    lzmaOptions.pb = options.pb;
    // No end marker: the reader knows the decoded size from the header.
    lzmaOptions.ext_flags = 0;
    lzmaOptions.ext_size_low = 0;
    lzmaOptions.ext_size_high = 0;
    lzma_filter filters[2];
    filters[0].id = LZMA_FILTER_LZMA1EXT;
    filters[0].options = &lzmaOptions;
    filters[1].id = LZMA_VLI_UNKNOWN;
    filters[1].options = nullptr;

    LzmaStream lzma;
    if (lzma_raw_encoder(&lzma.stream, filters) != LZMA_OK)
        return false;
    // LZMA can expand incompressible data slightly; the bound leaves room.
    size_t capacity = size + size / 16 + 4096;
    const size_t headerSize = kBlockHeaderSize + kLzmaPropertiesSize;
    Bytes buffer;
    if (!buffer.allocate(headerSize + capacity))
        return false;
    lzma.stream.next_out = buffer.data() + headerSize;
    lzma.stream.avail_out = capacity;
    // The input goes in by slices so that progress can be told between
    // them; the encoder's output does not depend on the slicing.
    const size_t kSlice = 1u << 20;
    size_t fed = 0;
    lzma_ret result = LZMA_OK;
    while (result == LZMA_OK) {
        if (lzma.stream.avail_in == 0 && fed < size) {
            size_t slice = size - fed < kSlice ? size - fed : kSlice;
            lzma.stream.next_in = decoded + fed;
            lzma.stream.avail_in = slice;
            fed += slice;
        }
        lzma_action action = fed == size ? LZMA_FINISH : LZMA_RUN;
        result = lzma_code(&lzma.stream, action);
        if (lzma.stream.avail_out == 0 && result == LZMA_OK)
            return false;
        if (progress && progress->report && lzma.stream.avail_in == 0)
            progress->report(progress->context, lzma.stream.total_in, size);
    }
    if (result != LZMA_STREAM_END)
        return false;
    size_t streamSize = capacity - lzma.stream.avail_out;
    uint64_t csize = kLzmaPropertiesSize + uint64_t(streamSize);
    if (csize > UINT32_MAX)
        return false;

    uint8_t* p = buffer.data();
    storeU32(p, uint32_t(csize));
    storeU32(p + 4, uint32_t(size));
    p[8] = uint8_t(options.lc + 9 * (options.lp + 5 * options.pb));
    storeU32(p + 9, lzmaOptions.dict_size);
    return framed.assign(buffer.data(), headerSize + streamSize);
}
