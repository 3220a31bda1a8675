// The version number of a Windows program or library, as its version
// resource states it: WriteFileAction carries it beside the file's bytes.
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

struct FileVersion {
    uint32_t high = 0;  // major << 16 | minor
    uint32_t low = 0;   // build << 16 | revision
};

// Reads dwFileVersionMS and dwFileVersionLS of the VS_FIXEDFILEINFO in the
// first RT_VERSION resource of a PE image (32- or 64-bit). False when the
// bytes are no PE image, hold no version resource, or any structure on the
// way runs outside the bytes: every read is bounded by `size`.
bool readPeFileVersion(const uint8_t* image, size_t size, FileVersion& out);

// The same read from an open file of `size` bytes, a few bytes at a time,
// so a large program is never held whole. The file's position is left
// anywhere.
bool readPeFileVersion(FILE* file, uint64_t size, FileVersion& out);
