#include "builder/sha256.h"

#include <string.h>

namespace {

const uint32_t kRoundConstants[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2,
};

inline uint32_t rotateRight(uint32_t x, int n)
{
    return (x >> n) | (x << (32 - n));
}

inline uint32_t loadBigEndian(const uint8_t* p)
{
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

}  // namespace

Sha256::Sha256()
    : state_{0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a, 0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19}
{
}

void Sha256::compress(const uint8_t block[64])
{
    uint32_t w[64];
    for (int i = 0; i < 16; ++i)
        w[i] = loadBigEndian(block + 4 * i);
    for (int i = 16; i < 64; ++i) {
        uint32_t s0 = rotateRight(w[i - 15], 7) ^ rotateRight(w[i - 15], 18) ^ (w[i - 15] >> 3);
        uint32_t s1 = rotateRight(w[i - 2], 17) ^ rotateRight(w[i - 2], 19) ^ (w[i - 2] >> 10);
        w[i] = w[i - 16] + s0 + w[i - 7] + s1;
    }
    uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3];
    uint32_t e = state_[4], f = state_[5], g = state_[6], h = state_[7];
    for (int i = 0; i < 64; ++i) {
        uint32_t s1 = rotateRight(e, 6) ^ rotateRight(e, 11) ^ rotateRight(e, 25);
        uint32_t choice = (e & f) ^ (~e & g);
        uint32_t t1 = h + s1 + choice + kRoundConstants[i] + w[i];
        uint32_t s0 = rotateRight(a, 2) ^ rotateRight(a, 13) ^ rotateRight(a, 22);
        uint32_t majority = (a & b) ^ (a & c) ^ (b & c);
        uint32_t t2 = s0 + majority;
        h = g;
        g = f;
        f = e;
        e = d + t1;
        d = c;
        c = b;
        b = a;
        a = t1 + t2;
    }
    state_[0] += a;
    state_[1] += b;
    state_[2] += c;
    state_[3] += d;
    state_[4] += e;
    state_[5] += f;
    state_[6] += g;
    state_[7] += h;
}

void Sha256::update(const void* bytes, size_t length)
{
    const uint8_t* p = static_cast<const uint8_t*>(bytes);
    totalLength_ += length;
    if (pendingLength_) {
        size_t take = 64 - pendingLength_ < length ? 64 - pendingLength_ : length;
        memcpy(pending_ + pendingLength_, p, take);
        pendingLength_ += take;
        p += take;
        length -= take;
        if (pendingLength_ < 64)
            return;
        compress(pending_);
        pendingLength_ = 0;
    }
    for (; length >= 64; p += 64, length -= 64)
        compress(p);
    memcpy(pending_, p, length);
    pendingLength_ = length;
}

void Sha256::finish(uint8_t digest[kDigestSize])
{
    uint64_t bitLength = totalLength_ * 8;
    // Padding: one 1 bit, zeros up to 56 bytes into a block, then the length.
    uint8_t padding[72] = {0x80};
    size_t padLength = pendingLength_ < 56 ? 56 - pendingLength_ : 120 - pendingLength_;
    for (int i = 0; i < 8; ++i)
        padding[padLength + i] = uint8_t(bitLength >> (56 - 8 * i));
    update(padding, padLength + 8);
    for (int i = 0; i < 8; ++i) {
        digest[4 * i] = uint8_t(state_[i] >> 24);
        digest[4 * i + 1] = uint8_t(state_[i] >> 16);
        digest[4 * i + 2] = uint8_t(state_[i] >> 8);
        digest[4 * i + 3] = uint8_t(state_[i]);
    }
}

std::string sha256Hex(const void* bytes, size_t length)
{
    Sha256 hash;
    hash.update(bytes, length);
    uint8_t digest[Sha256::kDigestSize];
    hash.finish(digest);
    static const char kDigits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(2 * Sha256::kDigestSize);
    for (uint8_t byte : digest) {
        hex += kDigits[byte >> 4];
        hex += kDigits[byte & 15];
    }
    return hex;
}
