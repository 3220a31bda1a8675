// Taking files and folders away again: the undo entries of the file steps.
#include "support/file_steps.h"

#include <gtest/gtest.h>

namespace {

std::unique_ptr<DeleteFileUndo> deleteEntry(const std::string& path, uint32_t reportFailure)
{
    auto entry = std::make_unique<DeleteFileUndo>();
    entry->path.assignText(path.c_str());
    entry->reportFailure = reportFailure;
    return entry;
}

using DeleteFileUndoTest = FileStepTest;

TEST_F(DeleteFileUndoTest, DeletesTheFileAndIsQuietWhenItIsAlreadyGone)
{
    ASSERT_TRUE(writeFile(at("d.txt"), "x"));
    SetFileAttributesA(at("d.txt").c_str(), FILE_ATTRIBUTE_ARCHIVE);
    auto entry = deleteEntry(at("d.txt"), 1);
    EXPECT_EQ(undoQuietly(*entry), 0u);
    EXPECT_FALSE(fileExists(at("d.txt")));
    EXPECT_EQ(undoQuietly(*entry), 0u);
    auto inMissingFolder = deleteEntry(at("nowhere\\d.txt"), 1);
    EXPECT_EQ(undoQuietly(*inMissingFolder), 0u);
}

TEST_F(DeleteFileUndoTest, AFileThatStaysIsLeftSilentlyWhenNotReported)
{
    ASSERT_TRUE(writeFile(at("d.txt"), "x"));
    HeldFile held(at("d.txt"));
    auto entry = deleteEntry(at("d.txt"), 0);
    EXPECT_EQ(undoQuietly(*entry), 0u);
    held.release();
    EXPECT_TRUE(fileExists(at("d.txt")));
}

TEST_F(DeleteFileUndoTest, AReportedFileThatStaysAsksAndFollowsTheAnswer)
{
    ASSERT_TRUE(writeFile(at("d.txt"), "x"));
    HeldFile held(at("d.txt"));
    auto entry = deleteEntry(at("d.txt"), 1);
    const std::string expected = promptText("Cannot delete file \"" + at("d.txt") + "\"", ERROR_SHARING_VIOLATION);

    for (int button : {IDIGNORE, IDABORT}) {
        uint32_t result = 99;
        WorkerRun worker([&] { result = entry->undo(context); });
        Prompt prompt = worker.nextPrompt();
        ASSERT_NE(prompt.box, nullptr);
        EXPECT_EQ(prompt.text, expected);
        EXPECT_EQ(prompt.caption, "Error");
        EXPECT_TRUE(worker.answer(prompt, button));
        ASSERT_TRUE(worker.finish());
        EXPECT_EQ(result, button == IDIGNORE ? 0u : 1u);
        EXPECT_TRUE(fileExists(at("d.txt")));
    }

    uint32_t result = 99;
    WorkerRun worker([&] { result = entry->undo(context); });
    Prompt prompt = worker.nextPrompt();
    ASSERT_NE(prompt.box, nullptr);
    held.release();
    EXPECT_TRUE(worker.answer(prompt, IDRETRY));
    EXPECT_EQ(worker.nextPrompt().box, nullptr);
    ASSERT_TRUE(worker.finish());
    EXPECT_EQ(result, 0u);
    EXPECT_FALSE(fileExists(at("d.txt")));
}

using RemoveFolderUndoTest = FileStepTest;

TEST_F(RemoveFolderUndoTest, RemovesAnEmptyFolderAndLeavesAFullOneInPlace)
{
    ASSERT_TRUE(CreateDirectoryA(at("empty").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(at("full").c_str(), nullptr));
    ASSERT_TRUE(writeFile(at("full\\f.txt"), "x"));
    RemoveFolderUndo empty, full, missing;
    empty.path.assignText(at("empty").c_str());
    full.path.assignText(at("full").c_str());
    missing.path.assignText(at("missing").c_str());

    EXPECT_EQ(undoQuietly(empty), 0u);
    EXPECT_FALSE(fileExists(at("empty")));
    // Retried for half a second, then left without a word.
    EXPECT_EQ(undoQuietly(full), 0u);
    EXPECT_EQ(folderEntries(at("full")), (std::vector<std::string>{"f.txt"}));
    EXPECT_EQ(undoQuietly(missing), 0u);
}

}  // namespace
