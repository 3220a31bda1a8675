#include "format/streamed_pool.h"

#include <new>
#include <stdlib.h>

namespace {

// Decoded bytes are handed to a sink in chunks of this size.
constexpr uint32_t kChunkSize = 64 * 1024;

int compareReferences(const void* a, const void* b)
{
    uint32_t x = *static_cast<const uint32_t*>(a);
    uint32_t y = *static_cast<const uint32_t*>(b);
    return x < y ? -1 : x > y ? 1 : 0;
}

}  // namespace

PoolScan::~PoolScan()
{
    free(references_);
}

bool PoolScan::note(uint32_t index, uint8_t use)
{
    if (count_ == capacity_) {
        uint32_t grown = capacity_ ? capacity_ * 2 : 256;
        Reference* table =
            grown > capacity_ ? static_cast<Reference*>(realloc(references_, sizeof(Reference) * size_t(grown))) : nullptr;
        if (!table)
            return false;
        references_ = table;
        capacity_ = grown;
    }
    references_[count_].index = index;
    references_[count_].use = use;
    ++count_;
    return true;
}

StreamedPool::~StreamedPool()
{
    delete[] entries_;
}

bool StreamedPool::charge(uint64_t bytes)
{
    if (bytes > budget_)
        return false;
    budget_ -= bytes;
    return true;
}

BlockResult StreamedPool::open(FILE* file, uint64_t available, uint64_t memoryLimit)
{
    budget_ = memoryLimit;
    BlockResult result = decoder_.open(file, available);
    uint8_t raw[4];
    if (result == BlockResult::Ok)
        result = decoder_.read(raw, sizeof raw);
    if (result != BlockResult::Ok)
        return result;
    uint32_t streamLength = loadU32(raw);
    if (streamLength > decoder_.decodedSize() - 4)
        return BlockResult::WrongSize;
    if (!charge(streamLength) || !stream_.allocate(streamLength))
        return BlockResult::OutOfMemory;
    result = decoder_.read(stream_.data(), streamLength);
    nextIndex_ = 0;
    nextOffset_ = poolStart_ = 4 + uint64_t(streamLength);
    return result;
}

// The references, sorted by item and merged, become the entries.
bool StreamedPool::takeScan()
{
    qsort(scan_.references_, scan_.count_, sizeof(PoolScan::Reference), compareReferences);
    uint32_t distinct = 0;
    for (uint32_t i = 0; i < scan_.count_; ++i)
        if (i == 0 || scan_.references_[i].index != scan_.references_[i - 1].index)
            ++distinct;
    if (!charge(uint64_t(distinct) * sizeof(Entry)))
        return false;
    entries_ = new (std::nothrow) Entry[distinct ? distinct : 1];
    if (!entries_)
        return false;
    for (uint32_t i = 0; i < scan_.count_; ++i) {
        const PoolScan::Reference& reference = scan_.references_[i];
        if (entryCount_ == 0 || entries_[entryCount_ - 1].index != reference.index) {
            Entry& entry = entries_[entryCount_++];
            entry.index = reference.index;
            entry.use = 0;
            entry.offset = 0;
            entry.length = 0;
            entry.located = false;
        }
        entries_[entryCount_ - 1].use |= reference.use;
    }
    free(scan_.references_);
    scan_.references_ = nullptr;
    scan_.count_ = scan_.capacity_ = 0;
    return true;
}

StreamedPool::Entry* StreamedPool::find(uint32_t index) const
{
    uint32_t low = 0, high = entryCount_;
    while (low < high) {
        uint32_t middle = low + (high - low) / 2;
        if (entries_[middle].index < index)
            low = middle + 1;
        else
            high = middle;
    }
    return low < entryCount_ && entries_[low].index == index ? &entries_[low] : nullptr;
}

// Leaves the decoder at the first byte of item `index`, its entry (if the
// stream names it) located. Items passed on the way are skipped, or kept
// while the texts are being loaded.
BlockResult StreamedPool::walkTo(uint32_t index)
{
    if (nextIndex_ > index || decoder_.position() > nextOffset_) {
        // Passed: decode again from the block's start.
        Entry* entry = find(index);
        BlockResult result = decoder_.rewind();
        if (entry && entry->located) {
            if (result == BlockResult::Ok)
                result = decoder_.skip(entry->offset);
            nextIndex_ = index + 1;
            nextOffset_ = entry->offset + entry->length;
            return result;
        }
        nextIndex_ = 0;
        nextOffset_ = poolStart_;
        if (result != BlockResult::Ok)
            return result;
    }
    BlockResult result = decoder_.skip(nextOffset_ - decoder_.position());
    while (result == BlockResult::Ok) {
        uint8_t raw[4];
        result = decoder_.read(raw, sizeof raw);
        if (result != BlockResult::Ok)
            break;
        uint32_t item = nextIndex_;
        uint32_t length = loadU32(raw);
        uint64_t offset = decoder_.position();
        if (length > decoder_.decodedSize() - offset)
            return BlockResult::WrongSize;  // the item runs past the block's end
        Entry* entry = find(item);
        if (entry) {
            entry->offset = offset;
            entry->length = length;
            entry->located = true;
        }
        nextIndex_ = item + 1;
        nextOffset_ = offset + length;
        if (item == index)
            return BlockResult::Ok;
        if (keepTexts_ && entry && (entry->use & PoolScan::kText)) {
            if (!charge(length) || !entry->held.allocate(length))
                return BlockResult::OutOfMemory;
            result = decoder_.read(entry->held.data(), length);
        } else {
            result = decoder_.skip(length);
        }
    }
    return result;
}

BlockResult StreamedPool::loadTexts()
{
    if (!takeScan())
        return BlockResult::OutOfMemory;
    Entry* last = nullptr;
    for (uint32_t i = entryCount_; i-- > 0 && !last;)
        if (entries_[i].use & PoolScan::kText)
            last = &entries_[i];
    if (!last)
        return BlockResult::Ok;
    keepTexts_ = true;
    BlockResult result = walkTo(last->index);
    keepTexts_ = false;
    if (result != BlockResult::Ok)
        return result;
    if (!charge(last->length) || !last->held.allocate(last->length))
        return BlockResult::OutOfMemory;
    return decoder_.read(last->held.data(), last->length);
}

const uint8_t* StreamedPool::heldItem(uint32_t index, uint32_t* length) const
{
    Entry* entry = find(index);
    if (!entry || !(entry->use & PoolScan::kText) || !entry->located || entry->held.isNull())
        return nullptr;
    *length = entry->length;
    return entry->held.data();
}

bool StreamedPool::payloadRef(uint32_t index, PayloadRef& ref) const
{
    Entry* entry = find(index);
    if (!entry || !(entry->use & PoolScan::kPayload))
        return false;
    ref.item = index;
    ref.size = entry->length;
    ref.sizeKnown = entry->located;
    return true;
}

void StreamedPool::dropTexts()
{
    for (uint32_t i = 0; i < entryCount_; ++i)
        entries_[i].held.reset();
    stream_.reset();
}

BlockResult StreamedPool::copyItem(uint32_t index, ChunkSink sink, void* context, uint32_t& length, bool& sinkRefused)
{
    sinkRefused = false;
    length = 0;
    Entry* entry = find(index);
    if (!entry || !(entry->use & PoolScan::kPayload))
        return BlockResult::BadStream;
    if (chunk_.isNull() && !chunk_.allocate(kChunkSize))
        return BlockResult::OutOfMemory;
    BlockResult result = walkTo(index);
    if (result != BlockResult::Ok)
        return result;
    length = entry->length;
    for (uint32_t left = entry->length; left > 0;) {
        uint32_t size = left < kChunkSize ? left : kChunkSize;
        result = decoder_.read(chunk_.data(), size);
        if (result != BlockResult::Ok)
            return result;
        if (!sink(context, chunk_.data(), size)) {
            sinkRefused = true;
            return BlockResult::Ok;
        }
        left -= size;
    }
    return BlockResult::Ok;
}
