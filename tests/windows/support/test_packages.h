// Install packages made by the tests themselves: the real stub image with a
// sample install script and an empty action block behind it.
#pragma once

#include "format/bytes.h"
#include "format/install_script.h"
#include "sample_package.h"

#include <stdint.h>

#include <string>
#include <vector>

// The whole stub file, which is the stub image of every package built over it.
Bytes stubImageBytes();

// Where the parts of a package file stand, for tests that damage one of them.
struct PackageOffsets {
    uint32_t start = 0;         // P: the magic
    uint32_t block0Stream = 0;  // first byte of block 0's LZMA stream
    uint32_t trailer = 0;       // T: the u32 trailer
};

// The stub with the script and an empty action block behind it. Empty when
// the package could not be built (a failed test expectation says why).
Bytes buildSamplePackage(const InstallScript& script = sampleInstallScript());
PackageOffsets packageOffsets(const Bytes& package);

// A file of a test that is deleted again when the test is done with it. Its
// name is unique within the run: the folder carries the process id, the name
// a counter.
class TestFile {
public:
    TestFile(const std::string& folder, const std::string& stem, const std::string& extension = ".exe");
    ~TestFile();
    TestFile(const TestFile&) = delete;
    TestFile& operator=(const TestFile&) = delete;

    const std::string& path() const { return path_; }
    // The file name without its folder.
    std::string name() const;
    bool write(const Bytes& bytes) const;

private:
    std::string path_;
};

// The folder shared by the package files of one test program.
std::string packageFolder();

// Copies bytes into a fresh Bytes.
Bytes copyBytes(const Bytes& bytes);
