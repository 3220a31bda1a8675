// A package file read completely for `inspect` and `extract`: the container's
// layout, block 0 and block 1 of an install package, or the uninstall script.
// Unlike the stub, which runs a package whose block 1 is damaged as one
// without actions, these tools refuse any damage with a reason.
#pragma once

#include "format/bytes.h"
#include "format/package_container.h"
#include "format/action_script.h"
#include "format/uninstall_script.h"

#include <stdint.h>

#include <string>

struct BlockFacts {
    uint64_t offset = 0;  // of the 8-byte header in the file
    uint32_t csize = 0;   // bytes behind the header: properties and stream
    uint32_t usize = 0;   // decoded size
    uint8_t properties[5] = {};
    // Of the decoded block: the record stream's length, the number of pool
    // items, and bytes behind the last whole item (0 in a sound block).
    uint32_t recordStreamLength = 0;
    uint32_t poolItems = 0;
    uint64_t bytesBehindPool = 0;
};

struct ContainerFacts {
    uint64_t fileSize = 0;
    uint32_t stubSize = 0;       // P
    uint32_t packageLength = 0;  // L: from the magic to the trailer
    uint32_t trailerOffset = 0;  // T
    // Where the PE security directory puts the certificate table; 0 unsigned.
    uint32_t certificateOffset = 0;
    // Install packages: bytes between the end of block 1 and the trailer.
    uint64_t fillerBytes = 0;
};

struct LoadedPackage {
    PackageKind kind = PackageKind::None;
    ContainerFacts container;
    BlockFacts blocks[2];
    InstallScript installScript;
    ActionScript actionScript;
    UninstallScript uninstallScript;
};

// The memory that reading a block's records may take beside the block:
// copies of the items they name and the record objects. A package's
// records name most items once (the writer stores equal items once, so a
// file installed in two places is named twice), so reading an honest block
// takes about its own size again, and a record object costs a few times
// the bytes that describe it. Eight times the block, plus 64 MiB for small
// blocks whose texts many records share, is far beyond that; a block that
// needs more is refused as damaged instead of being copied into gigabytes.
uint64_t readingMemoryBound(size_t blockSize);

// False with a one-line reason (no file name in it) when the file cannot be
// read, holds no package, or any part of the package is damaged.
bool loadPackage(const char* path, LoadedPackage& out, std::string& error);

// The layout of a decoded block: record stream length, item count and the
// bytes behind the last whole item. False when the S field does not fit.
bool measureBlock(const Bytes& block, BlockFacts& facts);
