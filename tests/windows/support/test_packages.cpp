#include "support/test_packages.h"

#include "support/test_environment.h"

#include "builder/package/package_writer.h"
#include "format/byte_sink.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string.h>

namespace {

int fileCounter = 0;

}  // namespace

Bytes stubImageBytes()
{
    Bytes stub;
    EXPECT_TRUE(readWholeFile(stubPath().c_str(), stub)) << "cannot read the stub " << stubPath();
    return stub;
}

Bytes buildSamplePackage(const InstallScript& script)
{
    Bytes package = buildPackageOver(stubImageBytes(), script, emptyActionBlock(), 6);
    EXPECT_FALSE(package.isNull()) << "the sample package could not be built";
    return package;
}

PackageOffsets packageOffsets(const Bytes& package)
{
    PackageOffsets offsets;
    if (package.size() < 8)
        return offsets;
    offsets.trailer = uint32_t(package.size() - 4);
    offsets.start = offsets.trailer - loadU32(package.data() + offsets.trailer);
    // magic, then block 0: csize, usize, five properties bytes, the stream
    offsets.block0Stream = offsets.start + 4 + 8 + 5;
    return offsets;
}

Bytes copyBytes(const Bytes& bytes)
{
    Bytes copy;
    EXPECT_TRUE(copy.assign(bytes.data(), bytes.size()));
    return copy;
}

namespace {

// Removes the folder at the end of the program; every file in it belongs to
// a TestFile that has deleted it by then.
struct PackageFolder {
    std::string path = makeTestFolder("packages");
    ~PackageFolder() { RemoveDirectoryA(path.c_str()); }
};

}  // namespace

std::string packageFolder()
{
    static const PackageFolder folder;
    return folder.path;
}

TestFile::TestFile(const std::string& folder, const std::string& stem, const std::string& extension)
    : path_(folder + "\\" + stem + "-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++fileCounter) +
            extension)
{
}

TestFile::~TestFile()
{
    DeleteFileA(path_.c_str());
}

std::string TestFile::name() const
{
    size_t slash = path_.find_last_of('\\');
    return slash == std::string::npos ? path_ : path_.substr(slash + 1);
}

bool TestFile::write(const Bytes& bytes) const
{
    return writeWholeFile(path_.c_str(), bytes);
}
