// Block 1 read as a stream: the action script built from its record stream
// and texts, the files' contents left in the package until they are written.
#pragma once

#include "format/action_script.h"
#include "format/block_reader.h"
#include "format/streamed_pool.h"

#include <stdint.h>
#include <stdio.h>

// Reads block 1 at the file's position into `out` through `pool`, which then
// serves each WriteFileAction's contents by its dataRef (copyItem). Only the
// record stream and the items the records copy are decoded (for a package
// laid out for streaming: nothing of the files' contents); `memoryLimit`
// bounds what they and the script built from them may take. A record stream
// that does not parse, or names items the pool does not have, answers
// BadStream.
BlockResult loadStreamedActionScript(FILE* file, uint64_t available, uint64_t memoryLimit, StreamedPool& pool,
                                     ActionScript& out);
