// Folders holding a manifest and its files, and the builder run over them,
// for the tests of `slipway build`.
#pragma once

#include "test_packages.h"

#include "format/package_container.h"
#include "builder/manifest/manifest.h"
#include "format/action_script.h"

#include <stdint.h>

#include <string>

// A temporary folder with slipway.toml and whatever files a test puts there.
class ManifestFolder {
public:
    // Writes a file below the folder, creating its folders.
    void write(const std::string& relative, const std::string& bytes) const;
    void writeManifest(const std::string& text) const { write("slipway.toml", text); }
    std::string path(const std::string& relative) const { return folder_.file(relative); }
    std::string manifestPath() const { return path("slipway.toml"); }
    // Sets a file's modification time (seconds since 1970).
    void setTime(const std::string& relative, int64_t seconds) const;

private:
    TemporaryFolder folder_;
};

// "[product]" with name Hello, version 1.0, publisher Example Ltd, and
// whatever follows.
std::string productTable();

struct BuildOutcome {
    bool ok = false;
    std::string report;    // the diagnostics, one "file:line:column: error: ..." per line
    std::string warnings;  // the same for warnings
    Bytes installer;
};

// Reads the folder's manifest and builds it over sampleStubImage() with a
// quick compression.
BuildOutcome buildFolder(const ManifestFolder& folder);

// Reads a manifest text alone (no file system needed for most mistakes).
bool readManifestFrom(const ManifestFolder& folder, const std::string& text, Manifest& manifest, std::string& report);

// Opens an installer as the stub does and reads block 1 back into `script`.
bool readBack(const Bytes& installer, OpenedPackage& package, ActionScript& script);

// A small PE32 image whose version resource says major.minor.build.revision.
std::string peImageWithVersion(uint16_t major, uint16_t minor, uint16_t build, uint16_t revision);

// A FILETIME for a Unix time in seconds.
uint64_t fileTimeOf(int64_t unixSeconds);
