#include "format/streamed_action_script.h"

#include "format/byte_cursor.h"

#include <memory>
#include <new>

BlockResult loadStreamedActionScript(FILE* file, uint64_t available, uint64_t memoryLimit, StreamedPool& pool,
                                     ActionScript& out)
{
    BlockResult result = pool.open(file, available, memoryLimit);
    if (result != BlockResult::Ok)
        return result;
    std::unique_ptr<ByteCursor> cursor(new (std::nothrow) ByteCursor);
    if (!cursor)
        return BlockResult::OutOfMemory;
    const Bytes& stream = pool.recordStream();
    // First the references alone: which items are texts to keep, which
    // are files' contents to leave in the stream.
    {
        ActionScript scratch;
        cursor->attachScan(stream.data(), stream.size(), pool.scan());
        cursor->limitMemory(memoryLimit);
        if (!readActionScript(*cursor, scratch))
            return cursor->memoryExhausted() ? BlockResult::OutOfMemory : BlockResult::BadStream;
    }
    result = pool.loadTexts();
    if (result != BlockResult::Ok)
        return result;
    cursor->attachStreamed(stream.data(), stream.size(), pool);
    cursor->limitMemory(memoryLimit);
    if (!readActionScript(*cursor, out))
        return cursor->memoryExhausted() ? BlockResult::OutOfMemory : BlockResult::BadStream;
    pool.dropTexts();
    return BlockResult::Ok;
}
