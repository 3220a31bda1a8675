// Assembles package files: stub image, magic, body, filler and trailer.
#pragma once

#include "app/bytes.h"
#include "builder/package/block_compressor.h"

#include <stdint.h>

struct InstallScript;

// An install package file: the stub, the install magic, the two framed
// blocks, filler that makes the file's length a multiple of 8 (so a signing
// tool appends its certificate table right behind the trailer), and the
// trailer.
bool assembleInstallPackage(const Bytes& stubImage, const Bytes& framedBlock0, const Bytes& framedBlock1, Bytes& out);

// An uninstall package file: stub, uninstall magic, body, trailer; no filler.
bool assembleUninstallPackage(const Bytes& stubImage, const Bytes& body, Bytes& out);

// Flattens the script into block 0 and compresses both blocks.
bool buildInstallPackage(const Bytes& stubImage, const InstallScript& script, const Bytes& decodedBlock1,
                         const CompressionOptions& options, Bytes& out);

// Writes the whole of `bytes` to `path`; false on any short write.
bool writeWholeFile(const char* path, const Bytes& bytes);
// Reads a whole file.
bool readWholeFile(const char* path, Bytes& out);
