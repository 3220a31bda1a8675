// Block 0 as the install wizard's script: its twenty fields, the info-switch
// table, the licence format and the banner checks.
#include "format/install_script.h"

#include "format/byte_cursor.h"
#include "format/byte_sink.h"
#include "test_packages.h"

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string.h>
#include <string>

namespace {

// The bytes of a literal, embedded NULs included, without its own final NUL.
template <size_t N>
std::string raw(const char (&literal)[N])
{
    return std::string(literal, N - 1);
}

void put32(std::string& s, size_t offset, uint32_t v)
{
    storeU32(reinterpret_cast<uint8_t*>(&s[offset]), v);
}

// Reads a script from a block 0 whose fields are the given raw items, with
// no NUL added: a test decides what each item holds.
constexpr int kBlock0Items = 20;

bool readFromItems(const std::string (&items)[kBlock0Items], InstallScript& out)
{
    ByteSink sink;
    for (const std::string& item : items)
        sink.addString(item.data(), item.size());
    Bytes block;
    if (!sink.flatten(block))
        return false;
    auto cursor = std::make_unique<ByteCursor>();
    return cursor->attach(block.data(), block.size()) && readInstallScript(*cursor, out);
}

// --- Reading block 0 ------------------------------------------------------

TEST(InstallScriptRead, EveryFieldRoundTripsInOrder)
{
    InstallScript script = sampleInstallScript();
    int n = 0;
    for (auto& [name, field] : byteFieldsOf(script)) {
        if (name != "bannerInfo" && name != "bannerBits" && name != "infoSwitches")
            setText(*field, "field " + std::to_string(n));
        ++n;
    }
    Bytes block = flattenedBlock0(script);
    auto cursor = std::make_unique<ByteCursor>();
    ASSERT_TRUE(cursor->attach(block.data(), block.size()));
    InstallScript read;
    ASSERT_TRUE(readInstallScript(*cursor, read));
    EXPECT_TRUE(cursor->atStreamEnd());
    auto readFields = byteFieldsOf(static_cast<const InstallScript&>(read));
    auto written = byteFieldsOf(static_cast<const InstallScript&>(script));
    ASSERT_EQ(readFields.size(), size_t(kBlock0Items));
    for (size_t i = 0; i < readFields.size(); ++i)
        EXPECT_EQ(asString(*readFields[i].second), asString(*written[i].second)) << readFields[i].first;
    EXPECT_EQ(read.bannerInfoSize(), script.bannerInfo.size());
    EXPECT_EQ(read.bannerBitsSize(), script.bannerBits.size());
}

TEST(InstallScriptRead, SharedTextsAreStoredOnceAndReadIntoEachField)
{
    InstallScript script = sampleInstallScript();
    Bytes block = flattenedBlock0(script);
    // defaultProgramGroup and defaultFolder are both "Slipway Test Product".
    EXPECT_EQ(loadU32(block.data() + 4 + 4 * 11), loadU32(block.data() + 4 + 4 * 13));
    auto cursor = std::make_unique<ByteCursor>();
    ASSERT_TRUE(cursor->attach(block.data(), block.size()));
    InstallScript read;
    ASSERT_TRUE(readInstallScript(*cursor, read));
    EXPECT_STREQ(read.defaultFolder.text(), "Slipway Test Product");
    EXPECT_STREQ(read.defaultProgramGroup.text(), "Slipway Test Product");
    EXPECT_NE(read.defaultFolder.data(), read.defaultProgramGroup.data());
}

TEST(InstallScriptRead, BlockWithTooFewIndicesIsDamaged)
{
    ByteSink sink;
    for (int i = 0; i < kBlock0Items - 1; ++i)
        sink.addText("text");
    Bytes block;
    ASSERT_TRUE(sink.flatten(block));
    auto cursor = std::make_unique<ByteCursor>();
    ASSERT_TRUE(cursor->attach(block.data(), block.size()));
    InstallScript read;
    EXPECT_FALSE(readInstallScript(*cursor, read));
}

TEST(InstallScriptRead, TextWithoutItsNulStaysInsideItsLength)
{
    std::string items[kBlock0Items];
    for (std::string& item : items)
        item = raw("x\0");
    items[0] = "No terminator";  // title, 13 bytes without NUL
    items[16] = "";              // hintText, an item of length 0
    InstallScript read;
    ASSERT_TRUE(readFromItems(items, read));
    EXPECT_EQ(read.title.size(), 13u);
    EXPECT_STREQ(read.title.text(), "No terminator");
    EXPECT_EQ(read.hintText.size(), 0u);
    EXPECT_STREQ(read.hintText.text(), "");
}

// --- Licence format --------------------------------------------------------

struct LicenseCase {
    const char* name;
    std::string text;  // the item's bytes
    bool rtf;
};
// Cases print as their names, in the test list and in failures.
void PrintTo(const LicenseCase& c, std::ostream* os)
{
    *os << c.name;
}

class LicenseFormat : public ::testing::TestWithParam<LicenseCase> {};

TEST_P(LicenseFormat, RtfOnlyWithTheExactOpening)
{
    InstallScript script;
    script.licenseText = bytesOf(GetParam().text);
    EXPECT_EQ(licenseIsRtf(script), GetParam().rtf);
}

INSTANTIATE_TEST_SUITE_P(InstallScript, LicenseFormat,
                         ::testing::Values(LicenseCase{"RtfDocument", raw("{\\rtf1\\ansi Licence}\0"), true},
                                           LicenseCase{"JustTheOpening", raw("{\\rtf\0"), true},
                                           LicenseCase{"OpeningWithoutNul", "{\\rtf", true},
                                           LicenseCase{"UpperCaseRtf", raw("{\\RTF1 Licence}\0"), false},
                                           LicenseCase{"TooShort", raw("{\\rt\0"), false},
                                           LicenseCase{"LeadingBlank", raw(" {\\rtf1}\0"), false},
                                           LicenseCase{"PlainText", raw("Licence\0"), false},
                                           LicenseCase{"Empty", raw("\0"), false},
                                           LicenseCase{"NoItem", std::string(), false}),
                         [](const auto& info) { return std::string(info.param.name); });

// --- Info switches -----------------------------------------------------------

struct SwitchCase {
    const char* name;
    std::string table;  // the infoSwitches item's bytes
    const char* tail;
    const char* expected;  // null: no answer
};
void PrintTo(const SwitchCase& c, std::ostream* os)
{
    *os << c.name;
}

class InfoSwitch : public ::testing::TestWithParam<SwitchCase> {};

TEST_P(InfoSwitch, AnswersOnlyAWholeKey)
{
    InstallScript script;
    // An exact-size copy, so reading past the item is caught.
    script.infoSwitches = bytesOf(GetParam().table);
    size_t length = 12345;
    const char* text = findInfoSwitch(script, GetParam().tail, &length);
    if (!GetParam().expected) {
        EXPECT_EQ(text, nullptr);
        return;
    }
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(std::string(text, length), GetParam().expected);
}

const char kTableBytes[] =
    "-version\0"
    "2026-12-07\0"
    "-subject\0"
    "Sample Product\0";
const std::string kTable(kTableBytes, sizeof kTableBytes);

INSTANTIATE_TEST_SUITE_P(
    InstallScript, InfoSwitch,
    ::testing::Values(SwitchCase{"FirstKey", kTable, "-version", "2026-12-07"},
                      SwitchCase{"LaterKey", kTable, "-subject", "Sample Product"},
                      SwitchCase{"UnknownKey", kTable, "-other", nullptr},
                      SwitchCase{"TrailingBlankDoesNotMatch", kTable, "-version ", nullptr},
                      SwitchCase{"PrefixDoesNotMatch", kTable, "-vers", nullptr},
                      SwitchCase{"CaseMatters", kTable, "-VERSION", nullptr},
                      SwitchCase{"KeyTextIsNotAKey", kTable, "2026-12-07", nullptr},
                      SwitchCase{"EmptyTailMatchesNothing", kTable, "", nullptr},
                      SwitchCase{"SingleNulIsAnEmptyTable", std::string(1, '\0'), "", nullptr},
                      SwitchCase{"SingleNulAnswersNoKey", std::string(1, '\0'), "-version", nullptr},
                      SwitchCase{"NoItem", std::string(), "-version", nullptr},
                      SwitchCase{"DuplicateKeyFirstWins", raw("-k\0first\0-k\0second\0\0"), "-k", "first"},
                      SwitchCase{"EmptyText", raw("-k\0\0-j\0j\0\0"), "-k", ""},
                      SwitchCase{"WithoutClosingEmptyKey", raw("-a\0A\0-b\0B\0"), "-b", "B"},
                      SwitchCase{"WithoutClosingKeyUnknown", raw("-a\0A\0-b\0B\0"), "-c", nullptr},
                      SwitchCase{"TextMissingItsNul", raw("-a\0A\0-b\0Bee"), "-b", "Bee"},
                      SwitchCase{"KeyAtTheEndWithoutText", raw("-a\0A\0-b\0"), "-b", ""},
                      SwitchCase{"KeyMissingItsNul", raw("-a\0A\0-b"), "-b", nullptr},
                      SwitchCase{"KeyMissingItsNulIsNoPrefixMatch", raw("-a\0A\0-bc"), "-b", nullptr},
                      // Behind the closing empty key nothing is read.
                      SwitchCase{"NothingBehindTheEmptyKey", raw("-a\0A\0\0-b\0B\0\0"), "-b", nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

// --- Banner ------------------------------------------------------------------

std::string bitmapHeader(int32_t width, int32_t height, uint16_t bitCount, uint32_t coloursUsed = 0,
                         uint32_t compression = 0)
{
    std::string info(40, '\0');
    put32(info, 0, 40);
    put32(info, 4, uint32_t(width));
    put32(info, 8, uint32_t(height));
    info[12] = 1;
    info[14] = char(bitCount);
    put32(info, 16, compression);
    put32(info, 32, coloursUsed);
    return info;
}

struct BannerCase {
    const char* name;
    std::string info;
    size_t bitsSize;
    bool complete;
};
void PrintTo(const BannerCase& c, std::ostream* os)
{
    *os << c.name;
}

class Banner : public ::testing::TestWithParam<BannerCase> {};

TEST_P(Banner, IsHandedOnOnlyWhenComplete)
{
    const std::string& info = GetParam().info;
    // Exact-size copy: the check itself must not read past the item.
    std::unique_ptr<uint8_t[]> exact(new uint8_t[info.size() ? info.size() : 1]);
    memcpy(exact.get(), info.data(), info.size());
    EXPECT_EQ(bannerIsComplete(exact.get(), info.size(), GetParam().bitsSize), GetParam().complete);
}

std::string withPalette(std::string header, size_t colours)
{
    return header + std::string(colours * 4, '\x10');
}

std::string withField(std::string header, size_t offset, uint32_t value)
{
    put32(header, offset, value);
    return header;
}

INSTANTIATE_TEST_SUITE_P(
    InstallScript, Banner,
    ::testing::Values(
        // The typical banner: 500 x 60, 8 bits, 256 colours; rows of 500 bytes.
        BannerCase{"EightBitWithPalette", withPalette(bitmapHeader(500, 60, 8), 256), 30002, true},
        BannerCase{"EightBitExactBits", withPalette(bitmapHeader(500, 60, 8), 256), 30000, true},
        BannerCase{"EightBitShortBits", withPalette(bitmapHeader(500, 60, 8), 256), 29999, false},
        BannerCase{"ShortColourTable", withPalette(bitmapHeader(500, 60, 8), 256).substr(0, 1063), 30000, false},
        BannerCase{"ColoursUsedShortensTheTable", withPalette(bitmapHeader(500, 60, 8, 16), 16), 30000, true},
        BannerCase{"ColoursUsedBeyondTheTable", withPalette(bitmapHeader(500, 60, 8, 17), 16), 30000, false},
        BannerCase{"ColoursUsedBeyondTheBitCount", withPalette(bitmapHeader(4, 4, 8, 257), 257), 16, false},
        // 24 bits need no table; rows pad to 4 bytes: 2 pixels take 8.
        BannerCase{"TwentyFourBit", bitmapHeader(2, 2, 24), 16, true},
        BannerCase{"TwentyFourBitShortBits", bitmapHeader(2, 2, 24), 15, false},
        BannerCase{"TopDown", bitmapHeader(2, -2, 24), 16, true},
        BannerCase{"ShortHeader", bitmapHeader(2, 2, 24).substr(0, 39), 16, false},
        BannerCase{"NoInfo", std::string(), 16, false},
        BannerCase{"HeaderSizeBeyondTheItem", withField(bitmapHeader(2, 2, 24), 0, 41), 16, false},
        BannerCase{"HeaderSizeTooSmall", withField(bitmapHeader(2, 2, 24), 0, 12), 16, false},
        BannerCase{"TwoPlanes", withField(bitmapHeader(2, 2, 24), 12, 2), 16, false},
        BannerCase{"OddBitCount", bitmapHeader(2, 2, 7), 1000, false},
        BannerCase{"ZeroWidth", bitmapHeader(0, 2, 24), 16, false},
        BannerCase{"ZeroHeight", bitmapHeader(2, 0, 24), 16, false},
        BannerCase{"HugeWidth", bitmapHeader(0x7FFFFFFF, 1, 32), size_t(1) << 31, false},
        BannerCase{"CompressedIsRefused", bitmapHeader(2, 2, 24, 0, 1), 16, false},
        // BI_BITFIELDS with a 40-byte header carries three masks.
        BannerCase{"BitfieldsWithMasks", withPalette(bitmapHeader(2, 2, 32, 0, 3), 3), 16, true},
        BannerCase{"BitfieldsWithoutMasks", bitmapHeader(2, 2, 32, 0, 3), 16, false}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
