#include "format/streamed_action_script.h"

#include "format/byte_cursor.h"
#include "format/payload_sizes.h"

BlockResult loadStreamedActionScript(FILE* file, uint64_t available, uint64_t memoryLimit, StreamedPool& pool,
                                     ActionScript& out)
{
    BlockResult result = pool.open(file, available, memoryLimit);
    if (result != BlockResult::Ok)
        return result;
    ByteCursor cursor;
    const Bytes& stream = pool.recordStream();
    cursor.attachStreamed(stream.data(), stream.size(), pool);
    cursor.limitMemory(memoryLimit);
    if (!readActionScript(cursor, out))
        return cursor.memoryExhausted() ? BlockResult::OutOfMemory : BlockResult::BadStream;
    pool.dropRecordStream();
    // Only the wizard's sizes and the progress bar's end wait on it: a
    // block without it installs the same.
    applyPayloadSizeTable(pool, out);
    return BlockResult::Ok;
}
