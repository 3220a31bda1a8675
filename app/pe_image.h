// The two fields of a PE image's header that an uninstaller must set for
// itself: the certificate-table entry and the checksum. An uninstaller is the
// installer's stub image with another package behind it; the entry of a
// signed installer would point into that package, and its checksum would be
// the installer's.
#pragma once

#include <stddef.h>
#include <stdint.h>

// Where the fields lie in an image held in memory; false when the image has
// no PE32 header that lies whole within `size`.
struct PeHeaderFields {
    size_t checksum = 0;          // the optional header's CheckSum
    size_t certificateEntry = 0;  // the security data directory (offset, size)
    bool hasCertificateEntry = false;
};
bool findPeHeaderFields(const uint8_t* image, size_t size, PeHeaderFields& out);

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
