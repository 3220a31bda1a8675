// The compressed block reader: good blocks from the writer and from the LZMA
// SDK's own encoder, every header and stream it must refuse, and where it
// leaves the file afterwards.
#include "format/block_reader.h"

#include "test_packages.h"

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string.h>
#include <string>

namespace {

// Deterministic content: compressible text or bytes with little structure.
Bytes sampleContent(size_t size, bool compressible)
{
    std::string s;
    uint32_t state = 12345;
    while (s.size() < size) {
        state = state * 1103515245 + 12345;
        if (compressible)
            s += "line " + std::to_string(state % 97) + " of the sample\n";
        else
            s += char(state >> 16);
    }
    s.resize(size);
    return bytesOf(s);
}

uint32_t csizeOf(const std::string& framed)
{
    return loadU32(reinterpret_cast<const uint8_t*>(framed.data()));
}

void setU32(std::string& s, size_t offset, uint32_t value)
{
    storeU32(reinterpret_cast<uint8_t*>(&s[offset]), value);
}

// A file holding junk, the block under test and a good block behind it: the
// reader starts at the junk's end and must be able to go on to the next block.
struct BlockInFile {
    static constexpr size_t kLead = 7;
    FileHandle file;
    Bytes follower;  // decoded bytes of the good block behind

    explicit BlockInFile(const std::string& block)
    {
        follower = sampleContent(200, true);
        std::string bytes = std::string(kLead, 'J') + block + asString(framedBlock(follower));
        file = fileWith(bytesOf(bytes));
        fseek(file.get(), kLead, SEEK_SET);
    }

    uint64_t availableFromStart() const
    {
        long here = ftell(file.get());
        fseek(file.get(), 0, SEEK_END);
        long end = ftell(file.get());
        fseek(file.get(), here, SEEK_SET);
        return uint64_t(end - here);
    }

    long position() const { return ftell(file.get()); }

    bool followerReads()
    {
        Bytes out;
        return readBlock(file.get(), availableFromStart(), out) == BlockResult::Ok &&
               asString(out) == asString(follower);
    }
};

// --- Good blocks --------------------------------------------------------

class GoodBlock : public ::testing::TestWithParam<std::pair<size_t, bool>> {};

TEST_P(GoodBlock, DecodesToItsContentAndMovesPastIt)
{
    Bytes content = sampleContent(GetParam().first, GetParam().second);
    std::string framed = asString(framedBlock(content));
    ASSERT_FALSE(framed.empty());
    BlockInFile in(framed);
    Bytes out;
    ASSERT_EQ(readBlock(in.file.get(), in.availableFromStart(), out), BlockResult::Ok);
    EXPECT_EQ(asString(out), asString(content));
    EXPECT_EQ(in.position(), long(BlockInFile::kLead + 8 + csizeOf(framed)));
    EXPECT_TRUE(in.followerReads());
}

INSTANTIATE_TEST_SUITE_P(Sizes, GoodBlock,
                         ::testing::Values(std::make_pair(size_t(4), true), std::make_pair(size_t(1), false),
                                           std::make_pair(size_t(3000), false), std::make_pair(size_t(70000), true),
                                           // Compressed bytes that the reader takes in several reads.
                                           std::make_pair(size_t(200000), false),
                                           // Decodes to far more than the first output allocation,
                                           // which grows as the stream fills it.
                                           std::make_pair(size_t(5000000), true)));

TEST(BlockReader, AvailableExactlyTheBlockIsEnough)
{
    std::string framed = asString(framedBlock(sampleContent(500, true)));
    FileHandle file = fileWith(bytesOf(framed));
    Bytes out;
    EXPECT_EQ(readBlock(file.get(), framed.size(), out), BlockResult::Ok);
}

// Dictionary sizes below 4096 count as 4096; a huge one is never allocated
// in full, as no block needs more dictionary than its decoded size.
TEST(BlockReader, DictionarySizeIsClampedBothWays)
{
    Bytes content = sampleContent(3000, true);
    for (uint32_t dictionary : {0u, 1u, 4095u, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
        std::string framed = asString(framedBlock(content));
        setU32(framed, 9, dictionary);
        FileHandle file = fileWith(bytesOf(framed));
        Bytes out;
        EXPECT_EQ(readBlock(file.get(), framed.size(), out), BlockResult::Ok) << "dictionary " << dictionary;
        EXPECT_EQ(asString(out), asString(content));
    }
}

// --- Rejections ---------------------------------------------------------

struct Damage {
    const char* name;
    std::function<void(std::string&)> apply;
    BlockResult reason;
};
// Cases print as their names, in the test list and in failures.
void PrintTo(const Damage& c, std::ostream* os)
{
    *os << c.name;
}

class DamagedBlock : public ::testing::TestWithParam<Damage> {};

TEST_P(DamagedBlock, IsRefusedAndTheFileMovesPastIt)
{
    // Compressed bytes that the reader takes in several reads, so damage
    // at the end is found after the first read was decoded.
    std::string framed = asString(framedBlock(sampleContent(150000, false)));
    ASSERT_FALSE(framed.empty());
    GetParam().apply(framed);
    uint32_t csize = csizeOf(framed);
    ASSERT_LE(8 + uint64_t(csize), framed.size()) << "the damage must keep the block inside the file";
    framed.resize(8 + csize);

    BlockInFile in(framed);
    Bytes out;
    out.assignText("stale");
    EXPECT_EQ(readBlock(in.file.get(), in.availableFromStart(), out), GetParam().reason);
    EXPECT_TRUE(out.isNull());
    EXPECT_EQ(in.position(), long(BlockInFile::kLead + 8 + csize));
    EXPECT_TRUE(in.followerReads());
}

void setCsize(std::string& f, uint32_t v)
{
    setU32(f, 0, v);
}
void setUsize(std::string& f, uint32_t v)
{
    setU32(f, 4, v);
}
uint32_t usizeOf(const std::string& f)
{
    return loadU32(reinterpret_cast<const uint8_t*>(f.data()) + 4);
}

INSTANTIATE_TEST_SUITE_P(
    Rejections, DamagedBlock,
    ::testing::Values(Damage{"CsizeZero", [](std::string& f) { setCsize(f, 0); }, BlockResult::BeyondPackage},
                      Damage{"CsizeFour", [](std::string& f) { setCsize(f, 4); }, BlockResult::BeyondPackage},
                      Damage{"UsizeBeyondTheMaximum", [](std::string& f) { setUsize(f, kMaxDecodedBlockSize + 1); },
                             BlockResult::TooLarge},
                      Damage{"UsizeAllOnes", [](std::string& f) { setUsize(f, 0xFFFFFFFF); }, BlockResult::TooLarge},
                      Damage{"PropertiesByte225", [](std::string& f) { f[8] = char(225); }, BlockResult::BadProperties},
                      Damage{"PropertiesByte255", [](std::string& f) { f[8] = char(255); }, BlockResult::BadProperties},
                      // lc 3, lp 2: valid LZMA1, refused by liblzma, counted as damaged.
                      Damage{"LcPlusLpAboveFour", [](std::string& f) { f[8] = char(3 + 9 * (2 + 5 * 2)); },
                             BlockResult::BadProperties},
                      Damage{"StreamEndsBeforeUsize", [](std::string& f) { setUsize(f, usizeOf(f) + 1); },
                             BlockResult::WrongSize},
                      Damage{"StreamCutShort",
                             [](std::string& f) {
                                 f.pop_back();
                                 setCsize(f, csizeOf(f) - 1);
                             },
                             BlockResult::WrongSize},
                      Damage{"InputLeftOverBehindTheStream",
                             [](std::string& f) {
                                 f += std::string(3, '\0');
                                 setCsize(f, csizeOf(f) + 3);
                             },
                             BlockResult::WrongSize},
                      Damage{"InputLeftOverWhenUsizeIsShort", [](std::string& f) { setUsize(f, usizeOf(f) - 1); },
                             BlockResult::WrongSize},
                      Damage{"CorruptStream", [](std::string& f) { f[13] = char(0xFF); }, BlockResult::BadStream}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(BlockReader, CsizeBeyondThePackageIsRefused)
{
    std::string framed = asString(framedBlock(sampleContent(500, true)));
    BlockInFile in(framed);
    Bytes out;
    // The package ends one byte before the block does.
    EXPECT_EQ(readBlock(in.file.get(), framed.size() - 1, out), BlockResult::BeyondPackage);
    EXPECT_EQ(in.position(), long(BlockInFile::kLead + framed.size()));
    EXPECT_TRUE(in.followerReads());
}

TEST(BlockReader, HeaderAloneLeavesNoRoomForAnything)
{
    std::string framed = asString(framedBlock(sampleContent(500, true)));
    for (uint64_t available : {0, 4, 7, 8, 12}) {
        FileHandle file = fileWith(bytesOf(framed));
        Bytes out;
        EXPECT_EQ(readBlock(file.get(), available, out), BlockResult::BeyondPackage) << "available " << available;
    }
}

TEST(BlockReader, TruncatedFileIsRefused)
{
    std::string framed = asString(framedBlock(sampleContent(2000, true)));
    for (size_t keep : {size_t(0), size_t(3), size_t(8), size_t(13), framed.size() / 2, framed.size() - 1}) {
        FileHandle file = fileWith(bytesOf(framed.substr(0, keep)));
        Bytes out;
        // The caller believes the whole block is there.
        EXPECT_EQ(readBlock(file.get(), framed.size(), out), BlockResult::Truncated) << "kept " << keep;
        EXPECT_TRUE(out.isNull());
    }
}

// --- A stream from the LZMA SDK's own encoder ----------------------------

// lzma_alone writes 5 properties bytes, the decoded size as u64 (all ones
// with -eos) and the raw stream; without -eos it writes no end marker.
std::string frameLzmaAloneOutput(const std::string& encoded, uint32_t usize)
{
    const size_t kHeader = 5 + 8;
    std::string framed(8, '\0');
    setU32(framed, 0, uint32_t(encoded.size() - 8));
    setU32(framed, 4, usize);
    framed += encoded.substr(0, 5);
    framed += encoded.substr(kHeader);
    return framed;
}

struct SdkCase {
    const char* name;
    const char* switches;
    bool decodes;
};
void PrintTo(const SdkCase& c, std::ostream* os)
{
    *os << c.name;
}

class LzmaSdkStream : public ::testing::TestWithParam<SdkCase> {};

TEST_P(LzmaSdkStream, FramedWithoutItsSizeField)
{
    ASSERT_TRUE(hostToolExists("lzma_alone"))
        << "lzma_alone is missing: install Debian's lzma-alone (scripts/bootstrap.sh does)";
    TemporaryFolder folder;
    ASSERT_FALSE(folder.path().empty());
    Bytes content = sampleContent(50000, true);
    ASSERT_TRUE(writeWholeFile(folder.file("in").c_str(), content));
    std::string log;
    ASSERT_EQ(runCommand("lzma_alone e '" + folder.file("in") + "' '" + folder.file("out") + "' " + GetParam().switches,
                         &log),
              0)
        << log;
    Bytes encoded;
    ASSERT_TRUE(readWholeFile(folder.file("out").c_str(), encoded));
    ASSERT_GT(encoded.size(), 13u);
    if (GetParam().decodes)
        ASSERT_EQ(loadU32(encoded.data() + 5), content.size()) << "lzma_alone records the decoded size";

    std::string framed = frameLzmaAloneOutput(asString(encoded), uint32_t(content.size()));
    FileHandle file = fileWith(bytesOf(framed));
    Bytes out;
    EXPECT_EQ(readBlock(file.get(), framed.size(), out) == BlockResult::Ok, GetParam().decodes);
    if (GetParam().decodes)
        EXPECT_EQ(asString(out), asString(content));
    EXPECT_EQ(ftell(file.get()), long(framed.size()));
}

INSTANTIATE_TEST_SUITE_P(LzmaAlone, LzmaSdkStream,
                         ::testing::Values(SdkCase{"Defaults", "", true},
                                           SdkCase{"FastSmallDictionary", "-a0 -d12 -mfhc4", true},
                                           SdkCase{"OtherLiteralAndPositionBits", "-lc0 -lp2 -pb0", true},
                                           // The end marker is input left over once usize bytes are out.
                                           SdkCase{"EndMarkerIsRefused", "-eos", false}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
