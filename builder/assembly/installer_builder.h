// From a read manifest to the bytes of a finished installer: banner and
// licence loaded, files read, both blocks checked against the package's
// limits, compressed and put behind the stub.
#pragma once

#include "format/bytes.h"
#include "builder/manifest/diagnostics.h"
#include "builder/manifest/manifest.h"
#include "builder/package/block_compressor.h"

#include <string>

// Strong by default (the extreme preset 9 with a dictionary covering the
// payload up to 64 MiB); `fast` keeps the dictionary and takes liblzma's
// preset 3, trading some size for much time.
CompressionOptions compressionFor(bool fast);

struct InstallerSummary {
    uint32_t files = 0;         // WriteFileActions in all lists
    uint64_t payloadBytes = 0;  // their contents
    uint64_t block1Bytes = 0;   // decoded block 1
};

// For a manifest whose reading found mistakes: reports the mistakes about
// the files it names (banner, licence, sources that find nothing) in the
// same pass, so a user fixes them all at once. Reads no payload.
void checkNamedFiles(const Manifest& manifest, Diagnostics& diagnostics);

// Builds the installer into `out`. The manifest's lists are consumed.
// False with everything wrong in `diagnostics`; `out` is then empty.
bool buildInstaller(Manifest& manifest, const Bytes& stub, const CompressionOptions& options, bool showProgress,
                    Bytes& out, Diagnostics& diagnostics, InstallerSummary* summary = nullptr);
