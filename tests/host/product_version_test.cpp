// The order of product versions: dotted numbers compared numerically part by
// part, and every text that is not such a number left uncompared.
#include "format/product_version.h"

#include <gtest/gtest.h>

namespace {

const char* nameOf(VersionChange change)
{
    switch (change) {
    case VersionChange::Unknown: return "Unknown";
    case VersionChange::Upgrade: return "Upgrade";
    case VersionChange::Reinstall: return "Reinstall";
    case VersionChange::Downgrade: return "Downgrade";
    }
    return "?";
}

void expectChange(const char* installed, const char* next, VersionChange expected)
{
    EXPECT_STREQ(nameOf(versionChange(installed, next)), nameOf(expected))
        << "installed \"" << (installed ? installed : "(null)") << "\", new \"" << (next ? next : "(null)") << "\"";
}

}  // namespace

TEST(VersionOrder, PartsCompareAsNumbersNotAsText)
{
    expectChange("1.9", "1.10", VersionChange::Upgrade);
    expectChange("1.10", "1.9", VersionChange::Downgrade);
    expectChange("9", "10", VersionChange::Upgrade);
    expectChange("2.0", "10.0", VersionChange::Upgrade);
    expectChange("1.2.3", "1.2.4", VersionChange::Upgrade);
    expectChange("1.2.3.4.5.6.7.8", "1.2.3.4.5.6.7.9", VersionChange::Upgrade);  // the eighth part counts
    expectChange("1.01", "1.1", VersionChange::Reinstall);                       // leading zeros are only zeros
    expectChange("4294967295", "4294967294", VersionChange::Downgrade);
    expectChange("3.0", "2.99999", VersionChange::Downgrade);  // an earlier part decides
}

TEST(VersionOrder, MissingPartsCountAsZero)
{
    expectChange("2", "2.0", VersionChange::Reinstall);
    expectChange("2.0.0", "2", VersionChange::Reinstall);
    expectChange("2", "2.0.0.0.0.0.0.0", VersionChange::Reinstall);
    expectChange("2", "2.0.1", VersionChange::Upgrade);
    expectChange("2.0.0.1", "2", VersionChange::Downgrade);
    expectChange("0", "0.0", VersionChange::Reinstall);
}

TEST(VersionOrder, BlanksAroundTheWholeTextAreIgnored)
{
    expectChange(" 1.0\t", "1.0", VersionChange::Reinstall);
    expectChange("1.0", "  2.0  ", VersionChange::Upgrade);
    expectChange("1.0\r\n", "1.0", VersionChange::Reinstall);
    expectChange("1. 0", "1.0", VersionChange::Unknown);  // a blank inside is not around
    expectChange("1 0", "1.0", VersionChange::Unknown);
}

// Either side that does not parse leaves nothing compared, whichever side it is.
TEST(VersionOrder, TextThatIsNotADottedNumberIsNotCompared)
{
    // clang-format off
    const char* const unreadable[] = {
        nullptr, "", "   ", "a", "1.0a", "v1.0", "1.0 beta", "1.", ".1", "1..2", ".", "1.-2", "+1", "1,2", "0x10",
        "1.2.3.4.5.6.7.8.9",     // a ninth part
        "4294967296",            // one above 32 bits
        "18446744073709551617",  // wraps 64 bits to 1
    };
    // clang-format on
    for (const char* text : unreadable) {
        expectChange(text, "1.0", VersionChange::Unknown);
        expectChange("1.0", text, VersionChange::Unknown);
    }
    expectChange("1.0", "1.0\x80", VersionChange::Unknown);
}

TEST(VersionOrder, LongestReadableTextsStillCompare)
{
    expectChange("4294967295.4294967295.4294967295.4294967295.4294967295.4294967295.4294967295.4294967295",
                 "4294967295.4294967295.4294967295.4294967295.4294967295.4294967295.4294967295.4294967294",
                 VersionChange::Downgrade);
    expectChange("000000000000000000001", "1", VersionChange::Reinstall);  // many zeros are no overflow
}
