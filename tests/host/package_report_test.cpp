// slipway inspect and extract: packages made here, described and taken apart.
#include "engine_samples.h"
#include "test_packages.h"

#include "builder/commands.h"
#include "builder/extract/package_extraction.h"
#include "builder/extract/safe_path.h"
#include "builder/inspect/loaded_package.h"
#include "builder/inspect/package_description.h"
#include "builder/inspect/report_writers.h"
#include "builder/sha256.h"
#include "builder/windows1252.h"

#include <gtest/gtest.h>

#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

using samples::ScratchFolder;
using samples::text;

namespace {

using Names = std::vector<std::string>;

// Checks that a text is one well-formed JSON value: enough to catch a
// missing comma, an unescaped quote or control character, or a bad nesting.
class JsonChecker {
public:
    explicit JsonChecker(const std::string& text) : s_(text) {}
    bool valid()
    {
        skipBlanks();
        if (!value())
            return false;
        skipBlanks();
        return i_ == s_.size();
    }

private:
    void skipBlanks()
    {
        while (i_ < s_.size() && strchr(" \t\r\n", s_[i_]))
            ++i_;
    }
    bool literal(const char* word)
    {
        size_t n = strlen(word);
        if (s_.compare(i_, n, word) != 0)
            return false;
        i_ += n;
        return true;
    }
    bool string()
    {
        if (s_[i_] != '"')
            return false;
        for (++i_; i_ < s_.size(); ++i_) {
            unsigned char c = s_[i_];
            if (c == '"') {
                ++i_;
                return true;
            }
            if (c < 0x20)
                return false;
            if (c == '\\') {
                ++i_;
                if (i_ >= s_.size() || !strchr("\"\\/bfnrtu", s_[i_]))
                    return false;
                if (s_[i_] == 'u') {
                    for (int k = 0; k < 4; ++k)
                        if (++i_ >= s_.size() || !isxdigit(static_cast<unsigned char>(s_[i_])))
                            return false;
                }
            }
        }
        return false;
    }
    bool number()
    {
        size_t start = i_;
        while (i_ < s_.size() && isdigit(static_cast<unsigned char>(s_[i_])))
            ++i_;
        return i_ > start;
    }
    bool sequence(char close, bool keyed)
    {
        ++i_;
        skipBlanks();
        if (i_ < s_.size() && s_[i_] == close) {
            ++i_;
            return true;
        }
        for (;;) {
            skipBlanks();
            if (keyed) {
                if (i_ >= s_.size() || !string())
                    return false;
                skipBlanks();
                if (i_ >= s_.size() || s_[i_++] != ':')
                    return false;
                skipBlanks();
            }
            if (!value())
                return false;
            skipBlanks();
            if (i_ >= s_.size())
                return false;
            char c = s_[i_++];
            if (c == close)
                return true;
            if (c != ',')
                return false;
        }
    }
    bool value()
    {
        if (i_ >= s_.size())
            return false;
        switch (s_[i_]) {
        case '{': return sequence('}', true);
        case '[': return sequence(']', false);
        case '"': return string();
        case 't': return literal("true");
        case 'f': return literal("false");
        case 'n': return literal("null");
        default: return number();
        }
    }

    const std::string& s_;
    size_t i_ = 0;
};

// A package with every kind, written to a file in the folder.
std::string writeSamplePackage(const ScratchFolder& folder, const ActionScript& script)
{
    std::string path = folder.path() + "/setup.exe";
    EXPECT_TRUE(samples::writeBytes(path, samples::installPackageWith(script)));
    return path;
}

bool load(const std::string& path, LoadedPackage& package, std::string& error)
{
    return loadPackage(path.c_str(), package, error);
}

std::string readFile(const std::string& path)
{
    Bytes bytes;
    if (!readWholeFile(path.c_str(), bytes))
        return "<missing>";
    return samples::stringOf(bytes);
}

bool exists(const std::string& path)
{
    struct stat info;
    return lstat(path.c_str(), &info) == 0;
}

// Runs a subcommand as main() would, capturing its standard output.
int runSubcommand(int (*command)(int, char**), std::vector<std::string> arguments, std::string& output)
{
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(&argument[0]);
    ::testing::internal::CaptureStdout();
    int code = command(int(argv.size()), argv.data());
    fflush(stdout);
    output = ::testing::internal::GetCapturedStdout();
    return code;
}

}  // namespace

// ------------------------------------------------------------ building blocks

TEST(Sha256, KnownVectors)
{
    EXPECT_EQ(sha256Hex("", 0), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(sha256Hex("abc", 3), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    const char* twoBlocks = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
    EXPECT_EQ(sha256Hex(twoBlocks, strlen(twoBlocks)),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
}

TEST(Sha256, PiecewiseUpdatesEqualOneUpdate)
{
    // A million 'a's in pieces of awkward sizes, across every block boundary case.
    std::string million(1000000, 'a');
    Sha256 hash;
    size_t done = 0;
    for (size_t piece = 1; done < million.size(); piece = piece % 130 + 1) {
        size_t take = std::min(piece, million.size() - done);
        hash.update(million.data() + done, take);
        done += take;
    }
    uint8_t digest[Sha256::kDigestSize];
    hash.finish(digest);
    char hex[65];
    for (int i = 0; i < 32; ++i)
        snprintf(hex + 2 * i, 3, "%02x", digest[i]);
    EXPECT_STREQ(hex, "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
    EXPECT_EQ(sha256Hex(million.data(), million.size()), hex);
}

TEST(Windows1252, HighBytesBecomeTheirCharacters)
{
    EXPECT_EQ(windows1252ToUtf8("plain"), "plain");
    EXPECT_EQ(windows1252ToUtf8("Caf\xE9"), "Caf\xC3\xA9");
    EXPECT_EQ(windows1252ToUtf8("\x80\x99\x9F"), "\xE2\x82\xAC\xE2\x84\xA2\xC5\xB8");
    // Bytes the page leaves undefined keep their value as C1 controls.
    EXPECT_EQ(windows1252ToUtf8("\x81\x9D"), "\xC2\x81\xC2\x9D");
    EXPECT_EQ(windows1252ToWide("\x80\xFF"), std::wstring(L"\u20AC\u00FF"));
}

TEST(ReportWriters, QuotingEscapesWhatWouldBreakTheOutput)
{
    const std::string tricky = std::string("a\"b\\c\nd\te\x01", 10) + std::string(1, '\0') + "\xC3\xA9";
    EXPECT_EQ(jsonQuote(tricky), "\"a\\\"b\\\\c\\nd\\te\\u0001\\u0000\xC3\xA9\"");
    EXPECT_EQ(textQuote(tricky), "\"a\\\"b\\\\c\\nd\\te\\x01\\0\xC3\xA9\"");
}

TEST(ReportWriters, NestedObjectsAndListsInBothForms)
{
    ReportNode root = ReportNode::object();
    root.add("name", ReportNode::text("x"));
    root.add("root", ReportNode::number(0x80000002, ReportNode::NumberStyle::Hex));
    ReportNode& items = root.add("items", ReportNode::list());
    ReportNode& first = items.append(ReportNode::object());
    first.add("kind", ReportNode::text("A"));
    first.add("size", ReportNode::number(3));
    items.append(ReportNode::text("plain"));
    root.add("empty", ReportNode::list());
    root.add("none", ReportNode::null());

    EXPECT_EQ(renderReportText(root),
              "name: \"x\"\n"
              "root: 0x80000002\n"
              "items:\n"
              "  - kind: \"A\"\n"
              "    size: 3\n"
              "  - \"plain\"\n"
              "empty: (none)\n"
              "none: none\n");
    EXPECT_EQ(renderReportJson(root),
              "{\n"
              "  \"name\": \"x\",\n"
              "  \"root\": 2147483650,\n"
              "  \"items\": [\n"
              "    {\n"
              "      \"kind\": \"A\",\n"
              "      \"size\": 3\n"
              "    },\n"
              "    \"plain\"\n"
              "  ],\n"
              "  \"empty\": [],\n"
              "  \"none\": null\n"
              "}\n");
}

TEST(ReportParts, TextListsSplitIntoTheirItems)
{
    ReportNode keys = describeTextList(samples::literal("First\0Second\0\0ignored\0"));
    ASSERT_EQ(keys.children().size(), 2u);
    EXPECT_EQ(keys.children()[1].second.textValue(), "Second");
    // A list without its closing empty name ends at the item's end.
    EXPECT_EQ(describeTextList(samples::literal("Only")).children().size(), 1u);
    EXPECT_EQ(describeTextList(samples::literal("\0")).children().size(), 0u);

    ReportNode pairs = describeTextPairs(samples::literal("-version\0"
                                                          "1.0\0-cut\0"),
                                         "key", "text");
    ASSERT_EQ(pairs.children().size(), 2u);
    EXPECT_EQ(pairs.children()[0].second.find("text")->textValue(), "1.0");
    EXPECT_EQ(pairs.children()[1].second.find("key")->textValue(), "-cut");
    EXPECT_EQ(pairs.children()[1].second.find("text")->textValue(), "");
}

TEST(ReportParts, FileTimesAreUtcDates)
{
    EXPECT_EQ(describeFileTime(0).kind(), ReportNode::Kind::Null);
    EXPECT_EQ(describeFileTime(116444736000000000ull).textValue(), "1970-01-01T00:00:00.0000000Z");
    // 2000-02-29 12:34:56.789 UTC, a leap day.
    EXPECT_EQ(describeFileTime(125963012967890000ull).textValue(), "2000-02-29T12:34:56.7890000Z");
    EXPECT_EQ(describeFileTime(1).textValue(), "1601-01-01T00:00:00.0000001Z");
}

// ------------------------------------------------------------ inspect

TEST(Inspect, InstallPackageShowsContainerBlocksAndEveryAction)
{
    ScratchFolder folder;
    ActionScript script;
    samples::fillEveryKind(script);
    std::string path = writeSamplePackage(folder, script);

    std::unique_ptr<LoadedPackage> package(new LoadedPackage);
    std::string error;
    ASSERT_TRUE(load(path, *package, error)) << error;
    ReportNode report = describePackage(*package, "setup.exe");
    std::string output = renderReportText(report);

    const ContainerFacts& container = package->container;
    EXPECT_EQ(container.stubSize, sampleStubImage().size());
    EXPECT_EQ(container.certificateOffset, 0u);
    EXPECT_EQ(container.trailerOffset + 4, container.fileSize);
    EXPECT_EQ(package->blocks[1].usize, samples::serializedActionBlock(script).size());
    EXPECT_EQ(package->blocks[1].bytesBehindPool, 0u);
    EXPECT_NE(output.find("stubSize: " + std::to_string(sampleStubImage().size()) + "\n"), std::string::npos);
    EXPECT_NE(output.find("signed: no\n"), std::string::npos);
    EXPECT_NE(output.find("lc: 3\n"), std::string::npos);

    // Block 0 by name, the banner summarised, the info switches as pairs.
    EXPECT_NE(output.find("  title: \"Slipway Test Product Setup\"\n"), std::string::npos);
    EXPECT_NE(output.find("  banner:\n    infoSize: 1064\n    bitsSize: 1024\n    width: 64\n    height: 16\n"),
              std::string::npos);
    EXPECT_NE(output.find("  infoSwitches:\n    - key: \"-version\"\n      text: \"2026-12-07\"\n"), std::string::npos);

    // Every kind by class name, with its fields by name.
    for (uint32_t kind = 1; kind <= 14; ++kind) {
        std::unique_ptr<Action> action(createAction(kind));
        EXPECT_NE(output.find(std::string("- kind: \"") + action->className() + "\"\n"), std::string::npos)
            << action->className();
    }
    const WriteFileAction& file = static_cast<const WriteFileAction&>(*script.mainActions.actions[0]);
    EXPECT_NE(output.find("path: \"path-1\"\n"), std::string::npos);
    EXPECT_NE(output.find("data:\n          size: " + std::to_string(file.data.size()) + "\n          sha256: \"" +
                          sha256Hex(file.data.data(), file.data.size()) + "\"\n"),
              std::string::npos);
    EXPECT_NE(output.find("rootName: none\n"), std::string::npos);  // sample roots are not predefined keys
    EXPECT_NE(output.find("name: \"Documentation\"\n"), std::string::npos);
    EXPECT_NE(output.find("placementName: \"finish_page\"\n"), std::string::npos);
    EXPECT_NE(output.find("modified: \"2024-11-01T08:44:42."), std::string::npos);

    // The seventeen texts, lists split, 8-bit texts shown as UTF-8.
    EXPECT_NE(output.find("uninstallKeyName:\n      - \"SampleProduct\"\n      - \"OldSample\"\n"), std::string::npos);
    EXPECT_NE(output.find("value: \"Caf\xC3\xA9 \xE2\x82\xAC Ltd\"\n"), std::string::npos);
    EXPECT_NE(output.find("uninstallFailureText: \"uninstallFailureText text\"\n"), std::string::npos);
    EXPECT_NE(output.find("  upgradeRules: 1\n"), std::string::npos) << "behind the texts, at the script's level";
}

TEST(Inspect, JsonIsWellFormedAndHasTheSameFacts)
{
    ScratchFolder folder;
    ActionScript script;
    samples::fillEveryKind(script);
    // Texts that JSON must escape.
    script.successText = text("Done.\r\n\t\"Quoted\" \\ back\x01slash \xA9");
    std::string path = writeSamplePackage(folder, script);

    std::string json;
    ASSERT_EQ(runSubcommand(runInspectCommand, {path, "--json"}, json), 0);
    EXPECT_TRUE(JsonChecker(json).valid()) << json;
    EXPECT_NE(json.find("\"successText\": \"Done.\\r\\n\\t\\\"Quoted\\\" \\\\ back\\u0001slash \xC2\xA9\""),
              std::string::npos);
    EXPECT_NE(json.find("\"kind\": \"CallLibraryOnUninstallAction\""), std::string::npos);
    EXPECT_NE(json.find("\"signed\": false"), std::string::npos);
    EXPECT_NE(json.find("\"certificateOffset\": null"), std::string::npos);

    std::string plain;
    ASSERT_EQ(runSubcommand(runInspectCommand, {path}, plain), 0);
    EXPECT_EQ(plain.find('{'), std::string::npos);
    EXPECT_NE(plain.find("kind: \"CallLibraryOnUninstallAction\""), std::string::npos);
}

TEST(Inspect, SignedPackageShowsItsCertificateOffset)
{
    // The security directory names a table right behind the trailer, as a
    // signing tool leaves it; the sample stub's PE header is at 0x80.
    ActionScript script;
    samples::fillEveryKind(script);
    std::string bytes = samples::stringOf(samples::installPackageWith(script));
    uint32_t tableOffset = uint32_t(bytes.size());
    storeU32(reinterpret_cast<uint8_t*>(&bytes[0x80 + 0x98]), tableOffset);
    storeU32(reinterpret_cast<uint8_t*>(&bytes[0x80 + 0x9C]), 24);
    bytes += std::string(24, '\x30');
    ScratchFolder folder;
    std::string path = folder.path() + "/signed.exe";
    Bytes file;
    file.assign(bytes.data(), bytes.size());
    ASSERT_TRUE(samples::writeBytes(path, file));

    std::string output;
    ASSERT_EQ(runSubcommand(runInspectCommand, {path}, output), 0);
    EXPECT_NE(output.find("  signed: yes\n  certificateOffset: " + std::to_string(tableOffset) +
                          "\n  bytesBehindTrailer: 24\n"),
              std::string::npos)
        << output;
}

TEST(Inspect, UninstallPackageShowsItsScriptAndUndoLog)
{
    ScratchFolder folder;
    UninstallScript script;
    samples::fillEveryUndoKind(script);
    std::string path = folder.path() + "/uninstall.exe";
    ASSERT_TRUE(samples::writeBytes(path, samples::uninstallPackageWith(script)));

    std::string output;
    ASSERT_EQ(runSubcommand(runInspectCommand, {path}, output), 0);
    EXPECT_NE(output.find("package: \"uninstall\"\n"), std::string::npos);
    EXPECT_NE(output.find("bodySize: "), std::string::npos);
    EXPECT_NE(output.find("uninstallerPath: \"uninstallerPath value\"\n"), std::string::npos);
    // Newest first, as the log runs.
    size_t library = output.find("- kind: \"CallLibraryUndo\"");
    size_t folderEntry = output.find("- kind: \"RemoveFolderUndo\"");
    ASSERT_NE(library, std::string::npos);
    ASSERT_NE(folderEntry, std::string::npos);
    EXPECT_LT(library, folderEntry);
    EXPECT_NE(output.find("reportFailure: "), std::string::npos);
    EXPECT_NE(output.find("reversal: yes"), std::string::npos);

    std::string json;
    ASSERT_EQ(runSubcommand(runInspectCommand, {path, "--json"}, json), 0);
    EXPECT_TRUE(JsonChecker(json).valid());
}

TEST(Inspect, DamagedPackagesAreRefusedWithAReason)
{
    ScratchFolder folder;
    ActionScript script;
    samples::fillEveryKind(script);
    Bytes good = samples::installPackageWith(script);
    std::unique_ptr<LoadedPackage> probe(new LoadedPackage);
    std::string error;
    std::string goodPath = folder.path() + "/good.exe";
    ASSERT_TRUE(samples::writeBytes(goodPath, good));
    ASSERT_TRUE(load(goodPath, *probe, error)) << error;
    const BlockFacts block1 = probe->blocks[1];

    struct Case {
        const char* name;
        std::string bytes;
        const char* reason;
    };
    std::string whole = samples::stringOf(good);
    std::string noTrailer = whole.substr(0, whole.size() - 1);
    std::string block1Broken = whole;
    block1Broken[block1.offset + 8 + 5 + block1.csize / 2] ^= 0x55;
    // Each kind of damage to each block is named, not guessed.
    const size_t block0 = sampleStubImage().size() + 4;
    auto damaged = [&](size_t offset, uint32_t value, bool wholeWord) {
        std::string bytes = whole;
        if (wholeWord)
            storeU32(reinterpret_cast<uint8_t*>(&bytes[offset]), value);
        else
            bytes[offset] = char(value);
        return bytes;
    };
    const std::string csize0 = damaged(block0, 0x7FFFFFF0, true);
    const std::string usize0 = damaged(block0 + 4, 7, true);
    const std::string huge0 = damaged(block0 + 4, 0xFFFFFFFF, true);
    const std::string properties0 = damaged(block0 + 8, 225, false);
    const std::string csize1 = damaged(block1.offset, 0x7FFFFFF0, true);
    const std::string properties1 = damaged(block1.offset + 8, 3 + 9 * (2 + 5 * 2), false);
    const std::string usize1 = damaged(block1.offset + 4, block1.usize + 1, true);
    const Case cases[] = {
        {"empty", std::string(), "no package"},
        {"cut", noTrailer, "no package"},
        {"csize0", csize0,
         "block 0 (the install script) is damaged: its compressed size (2147483632 bytes) does not fit"},
        {"usize0", usize0,
         "block 0 (the install script) is damaged: its LZMA stream does not decode to its stated size"},
        {"huge0", huge0, "block 0 (the install script) is damaged: its decoded size (4294967295 bytes) is more than"},
        {"properties0", properties0, "block 0 (the install script) is damaged: its LZMA properties byte 0xE1"},
        {"block1", block1Broken, "block 1 (the action script) is damaged: its LZMA stream"},
        {"csize1", csize1, "block 1 (the action script) is damaged: its compressed size"},
        {"properties1", properties1, "block 1 (the action script) is damaged: its LZMA properties byte 0x6F"},
        {"usize1", usize1,
         "block 1 (the action script) is damaged: its LZMA stream does not decode to its stated size"},
    };
    for (const Case& c : cases) {
        std::string path = folder.path() + "/" + c.name + ".exe";
        Bytes bytes;
        bytes.assign(c.bytes.data(), c.bytes.size());
        ASSERT_TRUE(samples::writeBytes(path, bytes));
        std::unique_ptr<LoadedPackage> package(new LoadedPackage);
        EXPECT_FALSE(load(path, *package, error)) << c.name;
        EXPECT_NE(error.find(c.reason), std::string::npos) << c.name << ": " << error;
        std::string output;
        EXPECT_EQ(runSubcommand(runInspectCommand, {path}, output), 1) << c.name;
        EXPECT_EQ(output, "") << c.name;
    }
    std::string output;
    EXPECT_EQ(runSubcommand(runInspectCommand, {folder.path() + "/missing.exe"}, output), 1);
    EXPECT_EQ(runSubcommand(runInspectCommand, {}, output), 2);
    EXPECT_EQ(runSubcommand(runInspectCommand, {goodPath, "--yaml"}, output), 2);
}

TEST(Inspect, ActionScriptReadingPastItsPoolIsDamage)
{
    // A block 1 that decodes but whose record names an item the pool lacks.
    ByteSink sink;
    sink.appendU32(0);
    sink.appendU32(1);
    sink.appendU32(RemoveOnUninstallAction::kKind);
    sink.appendU32(40);
    sink.appendU32(0);
    Bytes block1;
    ASSERT_TRUE(sink.flatten(block1));
    CompressionOptions options;
    options.preset = 1;
    options.extreme = false;
    Bytes file;
    ASSERT_TRUE(buildInstallPackage(sampleStubImage(), sampleInstallScript(), block1, options, file));
    ScratchFolder folder;
    std::string path = folder.path() + "/setup.exe";
    ASSERT_TRUE(samples::writeBytes(path, file));
    std::unique_ptr<LoadedPackage> package(new LoadedPackage);
    std::string error;
    EXPECT_FALSE(load(path, *package, error));
    EXPECT_NE(error.find("block 1 (the action script) is damaged: a record"), std::string::npos) << error;
}

// ------------------------------------------------------------ extract

TEST(SafePaths, NamesCannotLeaveTheFolder)
{
    EXPECT_EQ(safeRelativeNames("$PROGRAMFILESFOLDER$\\sub\\a.txt"), (Names{"$PROGRAMFILESFOLDER$", "sub", "a.txt"}));
    EXPECT_EQ(safeRelativeNames("..\\..\\evil"), (Names{"_", "_", "evil"}));
    EXPECT_EQ(safeRelativeNames("a/../../b"), (Names{"a", "_", "_", "b"}));
    EXPECT_EQ(safeRelativeNames("C:\\x"), (Names{"C_", "x"}));
    EXPECT_EQ(safeRelativeNames("\\\\server\\share\\f"), (Names{"server", "share", "f"}));
    EXPECT_EQ(safeRelativeNames("/etc/passwd"), (Names{"etc", "passwd"}));
    EXPECT_EQ(safeRelativeNames("$A:$"), (Names{"$A_$"}));
    EXPECT_EQ(safeRelativeNames("\\\\?\\C:\\x"), (Names{"_", "C_", "x"}));
    EXPECT_EQ(safeRelativeNames("a\\.\\b"), (Names{"a", "b"}));
    EXPECT_EQ(safeRelativeNames("...\\ . \\f"), (Names{"_", "_", "f"}));
    EXPECT_EQ(safeRelativeNames("x<y>z|w?*\"q\x01"), (Names{"x_y_z_w___q_"}));
    EXPECT_EQ(safeRelativeNames("name. "), (Names{"name__"}));
    EXPECT_EQ(safeRelativeNames("dir\\NUL.txt"), (Names{"dir", "_NUL.txt"}));
    EXPECT_EQ(safeRelativeNames("com1"), (Names{"_com1"}));
    EXPECT_EQ(safeRelativeNames("COM10"), (Names{"COM10"}));
    EXPECT_EQ(safeRelativeNames(""), (Names{"_"}));
    EXPECT_EQ(safeRelativeNames("\\\\"), (Names{"_"}));
    EXPECT_EQ(safeRelativeNames("Caf\xE9.txt"), (Names{"Caf\xC3\xA9.txt"}));
}

TEST(SafePaths, DeviceNamesInEveryFormWindowsAccepts)
{
    // Blanks before the extension still name the device.
    EXPECT_EQ(safeRelativeNames("NUL .txt"), (Names{"_NUL .txt"}));
    EXPECT_EQ(safeRelativeNames("COM1 .txt"), (Names{"_COM1 .txt"}));
    EXPECT_EQ(safeRelativeNames("aux .x"), (Names{"_aux .x"}));
    EXPECT_EQ(safeRelativeNames("con  ..log"), (Names{"_con  ..log"}));
    // Windows-1252 superscripts one, two and three are port digits.
    EXPECT_EQ(safeRelativeNames("COM\xB9"), (Names{"_COM\xC2\xB9"}));
    EXPECT_EQ(safeRelativeNames("lpt\xB2.txt"), (Names{"_lpt\xC2\xB2.txt"}));
    EXPECT_EQ(safeRelativeNames("Com\xB3 .a"), (Names{"_Com\xC2\xB3 .a"}));
    // Near misses stay as they are.
    EXPECT_EQ(safeRelativeNames("NULL.txt"), (Names{"NULL.txt"}));
    EXPECT_EQ(safeRelativeNames(" NUL.txt"), (Names{" NUL.txt"}));
    EXPECT_EQ(safeRelativeNames("COM\xB4"), (Names{"COM\xC2\xB4"}));
    EXPECT_EQ(safeRelativeNames("COM0"), (Names{"COM0"}));
}

TEST(Extract, WritesEveryPackagedFileUnderItsPath)
{
    ScratchFolder folder;
    ActionScript script;
    script.mainActions.actions.push(
        samples::writeFile("$PROGRAMFILESFOLDER$\\Sample\\app.exe", "MZ program", 125963012967890000ull));
    script.mainActions.actions.push(samples::filledAction(RunAction::kKind, 1));
    Component* component = new Component;
    component->actions.actions.push(samples::writeFile("$INSTALLFOLDER$\\docs\\manual.txt", "read me"));
    component->actions.actions.push(samples::writeFile("$INSTALLFOLDER$\\docs\\empty.txt", ""));
    script.components.push(component);
    samples::clearTexts(script);
    std::string path = writeSamplePackage(folder, script);
    std::string out = folder.path() + "/out/nested";

    std::string report;
    ASSERT_EQ(runSubcommand(runExtractCommand, {path, "-o", out}, report), 0);
    EXPECT_EQ(readFile(out + "/$PROGRAMFILESFOLDER$/Sample/app.exe"), "MZ program");
    EXPECT_EQ(readFile(out + "/$INSTALLFOLDER$/docs/manual.txt"), "read me");
    EXPECT_EQ(readFile(out + "/$INSTALLFOLDER$/docs/empty.txt"), "");
    EXPECT_NE(report.find(out + "/$PROGRAMFILESFOLDER$/Sample/app.exe (10 bytes)\n"), std::string::npos);
    EXPECT_NE(report.find("3 files, 17 bytes written to " + out + "\n"), std::string::npos);

    struct stat info;
    ASSERT_EQ(stat((out + "/$PROGRAMFILESFOLDER$/Sample/app.exe").c_str(), &info), 0);
    EXPECT_EQ(info.st_mtim.tv_sec, 951827696);  // 2000-02-29 12:34:56 UTC
    EXPECT_EQ(info.st_mtim.tv_nsec, 789000000);
}

TEST(Extract, HostileNamesStayInsideTheFolder)
{
    ScratchFolder folder;
    ActionScript script;
    script.mainActions.actions.push(samples::writeFile("..\\..\\evil", "1"));
    script.mainActions.actions.push(samples::writeFile("C:\\x", "2"));
    script.mainActions.actions.push(samples::writeFile("\\\\server\\share", "3"));
    script.mainActions.actions.push(samples::writeFile("$A:$", "4"));
    script.mainActions.actions.push(samples::writeFile("/tmp/../escape", "5"));
    samples::clearTexts(script);
    std::string path = writeSamplePackage(folder, script);
    std::string out = folder.path() + "/out";

    std::string report;
    ASSERT_EQ(runSubcommand(runExtractCommand, {path, "-o", out}, report), 0) << report;
    EXPECT_EQ(readFile(out + "/_/_/evil"), "1");
    EXPECT_EQ(readFile(out + "/C_/x"), "2");
    EXPECT_EQ(readFile(out + "/server/share"), "3");
    EXPECT_EQ(readFile(out + "/$A_$"), "4");
    EXPECT_EQ(readFile(out + "/tmp/_/escape"), "5");
    EXPECT_FALSE(exists(folder.path() + "/evil"));
    EXPECT_FALSE(exists(out + "/../evil"));
    // A renamed path is reported with the name the package gave it.
    EXPECT_NE(report.find(out + "/_/_/evil (1 bytes) from \"..\\\\..\\\\evil\"\n"), std::string::npos) << report;
}

TEST(Extract, SymbolicLinkInTheFolderIsNotFollowed)
{
    ScratchFolder folder;
    ScratchFolder elsewhere;
    std::string out = folder.path() + "/out";
    ASSERT_EQ(mkdir(out.c_str(), 0777), 0);
    ASSERT_EQ(symlink(elsewhere.path().c_str(), (out + "/link").c_str()), 0);
    ASSERT_EQ(symlink((elsewhere.path() + "/target.txt").c_str(), (out + "/file.txt").c_str()), 0);
    ActionScript script;
    script.mainActions.actions.push(samples::writeFile("link\\planted.txt", "no"));
    script.mainActions.actions.push(samples::writeFile("file.txt", "no"));
    script.mainActions.actions.push(samples::writeFile("fine.txt", "yes"));
    samples::clearTexts(script);
    std::string path = writeSamplePackage(folder, script);

    std::string report;
    EXPECT_EQ(runSubcommand(runExtractCommand, {path, "-o", out}, report), 1);
    EXPECT_FALSE(exists(elsewhere.path() + "/planted.txt"));
    EXPECT_FALSE(exists(elsewhere.path() + "/target.txt"));
    EXPECT_EQ(readFile(out + "/fine.txt"), "yes");
    EXPECT_NE(report.find("1 files, 3 bytes written"), std::string::npos);
}

TEST(Extract, ExistingFilesAreNeverWrittenInto)
{
    ScratchFolder folder;
    ScratchFolder elsewhere;
    std::string out = folder.path() + "/out";
    ASSERT_EQ(mkdir(out.c_str(), 0777), 0);
    // A hard link in the output folder to a file outside it, and a plain
    // file left from before.
    std::string outside = elsewhere.path() + "/precious.txt";
    ASSERT_TRUE(samples::writeBytes(outside, bytesOf("precious")));
    ASSERT_EQ(link(outside.c_str(), (out + "/linked.txt").c_str()), 0);
    ASSERT_TRUE(samples::writeBytes(out + "/old.txt", bytesOf("old")));
    ActionScript script;
    script.mainActions.actions.push(samples::writeFile("linked.txt", "overwritten"));
    script.mainActions.actions.push(samples::writeFile("old.txt", "overwritten"));
    script.mainActions.actions.push(samples::writeFile("twice.txt", "first"));
    script.mainActions.actions.push(samples::writeFile("twice.txt", "second"));
    samples::clearTexts(script);
    std::string path = writeSamplePackage(folder, script);

    std::string report;
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(runSubcommand(runExtractCommand, {path, "-o", out}, report), 1);
    std::string errors = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(readFile(outside), "precious");
    EXPECT_EQ(readFile(out + "/old.txt"), "old");
    EXPECT_EQ(readFile(out + "/twice.txt"), "first");
    EXPECT_NE(errors.find(out + "/linked.txt: a file of that name is there already"), std::string::npos) << errors;
    EXPECT_NE(report.find("1 files, 5 bytes written"), std::string::npos) << report;
}

TEST(Extract, PackagePathsAreShownEscaped)
{
    ScratchFolder folder;
    ActionScript script;
    // A title-setting escape, a forged line and a C1 control (0x9D is
    // U+009D, the 8-bit OSC) in the package's names.
    script.mainActions.actions.push(samples::writeFile("a\x1b]0;owned\x07.txt", "1"));
    script.mainActions.actions.push(samples::writeFile("b\nslipway: all fine\r.txt", "2"));
    script.mainActions.actions.push(samples::writeFile("c\x9D.txt", "3"));
    samples::clearTexts(script);
    std::string path = writeSamplePackage(folder, script);
    std::string out = folder.path() + "/out";

    std::string report;
    ASSERT_EQ(runSubcommand(runExtractCommand, {path, "-o", out}, report), 0) << report;
    EXPECT_EQ(report.find('\x1b'), std::string::npos);
    EXPECT_EQ(report.find('\x07'), std::string::npos);
    EXPECT_EQ(report.find('\r'), std::string::npos);
    EXPECT_EQ(report.find("\xC2\x9D"), std::string::npos);
    EXPECT_NE(report.find("from \"a\\x1B]0;owned\\x07.txt\""), std::string::npos) << report;
    EXPECT_NE(report.find("from \"b\\nslipway: all fine\\r.txt\""), std::string::npos) << report;
    EXPECT_NE(report.find("/c\\u009D.txt (1 bytes)"), std::string::npos) << report;
    // Four lines: three files and the total; nothing forged among them.
    EXPECT_EQ(std::count(report.begin(), report.end(), '\n'), 4) << report;
}

TEST(Extract, UninstallPackageAndUsageMistakesAreRefused)
{
    ScratchFolder folder;
    UninstallScript script;
    samples::fillEveryUndoKind(script);
    std::string path = folder.path() + "/uninstall.exe";
    ASSERT_TRUE(samples::writeBytes(path, samples::uninstallPackageWith(script)));
    std::string report;
    EXPECT_EQ(runSubcommand(runExtractCommand, {path, "-o", folder.path() + "/out"}, report), 1);
    EXPECT_EQ(runSubcommand(runExtractCommand, {path}, report), 2);
    EXPECT_EQ(runSubcommand(runExtractCommand, {path, "-o"}, report), 2);
}
