#include "format/byte_cursor.h"

#include "format/streamed_pool.h"

#include <stdlib.h>
#include <string.h>

ByteCursor::~ByteCursor()
{
    free(items_);
}

bool ByteCursor::fail()
{
    failed_ = true;
    return false;
}

bool ByteCursor::attachStreamed(const uint8_t* stream, size_t size, StreamedPool& pool)
{
    attach(nullptr, 0);  // resets everything, and fails: nothing to walk
    failed_ = !stream && size;
    pool_ = &pool;
    position_ = stream;
    streamEnd_ = stream + size;
    return !failed_;
}

bool ByteCursor::attach(const uint8_t* block, size_t size)
{
    pool_ = nullptr;
    failed_ = false;
    located_ = 0;
    budget_ = SIZE_MAX;
    exhausted_ = false;
    blockEnd_ = block + size;
    position_ = streamEnd_ = nextItem_ = block;
    if (!block || size < 4)
        return fail();
    uint32_t streamLength = loadU32(block);
    if (streamLength > size - 4)
        return fail();
    position_ = block + 4;
    streamEnd_ = position_ + streamLength;
    nextItem_ = streamEnd_;
    return true;
}

uint32_t ByteCursor::readU32()
{
    uint8_t raw[4];
    if (!readBytes(raw, 4))
        return 0;
    return loadU32(raw);
}

bool ByteCursor::readBytes(void* destination, size_t count)
{
    if (failed_ || size_t(streamEnd_ - position_) < count) {
        memset(destination, 0, count);
        return fail();
    }
    memcpy(destination, position_, count);
    position_ += count;
    return true;
}

// Items are found lazily, each walked once, and only as far as the highest
// index asked for.
const ByteCursor::Item* ByteCursor::locate(uint32_t index)
{
    while (located_ <= index) {
        if (located_ == itemCapacity_) {
            uint32_t grown = itemCapacity_ ? itemCapacity_ * 2 : 64;
            Item* table =
                grown > itemCapacity_ ? static_cast<Item*>(realloc(items_, sizeof(Item) * size_t(grown))) : nullptr;
            if (!table) {
                fail();
                return nullptr;
            }
            items_ = table;
            itemCapacity_ = grown;
        }
        if (size_t(blockEnd_ - nextItem_) < 4) {
            fail();
            return nullptr;
        }
        uint32_t length = loadU32(nextItem_);
        const uint8_t* bytes = nextItem_ + 4;
        if (length > size_t(blockEnd_ - bytes)) {
            fail();
            return nullptr;
        }
        items_[located_].bytes = bytes;
        items_[located_].length = length;
        ++located_;
        nextItem_ = bytes + length;
    }
    return &items_[index];
}

const uint8_t* ByteCursor::stringRef(uint32_t* length)
{
    uint32_t index = readU32();
    const Item* item = failed_ || pool_ ? nullptr : locate(index);
    if (!item) {
        if (length)
            *length = 0;
        return nullptr;
    }
    if (length)
        *length = item->length;
    return item->bytes;
}

bool ByteCursor::readString(Bytes& out)
{
    if (pool_) {
        uint32_t index = readU32();
        if (failed_ || !pool_->readItem(index, out) || !spend(uint64_t(out.size()) + kCopyOverhead)) {
            out.reset();
            return fail();
        }
        return true;
    }
    uint32_t length = 0;
    const uint8_t* bytes = stringRef(&length);
    if (!bytes) {
        out.reset();
        return false;
    }
    if (!spend(uint64_t(length) + kCopyOverhead) || !out.assign(bytes, length)) {
        out.reset();
        return fail();
    }
    return true;
}

bool ByteCursor::readPayload(Bytes& out, PayloadRef& ref)
{
    // Held contents leave the reference as it was made: not streamed.
    if (!pool_)
        return readString(out);
    uint32_t index = readU32();
    if (!failed_)
        pool_->referTo(index, ref);
    return !failed_;
}

bool ByteCursor::spend(uint64_t bytes)
{
    if (failed_)
        return false;
    if (bytes > budget_) {
        exhausted_ = true;
        return fail();
    }
    budget_ -= bytes;
    return true;
}
