#include "builder/assembly/banner.h"

#include "format/install_script.h"

#include <string.h>

namespace {

constexpr size_t kFileHeaderSize = 14;
constexpr uint32_t kInfoHeaderSize = 40;

struct Colour {
    uint8_t r, g, b;
};

// a towards b by step/255, in integers so every build draws the same bytes.
Colour mix(Colour a, Colour b, int step)
{
    auto channel = [step](int x, int y) { return uint8_t((x * (255 - step) + y * step + 127) / 255); };
    return Colour{channel(a.r, b.r), channel(a.g, b.g), channel(a.b, b.b)};
}

void writeHeader(uint8_t* p, int32_t width, int32_t height, uint16_t bitCount, uint32_t colours)
{
    memset(p, 0, kInfoHeaderSize);
    storeU32(p, kInfoHeaderSize);
    storeU32(p + 4, uint32_t(width));
    storeU32(p + 8, uint32_t(height));
    p[12] = 1;  // planes
    p[14] = uint8_t(bitCount);
    storeU32(p + 20, 0);  // biSizeImage may be 0 for BI_RGB
    storeU32(p + 32, colours);
}

}  // namespace

bool bannerFromBmp(const Bytes& file, Banner& out, std::string& problem)
{
    const uint8_t* p = file.data();
    size_t size = file.size();
    if (size < kFileHeaderSize + kInfoHeaderSize || p[0] != 'B' || p[1] != 'M') {
        problem = "not a BMP file (it does not start with \"BM\" and a bitmap header)";
        return false;
    }
    uint32_t bitsOffset = loadU32(p + 10);
    uint32_t headerSize = loadU32(p + 14);
    if (headerSize < kInfoHeaderSize || headerSize > size - kFileHeaderSize) {
        problem = "the bitmap header is of a kind Windows 95 cannot read (size " + std::to_string(headerSize) + ")";
        return false;
    }
    const uint8_t* header = p + kFileHeaderSize;
    int32_t width = int32_t(loadU32(header + 4));
    int32_t height = int32_t(loadU32(header + 8));
    uint16_t bitCount = loadU16(header + 14);
    uint32_t compression = loadU32(header + 16);
    uint32_t coloursUsed = loadU32(header + 32);
    if (compression != 0 || (bitCount != 8 && bitCount != 24)) {
        problem = "expected an uncompressed bitmap of 8 bits per pixel with a palette or of 24 bits, found " +
                  std::to_string(bitCount) + " bits per pixel" + (compression ? ", compressed" : "");
        return false;
    }
    if (width <= 0 || width > 32767 || height == 0 || height < -32767 || height > 32767) {
        problem = "the bitmap's size is not usable";
        return false;
    }
    uint32_t colours = bitCount == 8 ? (coloursUsed ? coloursUsed : 256) : 0;
    if (colours > 256) {
        problem = "the palette has more than 256 colours";
        return false;
    }
    uint64_t tableOffset = kFileHeaderSize + uint64_t(headerSize);
    if (tableOffset + uint64_t(colours) * 4 > size) {
        problem = "the palette runs past the end of the file";
        return false;
    }
    uint64_t stride = (uint64_t(width) * bitCount + 31) / 32 * 4;
    uint64_t rows = uint64_t(height < 0 ? -int64_t(height) : height);
    uint64_t bitsSize = stride * rows;
    if (bitsOffset > size || bitsSize > size - bitsOffset) {
        problem = "the pixels run past the end of the file";
        return false;
    }

    if (!out.info.allocate(kInfoHeaderSize + colours * 4) || !out.bits.assign(p + bitsOffset, size_t(bitsSize))) {
        problem = "out of memory";
        return false;
    }
    writeHeader(out.info.data(), width, height, bitCount, colours);
    memcpy(out.info.data() + kInfoHeaderSize, p + tableOffset, colours * 4);
    if (!bannerIsComplete(out.info.data(), out.info.size(), out.bits.size())) {
        problem = "the bitmap is incomplete";
        return false;
    }
    return true;
}

Banner defaultBanner()
{
    // Palette: 256 shades from white to a deep blue; pixels pick shades.
    const Colour white{255, 255, 255};
    const Colour deep{31, 78, 121};
    Banner banner;
    banner.info.allocate(kInfoHeaderSize + 256 * 4);
    writeHeader(banner.info.data(), kBannerWidth, kBannerHeight, 8, 256);
    uint8_t* palette = banner.info.data() + kInfoHeaderSize;
    for (int i = 0; i < 256; ++i) {
        Colour c = mix(white, deep, i);
        palette[i * 4] = c.b;
        palette[i * 4 + 1] = c.g;
        palette[i * 4 + 2] = c.r;
        palette[i * 4 + 3] = 0;
    }

    banner.bits.allocate(size_t(kBannerWidth) * kBannerHeight);
    for (int y = 0; y < kBannerHeight; ++y) {  // y counts rows from the bottom
        for (int x = 0; x < kBannerWidth; ++x) {
            // Background: white at the left, a pale blue at the right.
            int shade = x * 34 / kBannerWidth;
            // Water along the bottom, its surface a gentle wave.
            int phase = x % 44;
            int surface = 8 + (phase < 22 ? phase : 44 - phase) * 4 / 22;
            if (y < surface)
                shade = 150 + 20 * (surface - y) / surface;
            // The slipway: a ramp rising to the right out of the water.
            const int rampStart = 360;
            if (x >= rampStart) {
                int top = (x - rampStart) * 38 / (kBannerWidth - rampStart);
                if (y < top && y >= top - 5)
                    shade = 215;
                else if (y < top - 5)
                    shade = 95 + (x + y) % 14 / 7 * 8;  // planks
            }
            // A thin dark rule along the top edge.
            if (y == kBannerHeight - 1)
                shade = 255;
            banner.bits.data()[size_t(y) * kBannerWidth + size_t(x)] = uint8_t(shade);
        }
    }
    return banner;
}
