// Assembles package files: stub image, magic, body, filler and trailer.
#pragma once

#include "format/bytes.h"
#include "format/package_container.h"  // the magics assemblePackageFile takes
#include "builder/package/block_compressor.h"

#include <stdint.h>

#include <initializer_list>

struct InstallScript;

// A package file: the stub, the magic, the body's parts in order, the filler
// an install package takes (framePackage) and the trailer.
bool assemblePackageFile(const Bytes& stubImage, uint32_t magic, std::initializer_list<const Bytes*> body, Bytes& out);

// Flattens the script into block 0, compresses both blocks (telling
// `progress`, when given, how block 1 goes) and assembles the package file.
bool buildInstallPackage(const Bytes& stubImage, const InstallScript& script, const Bytes& decodedBlock1,
                         const CompressionOptions& options, Bytes& out, const CompressionProgress* progress = nullptr);

// Writes the whole of `bytes` to `path`; false on any short write.
bool writeWholeFile(const char* path, const Bytes& bytes);
// Reads a whole file.
bool readWholeFile(const char* path, Bytes& out);
