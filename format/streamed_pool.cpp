#include "format/streamed_pool.h"

#include <stdlib.h>

namespace {

// Decoded bytes are handed to a sink in chunks of this size.
constexpr uint32_t kChunkSize = 64 * 1024;

}  // namespace

StreamedPool::~StreamedPool()
{
    for (uint32_t i = 0; i < located_; ++i)
        free(items_[i].text);
    free(items_);
}

BlockResult StreamedPool::open(FILE* file, uint64_t available, uint64_t memoryLimit)
{
    BlockResult result = decoder_.open(file, available);
    uint8_t raw[4];
    if (result == BlockResult::Ok)
        result = decoder_.read(raw, sizeof raw);
    if (result != BlockResult::Ok)
        return result;
    uint32_t streamLength = loadU32(raw);
    if (streamLength > memoryLimit)
        return BlockResult::OutOfMemory;
    // The buffer grows as the stream decodes into it: a header that names
    // any length costs only what the block really holds.
    for (uint32_t done = 0; result == BlockResult::Ok && done < streamLength;) {
        uint32_t left = streamLength - done;
        uint32_t step = done < kChunkSize ? kChunkSize : done;
        if (step > left)
            step = left;
        if (!stream_.resize(done + step))
            return BlockResult::OutOfMemory;
        result = decoder_.read(stream_.data() + done, step);
        done += step;
    }
    nextOffset_ = 4 + streamLength;  // read() refused a length past the block
    return result;
}

// Leaves the decoder at the first byte of item `index`: forward through the
// items not located yet, skipping their bytes, or straight to a located
// item, from the block's start again when the stream has passed it.
BlockResult StreamedPool::standAt(uint32_t index)
{
    uint32_t target = index < located_ ? items_[index].offset : nextOffset_;
    if (decoder_.position() > target && decoder_.rewind() != BlockResult::Ok)
        return decoder_.result();
    if (decoder_.skip(target - decoder_.position()) != BlockResult::Ok)
        return decoder_.result();
    while (located_ <= index) {
        uint8_t raw[4];
        if (decoder_.read(raw, sizeof raw) != BlockResult::Ok)
            return decoder_.result();
        if (located_ == capacity_) {
            uint32_t grown = capacity_ ? capacity_ * 2 : 256;
            // Each item takes at least its length field, so the table is
            // bounded by the block.
            Located* table = grown > capacity_ && grown <= SIZE_MAX / sizeof(Located)
                                 ? static_cast<Located*>(realloc(items_, sizeof(Located) * grown))
                                 : nullptr;
            if (!table)
                return BlockResult::OutOfMemory;
            items_ = table;
            capacity_ = grown;
        }
        Located& item = items_[located_++];
        item.offset = decoder_.position();
        item.length = loadU32(raw);
        item.writer = nullptr;
        item.text = nullptr;
        // An item running past the block's end is damage, found here
        // rather than by decoding up to the end.
        if (item.length > decoder_.decodedSize() - item.offset)
            return BlockResult::WrongSize;
        nextOffset_ = item.offset + item.length;
        if (located_ <= index && decoder_.skip(item.length) != BlockResult::Ok)
            return decoder_.result();
    }
    return BlockResult::Ok;
}

bool StreamedPool::readItem(uint32_t index, Bytes& out)
{
    out.reset();
    if (index >= located_ || !items_[index].text) {
        if (standAt(index) != BlockResult::Ok)
            return false;
        uint32_t length = items_[index].length;
        uint8_t* text = static_cast<uint8_t*>(malloc(length ? length : 1));
        if (!text || decoder_.read(text, length) != BlockResult::Ok) {
            free(text);
            return false;
        }
        items_[index].text = text;
    }
    return out.assign(items_[index].text, items_[index].length);
}

bool StreamedPool::itemLength(uint32_t index, uint32_t& length)
{
    if (index >= located_ && standAt(index) != BlockResult::Ok)
        return false;
    length = items_[index].length;
    return true;
}

void StreamedPool::noteWriter(uint32_t index, const WriteFileAction* writer)
{
    if (index < located_)
        items_[index].writer = writer;
}

const WriteFileAction* StreamedPool::earlierWriter(uint32_t index) const
{
    if (index >= located_ || decoder_.position() <= items_[index].offset)
        return nullptr;
    return items_[index].writer;
}

void StreamedPool::referTo(uint32_t index, PayloadRef& ref) const
{
    ref.item = index;
    ref.sizeKnown = index < located_;
    ref.size = ref.sizeKnown ? items_[index].length : 0;
}

BlockResult StreamedPool::copyItem(uint32_t index, ChunkSink sink, void* context, uint32_t& length, bool& sinkRefused)
{
    sinkRefused = false;
    length = 0;
    if (chunk_.isNull() && !chunk_.allocate(kChunkSize))
        return BlockResult::OutOfMemory;
    BlockResult result = standAt(index);
    if (result != BlockResult::Ok)
        return result;
    length = items_[index].length;
    for (uint32_t left = length; left > 0;) {
        uint32_t size = left < kChunkSize ? left : kChunkSize;
        result = decoder_.read(chunk_.data(), size);
        if (result != BlockResult::Ok)
            return result;
        if (!sink(context, chunk_.data(), size)) {
            sinkRefused = true;
            break;
        }
        left -= size;
    }
    return BlockResult::Ok;
}
