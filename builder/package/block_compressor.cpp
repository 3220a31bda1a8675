#include "builder/package/block_compressor.h"

#include "format/block_reader.h"

#include <lzma.h>
#include <string.h>

uint32_t dictionarySizeFor(uint64_t size, const CompressionOptions& options)
{
    uint64_t dictionary = 4096;
    while (dictionary < size && dictionary < options.maxDictionarySize)
        dictionary *= 2;
    if (dictionary > options.maxDictionarySize)
        dictionary = options.maxDictionarySize < 4096 ? 4096 : options.maxDictionarySize;
    return uint32_t(dictionary);
}

bool setUpEncoderChain(LzmaFilterChain& chain, LzmaProperties& properties, uint64_t decodedSize,
                       const CompressionOptions& options)
{
    if (options.lc + options.lp > 4 || options.pb > 4 ||
        lzma_lzma_preset(&chain.options, options.preset | (options.extreme ? LZMA_PRESET_EXTREME : 0)))
        return false;
    properties.lc = options.lc;
    properties.lp = options.lp;
    properties.pb = options.pb;
    properties.dictionarySize = dictionarySizeFor(decodedSize, options);
    setUpLzma1(chain, properties, 0);
    return true;
}

bool compressBlock(const uint8_t* decoded, size_t size, const CompressionOptions& options, Bytes& framed,
                   const CompressionProgress* progress)
{
    framed.reset();
    LzmaFilterChain chain;
    LzmaProperties properties;
    if (size > kMaxDecodedBlockSize || !setUpEncoderChain(chain, properties, size, options))
        return false;

    LzmaStreamOwner lzma;
    if (lzma_raw_encoder(&lzma.stream, chain.filters) != LZMA_OK)
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
    storeLzmaProperties(properties, p + kBlockHeaderSize);
    return framed.assign(buffer.data(), headerSize + streamSize);
}
