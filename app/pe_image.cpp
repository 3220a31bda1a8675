#include "app/pe_image.h"

#include "app/bytes.h"

#include <string.h>

namespace {

constexpr uint16_t kDosSignature = 0x5A4D;     // "MZ"
constexpr uint32_t kNtSignature = 0x00004550;  // "PE\0\0"
constexpr uint16_t kPe32Magic = 0x10B;
constexpr size_t kDosHeaderSize = 64;
// Signature, file header and the PE32 optional header up to and including
// the security directory.
constexpr size_t kHeaderSpan = 0xA0;
constexpr size_t kChecksumField = 0x58;
constexpr size_t kDirectoryCountField = 0x74;
constexpr size_t kSecurityEntry = 0x98;
constexpr uint32_t kSecurityDirectory = 4;

uint32_t fold(uint32_t sum)
{
    return (sum & 0xFFFF) + (sum >> 16);
}

}  // namespace

bool findPeHeaderFields(const uint8_t* image, size_t size, PeHeaderFields& out)
{
    if (size < kDosHeaderSize || loadU16(image) != kDosSignature)
        return false;
    size_t nt = loadU32(image + 0x3C);
    // Bounded so a damaged header cannot send the reader past the image.
    if (nt > size || size - nt < kHeaderSpan || loadU32(image + nt) != kNtSignature ||
        loadU16(image + nt + 0x18) != kPe32Magic)
        return false;
    out.checksum = nt + kChecksumField;
    out.certificateEntry = nt + kSecurityEntry;
    out.hasCertificateEntry = loadU32(image + nt + kDirectoryCountField) > kSecurityDirectory;
    return true;
}

void PeChecksum::add(const uint8_t* bytes, size_t count)
{
    length_ += uint32_t(count);
    if (count == 0)
        return;
    if (havePendingByte_) {
        sum_ = fold(sum_ + (uint32_t(pendingByte_) | uint32_t(bytes[0]) << 8));
        havePendingByte_ = false;
        ++bytes;
        --count;
    }
    for (; count >= 2; bytes += 2, count -= 2)
        sum_ = fold(sum_ + loadU16(bytes));
    if (count == 1) {
        havePendingByte_ = true;
        pendingByte_ = bytes[0];
    }
}

uint32_t PeChecksum::value() const
{
    uint32_t sum = sum_;
    if (havePendingByte_)
        sum = fold(sum + pendingByte_);
    return fold(sum) + length_;
}

bool sealImageFor(uint8_t* image, size_t size, const BytePiece* tail, size_t tailCount)
{
    PeHeaderFields fields;
    if (!findPeHeaderFields(image, size, fields))
        return false;
    if (fields.hasCertificateEntry)
        memset(image + fields.certificateEntry, 0, 8);
    memset(image + fields.checksum, 0, 4);
    PeChecksum checksum;
    checksum.add(image, size);
    for (size_t i = 0; i < tailCount; ++i)
        checksum.add(tail[i].data, tail[i].size);
    storeU32(image + fields.checksum, checksum.value());
    return true;
}
