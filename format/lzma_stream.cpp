#include "format/lzma_stream.h"

#include "format/bytes.h"

bool parseLzmaProperties(const uint8_t* bytes, LzmaProperties& out)
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

void storeLzmaProperties(const LzmaProperties& properties, uint8_t* bytes)
{
    bytes[0] = uint8_t(properties.lc + 9 * (properties.lp + 5 * properties.pb));
    storeU32(bytes + 1, properties.dictionarySize);
}

void setUpLzma1(LzmaFilterChain& chain, const LzmaProperties& properties, uint32_t decodedSize)
{
    chain.options.dict_size = properties.dictionarySize;
    chain.options.lc = properties.lc;
    chain.options.lp = properties.lp;
    chain.options.pb = properties.pb;
    chain.options.ext_flags = 0;
    chain.options.ext_size_low = decodedSize;
    chain.options.ext_size_high = 0;
    chain.filters[0].id = LZMA_FILTER_LZMA1EXT;
    chain.filters[0].options = &chain.options;
    chain.filters[1].id = LZMA_VLI_UNKNOWN;
    chain.filters[1].options = nullptr;
}
