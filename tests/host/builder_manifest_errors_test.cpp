// Every mistake in a manifest or in the files it names is reported at its
// place, file:line:column, with what was expected, and alone: one mistake,
// one message.
#include "builder_test_support.h"

#include "builder/manifest/manifest_shape.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

struct MistakeCase {
    const char* name;
    std::string manifest;
    std::vector<std::pair<std::string, std::string>> files;
    std::string place;    // "slipway.toml:6:20" or "LICENSE.txt:2:6"
    std::string message;  // a part of the message
};

// Test names say which case failed; the whole manifest would be noise.
void PrintTo(const MistakeCase& c, std::ostream* out)
{
    *out << c.name;
}

std::string withProduct(const std::string& rest)
{
    return productTable() + rest;
}

std::string repeated(const std::string& part, size_t times)
{
    std::string out;
    out.reserve(part.size() * times);
    for (size_t i = 0; i < times; ++i)
        out += part;
    return out;
}

std::vector<MistakeCase> mistakes()
{
    const std::vector<std::pair<std::string, std::string>> readme = {{"files/readme.txt", "hello\n"}};
    // clang-format off
    return {
        {"UnknownKeyWithSuggestion", withProduct("nmae = \"x\"\n"), {}, "slipway.toml:5:1",
         "unknown key 'nmae' in [product]; did you mean 'name'?"},
        {"UnknownTopLevelKey", withProduct("[wizzard]\n"), {}, "slipway.toml:5:2", "unknown key 'wizzard'"},
        {"WrongType", "[product]\nname = \"Hello\"\nversion = 1\npublisher = \"P\"\n", {}, "slipway.toml:3:11",
         "'version' in [product]: expected a string, found an integer"},
        {"MissingRequiredKey", "[product]\nname = \"Hello\"\nversion = \"1\"\n", {}, "slipway.toml:1:1",
         "missing key 'publisher' in [product]"},
        {"MissingProduct", "code_page = 1252\n", {}, "slipway.toml", "missing table [product]"},
        {"NotToml", withProduct("x = = 1\n"), {}, "slipway.toml:5:", "not valid TOML"},
        {"UnknownCodePage", "code_page = 437\n" + productTable(), {}, "slipway.toml:1:13",
         "expected one of the code pages 1250, 1251, 1252"},
        {"UnknownPathVariable", withProduct("[texts]\nwelcome_text = \"Hi $PROGRAMFILESFOLDR$\"\n"), {},
         "slipway.toml:6:20", "unknown path variable $PROGRAMFILESFOLDR$; expected one of $PROGRAMFILESFOLDER$"},
        {"UnclosedDollar", withProduct("[texts]\nhint_text = \"50$ off\"\n"), {}, "slipway.toml:6:16",
         "without its closing"},
        {"UnclosedDollarInLiteralString", withProduct("[texts]\nwelcome_text = 'a$b'\n"), {}, "slipway.toml:6:18",
         "without its closing"},
        {"UnencodableCharacter", withProduct("[texts]\nwelcome_text = \"Grüße ☃\"\n"), {}, "slipway.toml:6:23",
         "Windows-1252 has no character U+2603"},
        {"UnencodableEscape", withProduct("[texts]\nwelcome_text = \"ok \\u2603\"\n"), {}, "slipway.toml:6:20",
         "U+2603"},
        {"UnencodableInMultiLineString", withProduct("[texts]\nwelcome_text = \"\"\"\nline one\nnow ☃\"\"\"\n"), {},
         "slipway.toml:8:5", "U+2603"},
        {"CyrillicNeedsItsCodePage", withProduct("[texts]\nhint_text = \"Далее\"\n"), {}, "slipway.toml:6:14",
         "declare another with code_page"},
        {"UnknownActionKind", withProduct("[[actions]]\nkind = \"copy\"\n"), {}, "slipway.toml:6:8",
         "unknown action kind 'copy'; expected one of: files, copy_file"},
        {"MissingActionField", withProduct("[[actions]]\nkind = \"copy_file\"\nsource = \"a\"\n"), {},
         "slipway.toml:5:1", "missing key 'destination' in [[actions]] entry 1"},
        {"KeyOfAnotherKind", withProduct("[[actions]]\nkind = \"delete_files\"\npath = \"$WINDOWS$\\\\x\"\ntarget = \"y\"\n"),
         {}, "slipway.toml:8:1", "unknown key 'target' in [[actions]] entry 1"},
        {"UnknownRegistryRoot",
         withProduct("[[actions]]\nkind = \"set_registry_string\"\nroot = \"HKXX\"\nkey = \"Software\\\\X\"\n"
                     "value = \"v\"\n"),
         {}, "slipway.toml:7:8", "unknown registry root 'HKXX'; expected one of: HKCR, HKCU, HKLM"},
        {"BadHotKey",
         withProduct("[[actions]]\nkind = \"shortcut\"\ntarget = \"$PROGRAMFILESFOLDER$\\\\a.exe\"\n"
                     "path = \"$PROGRAMSFOLDER$\\\\A.lnk\"\nhot_key = \"Ctrl+Hyper+A\"\n"),
         {}, "slipway.toml:9:11", "'hyper' is not a modifier"},
        {"DwordOutOfRange",
         withProduct("[[actions]]\nkind = \"set_registry_dword\"\nroot = \"HKCU\"\nkey = \"Software\\\\X\"\n"
                     "value = -1\n"),
         {}, "slipway.toml:9:9", "expected an integer from 0 to 4294967295"},
        {"UninstallKeyWithBackslash", withProduct("[uninstall]\nkey = \"A\\\\B\"\n"), {}, "slipway.toml:6:9",
         "cannot hold a backslash"},
        {"UnknownVersionClass", withProduct("[[components]]\nname = \"Docs\"\noffered = [\"xp\", \"win10\"]\n"), {},
         "slipway.toml:7:18", "unknown Windows version class 'win10'"},
        {"MisspeltMaskKey", withProduct("[[components]]\nname = \"Docs\"\nselcted = \"all\"\n"), {},
         "slipway.toml:7:1", "did you mean 'selected'?"},
        {"UnknownPlacement", withProduct("[[components]]\nname = \"Docs\"\nplacement = \"sidebar\"\n"), {},
         "slipway.toml:7:13", "expected one of: list, folder_page, finish_page"},
        {"UninstallValueTrue", withProduct("[uninstall.values]\nDisplayName = true\n"), {}, "slipway.toml:6:15",
         "expected a string, or false to leave the entry out"},
        {"AllowDowngradeNotBoolean", withProduct("[install]\nallow_downgrade = \"yes\"\n"), {}, "slipway.toml:6:19",
         "'allow_downgrade' in [install]: expected true or false, found a string"},
        {"FolderWithForbiddenCharacter", withProduct("[install]\nfolder = \"Hello: World\"\n"), {},
         "slipway.toml:6:16", "cannot hold the character ':'"},
        {"MissingSource", withProduct("[[files]]\nsource = \"nope\"\n"), {}, "slipway.toml:6:10",
         "no file or folder"},
        {"GlobMatchesNothing", withProduct("[[files]]\nsource = \"files/*.exe\"\n"), readme, "slipway.toml:6:10",
         "the glob matches no file"},
        {"FileNameWindowsRefuses", withProduct("[[files]]\nsource = \"files\"\n"), {{"files/a:b.txt", "x"}},
         "slipway.toml:6:10", "which Windows does not allow in names"},
        {"DeviceFileName", withProduct("[[files]]\nsource = \"files\"\n"), {{"files/sub/aux.txt", "x"}},
         "slipway.toml:6:10", "is a device name on Windows"},
        {"FileNameNotInCodePage", withProduct("[[files]]\nsource = \"files\"\n"), {{"files/☃.txt", "x"}},
         "slipway.toml:6:10", "holds U+2603"},
        {"FileWrittenTwice", withProduct("[[files]]\nsource = \"files\"\n[[files]]\nsource = \"files/readme.txt\"\n"),
         readme, "slipway.toml:8:10", "already puts one"},
        {"LicenceCharacterNotInCodePage", withProduct("[wizard]\nlicense = \"LICENSE.txt\"\n"),
         {{"LICENSE.txt", "Line one\nsnow ☃\n"}}, "LICENSE.txt:2:6", "Windows-1252 has no character U+2603"},
        {"LicenceOfAnotherKind", withProduct("[wizard]\nlicense = \"LICENSE.md\"\n"), {{"LICENSE.md", "# Licence\n"}},
         "slipway.toml:6:11", "expected a .rtf or .txt file"},
        {"RtfLicenceWithoutHeader", withProduct("[wizard]\nlicense = \"LICENSE.rtf\"\n"), {{"LICENSE.rtf", "plain"}},
         "LICENSE.rtf:1:1", "must start with {\\rtf"},
        {"BannerNotBmp", withProduct("[wizard]\nbanner = \"banner.png\"\n"), {{"banner.png", "\x89PNG\r\n"}},
         "slipway.toml:6:10", "not a BMP file"},
        // Messages that read as sentences.
        {"UnknownKeyWithoutSuggestion", withProduct("zzzzzzzz = 1\n"), {}, "slipway.toml:5:1",
         "unknown key 'zzzzzzzz' in [product]; expected one of: "},
        {"ArticleBeforeAVowel", withProduct("[[actions]]\nkind = 1\n"), {}, "slipway.toml:6:8",
         "expected an action kind ("},
        {"LicenceNotUtf8", withProduct("[wizard]\nlicense = \"LICENSE.txt\"\n"), {{"LICENSE.txt", "ok\n\xFF\xFE\n"}},
         "LICENSE.txt:2:1", "the bytes here are not UTF-8 (save the file as UTF-8)"},
        // Nesting that would exhaust the parser's stack is refused before
        // parsing, at the first place too deep.
        {"DeepDottedKey", withProduct("x" + repeated(".x", 50000) + " = 1\n"), {}, "slipway.toml:5:64",
         "nests more than 32 levels deep"},
        {"DeepTableHeader", withProduct("[a" + repeated(".a", 50000) + "]\n"), {}, "slipway.toml:5:",
         "nests more than 32 levels deep"},
        {"DeepArray", withProduct("x = " + repeated("[", 5000) + repeated("]", 5000) + "\n"), {},
         "slipway.toml:5:", "nests more than 32 levels deep"},
        {"DeepInlineTable", withProduct("x = " + repeated("{a=", 5000) + "1" + repeated("}", 5000) + "\n"), {},
         "slipway.toml:5:", "nests more than 32 levels deep"},
        // Characters beyond ASCII outside strings, on which the TOML parser
        // reaches code it declares unreachable (found by fuzzing).
        {"StrayCharacterAtTheStart", "\xEF\xBB\xBE" + productTable(), {}, "slipway.toml:1:1",
         "a character beyond ASCII outside a string or comment"},
        {"StrayCharacterInAKey", withProduct("[texts]\nw\xC3\xA9lcome_text = \"x\"\n"), {}, "slipway.toml:6:2",
         "a character beyond ASCII outside a string or comment"},
        {"ManifestTooLarge", withProduct("# " + std::string(5u << 20, 'x') + "\n"), {}, "slipway.toml",
         "a manifest may have at most 4194304 bytes"},
    };
    // clang-format on
}

class ManifestMistake : public testing::TestWithParam<MistakeCase> {};

TEST_P(ManifestMistake, IsReportedAloneAtItsPlace)
{
    const MistakeCase& c = GetParam();
    ManifestFolder folder;
    for (const auto& [name, bytes] : c.files)
        folder.write(name, bytes);
    folder.writeManifest(c.manifest);
    BuildOutcome outcome = buildFolder(folder);
    EXPECT_FALSE(outcome.ok);
    EXPECT_TRUE(outcome.installer.isNull());
    EXPECT_NE(outcome.report.find(c.place), std::string::npos) << outcome.report;
    EXPECT_NE(outcome.report.find(c.message), std::string::npos) << outcome.report;
    size_t lines = 0;
    for (char ch : outcome.report)
        lines += ch == '\n';
    EXPECT_EQ(lines, 1u) << outcome.report;
}

INSTANTIATE_TEST_SUITE_P(BuilderManifest, ManifestMistake, testing::ValuesIn(mistakes()),
                         [](const testing::TestParamInfo<MistakeCase>& info) { return std::string(info.param.name); });

TEST(BuilderManifest, EveryMistakeIsReportedInOnePass)
{
    ManifestFolder folder;
    folder.writeManifest(
        "[product]\nname = \"Hello\"\nversion = 1\npublisher = \"P\"\ncolour = \"red\"\n"
        "[texts]\ntitle = \"$NOPE$\"\n");
    BuildOutcome outcome = buildFolder(folder);
    EXPECT_FALSE(outcome.ok);
    EXPECT_NE(outcome.report.find("slipway.toml:3:11:"), std::string::npos) << outcome.report;
    EXPECT_NE(outcome.report.find("slipway.toml:5:1:"), std::string::npos) << outcome.report;
    EXPECT_NE(outcome.report.find("slipway.toml:7:10:"), std::string::npos) << outcome.report;
    // In the order of their places.
    EXPECT_LT(outcome.report.find(":3:11:"), outcome.report.find(":5:1:"));
    EXPECT_LT(outcome.report.find(":5:1:"), outcome.report.find(":7:10:"));
}

TEST(BuilderManifest, MissingFilesAreReportedWithTheManifestsOwnMistakes)
{
    ManifestFolder folder;
    folder.writeManifest(
        "[product]\nname = \"Hello\"\nversion = 1\npublisher = \"P\"\n"
        "[wizard]\nlicense = \"NOPE.txt\"\n[[files]]\nsource = \"missing\"\n");
    BuildOutcome outcome = buildFolder(folder);
    EXPECT_FALSE(outcome.ok);
    EXPECT_NE(outcome.report.find("slipway.toml:3:11: error: 'version'"), std::string::npos) << outcome.report;
    EXPECT_NE(outcome.report.find("NOPE.txt"), std::string::npos) << outcome.report;
    EXPECT_NE(outcome.report.find("slipway.toml:8:10: error: 'missing': no file or folder"), std::string::npos)
        << outcome.report;
}

TEST(BuilderManifest, TwoActionsWritingOneDestinationAreAWarning)
{
    ManifestFolder folder;
    folder.write("files/app.ini", "x");
    folder.writeManifest(productTable() +
                         "[[files]]\nsource = \"files\"\n"
                         "[[actions]]\nkind = \"copy_file\"\nsource = \"x.ini\"\n"
                         "destination = \"$PROGRAMFILESFOLDER$\\\\APP.INI\"\n"
                         "[[actions]]\nkind = \"set_registry_dword\"\nroot = \"HKCU\"\nkey = \"Software\\\\H\"\n"
                         "name = \"n\"\nvalue = 1\n"
                         "[[components]]\nname = \"C\"\n"
                         "[[components.actions]]\nkind = \"set_registry_dword\"\nroot = \"HKCU\"\n"
                         "key = \"software\\\\h\"\nname = \"N\"\nvalue = 2\n");
    BuildOutcome outcome = buildFolder(folder);
    ASSERT_TRUE(outcome.ok) << outcome.report;
    EXPECT_NE(outcome.warnings.find("slipway.toml:7:1: warning: this writes $PROGRAMFILESFOLDER$\\APP.INI, which "
                                    "the action at line 6 writes too"),
              std::string::npos)
        << outcome.warnings;
    EXPECT_NE(outcome.warnings.find("software\\h\\N, which the action at line 11 writes too"), std::string::npos)
        << outcome.warnings;
}

TEST(BuilderManifest, DepthCountsStructureNotStringsCommentsOrNumbers)
{
    SourcePosition at;
    EXPECT_EQ(manifestDepth("a = 1\n", 32, at), 0u);
    EXPECT_EQ(manifestDepth("[product]\nversion = \"1.2.3.4\"\nratio = 1.5\n", 32, at), 0u);
    EXPECT_EQ(manifestDepth("a.b.c = 1\n", 1, at), 3u);
    EXPECT_EQ(at.line, 1u);
    EXPECT_EQ(at.column, 2u);
    EXPECT_EQ(manifestDepth("[a.b]\n[[c.d.e]]\n", 32, at), 3u);
    EXPECT_EQ(manifestDepth("x = [[1, 2], [3]]\n", 32, at), 2u);
    EXPECT_EQ(manifestDepth("x = [{a.b = 1}, {c = [1]}]\n", 32, at), 4u);
    EXPECT_EQ(manifestDepth("\"a.b.c\".d = 1 # e.f.g.h\n", 32, at), 2u);
    EXPECT_EQ(manifestDepth("s = '''\n[[[[\n''' # [[[\nt = \"\\\"[[[\"\n", 32, at), 0u);
    EXPECT_EQ(manifestDepth("x = [\n  1.5,\n  [2.5],\n]\n", 1, at), 2u);
    EXPECT_EQ(at.line, 3u);
    EXPECT_EQ(at.column, 3u);
}

TEST(BuilderManifest, ThirtyTwoLevelsAreAllowedAndThirtyThreeRefused)
{
    // Each form at 32 levels and at 33: dotted key parts, header parts of
    // both kinds of table, and arrays.
    auto forms = [](int levels) {
        std::string parts = "x" + repeated(".x", size_t(levels - 1));
        return std::vector<std::string>{parts + " = 1\n", "[" + parts + "]\n", "[[" + parts + "]]\n",
                                        "x = " + repeated("[", size_t(levels)) + repeated("]", size_t(levels)) + "\n"};
    };
    for (int levels : {32, 33}) {
        for (const std::string& text : forms(levels)) {
            SourcePosition at;
            EXPECT_EQ(manifestDepth(text, kMaxManifestDepth, at), unsigned(levels)) << text;
            Diagnostics diagnostics;
            EXPECT_EQ(checkManifestShape("slipway.toml", text, diagnostics), levels <= 32) << text;
            EXPECT_EQ(at.known(), levels > 32) << text;
        }
    }
}

TEST(BuilderManifest, CharactersBeyondAsciiBelongInStringsAndComments)
{
    EXPECT_EQ(strayCharacterAt("\xEF\xBB\xBF"
                               "a = \"Gr\xC3\xBC\xC3\x9F\xC3\xA9\" # \xE2\x98\x83\nb = '\xEF\xBB\xBE'\n"),
              std::string::npos);
    EXPECT_EQ(strayCharacterAt("a = \"\"\"\n\xC3\xA9\n\"\"\"\n\"k\xC3\xA9y\" = 1\n"), std::string::npos);
    EXPECT_EQ(strayCharacterAt("a = 1 \xC2\xA0\n"), 6u);
    EXPECT_EQ(strayCharacterAt("a = [1,\n\xE3\x80\x80 2]\n"), 8u);
}

TEST(BuilderManifest, CodePageOfTheManifestDecidesWhatFits)
{
    ManifestFolder folder;
    Manifest manifest;
    std::string report;
    ASSERT_TRUE(readManifestFrom(folder,
                                 "code_page = \"windows-1251\"\n" + productTable() + "[texts]\nhint_text = \"Далее\"\n",
                                 manifest, report))
        << report;
    EXPECT_EQ(manifest.codePage, 1251u);
    EXPECT_STREQ(manifest.installScript.hintText.text(), "\xC4\xE0\xEB\xE5\xE5");
}

}  // namespace
