// Writes every packaged file of an install package into a folder.
#pragma once

#include "format/action_script.h"
#include "format/streamed_pool.h"

#include <stdint.h>
#include <stdio.h>

#include <string>

struct ExtractionResult {
    uint32_t filesWritten = 0;
    uint64_t bytesWritten = 0;
    uint32_t failures = 0;
};

// Writes the data of every WriteFileAction, main list first, then each
// component in order, under `folder` at the action's path made safe
// (safeRelativeNames), with its last-write time. Contents held by an action
// are written from memory, contents left in the package are copied out of
// it through `pool` in chunks. One line per file goes to `report`, one per
// failure to `errors`; a failure does not stop the rest.
ExtractionResult extractPackagedFiles(const ActionScript& script, StreamedPool* pool, const std::string& folder,
                                      FILE* report, FILE* errors);
