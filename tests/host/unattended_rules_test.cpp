// The pure rules of runs without a person: the exit code of each outcome,
// the switches with and without a value, the /dir= folder check, and the
// text of the run log's lines.
#include "format/startup_rules.h"
#include "format/unattended_rules.h"
#include "format/file_names.h"

#include <gtest/gtest.h>

#include <stdarg.h>
#include <string.h>
#include <string>

namespace {

// --- Exit codes --------------------------------------------------------------

uint32_t exitCode(RunOutcome outcome, bool restartNeeded = false, bool restarting = false)
{
    return exitCodeFor(RunFacts{outcome, restartNeeded, restarting});
}

TEST(ExitCode, FollowsTheOutcome)
{
    EXPECT_EQ(exitCode(RunOutcome::Succeeded), 0u);
    EXPECT_EQ(exitCode(RunOutcome::Unfinished), 1602u) << "a wizard cancelled before the work";
    EXPECT_EQ(exitCode(RunOutcome::Cancelled), 1602u) << "a program answered 1602";
    EXPECT_EQ(exitCode(RunOutcome::Failed), 1603u);
    EXPECT_EQ(exitCode(RunOutcome::UnusableFolder), 1603u);
    EXPECT_EQ(exitCode(RunOutcome::DamagedPackage), 1620u);
    EXPECT_EQ(exitCode(RunOutcome::ElevationFailed), 1u);
    EXPECT_EQ(exitCode(RunOutcome::DowngradeRefused), 1638u) << "another version is installed";
}

// The launcher takes a code no run gives (a loader's status, a crash) as a
// copy that never said how the removal went.
TEST(ExitCode, EveryCodeOfARunIsKnownAndNoStatusIs)
{
    for (RunOutcome outcome : {RunOutcome::Unfinished, RunOutcome::Succeeded, RunOutcome::Failed, RunOutcome::Cancelled,
                               RunOutcome::DamagedPackage, RunOutcome::UnusableFolder, RunOutcome::ElevationFailed,
                               RunOutcome::DowngradeRefused})
        for (bool restart : {false, true})
            EXPECT_TRUE(isRunExitCode(exitCode(outcome, restart))) << int(outcome) << " " << restart;
    for (uint32_t status :
         {2u, 3u, 1601u, 1604u, 1637u, 1639u, 3011u, 0x80000100u, 0xC0000135u, 0xC0000005u, 0xFFFFFFFFu})
        EXPECT_FALSE(isRunExitCode(status)) << status;
}

TEST(ExitCode, RestartNeededAndNotDoneIs3010)
{
    EXPECT_EQ(exitCode(RunOutcome::Succeeded, true, false), 3010u);
    EXPECT_EQ(exitCode(RunOutcome::Succeeded, true, true), 0u) << "the restart is under way";
}

TEST(ExitCode, RestartRequestDoesNotHideAFailureOrACancel)
{
    EXPECT_EQ(exitCode(RunOutcome::Failed, true), 1603u);
    EXPECT_EQ(exitCode(RunOutcome::Cancelled, true), 1602u);
    EXPECT_EQ(exitCode(RunOutcome::Unfinished, true), 1602u);
    EXPECT_EQ(exitCode(RunOutcome::DowngradeRefused, true), 1638u);
}

// --- Switches ----------------------------------------------------------------

TEST(Switches, StandAloneSwitchesStandAsWords)
{
    EXPECT_TRUE(parseSwitches("/norestart").noRestart);
    EXPECT_TRUE(parseSwitches("/quiet -norestart").noRestart);
    EXPECT_TRUE(parseSwitches("\"/norestart\"").noRestart);
    EXPECT_FALSE(parseSwitches("/norestarts").noRestart);
    EXPECT_FALSE(parseSwitches("x/norestart").noRestart);
    EXPECT_FALSE(parseSwitches("/quiet").noRestart);
    EXPECT_TRUE(parseSwitches("/?").help);
    EXPECT_TRUE(parseSwitches("-?").help);
    EXPECT_TRUE(parseSwitches("/passive /help").help);
    EXPECT_FALSE(parseSwitches("/helpme").help);
    EXPECT_FALSE(parseSwitches("/passive").help);
}

TEST(Switches, AllowDowngradeStandsAloneWithSlashOrDash)
{
    EXPECT_TRUE(parseSwitches("/allowdowngrade").allowDowngrade);
    EXPECT_TRUE(parseSwitches("/quiet -allowdowngrade /norestart").allowDowngrade);
    EXPECT_TRUE(parseSwitches("\"/allowdowngrade\" /passive").allowDowngrade);
    EXPECT_FALSE(parseSwitches("/quiet").allowDowngrade);
    EXPECT_FALSE(parseSwitches("/allowdowngrades").allowDowngrade);
    EXPECT_FALSE(parseSwitches("/allowdowngrade=1").allowDowngrade);
    EXPECT_FALSE(parseSwitches("x/allowdowngrade").allowDowngrade);
    EXPECT_FALSE(parseSwitches("/allow").allowDowngrade);
    // Inside a value it is a name, not a switch.
    EXPECT_FALSE(parseSwitches("/dir=\"C:\\a /allowdowngrade\"").allowDowngrade);
    EXPECT_FALSE(parseSwitches("/log=C:\\x-allowdowngrade").allowDowngrade);
    EXPECT_FALSE(parseSwitches("-ip C:\\p /allowdowngrade").allowDowngrade);
    StartupSwitches s = parseSwitches("/allowdowngrade /quiet /dir=C:\\P");
    EXPECT_TRUE(s.quiet);
    EXPECT_STREQ(s.dirValue, "C:\\P") << "the other switches are read as before";
}

struct ValueCase {
    const char* name;
    const char* tail;
    SwitchValue dir;
    const char* dirValue;
};
void PrintTo(const ValueCase& c, std::ostream* os)
{
    *os << c.name;
}

class DirSwitch : public ::testing::TestWithParam<ValueCase> {};

TEST_P(DirSwitch, TakesTheValueQuotedOrUpToTheNextBlank)
{
    StartupSwitches s = parseSwitches(GetParam().tail);
    EXPECT_EQ(s.dir, GetParam().dir);
    EXPECT_STREQ(s.dirValue, GetParam().dirValue);
}

INSTANTIATE_TEST_SUITE_P(
    UnattendedRules, DirSwitch,
    ::testing::Values(ValueCase{"Slash", "/dir=C:\\Apps\\Product", SwitchValue::Taken, "C:\\Apps\\Product"},
                      ValueCase{"Dash", "-dir=D:\\P /quiet", SwitchValue::Taken, "D:\\P"},
                      ValueCase{"UpToTheNextBlank", "/quiet /dir=C:\\My Apps /log=x", SwitchValue::Taken, "C:\\My"},
                      ValueCase{"QuotedValue", "/quiet /dir=\"C:\\My Apps\\P\" /norestart", SwitchValue::Taken,
                                "C:\\My Apps\\P"},
                      ValueCase{"QuotedWhole", "\"/dir=C:\\My Apps\\P\" /quiet", SwitchValue::Taken, "C:\\My Apps\\P"},
                      ValueCase{"UnclosedQuoteRunsToTheEnd", "/dir=\"C:\\a b", SwitchValue::Taken, "C:\\a b"},
                      ValueCase{"Empty", "/dir= /quiet", SwitchValue::Taken, ""},
                      ValueCase{"Absent", "/quiet /passive", SwitchValue::Absent, ""},
                      ValueCase{"NotAfterOtherText", "x/dir=C:\\a", SwitchValue::Absent, ""},
                      ValueCase{"OtherNameEndingInDir", "/subdir=C:\\a", SwitchValue::Absent, ""}),
    [](const ::testing::TestParamInfo<ValueCase>& info) { return std::string(info.param.name); });

TEST(Switches, LogValueIsTakenLikeTheFolder)
{
    StartupSwitches s = parseSwitches("/quiet /log=\"C:\\logs\\my setup.log\" /dir=C:\\P");
    EXPECT_EQ(s.log, SwitchValue::Taken);
    EXPECT_STREQ(s.logValue, "C:\\logs\\my setup.log");
    EXPECT_STREQ(s.dirValue, "C:\\P");
}

TEST(Switches, ValueTooLongForItsBufferIsRefusedNotCut)
{
    std::string fits = "C:\\" + std::string(kPathBufferSize - 4, 'a');
    StartupSwitches s = parseSwitches(("/dir=" + fits).c_str());
    EXPECT_EQ(s.dir, SwitchValue::Taken);
    EXPECT_EQ(strlen(s.dirValue), kPathBufferSize - 1);
    s = parseSwitches(("/dir=" + fits + "a /log=" + fits + "aa").c_str());
    EXPECT_EQ(s.dir, SwitchValue::TooLong);
    EXPECT_EQ(s.log, SwitchValue::TooLong);
}

TEST(Switches, ExistingSwitchesAreUnchanged)
{
    StartupSwitches s = parseSwitches("/quiet /dir=C:\\a /log=C:\\b.log");
    EXPECT_TRUE(s.silentMode);
    EXPECT_TRUE(s.quiet);
    EXPECT_FALSE(s.installerInfo);
    EXPECT_EQ(s.packagePathArgument, nullptr);
}

// A folder or file name that happens to hold a switch's text is a name: a new
// user's "C:\\my-quiet-apps" must not make the run silent.
TEST(Switches, NoSwitchIsReadInsideAValue)
{
    struct {
        const char* tail;
        bool silentMode, quiet, noUninstall, noRestart, help;
    } cases[] = {
        {"/dir=\"C:\\my-quiet-apps\\Hello\"", false, false, false, false, false},
        {"/dir=C:\\my/quiet", false, false, false, false, false},
        {"/log=C:\\logs\\x-passive.log", false, false, false, false, false},
        {"/dir=\"D:\\a-nouninstall\"", false, false, false, false, false},
        {"\"/log=C:\\a /norestart /? -quiet\"", false, false, false, false, false},
        {"-ip C:\\x /norestart /help /passive", false, false, false, false, false},
        // Outside the values every switch still counts, substrings included.
        {"/dir=C:\\my-quiet-apps x-passive /norestart", true, false, false, true, false},
        {"/log=\"C:\\a b\" /quiet -nouninstall /?", true, true, true, false, true},
    };
    for (const auto& c : cases) {
        StartupSwitches s = parseSwitches(c.tail);
        EXPECT_EQ(s.silentMode, c.silentMode) << c.tail;
        EXPECT_EQ(s.quiet, c.quiet) << c.tail;
        EXPECT_EQ(s.noUninstall, c.noUninstall) << c.tail;
        EXPECT_EQ(s.noRestart, c.noRestart) << c.tail;
        EXPECT_EQ(s.help, c.help) << c.tail;
    }
}

// /passive, /quiet and /nouninstall: the slash or the dash, nothing else.
TEST(Switches, FlagsTakeASlashOrADashOnly)
{
    for (const char* tail : {"-passive", "/passive", "x /passive", "a-passive", "/log=C:\\l.txt -passive"})
        EXPECT_TRUE(findFlagOutsideValues(tail, "passive")) << tail;
    for (const char* tail : {"passive", "\\passive", "+passive", "/pass", "/log=C:\\-passive", "-ip -passive"})
        EXPECT_FALSE(findFlagOutsideValues(tail, "passive")) << tail;
    EXPECT_TRUE(parseSwitches("-quiet").quiet);
    EXPECT_TRUE(parseSwitches("/nouninstall").noUninstall);
    EXPECT_FALSE(parseSwitches("quiet nouninstall").silentMode);
    EXPECT_FALSE(parseSwitches("quiet nouninstall").noUninstall);
}

TEST(Switches, NoValuedSwitchIsReadInsideAnotherValue)
{
    StartupSwitches s = parseSwitches("/log=\"C:\\x /dir=D:\\wrong\" /dir=C:\\right");
    EXPECT_STREQ(s.logValue, "C:\\x /dir=D:\\wrong");
    EXPECT_STREQ(s.dirValue, "C:\\right");
    s = parseSwitches("/dir=\"C:\\a -ip b\"");
    EXPECT_EQ(s.packagePathArgument, nullptr);
    EXPECT_STREQ(s.dirValue, "C:\\a -ip b");
    s = parseSwitches("-ip C:\\p.exe /dir=C:\\a /log=C:\\b");
    EXPECT_STREQ(s.packagePathArgument, "C:\\p.exe /dir=C:\\a /log=C:\\b");
    EXPECT_EQ(s.dir, SwitchValue::Absent);
    EXPECT_EQ(s.log, SwitchValue::Absent);
}

// --- The /dir= folder --------------------------------------------------------

struct FolderCase {
    const char* name;
    const char* value;
    FolderProblem problem;
    const char* folder;  // as taken, when usable
};
void PrintTo(const FolderCase& c, std::ostream* os)
{
    *os << c.name;
}

class InstallFolder : public ::testing::TestWithParam<FolderCase> {};

TEST_P(InstallFolder, IsAFullUsablePath)
{
    char folder[kPathBufferSize] = "unchanged";
    EXPECT_EQ(checkInstallFolder(GetParam().value, folder, sizeof folder), GetParam().problem);
    EXPECT_STREQ(folder, GetParam().folder);
}

INSTANTIATE_TEST_SUITE_P(
    UnattendedRules, InstallFolder,
    ::testing::Values(FolderCase{"DriveFolder", "C:\\Program Files\\My Product", FolderProblem::None,
                                 "C:\\Program Files\\My Product"},
                      FolderCase{"TrailingBackslashDropped", "d:\\Apps\\", FolderProblem::None, "d:\\Apps"},
                      FolderCase{"DriveRootKeepsItsBackslash", "E:\\", FolderProblem::None, "E:\\"},
                      FolderCase{"NetworkPath", "\\\\server\\share\\App", FolderProblem::None,
                                 "\\\\server\\share\\App"},
                      FolderCase{"Relative", "Apps\\Product", FolderProblem::NotFullPath, "unchanged"},
                      FolderCase{"DriveRelative", "C:Apps", FolderProblem::NotFullPath, "unchanged"},
                      FolderCase{"RootOfTheCurrentDrive", "\\Apps", FolderProblem::NotFullPath, "unchanged"},
                      FolderCase{"Empty", "", FolderProblem::NotFullPath, "unchanged"},
                      FolderCase{"NoDriveLetter", "1:\\Apps", FolderProblem::NotFullPath, "unchanged"},
                      FolderCase{"Wildcard", "C:\\Apps\\*", FolderProblem::BadCharacter, "unchanged"},
                      FolderCase{"SecondColon", "C:\\Apps:x", FolderProblem::BadCharacter, "unchanged"},
                      FolderCase{"ForwardSlash", "C:\\Apps/x", FolderProblem::BadCharacter, "unchanged"},
                      FolderCase{"ControlCharacter", "C:\\Apps\tx", FolderProblem::BadCharacter, "unchanged"},
                      FolderCase{"EmptyPart", "C:\\Apps\\\\x", FolderProblem::BadCharacter, "unchanged"}),
    [](const ::testing::TestParamInfo<FolderCase>& info) { return std::string(info.param.name); });

// The folder check and the name rule refuse the same marks, save the
// backslash that separates the folder's names.
TEST(InstallFolder, RefusesTheMarksNamesCannotHold)
{
    for (const char* mark = kForbiddenNameMarks + 1; *mark; ++mark) {
        std::string value = std::string("C:\\a") + *mark + "b";
        char folder[kPathBufferSize];
        EXPECT_EQ(checkInstallFolder(value.c_str(), folder, sizeof folder), FolderProblem::BadCharacter) << value;
        EXPECT_TRUE(isForbiddenInName(static_cast<unsigned char>(*mark))) << *mark;
    }
    EXPECT_EQ(kForbiddenNameMarks[0], '\\');
    char folder[kPathBufferSize];
    EXPECT_EQ(checkInstallFolder("C:\\a\\b\x7F", folder, sizeof folder), FolderProblem::None);
}

TEST(InstallFolder, LongestCreatableFolderIsTakenOneMoreIsRefused)
{
    char folder[kPathBufferSize];
    std::string longest = "C:\\" + std::string(kLongestInstallFolder - 3, 'a');
    EXPECT_EQ(checkInstallFolder(longest.c_str(), folder, sizeof folder), FolderProblem::None);
    EXPECT_EQ(folder, longest);
    EXPECT_EQ(checkInstallFolder((longest + "\\").c_str(), folder, sizeof folder), FolderProblem::None);
    EXPECT_EQ(checkInstallFolder((longest + "a").c_str(), folder, sizeof folder), FolderProblem::TooLong);
}

TEST(InstallFolder, SmallBufferIsNeverOverrun)
{
    char folder[8] = {};
    EXPECT_EQ(checkInstallFolder("C:\\Apps\\Product", folder, 4), FolderProblem::TooLong);
    EXPECT_EQ(folder[4], 0);
}

TEST(InstallFolder, EveryProblemHasAText)
{
    for (FolderProblem problem :
         {FolderProblem::NotFullPath, FolderProblem::TooLong, FolderProblem::BadCharacter, FolderProblem::IsAFile})
        EXPECT_GT(strlen(folderProblemText(problem)), 5u);
}

// --- Log lines ---------------------------------------------------------------

std::string logLine(size_t size, unsigned h, unsigned m, unsigned s, const char* format, ...)
{
    std::string out(size + 8, '#');
    va_list args;
    va_start(args, format);
    size_t length = formatLogLine(&out[0], size, h, m, s, format, args);
    va_end(args);
    EXPECT_EQ(out.substr(size), std::string(8, '#')) << "written beyond the buffer";
    EXPECT_EQ(strlen(out.c_str()), length);
    return out.substr(0, length);
}

TEST(LogLine, StartsWithTheTimeAndEndsWithCrLf)
{
    EXPECT_EQ(logLine(200, 9, 5, 7, "Exit code %u", 1603u), "09:05:07 Exit code 1603\r\n");
    EXPECT_EQ(logLine(200, 23, 59, 59, "%s and %s: %u%%", "one", "two", 0u), "23:59:59 one and two: 0%\r\n");
}

TEST(LogLine, MissingTextReadsNone)
{
    EXPECT_EQ(logLine(200, 0, 0, 0, "folder: %s", static_cast<const char*>(nullptr)), "00:00:00 folder: (none)\r\n");
}

TEST(LogLine, LargestNumberAndUnknownDirectives)
{
    EXPECT_EQ(logLine(200, 1, 2, 3, "%u %d %x", 4294967295u), "01:02:03 4294967295 %d %x\r\n");
}

TEST(LogLine, LongTextIsCutButKeepsItsLineEnd)
{
    std::string text(500, 'x');
    std::string line = logLine(40, 12, 0, 0, "Asked: %s", text.c_str());
    ASSERT_LT(line.size(), 40u);
    EXPECT_EQ(line.substr(0, 16), "12:00:00 Asked: ");
    EXPECT_EQ(line.substr(line.size() - 2), "\r\n");
}

TEST(LogLine, TinyBuffersAreNeverOverrun)
{
    EXPECT_EQ(logLine(2, 1, 2, 3, "text"), "");
    EXPECT_EQ(logLine(3, 1, 2, 3, "text"), "\r\n");
}

TEST(FormatText, CutsToTheBufferAndTerminates)
{
    char out[24];
    memset(out, '#', sizeof out);
    EXPECT_EQ(formatTextOf(out, 8, "\"%s\" /quiet", "C:\\uninstall.exe"), 7u);
    EXPECT_STREQ(out, "\"C:\\uni");
    EXPECT_EQ(out[8], '#');
    EXPECT_EQ(formatTextOf(out, sizeof out, "\"%s\" /quiet", "C:\\u.exe"), 17u);
    EXPECT_STREQ(out, "\"C:\\u.exe\" /quiet");
}

}  // namespace
