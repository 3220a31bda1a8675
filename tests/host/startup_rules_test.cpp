// The pure rules of start-up: command-line tail and switches, the "doit="
// argument, Windows version classes and the folder rules.
#include "format/startup_rules.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string.h>
#include <string>

namespace {

template <typename Case>
std::string caseName(const ::testing::TestParamInfo<Case>& info)
{
    return info.param.name;
}

// --- Command-line tail ---------------------------------------------------

struct TailCase {
    const char* name;
    const char* commandLine;
    const char* tail;
};
// Cases print as their names, in the test list and in failures.
void PrintTo(const TailCase& c, std::ostream* os)
{
    *os << c.name;
}

class CommandLineTail : public ::testing::TestWithParam<TailCase> {};

TEST_P(CommandLineTail, SkipsTheProgramNameAndTheBlanksBehindIt)
{
    EXPECT_STREQ(commandLineTail(GetParam().commandLine), GetParam().tail);
}

INSTANTIATE_TEST_SUITE_P(
    StartupRules, CommandLineTail,
    ::testing::Values(TailCase{"Unquoted", "setup.exe -quiet", "-quiet"},
                      TailCase{"QuotedWithBlanks", "\"C:\\Program Files\\setup.exe\" -quiet /x", "-quiet /x"},
                      TailCase{"SeveralBlanksAndTabs", "setup.exe \t  -ip C:\\a b", "-ip C:\\a b"},
                      TailCase{"TabEndsAnUnquotedName", "setup.exe\t-quiet", "-quiet"},
                      TailCase{"QuoteEndsTheNameWithoutABlank", "\"setup.exe\"-quiet", "-quiet"},
                      TailCase{"UnterminatedQuote", "\"C:\\setup.exe -quiet", ""},
                      TailCase{"NameOnly", "setup.exe", ""}, TailCase{"NameAndBlanks", "setup.exe   ", ""},
                      TailCase{"EmptyLine", "", ""}, TailCase{"TrailingBlankKept", "setup.exe -version ", "-version "}),
    caseName<TailCase>);

TEST(StartupRules, NullCommandLineHasAnEmptyTail)
{
    EXPECT_STREQ(commandLineTail(nullptr), "");
}

// --- Switches --------------------------------------------------------------

struct SwitchCase {
    const char* name;
    const char* tail;
    bool installerInfo, silentMode, quiet, noUninstall, extractAllFiles;
    const char* packagePath;  // null: no "-ip " argument
};
void PrintTo(const SwitchCase& c, std::ostream* os)
{
    *os << c.name;
}

class Switches : public ::testing::TestWithParam<SwitchCase> {};

TEST_P(Switches, MatchWholeOrAnywhereAsEachSwitchSays)
{
    const SwitchCase& c = GetParam();
    StartupSwitches s = parseSwitches(c.tail);
    EXPECT_EQ(s.installerInfo, c.installerInfo);
    EXPECT_EQ(s.silentMode, c.silentMode);
    EXPECT_EQ(s.quiet, c.quiet);
    EXPECT_EQ(s.noUninstall, c.noUninstall);
    EXPECT_EQ(s.extractAllFiles, c.extractAllFiles);
    if (c.packagePath)
        EXPECT_STREQ(s.packagePathArgument, c.packagePath);
    else
        EXPECT_EQ(s.packagePathArgument, nullptr);
}

// Columns: installerInfo, silentMode, quiet, noUninstall, extractAllFiles, -ip argument.
INSTANTIATE_TEST_SUITE_P(
    StartupRules, Switches,
    ::testing::Values(
        SwitchCase{"Empty", "", false, false, false, false, false, nullptr},
        SwitchCase{"InstallerInfo", "-installerinfo", true, false, false, false, false, nullptr},
        SwitchCase{"InstallerInfoIsAWholeMatch", "-installerinfo -quiet", false, true, true, false, false, nullptr},
        SwitchCase{"InstallerInfoWithTrailingBlank", "-installerinfo ", false, false, false, false, false, nullptr},
        SwitchCase{"Passive", "-passive", false, true, false, false, false, nullptr},
        SwitchCase{"SlashPassive", "/passive", false, true, false, false, false, nullptr},
        SwitchCase{"Quiet", "-quiet", false, true, true, false, false, nullptr},
        SwitchCase{"SlashQuietAmongOthers", "/x /quiet /y", false, true, true, false, false, nullptr},
        SwitchCase{"QuietAsASubstring", "xyz-quiet", false, true, true, false, false, nullptr},
        SwitchCase{"CaseSensitive", "-QUIET /Passive", false, false, false, false, false, nullptr},
        SwitchCase{"NoUninstall", "-nouninstall", false, false, false, true, false, nullptr},
        SwitchCase{"SlashNoUninstallWithPassive", "/passive /nouninstall", false, true, false, true, false, nullptr},
        SwitchCase{"ExtractAllFiles", "-extractallfiles", false, false, false, false, true, nullptr},
        SwitchCase{"ExtractAllFilesIsAWholeMatch", "-extractallfiles -quiet", false, true, true, false, false, nullptr},
        // The package path takes the rest of the tail; a switch inside it is part of the path.
        SwitchCase{"PackagePathRunsToTheEnd", "-ip C:\\pkg\\setup.exe /quiet", false, false, false, false, false,
                   "C:\\pkg\\setup.exe /quiet"},
        SwitchCase{"SwitchesBeforeThePackagePathCount", "/quiet /nouninstall -ip C:\\a-passive.exe", false, true, true,
                   true, false, "C:\\a-passive.exe"},
        SwitchCase{"PackagePathAfterOtherSwitches", "-passive -ip D:\\x.exe", false, true, false, false, false,
                   "D:\\x.exe"},
        SwitchCase{"EmptyPackagePath", "-ip ", false, false, false, false, false, ""},
        SwitchCase{"IpNeedsItsBlank", "-ip", false, false, false, false, false, nullptr},
        SwitchCase{"IpWithTabIsNoSwitch", "-ip\tC:\\x.exe", false, false, false, false, false, nullptr}),
    caseName<SwitchCase>);

// --- Package path -----------------------------------------------------------

TEST(StartupRules, PackagePathUpTo260CharactersIsTaken)
{
    std::string longest(260, 'p');
    char path[kPathBufferSize];
    ASSERT_TRUE(takePackagePath(longest.c_str(), path, sizeof path));
    EXPECT_EQ(std::string(path), longest);
}

TEST(StartupRules, OverLongPackagePathIsRefusedNotCut)
{
    for (size_t length : {size_t(261), size_t(262), size_t(5000)}) {
        std::string tooLong(length, 'p');
        char path[kPathBufferSize + 8];
        memset(path, '#', sizeof path);
        EXPECT_FALSE(takePackagePath(tooLong.c_str(), path, kPathBufferSize)) << length;
        // Nothing was written, least of all behind the buffer.
        EXPECT_EQ(std::string(path, sizeof path), std::string(sizeof path, '#'));
    }
}

// --- The uninstaller copy's argument -----------------------------------------

struct DoitCase {
    const char* name;
    const char* tail;
    bool reads;
    uint32_t parent;
};
void PrintTo(const DoitCase& c, std::ostream* os)
{
    *os << c.name;
}

class DoitArgument : public ::testing::TestWithParam<DoitCase> {};

TEST_P(DoitArgument, IsReadAtTheStartOfTheTail)
{
    uint32_t parent = 77;
    EXPECT_EQ(parseDoitArgument(GetParam().tail, &parent), GetParam().reads);
    EXPECT_EQ(parent, GetParam().reads ? GetParam().parent : 77u);
}

INSTANTIATE_TEST_SUITE_P(
    StartupRules, DoitArgument,
    ::testing::Values(DoitCase{"Alone", "doit=1234", true, 1234},
                      DoitCase{"WithSwitchesBehind", "doit=1234 /quiet", true, 1234},
                      DoitCase{"LargestHandle", "doit=4294967295", true, 4294967295u},
                      DoitCase{"PastThirtyTwoBits", "doit=4294967296", false, 0},
                      DoitCase{"NoSign", "doit=-5", false, 0}, DoitCase{"LeadingZeros", "doit=007", true, 7},
                      DoitCase{"NoNumber", "doit=", false, 0}, DoitCase{"NotANumber", "doit=abc", false, 0},
                      DoitCase{"NotAtTheStart", "/quiet doit=1234", false, 0},
                      DoitCase{"UpperCase", "DOIT=1234", false, 0}, DoitCase{"Empty", "", false, 0}),
    caseName<DoitCase>);

// The copy reads its own tail back with the start-up rules: whatever the
// temporary folder holds, the tail starts with "doit=" and keeps the
// launcher's switches.
TEST(StartupRules, CopyCommandLineLeavesDoitAtTheStartOfTheCopysTail)
{
    const char* paths[] = {"C:\\TEMP\\uni1.tmp", "C:\\Documents and Settings\\Jo Doe\\Local Settings\\Temp\\uni2A.tmp"};
    for (const char* path : paths) {
        char line[kCopyCommandLineSize];
        ASSERT_TRUE(composeCopyCommandLine(path, 0x7C4u, "/quiet", line, sizeof line)) << path;
        EXPECT_EQ(std::string(line), std::string("\"") + path + "\" doit=1988 /quiet");
        const char* tail = commandLineTail(line);
        uint32_t parent = 0;
        EXPECT_TRUE(parseDoitArgument(tail, &parent)) << tail;
        EXPECT_EQ(parent, 0x7C4u);
        EXPECT_TRUE(parseSwitches(tail).quiet);
    }
}

TEST(StartupRules, CopyCommandLineThatDoesNotFitIsRefusedNotCut)
{
    // Quote, path, quote and " doit=", ten digits, a blank, the tail, NUL: 20 bytes around both.
    std::string tail(100, 't');
    std::string fits(kCopyCommandLineSize - 20 - tail.size(), 'p');
    char line[kCopyCommandLineSize + 8];
    ASSERT_TRUE(composeCopyCommandLine(fits.c_str(), 0xFFFFFFFFu, tail.c_str(), line, kCopyCommandLineSize));
    EXPECT_EQ(strlen(line), kCopyCommandLineSize - 1);
    std::string tooLong = fits + "p";
    memset(line, '#', sizeof line);
    EXPECT_FALSE(composeCopyCommandLine(tooLong.c_str(), 0xFFFFFFFFu, tail.c_str(), line, kCopyCommandLineSize));
    // Nothing was written past the buffer.
    EXPECT_EQ(std::string(line + kCopyCommandLineSize, 8), std::string(8, '#'));
}

// --- Windows version classes -------------------------------------------------

struct VersionCase {
    const char* name;
    uint32_t platform, major, minor;
    uint32_t osClass;
};
void PrintTo(const VersionCase& c, std::ostream* os)
{
    *os << c.name;
}

class VersionClass : public ::testing::TestWithParam<VersionCase> {};

TEST_P(VersionClass, FollowsTheVersionTable)
{
    EXPECT_EQ(osClassFor(GetParam().platform, GetParam().major, GetParam().minor), GetParam().osClass);
}

INSTANTIATE_TEST_SUITE_P(
    StartupRules, VersionClass,
    ::testing::Values(VersionCase{"Win9xMajor3", 1, 3, 95, OsWin95}, VersionCase{"Win95", 1, 4, 0, OsWin95},
                      VersionCase{"Win98First", 1, 4, 1, OsWin98}, VersionCase{"Win98", 1, 4, 10, OsWin98},
                      VersionCase{"Win98Last", 1, 4, 89, OsWin98}, VersionCase{"WinMe", 1, 4, 90, OsWinMe},
                      VersionCase{"Win9xMinorAbove90", 1, 4, 200, OsWinMe},
                      VersionCase{"Win9xMajor5", 1, 5, 0, OsWinMe}, VersionCase{"NtMajor3", 2, 3, 51, OsWinNt4},
                      VersionCase{"Nt4", 2, 4, 0, OsWinNt4}, VersionCase{"Nt4HighMinor", 2, 4, 90, OsWinNt4},
                      VersionCase{"Win2000", 2, 5, 0, OsWin2000}, VersionCase{"WinXp", 2, 5, 1, OsWinXp},
                      VersionCase{"Server2003", 2, 5, 2, OsWinXp}, VersionCase{"Vista", 2, 6, 0, OsWinVista},
                      VersionCase{"Win7", 2, 6, 1, OsWin7}, VersionCase{"Win8", 2, 6, 2, OsWin7},
                      VersionCase{"Win10", 2, 10, 0, OsWin7}, VersionCase{"Win32s", 0, 3, 10, OsWin95},
                      VersionCase{"WindowsCe", 3, 6, 0, OsWin95}),
    caseName<VersionCase>);

// --- Folders -----------------------------------------------------------------

struct ProgramFilesCase {
    const char* name;
    const char* value;  // null: the value could not be read
    const char* folder;
};
void PrintTo(const ProgramFilesCase& c, std::ostream* os)
{
    *os << c.name;
}

class ProgramFilesFolder : public ::testing::TestWithParam<ProgramFilesCase> {};

TEST_P(ProgramFilesFolder, DropsOneTrailingBackslash)
{
    char folder[kPathBufferSize];
    programFilesFolderFrom(GetParam().value, folder, sizeof folder);
    EXPECT_STREQ(folder, GetParam().folder);
}

INSTANTIATE_TEST_SUITE_P(StartupRules, ProgramFilesFolder,
                         ::testing::Values(ProgramFilesCase{"Usual", "C:\\Program Files", "C:\\Program Files"},
                                           ProgramFilesCase{"TrailingBackslash", "C:\\Program Files\\",
                                                            "C:\\Program Files"},
                                           ProgramFilesCase{"DriveRoot", "D:\\", "D:"},
                                           ProgramFilesCase{"OnlyOneBackslashDropped", "E:\\Apps\\\\", "E:\\Apps\\"},
                                           ProgramFilesCase{"Missing", nullptr, "C:"}),
                         caseName<ProgramFilesCase>);

TEST(StartupRules, InstallFolderJoinsWithOneBackslash)
{
    char folder[kPathBufferSize];
    composeInstallFolder("D:", "Product", folder, sizeof folder);
    EXPECT_STREQ(folder, "D:\\Product");
    composeInstallFolder("C:\\Program Files", "Vendor\\Product", folder, sizeof folder);
    EXPECT_STREQ(folder, "C:\\Program Files\\Vendor\\Product");
    composeInstallFolder("C:\\Program Files", "", folder, sizeof folder);
    EXPECT_STREQ(folder, "C:\\Program Files\\");
}

TEST(StartupRules, DriveRootValueGivesDriveAndFolder)
{
    char programFiles[kPathBufferSize];
    char install[kPathBufferSize];
    programFilesFolderFrom("D:\\", programFiles, sizeof programFiles);
    composeInstallFolder(programFiles, "Product", install, sizeof install);
    EXPECT_STREQ(install, "D:\\Product");
}

TEST(StartupRules, InstallFolderIsCutAt260Characters)
{
    std::string defaultFolder(400, 'f');
    char folder[kPathBufferSize + 8];
    memset(folder, '#', sizeof folder);
    composeInstallFolder("C:\\Program Files", defaultFolder.c_str(), folder, kPathBufferSize);
    std::string expected = ("C:\\Program Files\\" + defaultFolder).substr(0, 260);
    EXPECT_EQ(std::string(folder), expected);
    EXPECT_EQ(std::string(folder + kPathBufferSize, 8), std::string(8, '#'));
}

}  // namespace
