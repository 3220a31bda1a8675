// The version number of a Windows program or library, as its version
// resource states it: WriteFileAction carries it beside the file's bytes.
#pragma once

#include <stddef.h>
#include <stdint.h>

struct FileVersion {
    uint32_t high = 0;  // major << 16 | minor
    uint32_t low = 0;   // build << 16 | revision
};

// Reads dwFileVersionMS and dwFileVersionLS of the VS_FIXEDFILEINFO in the
// first RT_VERSION resource of a PE image (32- or 64-bit). False when the
// bytes are no PE image, hold no version resource, or any structure on the
// way runs outside the bytes: every read is bounded by `size`.
bool readPeFileVersion(const uint8_t* image, size_t size, FileVersion& out);
