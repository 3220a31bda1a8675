// The byte cursor over arbitrary bytes, driven by the input itself: the first
// byte says how many of the following bytes are operations, the rest is the
// block. Every pointer the cursor hands out must lie inside the block.
#include "format/byte_cursor.h"

#include <stdlib.h>
#include <string.h>

namespace {

// About 128 KiB of item table: kept out of the fuzzer's stack.
ByteCursor cursor;

void check(bool condition)
{
    if (!condition)
        abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    size_t operationCount = data[0] % 32;
    if (size < 1 + operationCount)
        return 0;
    const uint8_t* operations = data + 1;
    const uint8_t* block = operations + operationCount;
    size_t blockSize = size - 1 - operationCount;
    const uint8_t* blockEnd = block + blockSize;

    cursor.attach(block, blockSize);
    for (size_t i = 0; i < operationCount; ++i) {
        uint8_t op = operations[i];
        bool wasFailed = cursor.failed();
        switch (op % 4) {
        case 0: cursor.readU32(); break;
        case 1: {
            uint8_t scratch[64];
            size_t count = op >> 2;
            bool read = cursor.readBytes(scratch, count);
            check(!read || !wasFailed);
            break;
        }
        case 2: {
            uint32_t length = 0;
            const uint8_t* bytes = cursor.stringRef(&length);
            if (bytes) {
                check(!cursor.failed());
                check(bytes >= block && bytes <= blockEnd && length <= size_t(blockEnd - bytes));
            }
            break;
        }
        default: {
            Bytes copy;
            if (cursor.readString(copy)) {
                check(!copy.isNull());
                check(copy.data()[copy.size()] == 0);
            }
            break;
        }
        }
        // A damaged block stays damaged.
        check(!wasFailed || cursor.failed());
    }
    return 0;
}
