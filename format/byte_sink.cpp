#include "format/byte_sink.h"

#include <new>
#include <stdlib.h>
#include <string.h>

namespace {

#ifndef SLIPWAY_UNNAMED_FIELDS  // the stub's pool does not look for equal items
// FNV-1a: lets the pool skip most byte comparisons of equal-length items.
uint32_t hashBytes(const uint8_t* bytes, size_t length)
{
    uint32_t hash = 2166136261u;
    for (size_t i = 0; i < length; ++i)
        hash = (hash ^ bytes[i]) * 16777619u;
    return hash;
}
#endif

// Makes room for one more entry in a growable table.
template <typename T>
bool growTable(T*& table, uint32_t count, uint32_t& capacity)
{
    if (count < capacity)
        return true;
    uint32_t grown = capacity ? capacity * 2 : 64;
    if (grown <= capacity || uint64_t(grown) * sizeof(T) > SIZE_MAX)
        return false;
    T* bigger = static_cast<T*>(realloc(table, sizeof(T) * size_t(grown)));
    if (!bigger)
        return false;
    table = bigger;
    capacity = grown;
    return true;
}

}  // namespace

ByteSink::~ByteSink()
{
    free(start_);
    for (uint32_t i = 0; i < count_; ++i)
        items_[i].~Item();
    free(items_);
    free(index_);
#ifndef SLIPWAY_UNNAMED_FIELDS  // the stub writes no files' contents
    free(ordinals_);
    free(payloadOrder_);
    free(slots_);
#endif
}

bool ByteSink::fail()
{
    failed_ = true;
    return false;
}

bool ByteSink::reserve(size_t more)
{
    if (more <= capacity_ - end_)
        return true;
    size_t grown = capacity_ ? capacity_ + capacity_ / 2 : kInitialCapacity;
    if (grown < capacity_ || grown + more < grown)
        return fail();
    grown += more;
    uint8_t* buffer = static_cast<uint8_t*>(realloc(start_, grown));
    if (!buffer)
        return fail();
    start_ = buffer;
    capacity_ = grown;
    return true;
}

bool ByteSink::appendBytes(const void* bytes, size_t length)
{
    if (failed_ || !reserve(length))
        return false;
    if (length)
        memcpy(start_ + end_, bytes, length);
    end_ += length;
    return true;
}

bool ByteSink::appendU32(uint32_t value)
{
    uint8_t raw[4];
    storeU32(raw, value);
    return appendBytes(raw, 4);
}

bool ByteSink::addString(const void* bytes, size_t length)
{
    if (failed_)
        return false;
    if (length > UINT32_MAX)
        return fail();
    const uint8_t* data = static_cast<const uint8_t*>(bytes);
#ifdef SLIPWAY_UNNAMED_FIELDS
    // The stub writes only its uninstaller's pool, about one item per change
    // it made, nearly all of them different: each is stored as it comes, so
    // that a product of any number of files costs no search at all.
    uint32_t hash = 0;
#else
    uint32_t hash = hashBytes(data, length);
    if (indexCapacity_) {
        uint32_t* slot = findSlot(data, length, hash);
        if (*slot)
            return appendU32(*slot - 1);
    }
#endif
    // Indices are u32: the pool can grow to the last one a stream can name.
    if (count_ == UINT32_MAX)
        return fail();
    if (count_ == itemCapacity_) {
        uint32_t grown = itemCapacity_ ? itemCapacity_ * 2 : 64;
        if (grown <= itemCapacity_ || uint64_t(grown) * sizeof(Item) > SIZE_MAX)
            return fail();
        Item* table = static_cast<Item*>(malloc(sizeof(Item) * grown));
        if (!table)
            return fail();
        for (uint32_t i = 0; i < count_; ++i) {
            new (&table[i]) Item{static_cast<Bytes&&>(items_[i].bytes), items_[i].hash};
            items_[i].~Item();
        }
        free(items_);
        items_ = table;
        itemCapacity_ = grown;
    }
    Item* item = new (&items_[count_]) Item{Bytes(), hash};
    if (!item->bytes.assign(data, length)) {
        item->~Item();
        return fail();
    }
#ifndef SLIPWAY_UNNAMED_FIELDS
    if (uint64_t(count_ + 1) * 2 > indexCapacity_ && !growIndex()) {
        item->~Item();
        return fail();
    }
    *findSlot(data, length, hash) = count_ + 1;
#endif
    ++count_;
    return appendU32(count_ - 1);
}

bool ByteSink::addUnnamedItem(const void* bytes, size_t length)
{
    size_t streamEnd = end_;
    if (!addString(bytes, length))
        return false;
    end_ = streamEnd;  // the index addString named it by
    return true;
}

uint32_t* ByteSink::findSlot(const uint8_t* bytes, size_t length, uint32_t hash) const
{
    uint32_t mask = indexCapacity_ - 1;
    for (uint32_t at = hash & mask;; at = (at + 1) & mask) {
        uint32_t* slot = &index_[at];
        if (*slot == 0)
            return slot;
        const Item& item = items_[*slot - 1];
        if (item.hash == hash && item.bytes.size() == length &&
            (length == 0 || memcmp(item.bytes.data(), bytes, length) == 0))
            return slot;
    }
}

bool ByteSink::growIndex()
{
    uint32_t grown = indexCapacity_ ? indexCapacity_ * 2 : 128;
    if (grown <= indexCapacity_ || uint64_t(grown) * sizeof(uint32_t) > SIZE_MAX)
        return false;
    uint32_t* table = static_cast<uint32_t*>(calloc(grown, sizeof(uint32_t)));
    if (!table)
        return false;
    free(index_);
    index_ = table;
    indexCapacity_ = grown;
    // Every item is distinct: each goes to the first empty slot of its run.
    for (uint32_t i = 0; i < count_; ++i) {
        uint32_t at = items_[i].hash & (grown - 1);
        while (index_[at])
            at = (at + 1) & (grown - 1);
        index_[at] = i + 1;
    }
    return true;
}

bool ByteSink::addPayload(uint32_t id)
{
    if (failed_)
        return false;
    if (id >= ordinalCapacity_) {
        uint32_t grown = ordinalCapacity_ ? ordinalCapacity_ : 64;
        while (grown <= id && grown < UINT32_MAX / 2)
            grown *= 2;
        if (grown <= id)
            return fail();
        uint32_t* table = static_cast<uint32_t*>(realloc(ordinals_, sizeof(uint32_t) * size_t(grown)));
        if (!table)
            return fail();
        memset(table + ordinalCapacity_, 0, sizeof(uint32_t) * size_t(grown - ordinalCapacity_));
        ordinals_ = table;
        ordinalCapacity_ = grown;
    }
    if (ordinals_[id] == 0) {
        if (!growTable(payloadOrder_, payloadCount_, payloadCapacity_))
            return fail();
        payloadOrder_[payloadCount_++] = id;
        ordinals_[id] = payloadCount_;
    }
    if (end_ > UINT32_MAX || !growTable(slots_, slotCount_, slotCapacity_))
        return fail();
    slots_[slotCount_].offset = uint32_t(end_);
    slots_[slotCount_].ordinal = ordinals_[id] - 1;
    ++slotCount_;
    return appendU32(0);  // the index, written when the pool's size is known
}

bool ByteSink::addText(const char* text)
{
    return addString(text, strlen(text) + 1);
}

uint64_t ByteSink::flattenedSize() const
{
    uint64_t size = 4 + uint64_t(end_);
    for (uint32_t i = 0; i < count_; ++i)
        size += 4 + uint64_t(items_[i].bytes.size());
    return size;
}

bool ByteSink::flatten(Bytes& out) const
{
    out.reset();
    uint64_t size = flattenedSize();
    if (failed_ || end_ > UINT32_MAX || size > SIZE_MAX || !out.allocate(size_t(size)))
        return false;
    uint8_t* p = out.data();
    storeU32(p, uint32_t(end_));
    p += 4;
    if (end_)
        memcpy(p, start_, end_);
    p += end_;
    // Streamed contents follow every pool item, in the order of first reference.
#ifndef SLIPWAY_UNNAMED_FIELDS
    for (uint32_t i = 0; i < slotCount_; ++i)
        storeU32(out.data() + 4 + slots_[i].offset, count_ + slots_[i].ordinal);
#endif
    for (uint32_t i = 0; i < count_; ++i) {
        const Bytes& bytes = items_[i].bytes;
        storeU32(p, uint32_t(bytes.size()));
        p += 4;
        if (bytes.size())
            memcpy(p, bytes.data(), bytes.size());
        p += bytes.size();
    }
    return true;
}
