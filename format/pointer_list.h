// A growable list of owned objects, deleted as std::unique_ptr<T> would
// delete them. The stub avoids std::vector, whose
// length errors would pull the exception runtime into the image.
#pragma once

#include <stdint.h>
#include <stdlib.h>

#include <memory>

template <typename T>
class PointerList {
public:
    PointerList() = default;
    ~PointerList() { clear(); }
    PointerList(PointerList&& other) noexcept : items_(other.items_), count_(other.count_), capacity_(other.capacity_)
    {
        other.items_ = nullptr;
        other.count_ = other.capacity_ = 0;
    }
    PointerList(const PointerList&) = delete;
    PointerList& operator=(const PointerList&) = delete;

    // Takes ownership of `item`; on failure (memory) the item is deleted and
    // false is returned.
    bool push(std::unique_ptr<T> item)
    {
        if (!item)
            return false;
        if (count_ == capacity_) {
            uint32_t grown = capacity_ ? capacity_ * 2 : 8;
            T** table = static_cast<T**>(realloc(items_, sizeof(T*) * grown));
            if (!table || grown < capacity_)
                return false;
            items_ = table;
            capacity_ = grown;
        }
        items_[count_++] = item.release();
        return true;
    }
    // The same for an item fresh from `new`, which the list owns from here on.
    bool push(T* item) { return push(std::unique_ptr<T>(item)); }

    void clear()
    {
        for (uint32_t i = 0; i < count_; ++i)
            std::default_delete<T>()(items_[i]);
        free(items_);
        items_ = nullptr;
        count_ = capacity_ = 0;
    }

    uint32_t count() const { return count_; }
    T* operator[](uint32_t index) const { return items_[index]; }
    T* const* begin() const { return items_; }
    T* const* end() const { return items_ + count_; }

private:
    T** items_ = nullptr;
    uint32_t count_ = 0;
    uint32_t capacity_ = 0;
};
