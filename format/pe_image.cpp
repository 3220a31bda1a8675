#include "format/pe_image.h"

#include "format/bytes.h"

#include <string.h>

namespace {

constexpr uint16_t kDosSignature = 0x5A4D;     // "MZ"
constexpr uint32_t kNtSignature = 0x00004550;  // "PE\0\0"
constexpr uint16_t kPe32Magic = 0x10B;
constexpr size_t kChecksumField = 0x58;
constexpr size_t kDirectoryCountField = 0x74;
constexpr size_t kSecurityEntry = 0x98;
constexpr uint32_t kSecurityDirectory = 4;

uint32_t fold(uint32_t sum)
{
    return (sum & 0xFFFF) + (sum >> 16);
}

}  // namespace

bool findPeNtHeaders(const uint8_t* dosHeader, uint32_t& ntOffset)
{
    if (loadU16(dosHeader) != kDosSignature)
        return false;
    ntOffset = loadU32(dosHeader + 0x3C);
    return true;
}

bool findPeFieldsInNtHeaders(const uint8_t* ntHeaders, PeHeaderFields& out)
{
    if (loadU32(ntHeaders) != kNtSignature)
        return false;
    out.checksum = kChecksumField;
    out.certificateEntry = kSecurityEntry;
    out.hasCertificateEntry = loadU32(ntHeaders + kDirectoryCountField) > kSecurityDirectory;
    return true;
}

bool findPeHeaderFields(const uint8_t* image, size_t size, PeHeaderFields& out)
{
    uint32_t nt = 0;
    // Bounded so a damaged header cannot send the reader past the image.
    // The fields move in other optional-header layouts: only a PE32 one is
    // ever changed.
    if (size < kPeDosHeaderSize || !findPeNtHeaders(image, nt) || nt > size || size - nt < kPeNtHeadersSpan ||
        !findPeFieldsInNtHeaders(image + nt, out) || loadU16(image + nt + 0x18) != kPe32Magic)
        return false;
    out.checksum += nt;
    out.certificateEntry += nt;
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
