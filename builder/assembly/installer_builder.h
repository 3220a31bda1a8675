// From a read manifest to a finished installer file: banner and licence
// loaded, files found and read once for their contents (equal ones stored
// once), block 1 laid out for streaming and checked against the format's
// limits, then compressed straight into the file behind the stub, the
// files read again in bounded chunks. Memory stays the encoder's own plus
// a few MiB and the files' metadata, whatever the payload.
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
    uint32_t files = 0;           // WriteFileActions in all lists
    uint32_t contents = 0;        // distinct contents among them
    uint64_t payloadBytes = 0;    // their contents, duplicates counted
    uint64_t block1Bytes = 0;     // decoded block 1
    uint64_t installerBytes = 0;  // the installer file
    uint64_t encoderMemory = 0;   // what liblzma asked for block 1
};

// For a manifest whose reading found mistakes: reports the mistakes about
// the files it names (banner, licence, sources that find nothing) in the
// same pass, so a user fixes them all at once. Reads no payload.
void checkNamedFiles(const Manifest& manifest, Diagnostics& diagnostics);

// Builds the installer into the file `outputPath`, written beside it and
// renamed over it when whole. The manifest's lists are consumed. False with
// everything wrong in `diagnostics`; the file is then left as it was.
bool buildInstaller(Manifest& manifest, const Bytes& stub, const CompressionOptions& options, bool showProgress,
                    const std::string& outputPath, Diagnostics& diagnostics, InstallerSummary* summary = nullptr);
