// Browsing for another install folder: the install folder split into the
// folder the browser opens at and the product's own folder name, the walk
// up to a folder that exists, and the chosen folder joined with that name.
#include "wizard/install_folder_choice.h"

#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>

#include <set>
#include <string>

namespace {

// Answers from a fixed list of folders and counts the questions.
class ListedFolders final : public FolderProbe {
public:
    explicit ListedFolders(std::set<std::string> folders) : folders_(std::move(folders)) {}
    bool exists(const char* folder) override
    {
        ++asked;
        return folders_.count(folder) != 0;
    }
    int asked = 0;

private:
    std::set<std::string> folders_;
};

struct Split {
    std::string start, leaf;
    bool operator==(const Split& other) const { return start == other.start && leaf == other.leaf; }
};

void PrintTo(const Split& split, std::ostream* out)
{
    *out << "start \"" << split.start << "\", leaf \"" << split.leaf << "\"";
}

Split split(const char* installFolder)
{
    BrowseFolders folders;
    splitInstallFolder(installFolder, folders);
    return {folders.startFolder, folders.leaf};
}

std::string walked(const char* start, ListedFolders& probe)
{
    char folder[kFolderPathSize];
    snprintf(folder, sizeof folder, "%s", start);
    cutToExistingAncestor(folder, probe);
    return folder;
}

// The join's outcome, with the result or "-" when none was written.
std::string joined(const std::string& chosen, const std::string& leaf)
{
    char out[kFolderPathSize] = "-";
    switch (joinChosenFolder(chosen.c_str(), leaf.c_str(), out, sizeof out)) {
    case FolderChoice::Chosen: return out;
    case FolderChoice::TooLong: return std::string("too long, ") + out;
    case FolderChoice::NoFileSystemPath: return std::string("no path, ") + out;
    }
    return "?";
}

TEST(InstallFolderChoice, SplitKeepsTheLastPartAndRootsKeepTheirBackslash)
{
    EXPECT_EQ(split("C:\\Program Files\\Product"), (Split{"C:\\Program Files", "Product"}));
    EXPECT_EQ(split("D:\\Product"), (Split{"D:\\", "Product"}));
    EXPECT_EQ(split("\\Product"), (Split{"\\", "Product"}));
    EXPECT_EQ(split("\\\\server\\share\\Product"), (Split{"\\\\server\\share", "Product"}));
    // A trailing backslash leaves nothing to keep.
    EXPECT_EQ(split("C:\\Program Files\\Product\\"), (Split{"C:\\Program Files\\Product", ""}));
    // Without a backslash nothing is split: a name is kept whole, a bare
    // drive is its root.
    EXPECT_EQ(split("Product"), (Split{"", "Product"}));
    EXPECT_EQ(split("D:"), (Split{"D:\\", ""}));
    EXPECT_EQ(split(""), (Split{"", ""}));
}

TEST(InstallFolderChoice, BrowserOpensAtTheNearestExistingAncestor)
{
    ListedFolders probe({"C:\\", "C:\\Program Files", "\\"});
    EXPECT_EQ(walked("C:\\Program Files", probe), "C:\\Program Files");
    EXPECT_EQ(probe.asked, 1);
    EXPECT_EQ(walked("C:\\Program Files\\Vendor\\Suite", probe), "C:\\Program Files");
    // Cut to "C:" the walk would stand in drive C's current folder.
    EXPECT_EQ(walked("C:\\Vendor", probe), "C:\\");
    EXPECT_EQ(walked("\\Vendor\\Suite", probe), "\\");
    // Nothing exists above: the browser's default.
    EXPECT_EQ(walked("E:\\Vendor\\Suite", probe), "");
    EXPECT_EQ(walked("E:\\", probe), "");
    EXPECT_EQ(walked("Vendor", probe), "");
    EXPECT_EQ(walked("", probe), "");
}

TEST(InstallFolderChoice, ChosenFolderTakesTheLeafAsInTheExample)
{
    BrowseFolders folders;
    splitInstallFolder("C:\\Program Files\\Product", folders);
    EXPECT_EQ(joined("D:\\Apps", folders.leaf), "D:\\Apps\\Product");
    EXPECT_EQ(joined("D:\\", folders.leaf), "D:\\Product");
    // An empty leaf leaves the chosen folder with a trailing backslash.
    EXPECT_EQ(joined("D:\\Apps", ""), "D:\\Apps\\");
    EXPECT_EQ(joined("D:\\", ""), "D:\\");
    // An item with no file-system path (the computer, the network) gives
    // no folder at all, never the bare leaf.
    EXPECT_EQ(joined("", "Product"), "no path, -");
}

TEST(InstallFolderChoice, FolderTooLongForTheLeafIsRefusedNotCut)
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
