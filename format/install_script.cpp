#include "format/install_script.h"

#include <string.h>

bool readInstallScript(ByteCursor& cursor, InstallScript& out)
{
    return readFields(cursor, out);
}

bool serializeInstallScript(const InstallScript& script, ByteSink& sink)
{
    return writeFields(script, sink);
}

const char* findInfoSwitch(const InstallScript& script, const char* tail, size_t* textLength)
{
    for (TextList pairs(script.infoSwitches); !pairs.atEnd();) {
        const char* name = pairs.take();
        if (pairs.lastWasCut())
            return nullptr;  // a name missing its NUL names no switch
        size_t length = 0;
        // A text missing its NUL ends at the item's end.
        const char* text = pairs.take(&length);
        if (strcmp(name, tail) == 0) {
            if (textLength)
                *textLength = length;
            return text ? text : "";
        }
    }
    return nullptr;
}

bool licenseIsRtf(const InstallScript& script)
{
    return script.licenseText.size() >= 5 && memcmp(script.licenseText.data(), "{\\rtf", 5) == 0;
}

bool bannerIsComplete(const uint8_t* info, size_t infoSize, size_t bitsSize)
{
    // BITMAPINFOHEADER: biSize, biWidth, biHeight, biPlanes, biBitCount,
    // biCompression, biSizeImage, two resolutions, biClrUsed, biClrImportant.
    if (!info || infoSize < 40)
        return false;
    uint32_t headerSize = loadU32(info);
    int32_t width = int32_t(loadU32(info + 4));
    int32_t height = int32_t(loadU32(info + 8));
    uint16_t planes = loadU16(info + 12);
    uint16_t bitCount = loadU16(info + 14);
    uint32_t compression = loadU32(info + 16);
    uint32_t coloursUsed = loadU32(info + 32);
    if (headerSize < 40 || headerSize > infoSize || planes != 1)
        return false;
    if (width <= 0 || width > 32767 || height == 0 || height < -32767 || height > 32767)
        return false;
    const uint32_t kRgb = 0, kBitfields = 3;
    if (compression != kRgb && !(compression == kBitfields && (bitCount == 16 || bitCount == 32)))
        return false;
    uint64_t colours;
    switch (bitCount) {
    case 1:
    case 4:
    case 8:
        colours = coloursUsed ? coloursUsed : (1u << bitCount);
        if (colours > (1u << bitCount))
            return false;
        break;
    case 16:
    case 24:
    case 32: colours = coloursUsed; break;
    default: return false;
    }
    uint64_t tableSize = colours * 4 + (compression == kBitfields && headerSize == 40 ? 12 : 0);
    if (uint64_t(headerSize) + tableSize > infoSize)
        return false;
    uint64_t stride = ((uint64_t(width) * bitCount + 31) / 32) * 4;
    uint64_t rows = uint64_t(height < 0 ? -int64_t(height) : height);
    return stride * rows <= bitsSize;
}
