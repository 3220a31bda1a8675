// The two fields of a PE image's header that an uninstaller must set for
// itself: the certificate-table entry and the checksum. An uninstaller is the
// installer's stub image with another package behind it; the entry of a
// signed installer would point into that package, and its checksum would be
// the installer's.
#pragma once

#include <stddef.h>
#include <stdint.h>

constexpr size_t kPeDosHeaderSize = 64;
// The NT headers up to and including the security data directory.
constexpr size_t kPeNtHeadersSpan = 0xA0;

// Where the fields lie; false when the image has no PE32 header that lies
// whole within `size`. The two-step readers below take the fields from any
// NT headers, as the package locator always has.
struct PeHeaderFields {
    size_t checksum = 0;          // the optional header's CheckSum
    size_t certificateEntry = 0;  // the security data directory (offset, size)
    bool hasCertificateEntry = false;
};
bool findPeHeaderFields(const uint8_t* image, size_t size, PeHeaderFields& out);

// The same in two steps, for a reader that holds only the headers: the NT
// headers' offset from a DOS header of kPeDosHeaderSize bytes, then the
// fields (relative to the NT headers) from kPeNtHeadersSpan bytes of them.
bool findPeNtHeaders(const uint8_t* dosHeader, uint32_t& ntOffset);
bool findPeFieldsInNtHeaders(const uint8_t* ntHeaders, PeHeaderFields& out);

// The PE checksum of a file given in consecutive pieces: the 16-bit words
// added with their carries folded back, then the file's length. The caller
// zeroes the checksum field before adding the piece that holds it.
class PeChecksum {
public:
    void add(const uint8_t* bytes, size_t count);
    uint32_t value() const;

private:
    uint32_t sum_ = 0;
    uint32_t length_ = 0;
    bool havePendingByte_ = false;
    uint8_t pendingByte_ = 0;
};

struct BytePiece {
    const uint8_t* data;
    size_t size;
};

// Makes `image` the header of its own file, the image followed by the `tail`
// pieces: no certificate-table entry, and the checksum of the whole file.
// False (the image unchanged) when it has no PE32 header to change.
bool sealImageFor(uint8_t* image, size_t size, const BytePiece* tail, size_t tailCount);
