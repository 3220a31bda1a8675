#include "builder/assembly/pe_version.h"

#include "format/bytes.h"
#include "format/file_io.h"

#include <string.h>

namespace {

constexpr uint32_t kResourceDirectoryIndex = 2;
constexpr uint32_t kVersionResourceType = 16;  // RT_VERSION
constexpr uint32_t kFixedFileInfoSignature = 0xFEEF04BD;
constexpr uint32_t kSubdirectoryFlag = 0x80000000;

// Bounded reads over the image: its bytes in memory, or an open file read
// through a small window, so a large program is never held whole.
class Image {
public:
    Image(const uint8_t* bytes, size_t size) : bytes_(bytes), size_(size) {}
    Image(FILE* file, uint64_t size) : file_(file), size_(size) {}

    bool has(uint64_t offset, uint64_t length) const { return offset <= size_ && length <= size_ - offset; }
    bool u16(uint64_t offset, uint32_t& out) const
    {
        uint8_t raw[2];
        if (!read(offset, raw, 2))
            return false;
        out = loadU16(raw);
        return true;
    }
    bool u32(uint64_t offset, uint32_t& out) const
    {
        uint8_t raw[4];
        if (!read(offset, raw, 4))
            return false;
        out = loadU32(raw);
        return true;
    }

private:
    static constexpr size_t kWindow = 4096;

    bool read(uint64_t offset, uint8_t* out, size_t length) const
    {
        if (!has(offset, length))
            return false;
        if (bytes_) {
            memcpy(out, bytes_ + offset, length);
            return true;
        }
        if (offset < windowStart_ || offset + length > windowStart_ + windowSize_) {
            uint64_t left = size_ - offset;
            size_t size = left < kWindow ? size_t(left) : kWindow;
            if (!seekTo(file_, offset) || fread(window_, 1, size, file_) != size)
                return false;
            windowStart_ = offset;
            windowSize_ = size;
        }
        memcpy(out, window_ + (offset - windowStart_), length);
        return true;
    }

    const uint8_t* bytes_ = nullptr;
    FILE* file_ = nullptr;
    uint64_t size_;
    mutable uint8_t window_[kWindow];
    mutable uint64_t windowStart_ = 0;
    mutable size_t windowSize_ = 0;
};

struct Section {
    uint32_t virtualAddress, rawSize, rawOffset;
};

// Maps an RVA range to a file offset through the section table.
class AddressMap {
public:
    AddressMap(const Image& image, uint64_t table, uint32_t count) : image_(image), table_(table), count_(count) {}

    bool toOffset(uint32_t rva, uint32_t length, uint64_t& offset) const
    {
        for (uint32_t i = 0; i < count_; ++i) {
            Section s;
            uint64_t entry = table_ + uint64_t(i) * 40;
            if (!image_.u32(entry + 12, s.virtualAddress) || !image_.u32(entry + 16, s.rawSize) ||
                !image_.u32(entry + 20, s.rawOffset))
                return false;
            if (rva < s.virtualAddress || uint64_t(rva) - s.virtualAddress >= s.rawSize)
                continue;
            uint64_t within = uint64_t(rva) - s.virtualAddress;
            if (within + length > s.rawSize)
                return false;
            offset = uint64_t(s.rawOffset) + within;
            return image_.has(offset, length);
        }
        return false;
    }

private:
    const Image& image_;
    uint64_t table_;
    uint32_t count_;
};

// The entry of a resource directory (at `directory`, relative to the
// resource section's start `base`) with this id, or the first entry when
// `id` is 0. Answers OffsetToData.
bool findEntry(const Image& image, uint64_t base, uint64_t directory, uint32_t id, uint32_t& target)
{
    uint32_t named, ids;
    if (!image.u16(base + directory + 12, named) || !image.u16(base + directory + 14, ids))
        return false;
    for (uint32_t i = 0; i < named + ids; ++i) {
        uint64_t entry = base + directory + 16 + uint64_t(i) * 8;
        uint32_t name;
        if (!image.u32(entry, name) || !image.u32(entry + 4, target))
            return false;
        if (id == 0 || (!(name & kSubdirectoryFlag) && name == id))
            return true;
    }
    return false;
}

bool readFixedFileInfo(const Image& image, uint64_t offset, uint32_t size, FileVersion& out)
{
    // VS_VERSIONINFO: wLength, wValueLength, wType, "VS_VERSION_INFO" in
    // UTF-16 with its NUL (32 bytes), padding to 4 bytes, then the value.
    static const char kKey[] = "VS_VERSION_INFO";
    const uint64_t valueOffset = 40;
    uint32_t valueLength;
    if (size < valueOffset + 52 || !image.has(offset, size) || !image.u16(offset + 2, valueLength) || valueLength < 52)
        return false;
    for (size_t i = 0; i < sizeof kKey; ++i) {
        uint32_t c;
        if (!image.u16(offset + 6 + i * 2, c) || c != uint8_t(kKey[i]))
            return false;
    }
    uint32_t signature;
    if (!image.u32(offset + valueOffset, signature) || signature != kFixedFileInfoSignature)
        return false;
    return image.u32(offset + valueOffset + 8, out.high) && image.u32(offset + valueOffset + 12, out.low);
}

bool readVersion(const Image& image, FileVersion& out)
{
    out = FileVersion();
    uint32_t mz, peOffset, signature, sectionCount, optionalSize, magic;
    if (!image.has(0, 64) || !image.u16(0, mz) || mz != 0x5A4D || !image.u32(0x3C, peOffset))
        return false;
    if (!image.u32(peOffset, signature) || signature != 0x00004550)  // "PE\0\0"
        return false;
    uint64_t coff = uint64_t(peOffset) + 4;
    uint64_t optional = coff + 20;
    if (!image.u16(coff + 2, sectionCount) || !image.u16(coff + 16, optionalSize) || !image.u16(optional, magic))
        return false;
    uint64_t directoryCountOffset;
    if (magic == 0x10B)
        directoryCountOffset = optional + 92;
    else if (magic == 0x20B)
        directoryCountOffset = optional + 108;
    else
        return false;
    uint32_t directoryCount, resourceRva, resourceSize;
    if (!image.u32(directoryCountOffset, directoryCount) || directoryCount <= kResourceDirectoryIndex)
        return false;
    uint64_t resourceDirectory = directoryCountOffset + 4 + kResourceDirectoryIndex * 8;
    if (resourceDirectory + 8 > optional + optionalSize || !image.u32(resourceDirectory, resourceRva) ||
        !image.u32(resourceDirectory + 4, resourceSize) || resourceRva == 0 || resourceSize < 16)
        return false;

    AddressMap map(image, optional + optionalSize, sectionCount);
    uint64_t base;
    if (!map.toOffset(resourceRva, 16, base))
        return false;
    // Type RT_VERSION, then its first name, then its first language.
    uint32_t level1, level2, dataEntry;
    if (!findEntry(image, base, 0, kVersionResourceType, level1) || !(level1 & kSubdirectoryFlag))
        return false;
    if (!findEntry(image, base, level1 & ~kSubdirectoryFlag, 0, level2) || !(level2 & kSubdirectoryFlag))
        return false;
    if (!findEntry(image, base, level2 & ~kSubdirectoryFlag, 0, dataEntry) || (dataEntry & kSubdirectoryFlag))
        return false;
    uint32_t dataRva, dataSize;
    if (!image.u32(base + dataEntry, dataRva) || !image.u32(base + dataEntry + 4, dataSize))
        return false;
    uint64_t data;
    if (!map.toOffset(dataRva, dataSize, data))
        return false;
    FileVersion version;
    if (!readFixedFileInfo(image, data, dataSize, version))
        return false;
    out = version;
    return true;
}

}  // namespace

bool readPeFileVersion(const uint8_t* bytes, size_t size, FileVersion& out)
{
    return readVersion(Image(bytes, size), out);
}

bool readPeFileVersion(FILE* file, uint64_t size, FileVersion& out)
{
    return readVersion(Image(file, size), out);
}
