// A package file read for `inspect` and `extract`: the container's layout,
// block 0 and block 1 of an install package, or the uninstall script. Block 1
// is read as a stream, so a package of any size takes bounded memory: the
// files' contents stay in the package, named by their pool items, and the
// block is decoded once from end to end to check it and hash them. Unlike
// the stub, which runs a package whose block 1 is damaged as one without
// actions, these tools refuse any damage with a reason.
#pragma once

#include "format/bytes.h"
#include "format/package_container.h"
#include "format/action_script.h"
#include "format/streamed_pool.h"
#include "format/uninstall_script.h"
#include "format/unique_resource.h"

#include <stdint.h>

#include <memory>
#include <string>
#include <vector>

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

// A file's contents as inspect names them, hashed once per pool item
// however many actions name it.
struct ItemDigest {
    uint32_t item = 0;
    uint32_t size = 0;
    bool seen = false;  // the pool holds the item
    uint8_t sha256[32] = {};
};
// Sorted by item, each item once.
using PayloadDigests = std::vector<ItemDigest>;
const ItemDigest* findDigest(const PayloadDigests& digests, uint32_t item);

struct LoadedPackage {
    PackageKind kind = PackageKind::None;
    ContainerFacts container;
    BlockFacts blocks[2];
    InstallScript installScript;
    ActionScript actionScript;
    UninstallScript uninstallScript;
    // Every item named as a file's contents: hashed when the package was
    // loaded for describing, only listed when for extracting.
    PayloadDigests payloads;
    // Extract only: the files' contents, copied out of block 1 by their
    // items (StreamedPool::copyItem). The pool reads through `file`, which
    // therefore outlives it.
    UniqueFile file;
    std::unique_ptr<StreamedPool> pool;
};

// What the package is loaded for: describing hashes every file's contents,
// extracting copies them afterwards.
enum class PackageUse { Describe, Extract };

// The memory that reading a block's records may take beside the block:
// copies of the items they name and the record objects. A package's
// records name most items once (the writer stores equal items once, so a
// file installed in two places is named twice), so reading an honest block
// takes about its own size again, and a record object costs a few times
// the bytes that describe it. Eight times the block, plus 64 MiB for small
// blocks whose texts many records share, is far beyond that; a block that
// needs more is refused as damaged instead of being copied into gigabytes.
// Block 1, read as a stream, never copies the files' contents: its record
// stream, texts and records are held to the bound of its decoded size.
uint64_t readingMemoryBound(size_t blockSize);

// False with a one-line reason (no file name in it) when the file cannot be
// read, holds no package, or any part of the package is damaged.
bool loadPackage(const char* path, LoadedPackage& out, std::string& error, PackageUse use = PackageUse::Describe);

// The layout of a decoded block: record stream length, item count and the
// bytes behind the last whole item. False when the S field does not fit.
bool measureBlock(const Bytes& block, BlockFacts& facts);
