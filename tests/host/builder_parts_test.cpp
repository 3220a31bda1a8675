// The builder's small parts: code pages, places inside string literals,
// globs, the PE version reader, readable names and path texts.
#include "builder_test_support.h"

#include "builder/assembly/action_lists.h"
#include "builder/assembly/code_page.h"
#include "builder/assembly/file_collector.h"
#include "builder/assembly/file_system.h"
#include "builder/assembly/license.h"
#include "builder/assembly/path_texts.h"
#include "builder/assembly/pe_version.h"
#include "builder/extract/safe_path.h"
#include "builder/manifest/readable_names.h"
#include "builder/manifest/source_text.h"
#include "builder/text_escape.h"
#include "builder/windows1252.h"
#include "format/file_names.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace {

TEST(BuilderCodePage, EachPageHoldsItsOwnLetters)
{
    std::string out;
    ASSERT_TRUE(encodeText("Grüße €", 1252, out, nullptr));
    EXPECT_EQ(out,
              "Gr\xFC\xDF"
              "e \x80");
    ASSERT_TRUE(encodeText("Łódź", 1250, out, nullptr));
    EXPECT_EQ(out, "\xA3\xF3\x64\x9F");
    ASSERT_TRUE(encodeText("Привет", 1251, out, nullptr));
    EXPECT_EQ(out, "\xCF\xF0\xE8\xE2\xE5\xF2");

    EncodingFailure failure;
    EXPECT_FALSE(encodeText("ab Ł", 1252, out, &failure));
    EXPECT_EQ(failure.characterIndex, 3u);
    EXPECT_EQ(failure.codePoint, 0x141u);
    // A byte the page leaves undefined is not a way in for C1 controls.
    EXPECT_FALSE(encodeText("\xC2\x81", 1252, out, &failure));
    EXPECT_FALSE(encodeText(std::string("a\0b", 3), 1252, out, &failure));
    EXPECT_EQ(failure.codePoint, 0u);
    EXPECT_FALSE(encodeText("\xC0\xAF", 1252, out, &failure));  // overlong '/'
    EXPECT_EQ(failure.codePoint, 0xFFFFFFFFu);
    EXPECT_FALSE(encodeText("x", 437, out, &failure));
    EXPECT_EQ(describeCharacter(0x2603), "U+2603 '\xE2\x98\x83'");
}

TEST(BuilderSourceText, CharactersOfStringLiteralsAreFound)
{
    SourceText source("m.toml",
                      "a = \"x\\ty\\u00e9z\"\n"
                      "b = 'lit$eral'\n"
                      "c = \"\"\"\n"
                      "one\\\n"
                      "    two\"\"\"\n"
                      "d = \"é€x\"\n");
    auto at = [&](uint32_t line, uint32_t column, size_t index) {
        SourcePosition p = characterPosition(source, SourcePosition{line, column}, index);
        return std::to_string(p.line) + ":" + std::to_string(p.column);
    };
    EXPECT_EQ(at(1, 5, 0), "1:6");   // x
    EXPECT_EQ(at(1, 5, 2), "1:9");   // y, behind the two-character \t
    EXPECT_EQ(at(1, 5, 4), "1:16");  // z, behind \u00e9
    EXPECT_EQ(at(2, 5, 3), "2:9");   // the '$' of a literal string
    EXPECT_EQ(at(3, 5, 0), "4:1");   // the newline after """ is not part of the value
    EXPECT_EQ(at(3, 5, 3), "5:5");   // a line-ending backslash eats the blanks
    EXPECT_EQ(at(6, 5, 2), "6:8");   // columns count characters, not bytes
    EXPECT_EQ(at(6, 5, 9), "6:5");   // past the end: the literal's start
}

TEST(BuilderGlob, NamesFoldersAndDepths)
{
    EXPECT_TRUE(globMatches("*.txt", "a.txt"));
    EXPECT_FALSE(globMatches("*.txt", "sub/a.txt"));
    EXPECT_TRUE(globMatches("**/*.txt", "a.txt"));
    EXPECT_TRUE(globMatches("**/*.txt", "x/y/a.txt"));
    EXPECT_TRUE(globMatches("x/**", "x/y/z"));
    EXPECT_TRUE(globMatches("f?le.*", "file.c"));
    EXPECT_FALSE(globMatches("f?le.*", "fiile.c"));
}

// Source trees shaped against the walk: links, FIFOs and links out.
class HostileTree : public testing::Test {
protected:
    ManifestFolder folder;
    std::vector<CollectedFile> files;
    std::vector<std::string> warnings;
    std::string problem;

    std::vector<std::string> paths() const
    {
        std::vector<std::string> out;
        for (const CollectedFile& f : files)
            out.push_back(f.relative);
        return out;
    }
    bool anyWarning(const std::string& part) const
    {
        for (const std::string& w : warnings)
            if (w.find(part) != std::string::npos)
                return true;
        return false;
    }
};

TEST_F(HostileTree, DiamondOfFolderLinksIsWalkedOncePerRealFolder)
{
    // Level k holds links a and b to level k + 1: 2^24 paths to the bottom.
    const int depth = 24;
    for (int k = 0; k <= depth; ++k)
        folder.write("p/d" + std::to_string(k) + "/f" + std::to_string(k) + ".txt", "x");
    for (int k = 0; k < depth; ++k) {
        std::string next = "../d" + std::to_string(k + 1);
        for (const char* link : {"/a", "/b"})
            ASSERT_EQ(symlink(next.c_str(), folder.path("p/d" + std::to_string(k) + link).c_str()), 0);
    }
    // And a loop back to the top.
    ASSERT_EQ(symlink("..", folder.path("p/d" + std::to_string(depth) + "/up").c_str()), 0);
    ASSERT_TRUE(collectFiles(folder.path(""), "p", {}, {}, files, warnings, problem)) << problem;
    // Every real folder once: 25 files, whichever path reached them first.
    EXPECT_EQ(files.size(), size_t(depth + 1));
    EXPECT_TRUE(anyWarning("already walked")) << warnings.size();
}

TEST_F(HostileTree, FifosAndDevicesAreSkippedWithAWordAndNeverRead)
{
    folder.write("p/real.txt", "real");
    ASSERT_EQ(mkfifo(folder.path("p/pipe").c_str(), 0600), 0);
    ASSERT_EQ(symlink("/dev/null", folder.path("p/null").c_str()), 0);
    ASSERT_TRUE(collectFiles(folder.path(""), "p", {}, {}, files, warnings, problem)) << problem;
    EXPECT_EQ(paths(), (std::vector<std::string>{"real.txt"}));
    EXPECT_TRUE(anyWarning("p/pipe: it is a FIFO (named pipe); only regular files are packaged"));
    EXPECT_TRUE(anyWarning("p/null: it is a device"));
    // A file that turned into a FIFO after the walk is refused on its
    // handle, not waited on.
    Bytes bytes;
    EXPECT_FALSE(readFileBytes(folder.path("p/pipe"), bytes, problem));
    EXPECT_NE(problem.find("not a regular file"), std::string::npos) << problem;
    // Named directly, a FIFO is called what it is.
    EXPECT_FALSE(collectFiles(folder.path(""), "p/pipe", {}, {}, files, warnings, problem));
    EXPECT_NE(problem.find("is a FIFO (named pipe), not a file or folder"), std::string::npos) << problem;
}

TEST_F(HostileTree, LinksOutOfTheSourceAreNamedOrRefused)
{
    folder.write("secret/key.pem", "private");
    folder.write("p/inside.txt", "in");
    ASSERT_EQ(symlink("../secret/key.pem", folder.path("p/key.pem").c_str()), 0);
    ASSERT_EQ(symlink("inside.txt", folder.path("p/alias.txt").c_str()), 0);
    ASSERT_TRUE(collectFiles(folder.path(""), "p", {}, {}, files, warnings, problem)) << problem;
    EXPECT_EQ(paths(), (std::vector<std::string>{"alias.txt", "inside.txt", "key.pem"}));
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_NE(warnings[0].find("p/key.pem is a link to "), std::string::npos) << warnings[0];
    EXPECT_NE(warnings[0].find("secret/key.pem, outside the folder"), std::string::npos) << warnings[0];

    CollectOptions refuse;
    refuse.refuseOutsideLinks = true;
    EXPECT_FALSE(collectFiles(folder.path(""), "p", {}, refuse, files, warnings, problem));
    EXPECT_NE(problem.find("outside_links = \"refuse\" forbids"), std::string::npos) << problem;
}

TEST_F(HostileTree, EveryRefusedLinkIsNamedInOneRun)
{
    folder.write("secret/key.pem", "private");
    folder.write("secret/more/notes.txt", "private");
    folder.write("p/inside.txt", "in");
    ASSERT_EQ(symlink("../secret/key.pem", folder.path("p/key.pem").c_str()), 0);
    ASSERT_EQ(symlink("../secret/more", folder.path("p/more").c_str()), 0);
    folder.write("p/sub/file.txt", "in");
    ASSERT_EQ(symlink("../../secret/key.pem", folder.path("p/sub/again.pem").c_str()), 0);
    ASSERT_EQ(symlink("inside.txt", folder.path("p/alias.txt").c_str()), 0);
    CollectOptions refuse;
    refuse.refuseOutsideLinks = true;
    EXPECT_FALSE(collectFiles(folder.path(""), "p", {}, refuse, files, warnings, problem));
    EXPECT_NE(problem.find("3 links lead outside the folder "), std::string::npos) << problem;
    for (const char* link : {"p/key.pem (a link to ", "p/more (a link to ", "p/sub/again.pem (a link to "})
        EXPECT_NE(problem.find(link), std::string::npos) << link << " in " << problem;
    EXPECT_EQ(problem.find("alias.txt"), std::string::npos) << problem;
}

TEST_F(HostileTree, LinkToADeviceIsSkippedWithOneWarningWhetherOrNotLinksOutAreRefused)
{
    folder.write("p/real.txt", "real");
    ASSERT_EQ(symlink("/dev/zero", folder.path("p/zero").c_str()), 0);
    CollectOptions refuse;
    refuse.refuseOutsideLinks = true;
    for (const CollectOptions& options : {CollectOptions(), refuse}) {
        warnings.clear();
        ASSERT_TRUE(collectFiles(folder.path(""), "p", {}, options, files, warnings, problem)) << problem;
        EXPECT_EQ(paths(), (std::vector<std::string>{"real.txt"}));
        ASSERT_EQ(warnings.size(), 1u);
        EXPECT_NE(warnings[0].find("skipped " + folder.path("p/zero") +
                                   ": it is a device, reached through a link to /dev/zero; only regular files"),
                  std::string::npos)
            << warnings[0];
    }
}

TEST(BuilderTextEscape, ControlCharactersAndBytesThatAreNotUtf8AreShownAsEscapes)
{
    // Good UTF-8 stays, C1 controls are code points, and every byte that
    // belongs to no character is one \xNN: a stray continuation byte, a
    // cut sequence, an overlong form, a surrogate, a value beyond U+10FFFF.
    const std::pair<std::string, std::string> cases[] = {
        {"caf\xC3\xA9 \xF0\x9F\x98\x80", "caf\xC3\xA9 \xF0\x9F\x98\x80"},
        {"\x1B]0;x\x07\x7F", "\\x1B]0;x\\x07\\x7F"},
        {"\xC2\x9B"
         "2J",
         "\\u009B2J"},
        {"a\xFF"
         "b\x80",
         "a\\xFFb\\x80"},
        {"\xE2\x82"
         "A\xE2",
         "\\xE2\\x82A\\xE2"},
        {"\xC0\xAF", "\\xC0\\xAF"},
        {"\xED\xA0\x80", "\\xED\\xA0\\x80"},
        {"\xF4\x90\x80\x80", "\\xF4\\x90\\x80\\x80"},
    };
    for (const auto& [in, out] : cases) {
        EXPECT_EQ(textEscape(in), out);
        EXPECT_EQ(escapeText(in, EscapeStyle::Message), out);
    }
    // Messages keep their own quotes and backslashes; names in reports and
    // JSON escape them.
    const std::string quoted = "outside_links = \"refuse\" in C:\\x\n";
    EXPECT_EQ(escapeText(quoted, EscapeStyle::Message), "outside_links = \"refuse\" in C:\\x\\n");
    EXPECT_EQ(textEscape(quoted), "outside_links = \\\"refuse\\\" in C:\\\\x\\n");
    // JSON has no escape for a byte: those are left to the reader.
    EXPECT_EQ(escapeText("\xFF\xC2\x9B", EscapeStyle::Json), "\xFF\\u009B");
}

TEST(BuilderGlob, CollectsInPathOrderWithExclusions)
{
    ManifestFolder folder;
    for (const char* name : {"p/b.txt", "p/a.txt", "p/sub/c.txt", "p/sub/d.log", "p/Z.txt"})
        folder.write(name, name);
    std::vector<CollectedFile> files;
    std::vector<std::string> warnings;
    std::string problem;
    ASSERT_TRUE(collectFiles(folder.path(""), "p", {"*.log"}, {}, files, warnings, problem)) << problem;
    std::vector<std::string> paths;
    for (const CollectedFile& f : files)
        paths.push_back(f.relative);
    EXPECT_EQ(paths, (std::vector<std::string>{"Z.txt", "a.txt", "b.txt", "sub/c.txt"}));

    ASSERT_TRUE(collectFiles(folder.path(""), "p/**/*.log", {}, {}, files, warnings, problem)) << problem;
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].relative, "sub/d.log");
    ASSERT_TRUE(collectFiles(folder.path(""), "p/sub/c.txt", {}, {}, files, warnings, problem));
    EXPECT_EQ(files[0].relative, "c.txt");
    EXPECT_EQ(files[0].size, 11u);
    EXPECT_FALSE(collectFiles(folder.path(""), "p/*.exe", {}, {}, files, warnings, problem));
    EXPECT_FALSE(collectFiles(folder.path(""), "q", {}, {}, files, warnings, problem));
}

TEST(BuilderPeVersion, ReadsTheFixedFileInfo)
{
    std::string image = peImageWithVersion(10, 0, 19041, 1);
    FileVersion version;
    ASSERT_TRUE(readPeFileVersion(reinterpret_cast<const uint8_t*>(image.data()), image.size(), version));
    EXPECT_EQ(version.high, 10u << 16);
    EXPECT_EQ(version.low, 19041u << 16 | 1u);
}

TEST(BuilderPeVersion, DamagedImagesYieldNoVersionAndAreNeverReadPast)
{
    std::string image = peImageWithVersion(1, 2, 3, 4);
    FileVersion version;
    // Every truncation: the reader stays inside the bytes it was given
    // (the sanitizers watch) and finds no version once its data is cut.
    for (size_t size = 0; size < image.size(); size += 7) {
        std::vector<uint8_t> cut(image.begin(), image.begin() + long(size));
        bool found = readPeFileVersion(cut.data(), cut.size(), version);
        EXPECT_EQ(found, size >= 0x260 + 92) << size;
    }
    std::string text = "MZ is not enough";
    EXPECT_FALSE(readPeFileVersion(reinterpret_cast<const uint8_t*>(text.data()), text.size(), version));
    // A resource tree whose offsets point far outside the file.
    std::string wild = image;
    wild[0x200 + 22] = '\x7F';
    EXPECT_FALSE(readPeFileVersion(reinterpret_cast<const uint8_t*>(wild.data()), wild.size(), version));
    std::string badSignature = image;
    badSignature[0x260 + 40] = 0;
    EXPECT_FALSE(
        readPeFileVersion(reinterpret_cast<const uint8_t*>(badSignature.data()), badSignature.size(), version));
}

TEST(BuilderNames, ReadableNamesAndHotKeys)
{
    uint32_t value = 0;
    EXPECT_TRUE(lookupName(kPlacementNames, "Folder page", value));
    EXPECT_EQ(value, 1u);
    EXPECT_TRUE(lookupName(kPlacementNames, "finish-page", value));
    EXPECT_EQ(value, 2u);
    EXPECT_TRUE(lookupName(kRegistryRootNames, "hklm", value));
    EXPECT_EQ(value, 0x80000002u);
    EXPECT_TRUE(lookupName(kWindowsVersionNames, "win9x", value));
    EXPECT_EQ(value, 7u);
    EXPECT_TRUE(lookupName(kShowCommandNames, "minimized", value));
    EXPECT_EQ(value, 2u);
    EXPECT_FALSE(lookupName(kActionKindNames, "write_file", value));

    uint16_t key = 0;
    std::string problem;
    EXPECT_TRUE(parseHotKey("Shift+F5", key, problem));
    EXPECT_EQ(key, 0x0100 | 0x74);
    EXPECT_TRUE(parseHotKey("ctrl+alt+7", key, problem));
    EXPECT_EQ(key, 0x0600 | '7');
    EXPECT_FALSE(parseHotKey("Ctrl+", key, problem));
    EXPECT_FALSE(parseHotKey("F25", key, problem));
    EXPECT_FALSE(parseHotKey("Ctrl+Esc", key, problem));
}

TEST(BuilderPathTexts, FlagsLengthsAndDollars)
{
    EXPECT_EQ(pageFlagsUsedBy("$PROGRAMFILESFOLDER$\\a"), 2u);
    EXPECT_EQ(pageFlagsUsedBy("$COMMONPROGRAMSFOLDER$\\a.lnk"), 1u);
    EXPECT_EQ(pageFlagsUsedBy("$$PROGRAMFILESFOLDER$$"), 0u);  // escaped: no variable
    EXPECT_EQ(pageFlagsUsedBy("$PROGRAMFILES$\\x"), 0u);
    EXPECT_EQ(literalLength("$SYSTEM$\\ab$$c"), 5u);
    EXPECT_EQ(escapeDollars("a$b"), "a$$b");
    std::string plain;
    EXPECT_TRUE(unescapeDollars("a$$b", plain));
    EXPECT_EQ(plain, "a$b");
    EXPECT_FALSE(unescapeDollars("$SYSTEM$", plain));
    size_t offset = 0;
    std::string reason;
    EXPECT_FALSE(textExpands("ok $TEMP$", offset, reason));
    EXPECT_EQ(offset, 3u);
    EXPECT_NE(reason.find("$TEMP$"), std::string::npos);
    EXPECT_TRUE(textExpands("$HKCU:Software\\X\\Y:none$", offset, reason));
}

TEST(BuilderNamesOnWindows, NamesWindowsRefuses)
{
    EXPECT_EQ(windowsNameProblem("readme.txt"), "");
    EXPECT_NE(windowsNameProblem("a|b"), "");
    EXPECT_NE(windowsNameProblem("trailing."), "");
    EXPECT_NE(windowsNameProblem("CON"), "");
    EXPECT_NE(windowsNameProblem("lpt1.txt"), "");
    EXPECT_EQ(windowsNameProblem("lpt10.txt"), "");
    EXPECT_EQ(windowsNameProblem("console.txt"), "");
}

TEST(BuilderNamesOnWindows, OneRuleForWhatANameMayHold)
{
    for (unsigned char c : std::string("\x01\x1F\x7F<>:\"|?*/\\"))
        EXPECT_TRUE(isForbiddenInName(c)) << int(c);
    for (unsigned char c : std::string(" .$a\x80\xE9\xFF"))
        EXPECT_FALSE(isForbiddenInName(c)) << int(c);
    // Every name the builder accepts, `slipway extract` writes back as it is
    // (in UTF-8); every name it refuses for a character breaks the rule.
    for (int c = 1; c < 256; ++c) {
        std::string name = std::string("a") + char(c) + "b";
        bool accepted = windowsNameProblem(name).empty();
        EXPECT_EQ(accepted, !isForbiddenInName((unsigned char)c)) << "character " << c;
        if (accepted && c != '/' && c != '\\')
            EXPECT_EQ(safeRelativeNames(name), std::vector<std::string>{windows1252ToUtf8(name)}) << "character " << c;
    }
}

TEST(BuilderLicence, TextLicencesGetWindowsLineEnds)
{
    std::string out;
    size_t bad = 0;
    uint32_t code = 0;
    ASSERT_TRUE(licenseTextFromUtf8("\xEF\xBB\xBFOne\nTwo\r\nThree é", 1252, out, bad, code));
    EXPECT_EQ(out, "One\r\nTwo\r\nThree \xE9");
    EXPECT_FALSE(licenseTextFromUtf8("\xEF\xBB\xBFsnow ☃", 1252, out, bad, code));
    EXPECT_EQ(bad, 6u);  // the mark counts as a character of the file
}

}  // namespace
