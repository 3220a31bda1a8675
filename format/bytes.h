// Owned byte runs: the one container the package readers hand out.
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <string.h>

// A malloc'd run of bytes with its length, released by its owner. Every run
// carries one extra NUL byte behind its length, so a text item taken from a
// package can be used as a C string even when the package left out its
// terminator: nothing ever reads past the stored length to find one.
class Bytes {
public:
    Bytes() = default;
    ~Bytes();
    Bytes(Bytes&& other) noexcept;
    Bytes& operator=(Bytes&& other) noexcept;
    Bytes(const Bytes&) = delete;
    Bytes& operator=(const Bytes&) = delete;

    // Replaces the contents with `size` uninitialised bytes (plus the hidden
    // NUL). False when the memory cannot be had; the object is then empty.
    bool allocate(size_t size);
    // Changes the length to `size`, keeping the bytes both lengths share
    // (and the hidden NUL behind the new length). False when the memory
    // cannot be had; the contents are then unchanged.
    bool resize(size_t size);
    // Replaces the contents with a copy of `size` bytes at `source`.
    bool assign(const void* source, size_t size);
    // Replaces the contents with a text and its NUL, as package texts are stored.
    bool assignText(const char* text);
    void reset();

    uint8_t* data() { return data_; }
    const uint8_t* data() const { return data_; }
    size_t size() const { return size_; }
    bool isNull() const { return data_ == nullptr; }
    // The bytes as a NUL-terminated text; "" for a null run.
    // Out of line: the test for null and the empty text's address, written
    // once rather than at every one of its many callers.
    __attribute__((noinline)) const char* text() const;
    // The same, null for a null run: for a callee that reads null as empty.
    const char* textOrNull() const { return reinterpret_cast<const char*>(data_); }

private:
    uint8_t* data_ = nullptr;
    size_t size_ = 0;
};

// A walk over texts stored one after another, each with its NUL, as the
// package keeps its lists (key names, switch and value pairs). The list
// ends at an empty text or at the run's end; a last text missing its NUL
// ends at the run's end (Bytes' hidden NUL), so nothing is read beyond it.
class TextList {
public:
    explicit TextList(const Bytes& run) : position_(run.text()), end_(run.text() + run.size()) {}

    // True when no text is left: the run ends here or an empty text does.
    bool atEnd() const { return position_ >= end_ || !*position_; }
    // The text here, possibly empty, and moves past it; null at the run's end.
    const char* take(size_t* length = nullptr)
    {
        if (position_ >= end_)
            return nullptr;
        const char* text = position_;
        size_t n = strlen(text);
        position_ += n + 1;
        if (length)
            *length = n;
        return text;
    }
    // True when the text last taken ran to the run's end without its NUL.
    bool lastWasCut() const { return position_ > end_; }
    // Bytes of the run before the position.
    size_t used(const Bytes& run) const { return size_t(position_ - run.text()); }

private:
    const char* position_;
    const char* end_;
};

inline uint32_t loadU32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

inline uint16_t loadU16(const uint8_t* p)
{
    return uint16_t(p[0] | p[1] << 8);
}

inline void storeU32(uint8_t* p, uint32_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
}
