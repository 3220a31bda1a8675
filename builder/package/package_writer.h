// Assembles package files: stub image, magic, body, filler and trailer.
#pragma once

#include "format/bytes.h"
#include "format/package_container.h"  // the magics assemblePackageFile takes
#include "builder/package/block_compressor.h"

#include <stdint.h>

#include <functional>
#include <initializer_list>
#include <string>

class BlockEncoder;

struct InstallScript;

// A package file: the stub, the magic, the body's parts in order, the filler
// an install package takes (framePackage) and the trailer.
bool assemblePackageFile(const Bytes& stubImage, uint32_t magic, std::initializer_list<const Bytes*> body, Bytes& out);

// Flattens the script into block 0, compresses both blocks (telling
// `progress`, when given, how block 1 goes) and assembles the package file.
bool buildInstallPackage(const Bytes& stubImage, const InstallScript& script, const Bytes& decodedBlock1,
                         const CompressionOptions& options, Bytes& out, const CompressionProgress* progress = nullptr);

// Writes an install package file into `file` (empty, open for reading and
// writing): the stub, the magic, block 0 flattened from the script, block 1
// of `block1Size` decoded bytes that `feedBlock1` hands to the encoder as
// it produces them, the filler and the trailer. Then seals the image's
// header: the checksum is computed by reading the finished file back in
// chunks. Nothing is held whole but the stub and block 0. `bodyProblem`
// checks the framed body's size before the trailer is written (empty when
// it fits). `fileSize` is the finished file's size.
bool writeInstallPackage(FILE* file, const Bytes& stubImage, const InstallScript& script, uint64_t block1Size,
                         const std::function<bool(BlockEncoder&, std::string&)>& feedBlock1,
                         const CompressionOptions& options, const CompressionProgress* progress,
                         const std::function<std::string(uint64_t stubSize, uint64_t bodySize)>& bodyProblem,
                         uint64_t& fileSize, std::string& problem);

// Writes the whole of `bytes` to `path`; false on any short write.
bool writeWholeFile(const char* path, const Bytes& bytes);
// Reads a whole file.
bool readWholeFile(const char* path, Bytes& out);
