// Deleting files by pattern: the tree walk, what it must never reach, and
// the patterns it must refuse.
#include "support/file_steps.h"
#include "support/wine_host.h"

#include "engine/file_routines.h"
#include "engine/passes.h"
#include "support/wizard_driver.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

class DeleteFilesActionTest : public FileStepTest {
protected:
    bool run(const std::string& pattern, uint32_t recurse)
    {
        DeleteFilesAction action;
        action.pathPattern.assignText(pattern.c_str());
        action.recurse = recurse;
        return executeQuietly(action);
    }

    void makeFolders(std::initializer_list<const char*> folders)
    {
        for (const char* name : folders)
            ASSERT_TRUE(CreateDirectoryA(at(name).c_str(), nullptr)) << name;
    }

    void makeFiles(std::initializer_list<const char*> files)
    {
        for (const char* name : files)
            ASSERT_TRUE(writeFile(at(name), name)) << name;
    }

    // Entries the uninstaller would carry: none, a deletion is for good.
    uint32_t uninstallerEntries() const
    {
        uint32_t count = 0;
        for (UndoEntry* entry = target.undoLog.first(); entry; entry = entry->next)
            count += entry->isRollbackOnly() ? 0 : 1;
        return count;
    }
};

TEST_F(DeleteFilesActionTest, RecursionDeletesEveryMatchAndRemovesTheFoldersItEmptied)
{
    makeFolders({"tree", "tree\\s1", "tree\\s1\\s2", "tree\\s3", "tree\\empty"});
    makeFiles({"tree\\a.tmp", "tree\\keep.txt", "tree\\s1\\b.tmp", "tree\\s1\\s2\\c.TMP", "tree\\s3\\d.tmp"});
    // Read-only, hidden and system files go as well.
    SetFileAttributesA(at("tree\\s1\\s2\\c.TMP").c_str(), FILE_ATTRIBUTE_READONLY);
    SetFileAttributesA(at("tree\\s3\\d.tmp").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);

    const std::vector<std::string> before = treeEntries(at("tree"));
    const std::vector<std::string> beside = folderEntries(at(""));
    EXPECT_TRUE(run("$DIR$\\tree\\*.tmp", 1));
    EXPECT_EQ(folderEntries(at("tree")), (std::vector<std::string>{"keep.txt"}));
    EXPECT_EQ(uninstallerEntries(), 0u);

    // A failed installation puts every file and emptied folder back, with
    // its attributes; nothing is left beside the tree.
    rollBack(target.undoLog, context);
    EXPECT_EQ(treeEntries(at("tree")), before);
    EXPECT_EQ(readFile(at("tree\\s1\\s2\\c.TMP")), "tree\\s1\\s2\\c.TMP");
    EXPECT_TRUE(GetFileAttributesA(at("tree\\s1\\s2\\c.TMP").c_str()) & FILE_ATTRIBUTE_READONLY);
    EXPECT_TRUE(GetFileAttributesA(at("tree\\s3\\d.tmp").c_str()) & FILE_ATTRIBUTE_HIDDEN);
    EXPECT_EQ(folderEntries(at("")), beside);
}

TEST_F(DeleteFilesActionTest, SuccessDeletesTheKeptFilesForGood)
{
    makeFolders({"done", "done\\sub"});
    makeFiles({"done\\a.tmp", "done\\sub\\b.tmp"});
    SetFileAttributesA(at("done\\a.tmp").c_str(), FILE_ATTRIBUTE_READONLY);
    const std::vector<std::string> beside = folderEntries(at(""));
    EXPECT_TRUE(run("$DIR$\\done\\*.tmp", 1));
    EXPECT_NE(folderEntries(at("")), beside) << "nothing was kept beside the tree";
    commitRollbackEntries(target.undoLog);
    EXPECT_FALSE(fileExists(at("done")));
    std::vector<std::string> after = folderEntries(at(""));
    after.push_back("done");
    std::sort(after.begin(), after.end());
    EXPECT_EQ(after, beside) << "a kept file is left beside the tree";
}

TEST_F(DeleteFilesActionTest, WithoutRecursionOnlyTheFolderItselfAndTheFolderStays)
{
    makeFolders({"flat", "flat\\sub"});
    makeFiles({"flat\\a.tmp", "flat\\sub\\b.tmp"});
    EXPECT_TRUE(run("$DIR$\\flat\\*.tmp", 0));
    EXPECT_EQ(folderEntries(at("flat")), (std::vector<std::string>{"sub"}));
    EXPECT_EQ(folderEntries(at("flat\\sub")), (std::vector<std::string>{"b.tmp"}));

    makeFolders({"only"});
    makeFiles({"only\\a.tmp"});
    EXPECT_TRUE(run("$DIR$\\only\\*.tmp", 0));
    EXPECT_TRUE(fileExists(at("only")));
    EXPECT_TRUE(folderEntries(at("only")).empty());
    // With recursion the emptied folder itself goes too.
    makeFiles({"only\\a.tmp"});
    EXPECT_TRUE(run("$DIR$\\only\\*.tmp", 1));
    EXPECT_FALSE(fileExists(at("only")));
}

TEST_F(DeleteFilesActionTest, AVariableThatComesOutEmptyOrAFailedExpansionDeletesNothing)
{
    makeFiles({"victim.tmp"});
    // "$DIR$\\\\*.tmp" would still name the folder: an empty variable in
    // the middle of a path is refused all the same.
    EXPECT_TRUE(run("$DIR$\\$EMPTY$\\*.tmp", 1));
    EXPECT_TRUE(run("$DIR$\\*.tmp$FAIL$", 1));
    EXPECT_TRUE(fileExists(at("victim.tmp")));

    // An empty folder, or a bare drive, would put the pattern at a drive root.
    std::string canary = "C:\\slipway-canary-" + std::to_string(GetCurrentProcessId()) + ".tmp";
    ASSERT_TRUE(writeFile(canary, "canary"));
    {
        CurrentFolder here(folder);
        EXPECT_TRUE(run("$EMPTY$\\*.tmp", 0));
        EXPECT_TRUE(run("$DRIVE$\\*.tmp", 0));
        EXPECT_TRUE(run("$DRIVE$\\$EMPTY$*.tmp", 0));
    }
    EXPECT_TRUE(fileExists(canary));
    DeleteFileA(canary.c_str());

    // The same action with its variable set does its work.
    EXPECT_TRUE(run("$DIR$\\*.tmp", 0));
    EXPECT_FALSE(fileExists(at("victim.tmp")));
}

TEST_F(DeleteFilesActionTest, LinksAndJunctionsAreNeverFollowedOutOfTheTree)
{
    makeFolders({"outside", "tree"});
    makeFiles({"outside\\keep.tmp", "tree\\own.tmp"});
    // Wine makes no junctions (FSCTL_SET_REPARSE_POINT is not supported); it
    // shows a Linux symbolic link to a folder as a reparse point, which is
    // what counts. (A link to a file it shows as a plain file, and deleting
    // it deletes the target: no file links here.)
    ASSERT_TRUE(makeHostSymlink(unixPathOf(at("outside")), at("tree\\link")));
    DWORD linkAttributes = GetFileAttributesA(at("tree\\link").c_str());
    ASSERT_NE(linkAttributes, INVALID_FILE_ATTRIBUTES);
    ASSERT_TRUE(linkAttributes & FILE_ATTRIBUTE_REPARSE_POINT) << "the link is no reparse point to this Wine";

    EXPECT_TRUE(run("$DIR$\\tree\\*.tmp", 1));
    EXPECT_FALSE(fileExists(at("tree\\own.tmp")));
    EXPECT_EQ(folderEntries(at("outside")), (std::vector<std::string>{"keep.tmp"}));
    // The tree keeps the link, so the tree stays.
    EXPECT_EQ(folderEntries(at("tree")), (std::vector<std::string>{"link"}));
}

// The system's wide calls take long paths behind this prefix.
std::wstring longPath(const std::string& path)
{
    std::wstring wide = L"\\\\?\\";
    for (char c : path)
        wide += wchar_t(static_cast<unsigned char>(c));
    return wide;
}

bool existsLong(const std::string& path)
{
    return GetFileAttributesW(longPath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool makeLongFile(const std::string& path)
{
    HANDLE file = CreateFileW(longPath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(file);
    return true;
}

TEST_F(DeleteFilesActionTest, NamesThatDoNotFitTheWorkBufferAreSkippedNotCut)
{
    // A folder of 196 characters: its entries' paths end near the 264-byte
    // work buffer.
    ASSERT_LT(folder.size(), 150u);
    std::string deep = folder + "\\" + std::string(196 - folder.size() - 1, 'd');
    ASSERT_EQ(deep.size(), 196u);
    ASSERT_TRUE(CreateDirectoryA(deep.c_str(), nullptr));
    std::string longFile = deep + "\\" + std::string(66, 'n') + ".tmp";  // 267 characters
    std::string longFolder = deep + "\\" + std::string(62, 'f');         // + "\\*.tmp": 265
    std::string shortFolder = deep + "\\s";
    ASSERT_TRUE(makeLongFile(longFile));
    ASSERT_TRUE(makeLongFile(deep + "\\short.tmp"));
    ASSERT_TRUE(CreateDirectoryW(longPath(longFolder).c_str(), nullptr));
    ASSERT_TRUE(makeLongFile(longFolder + "\\a.tmp"));
    ASSERT_TRUE(CreateDirectoryA(shortFolder.c_str(), nullptr));
    ASSERT_TRUE(makeLongFile(shortFolder + "\\b.tmp"));

    EXPECT_TRUE(deleteMatching((deep + "\\*.tmp").c_str(), true));
    EXPECT_FALSE(existsLong(deep + "\\short.tmp"));
    EXPECT_FALSE(existsLong(shortFolder)) << "the walk went on past the names it skipped";
    EXPECT_TRUE(existsLong(longFile));
    EXPECT_TRUE(existsLong(longFolder + "\\a.tmp"));
}

}  // namespace
