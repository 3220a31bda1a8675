// What reading a package may allocate: a block header's sizes and the
// records of a block are believed only as far as the package's bytes bear
// them out, so a small hostile package cannot make inspect or extract (or
// the stub's block reader) allocate gigabytes.
#include "allocation_watch.h"
#include "test_packages.h"

#include "format/block_reader.h"
#include "builder/inspect/loaded_package.h"
#include "builder/package/package_writer.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <memory>
#include <string>

namespace {

constexpr uint64_t kMiB = 1 << 20;

// Loads a package file written from `bytes`; the reason lands in `error`.
bool loadBytes(const Bytes& bytes, std::string& error)
{
    TemporaryFolder folder;
    std::string path = folder.file("setup.exe");
    if (!writeWholeFile(path.c_str(), bytes)) {
        error = "cannot write the test package";
        return false;
    }
    std::unique_ptr<LoadedPackage> package(new LoadedPackage);
    return loadPackage(path.c_str(), *package, error);
}

#define REQUIRE_WATCH()                                                                                                \
    if (!AllocationWatch::available())                                                                                 \
    GTEST_SKIP() << "the heap is watched only in the sanitized test build"

}  // namespace

TEST(BlockReaderMemory, ForgedDecodedSizeAllocatesOnlyWhatTheStreamHolds)
{
    REQUIRE_WATCH();
    // A real 1000-byte block whose header claims 1.4 GiB: the stream runs
    // out long before, and the reader must find that out without first
    // allocating the size the header names.
    std::string framed = asString(framedBlock(bytesOf(std::string(1000, 'a'))));
    storeU32(reinterpret_cast<uint8_t*>(&framed[4]), 1400u << 20);
    FileHandle file = fileWith(bytesOf(framed));
    Bytes out;
    AllocationWatch watch;
    EXPECT_EQ(readBlock(file.get(), framed.size(), out), BlockResult::WrongSize);
    EXPECT_LT(watch.largestAllocation(), 4 * kMiB);
}

TEST(PackageMemory, OneItemNamedByThousandsOfActionsIsNeverCopied)
{
    // 8192 file actions all naming one 64 KiB item as their data: copied
    // once per action that would be 512 MiB from a package of a few KiB.
    // Block 1 is read as a stream: the contents stay in the package and
    // are hashed once.
    Bytes package = fannedOutPackage(1, 8192, 64 * 1024);
    ASSERT_FALSE(package.isNull());
    EXPECT_LT(package.size(), 64 * 1024u);
    std::string error;
    AllocationWatch watch;
    EXPECT_TRUE(loadBytes(package, error)) << error;
    if (AllocationWatch::available())
        EXPECT_LT(watch.peakGrowth(), 32 * kMiB);
}

TEST(PackageMemory, MillionsOfSmallRecordsAreRefusedBeyondTheBound)
{
    // Many records naming one 1 KiB path: each copies it and costs an object.
    Bytes package = fannedOutPackage(4, 400000, 1024);
    ASSERT_FALSE(package.isNull());
    std::string error;
    AllocationWatch watch;
    EXPECT_FALSE(loadBytes(package, error));
    EXPECT_NE(error.find("so often"), std::string::npos) << error;
    if (AllocationWatch::available())
        EXPECT_LT(watch.peakGrowth(), 256 * kMiB);
}

TEST(PackageMemory, HonestSharingStaysWithinTheBound)
{
    // A file installed in sixteen places and many records sharing short
    // texts: what a real product does, read as before.
    std::string error;
    EXPECT_TRUE(loadBytes(fannedOutPackage(1, 16, 1 << 20), error)) << error;
    EXPECT_TRUE(loadBytes(fannedOutPackage(4, 100000, 40), error)) << error;
}

TEST(PackageMemory, BoundGrowsWithTheBlock)
{
    EXPECT_EQ(readingMemoryBound(0), 64 * kMiB);
    EXPECT_EQ(readingMemoryBound(10 * kMiB), 144 * kMiB);
}
