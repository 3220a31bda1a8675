// Browsing for another install folder: the install folder split into the
// folder the browser opens at (where the free space is asked too) and the
// product's own sub-path, the walk up to a folder that exists, and the
// chosen folder joined with the sub-path.
#include "wizard/install_folder_choice.h"

#include <gtest/gtest.h>

#include <ctype.h>
#include <stdio.h>
#include <string.h>

#include <set>
#include <string>

namespace {

std::string folded(std::string text)
{
    for (char& c : text)
        c = char(tolower(static_cast<unsigned char>(c)));
    return text;
}

// Answers from a fixed list of folders, whatever the case of their letters
// as on Windows, and counts the questions.
class ListedFolders final : public FolderProbe {
public:
    explicit ListedFolders(const std::set<std::string>& folders)
    {
        for (const std::string& folder : folders)
            folders_.insert(folded(folder));
    }
    bool exists(const char* folder) override
    {
        ++asked;
        return folders_.count(folded(folder)) != 0;
    }
    int asked = 0;

private:
    std::set<std::string> folders_;
};

struct Split {
    std::string start, subPath;
    bool operator==(const Split& other) const { return start == other.start && subPath == other.subPath; }
};

void PrintTo(const Split& split, std::ostream* out)
{
    *out << "start \"" << split.start << "\", sub-path \"" << split.subPath << "\"";
}

Split split(const char* installFolder, ListedFolders& probe)
{
    BrowseFolders folders;
    splitInstallFolder(installFolder, probe, folders);
    return {folders.startFolder, folders.subPath};
}

std::string walked(const char* start, ListedFolders& probe)
{
    char folder[kFolderPathSize];
    snprintf(folder, sizeof folder, "%s", start);
    cutToExistingFolder(folder, probe);
    return folder;
}

std::string outcome(FolderChoice choice, const char* out)
{
    switch (choice) {
    case FolderChoice::Chosen: return out;
    case FolderChoice::Unchanged: return std::string("unchanged, ") + out;
    case FolderChoice::TooLong: return std::string("too long, ") + out;
    case FolderChoice::NoFileSystemPath: return std::string("no path, ") + out;
    }
    return "?";
}

// The join's outcome, with the result or "-" when none was written.
std::string joined(const std::string& chosen, const std::string& subPath)
{
    char out[kFolderPathSize] = "-";
    return outcome(joinChosenFolder(chosen.c_str(), subPath.c_str(), out, sizeof out), out);
}

// The install folder after choosing `chosen` in a browser opened over
// `installFolder` on a machine with `probe`'s folders; "unchanged, -" when
// it stays as it was.
std::string chosenFor(const char* installFolder, const char* chosen, ListedFolders& probe)
{
    BrowseFolders folders;
    splitInstallFolder(installFolder, probe, folders);
    char out[kFolderPathSize] = "-";
    return outcome(chooseInstallFolder(chosen, folders, out, sizeof out), out);
}

TEST(InstallFolderChoice, RootsOfDrivesSharesAndTheCurrentDrive)
{
    EXPECT_EQ(pathRootLength("C:\\Program Files"), 3u);
    EXPECT_EQ(pathRootLength("C:\\"), 3u);
    EXPECT_EQ(pathRootLength("c:\\x"), 3u);
    // Drive C's current folder, no root.
    EXPECT_EQ(pathRootLength("C:"), 0u);
    EXPECT_EQ(pathRootLength("C:relative"), 0u);
    EXPECT_EQ(pathRootLength("\\Product"), 1u);
    EXPECT_EQ(pathRootLength("\\\\server\\share\\Product"), 15u);
    EXPECT_EQ(pathRootLength("\\\\server\\share"), 14u);
    EXPECT_EQ(pathRootLength("\\\\server"), 8u);
    EXPECT_EQ(pathRootLength("\\\\server\\share\\a\\b"), 15u);
    EXPECT_EQ(pathRootLength("Product"), 0u);
    EXPECT_EQ(pathRootLength(""), 0u);
    EXPECT_EQ(pathRootLength("1:\\x"), 0u) << "no drive letter";
}

TEST(InstallFolderChoice, SubPathIsWhatLiesBelowTheNearestExistingAncestor)
{
    ListedFolders probe({"C:\\", "C:\\Program Files", "D:\\", "\\\\server\\share\\"});
    // The example: Program Files exists, Trial Games does not.
    EXPECT_EQ(split("C:\\Program Files\\Trial Games\\Mines", probe),
              (Split{"C:\\Program Files", "Trial Games\\Mines"}));
    EXPECT_EQ(split("C:\\Program Files\\Mines", probe), (Split{"C:\\Program Files", "Mines"}));
    // Trailing backslashes are passed over.
    EXPECT_EQ(split("C:\\Program Files\\Trial Games\\Mines\\\\", probe),
              (Split{"C:\\Program Files", "Trial Games\\Mines"}));
    // A drive root keeps its backslash ("D:" is drive D's current folder).
    EXPECT_EQ(split("D:\\Games\\Mines", probe), (Split{"D:\\", "Games\\Mines"}));
    EXPECT_EQ(split("D:\\", probe), (Split{"D:\\", ""}));
    // A share is a root: never cut into "\\\\server".
    EXPECT_EQ(split("\\\\server\\share\\Trial Games\\Mines", probe),
              (Split{"\\\\server\\share\\", "Trial Games\\Mines"}));
    // Nothing exists, not even the root: all below the root is kept.
    EXPECT_EQ(split("E:\\Trial Games\\Mines", probe), (Split{"", "Trial Games\\Mines"}));
    EXPECT_EQ(split("\\\\other\\share\\Mines", probe), (Split{"", "Mines"}));
    // No root: all of it is the sub-path, and the file system is not asked.
    probe.asked = 0;
    EXPECT_EQ(split("Mines", probe), (Split{"", "Mines"}));
    EXPECT_EQ(split("Trial Games\\Mines", probe), (Split{"", "Trial Games\\Mines"}));
    EXPECT_EQ(split("C:Mines", probe), (Split{"", "C:Mines"}));
    EXPECT_EQ(split("C:", probe), (Split{"", "C:"}));
    EXPECT_EQ(split("", probe), (Split{"", ""}));
    EXPECT_EQ(probe.asked, 0);
}

TEST(InstallFolderChoice, ReinstallOverAnExistingFolderKeepsItsLastPart)
{
    ListedFolders probe({"C:\\", "C:\\Program Files", "C:\\Program Files\\Trial Games",
                         "C:\\Program Files\\Trial Games\\Mines", "C:\\Mines", "\\\\server\\share\\",
                         "\\\\server\\share\\Mines"});
    EXPECT_EQ(split("C:\\Program Files\\Trial Games\\Mines", probe),
              (Split{"C:\\Program Files\\Trial Games", "Mines"}));
    EXPECT_EQ(split("C:\\Mines\\", probe), (Split{"C:\\", "Mines"}));
    EXPECT_EQ(split("\\\\server\\share\\Mines", probe), (Split{"\\\\server\\share\\", "Mines"}));
    // An ancestor that exists gives the rest below it.
    EXPECT_EQ(split("C:\\Program Files\\Trial Games\\Bricks\\Data", probe),
              (Split{"C:\\Program Files\\Trial Games", "Bricks\\Data"}));
}

TEST(InstallFolderChoice, WalkStopsAtTheNearestExistingFolderAndNeverInsideARoot)
{
    ListedFolders probe({"C:\\", "C:\\Program Files", "\\", "\\\\server\\share\\", "\\\\server", "D:", "Vendor"});
    EXPECT_EQ(walked("C:\\Program Files", probe), "C:\\Program Files");
    EXPECT_EQ(probe.asked, 1);
    EXPECT_EQ(walked("C:\\Program Files\\Vendor\\Suite", probe), "C:\\Program Files");
    EXPECT_EQ(walked("C:\\Vendor", probe), "C:\\");
    EXPECT_EQ(walked("\\Vendor\\Suite", probe), "\\");
    EXPECT_EQ(walked("\\\\server\\share\\Vendor", probe), "\\\\server\\share\\");
    // Neither "\\\\server" nor "\\" is a folder above a share.
    EXPECT_EQ(walked("\\\\server\\gone\\Vendor", probe), "");
    // Nothing exists above, or the text names no root: the browser's default.
    EXPECT_EQ(walked("E:\\Vendor\\Suite", probe), "");
    EXPECT_EQ(walked("E:\\", probe), "");
    EXPECT_EQ(walked("D:", probe), "") << "drive D's current folder is no root";
    EXPECT_EQ(walked("Vendor", probe), "") << "a folder of the current folder is none to open at";
    EXPECT_EQ(walked("", probe), "");
}

TEST(InstallFolderChoice, ChosenFolderTakesTheSubPath)
{
    ListedFolders probe({"C:\\", "C:\\Program Files", "D:\\", "D:\\Apps"});
    const char* folder = "C:\\Program Files\\Trial Games\\Mines";
    EXPECT_EQ(chosenFor(folder, "D:\\Apps", probe), "D:\\Apps\\Trial Games\\Mines");
    EXPECT_EQ(chosenFor(folder, "D:\\", probe), "D:\\Trial Games\\Mines");
    EXPECT_EQ(chosenFor(folder, "\\\\server\\share", probe), "\\\\server\\share\\Trial Games\\Mines");
    EXPECT_EQ(chosenFor(folder, "\\\\server\\share\\", probe), "\\\\server\\share\\Trial Games\\Mines");
    // An item with no file-system path (the computer, the network) gives
    // no folder at all, never the bare sub-path.
    EXPECT_EQ(chosenFor(folder, "", probe), "no path, -");
    // An empty sub-path leaves the chosen folder as the shell named it.
    EXPECT_EQ(joined("D:\\Apps", ""), "D:\\Apps");
    EXPECT_EQ(joined("D:\\", ""), "D:\\");
}

TEST(InstallFolderChoice, OkWithoutAChangeKeepsTheFolderExactlyAsItWas)
{
    ListedFolders probe({"C:\\", "C:\\Program Files", "C:\\Games", "C:\\Games\\Mines"});
    // The browser opened at Program Files, as the shell names it: the
    // install folder stays as it is, trailing backslash and all.
    EXPECT_EQ(chosenFor("C:\\Program Files\\Trial Games\\Mines\\", "C:\\Program Files", probe), "unchanged, -");
    // Named in another case, it still gives the same folder.
    EXPECT_EQ(chosenFor("c:\\program files\\Trial Games\\Mines", "C:\\Program Files", probe),
              "C:\\Program Files\\Trial Games\\Mines");
    // A reinstall opens at the parent.
    EXPECT_EQ(chosenFor("C:\\Games\\Mines", "C:\\Games", probe), "unchanged, -");
    // Its own folder chosen is another folder to put the product in.
    EXPECT_EQ(chosenFor("C:\\Games\\Mines", "C:\\Games\\Mines", probe), "C:\\Games\\Mines\\Mines");
    // Opened at the browser's default, nothing matches by accident.
    EXPECT_EQ(chosenFor("E:\\Trial Games\\Mines", "C:\\", probe), "C:\\Trial Games\\Mines");
    EXPECT_EQ(chosenFor("E:\\Trial Games\\Mines", "", probe), "no path, -");
}

TEST(InstallFolderChoice, FolderTooLongForTheSubPathIsRefusedNotCut)
{
    const std::string leaf = "Product";  // 7 characters and a backslash
    const std::string fits = "D:\\" + std::string(259 - 8 - 3, 'a');
    EXPECT_EQ(joined(fits, leaf), fits + "\\Product");
    EXPECT_EQ(joined(fits + "b", leaf), "too long, -");
    // A root adds no backslash, so it may take one character more.
    EXPECT_EQ(joined("D:\\", std::string(256, 'c')), "D:\\" + std::string(256, 'c'));
    EXPECT_EQ(joined("D:\\", std::string(257, 'c')), "too long, -");
}

TEST(InstallFolderChoice, TooLongMessageNamesTheFolderAndStaysWithinItsBuffer)
{
    char message[1024];
    describeTooLongFolder("D:\\Deep", "Product", message, sizeof message);
    EXPECT_STREQ(message,
                 "The installation folder would be longer than 259 characters:\n\n"
                 "D:\\Deep\\Product\n\nPlease choose a folder with a shorter path.");
    describeTooLongFolder("D:\\", "Product", message, sizeof message);
    EXPECT_NE(std::string(message).find("\n\nD:\\Product\n\n"), std::string::npos) << message;

    char small[40];
    memset(small, 'x', sizeof small);
    describeTooLongFolder(std::string(300, 'd').c_str(), std::string(500, 'l').c_str(), small, sizeof small);
    EXPECT_EQ(strlen(small), sizeof small - 1);
}

}  // namespace
