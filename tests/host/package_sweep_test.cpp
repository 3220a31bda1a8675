// A small valid package cut at every length and damaged one byte at a time:
// under the sanitizers the readers never crash, and every result is either a
// whole install package or no package at all.
#include "format/package_container.h"

#include "test_packages.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

// What a caller may rely on after openPackage said Install: every field is
// an owned copy, and the queries made at start-up stay inside their items.
void expectReadable(const OpenedPackage& package, const std::string& what)
{
    const InstallScript& script = package.installScript;
    for (const auto& [name, field] : byteFieldsOf(script))
        ASSERT_FALSE(field->isNull()) << what << ": " << name;
    size_t length = 0;
    const char* text = findInfoSwitch(script, "-version", &length);
    if (text) {
        const char* begin = reinterpret_cast<const char*>(script.infoSwitches.data());
        EXPECT_GE(text, begin) << what;
        EXPECT_LE(text + length, begin + script.infoSwitches.size()) << what;
    }
    licenseIsRtf(script);
    bannerIsComplete(script.bannerInfo.data(), script.bannerInfo.size(), script.bannerBits.size());
}

class PackageSweep : public ::testing::Test {
protected:
    void SetUp() override
    {
        original_ = asString(buildSamplePackage(sampleInstallScript()));
        ASSERT_FALSE(original_.empty());
        OpenedPackage package;
        ASSERT_EQ(openFromMemory(bytesOf(original_), package), PackageKind::Install);
    }

    // Opens the bytes and checks the result; returns the kind.
    PackageKind openAndCheck(const std::string& file, const std::string& what)
    {
        OpenedPackage package;
        PackageKind kind = openFromMemory(bytesOf(file), package);
        EXPECT_NE(kind, PackageKind::Uninstall) << what;
        if (kind == PackageKind::Install)
            expectReadable(package, what);
        return kind;
    }

    std::string original_;
};

TEST_F(PackageSweep, EveryTruncationOpensWholeOrNotAtAll)
{
    size_t opened = 0;
    for (size_t length = 0; length < original_.size(); ++length) {
        if (openAndCheck(original_.substr(0, length), "cut at " + std::to_string(length)) == PackageKind::Install)
            ++opened;
        if (HasFailure())
            return;
    }
    // The trailer is gone from every cut file; none should find a package.
    EXPECT_EQ(opened, 0u);
}

TEST_F(PackageSweep, SingleByteCorruptionsOpenWholeOrNotAtAll)
{
    std::mt19937 random(20261207);  // fixed seed: the same sample every run
    std::uniform_int_distribution<size_t> offsetOf(0, original_.size() - 1);
    std::uniform_int_distribution<int> flipOf(1, 255);
    const size_t packageStart = sampleStubImage().size();
    size_t opened = 0, refused = 0;
    for (int round = 0; round < 3000; ++round) {
        size_t offset = offsetOf(random);
        std::string file = original_;
        file[offset] = char(file[offset] ^ flipOf(random));
        std::string what = "byte " + std::to_string(offset) + " changed";
        PackageKind kind = openAndCheck(file, what);
        // Neither the magic nor the trailer can change and still describe
        // this package.
        if (offset >= packageStart && offset < packageStart + 4)
            EXPECT_EQ(kind, PackageKind::None) << what;
        if (offset >= original_.size() - 4)
            EXPECT_EQ(kind, PackageKind::None) << what;
        (kind == PackageKind::Install ? opened : refused)++;
        if (HasFailure())
            return;
    }
    // The sample reaches both outcomes: the stub image is read by nobody but
    // the header check, the block headers are checked strictly.
    EXPECT_GT(opened, 0u);
    EXPECT_GT(refused, 0u);
}

}  // namespace
