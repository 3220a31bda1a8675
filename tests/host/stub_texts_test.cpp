// The stub's own texts that are formats: each holds exactly the conversions
// its callers pass arguments for, so a change of wording cannot make a box
// read a missing argument.
#include "format/stub_texts.h"
#include "format/unattended_rules.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The conversions of a printf format in order ("ss" for two %s); "%%" is none.
std::string conversionsOf(const char* format)
{
    std::string found;
    for (const char* p = format; *p; ++p) {
        if (*p != '%')
            continue;
        ++p;
        if (*p == '%')
            continue;
        found += *p;
        if (!*p)
            break;
    }
    return found;
}

TEST(StubTexts, FormatsHoldTheConversionsTheirCallersPass)
{
    // The retry questions take the path, command line or library...
    for (const char* question : {kCannotCreateFile, kCannotDeleteFile, kCannotExecute, kCannotLoad})
        EXPECT_EQ(conversionsOf(question), "s") << question;
    // ...and the entry point's name before its library.
    EXPECT_EQ(conversionsOf(kCannotGetEntryPoint), "ss");
    EXPECT_EQ(conversionsOf(kErrorCode), "d");
    // The /dir= folder, then what is wrong with it.
    EXPECT_EQ(conversionsOf(kUnusableInstallFolder), "ss");
    // The space line takes a size, the folder too long for the sub-path
    // the chosen folder, a backslash or none, and the sub-path.
    EXPECT_EQ(conversionsOf(kSpaceRequired), "s");
    EXPECT_EQ(conversionsOf(kChosenFolderTooLong), "sss");
}

// The banner and /? list every code a run can end with.
TEST(StubTexts, SwitchListNamesEveryExitCode)
{
    std::string list = kSwitchList;
    for (RunOutcome outcome : {RunOutcome::Unfinished, RunOutcome::Succeeded, RunOutcome::Failed, RunOutcome::Cancelled,
                               RunOutcome::DamagedPackage, RunOutcome::UnusableFolder, RunOutcome::ElevationFailed,
                               RunOutcome::DowngradeRefused})
        for (bool restart : {false, true}) {
            std::string code = " " + std::to_string(exitCodeFor(RunFacts{outcome, restart, false})) + " ";
            EXPECT_NE(list.find(code), std::string::npos) << code;
        }
}

}  // namespace
