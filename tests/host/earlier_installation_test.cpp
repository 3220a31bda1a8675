// What an earlier installation's entry gives the upgrade: the name shown for
// it, and the uninstaller file its command starts.
#include "format/earlier_installation.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

std::string titleOf(const char* name, const char* version, const char* key, size_t size = kEarlierTitleSize)
{
    char title[kEarlierTitleSize] = "unchanged";
    composeEarlierTitle(name, version, key, title, size);
    return title;
}

TEST(EarlierInstallationTitle, NameAndVersionOrTheKeyName)
{
    EXPECT_EQ(titleOf("Mines", "1.0", "MinesKey"), "Mines 1.0");
    EXPECT_EQ(titleOf("Mines", "", "MinesKey"), "Mines");
    EXPECT_EQ(titleOf("Mines", nullptr, "MinesKey"), "Mines");
    // Without a name the version alone would say nothing.
    EXPECT_EQ(titleOf("", "1.0", "MinesKey"), "MinesKey");
    EXPECT_EQ(titleOf(nullptr, "1.0", "MinesKey"), "MinesKey");
}

TEST(EarlierInstallationTitle, CutToFitItsBuffer)
{
    EXPECT_EQ(titleOf("Mines", "1.0", "K", 8), "Mines 1");
    EXPECT_EQ(titleOf("Mines", "1.0", "K", 6), "Mines");
    EXPECT_EQ(titleOf("Mines", "1.0", "K", 1), "");
    std::string longName(400, 'n');
    EXPECT_EQ(titleOf(longName.c_str(), "2.0", "K").size(), kEarlierTitleSize - 1);
}

std::set<std::string> existingFiles;

bool fileExists(const char* path)
{
    return existingFiles.count(path) != 0;
}

std::string uninstallerOf(const char* command, size_t size = kExpandedPathSize)
{
    char path[kExpandedPathSize] = "unchanged";
    if (!uninstallerOfCommand(command, fileExists, path, size))
        return "(none)";
    return path;
}

TEST(EarlierInstallationUninstaller, QuotedOrTheLongestStartThatIsAFile)
{
    existingFiles = {"C:\\Program Files\\Mines\\uninstall.exe", "C:\\Program"};
    EXPECT_EQ(uninstallerOf("C:\\Program Files\\Mines\\uninstall.exe"), "C:\\Program Files\\Mines\\uninstall.exe");
    EXPECT_EQ(uninstallerOf("\"C:\\Program Files\\Mines\\uninstall.exe\" /S"),
              "C:\\Program Files\\Mines\\uninstall.exe");
    // The switch a silent run appends, and blanks around the command.
    EXPECT_EQ(uninstallerOf("  C:\\Program Files\\Mines\\uninstall.exe /passive "),
              "C:\\Program Files\\Mines\\uninstall.exe");
    // A shorter start that happens to be a file loses to the whole path.
    EXPECT_EQ(uninstallerOf("C:\\Program Files\\Mines\\uninstall.exe /quiet"),
              "C:\\Program Files\\Mines\\uninstall.exe");
}

TEST(EarlierInstallationUninstaller, NoneWhenNoFileMatchesOrItDoesNotFit)
{
    existingFiles = {"C:\\Mines\\un.exe"};
    EXPECT_EQ(uninstallerOf("C:\\Other\\un.exe /x"), "(none)");
    EXPECT_EQ(uninstallerOf("\"C:\\Mines\\un.exe"), "(none)") << "an unclosed quote";
    EXPECT_EQ(uninstallerOf("\"C:\\Other\\un.exe\""), "(none)");
    EXPECT_EQ(uninstallerOf(""), "(none)");
    EXPECT_EQ(uninstallerOf("   "), "(none)");
    EXPECT_EQ(uninstallerOf("\"\""), "(none)");
    EXPECT_EQ(uninstallerOf("C:\\Mines\\un.exe", 10), "(none)");
    EXPECT_EQ(uninstallerOf("C:\\Mines\\un.exe", 17), "C:\\Mines\\un.exe");
    std::string tooLong = "\"" + std::string(300, 'x') + "\"";
    EXPECT_EQ(uninstallerOf(tooLong.c_str()), "(none)");
}

}  // namespace
