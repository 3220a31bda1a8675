#include "format/bytes.h"

#include <stdlib.h>
#include <string.h>

const char* Bytes::text() const
{
    return data_ ? reinterpret_cast<const char*>(data_) : "";
}

Bytes::~Bytes()
{
    free(data_);
}

Bytes::Bytes(Bytes&& other) noexcept : data_(other.data_), size_(other.size_)
{
    other.data_ = nullptr;
    other.size_ = 0;
}

Bytes& Bytes::operator=(Bytes&& other) noexcept
{
    if (this != &other) {
        free(data_);
        data_ = other.data_;
        size_ = other.size_;
        other.data_ = nullptr;
        other.size_ = 0;
    }
    return *this;
}

bool Bytes::allocate(size_t size)
{
    reset();
    if (size == SIZE_MAX)
        return false;
    data_ = static_cast<uint8_t*>(malloc(size + 1));
    if (!data_)
        return false;
    data_[size] = 0;
    size_ = size;
    return true;
}

bool Bytes::resize(size_t size)
{
    if (size == SIZE_MAX)
        return false;
    uint8_t* grown = static_cast<uint8_t*>(realloc(data_, size + 1));
    if (!grown)
        return false;
    data_ = grown;
    data_[size] = 0;
    size_ = size;
    return true;
}

bool Bytes::assign(const void* source, size_t size)
{
    if (!allocate(size))
        return false;
    if (size)
        memcpy(data_, source, size);
    return true;
}

bool Bytes::assignText(const char* text)
{
    return assign(text, strlen(text) + 1);
}

void Bytes::reset()
{
    free(data_);
    data_ = nullptr;
    size_ = 0;
}
