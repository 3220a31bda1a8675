// SHA-256, so `slipway inspect` can name a packaged file's contents without
// printing them.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>

class Sha256 {
public:
    static constexpr size_t kDigestSize = 32;

    Sha256();
    void update(const void* bytes, size_t length);
    // Ends the computation; the object must not be updated afterwards.
    void finish(uint8_t digest[kDigestSize]);

private:
    void compress(const uint8_t block[64]);

    uint32_t state_[8];
    uint8_t pending_[64];
    size_t pendingLength_ = 0;
    uint64_t totalLength_ = 0;
};

// The digest of a byte run as 64 lower-case hex digits.
std::string sha256Hex(const void* bytes, size_t length);
