// Writing, copying and recording files against the real file system, with
// the prompts answered as a user would.
#include "support/file_steps.h"
#include "support/wine_host.h"

#include "format/action_script.h"
#include "engine/passes.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

std::unique_ptr<WriteFileAction> writeAction(const std::string& path, const std::string& data,
                                             uint64_t time = kPackagedTime)
{
    auto action = std::make_unique<WriteFileAction>();
    action->path.assignText(path.c_str());
    action->data.assign(data.data(), data.size());
    action->timeLow = uint32_t(time);
    action->timeHigh = uint32_t(time >> 32);
    return action;
}

std::unique_ptr<CopyFileAction> copyAction(const std::string& source, const std::string& destination)
{
    auto action = std::make_unique<CopyFileAction>();
    action->source.assignText(source.c_str());
    action->destination.assignText(destination.c_str());
    return action;
}

std::string createPrompt(const std::string& path, DWORD error)
{
    return promptText("Cannot create file \"" + path + "\"", error);
}

// ------------------------------------------------------------------ writing

using WriteFileActionTest = FileStepTest;

TEST_F(WriteFileActionTest, MakesMissingFoldersAndTheUndoLogRemovesThemInnermostFirst)
{
    auto action = writeAction("$DIR$\\A\\B\\f.txt", "hello");
    EXPECT_TRUE(executeQuietly(*action));
    EXPECT_EQ(readFile(at("A\\B\\f.txt")), "hello");
    EXPECT_EQ(lastWriteTime(at("A\\B\\f.txt")), kPackagedTime);
    EXPECT_EQ(context.bytesInstalled, 5u);
    EXPECT_EQ(recordedEntries(target.undoLog), (std::vector<RecordedEntry>{
                                                   fileEntry(at("A\\B\\f.txt"), 1),
                                                   folderEntry(at("A\\B")),
                                                   folderEntry(at("A")),
                                               }));

    // Only this order takes everything away: a folder goes only when empty.
    uint32_t result = 99;
    runQuietly([&] { result = runReversals(target.undoLog, context); });
    EXPECT_EQ(result, 0u);
    EXPECT_FALSE(fileExists(at("A")));
    EXPECT_TRUE(fileExists(folder));
}

TEST_F(WriteFileActionTest, ReplacesAnExistingFileWithThePackagedBytesAndTime)
{
    ASSERT_TRUE(writeFile(at("f.txt"), "the old and longer contents"));
    auto action = writeAction("$DIR$\\f.txt", "new");
    EXPECT_TRUE(executeQuietly(*action));
    EXPECT_EQ(readFile(at("f.txt")), "new");
    // Wine keeps no creation time of its own, so the last-write time speaks.
    EXPECT_EQ(lastWriteTime(at("f.txt")), kPackagedTime);
    EXPECT_EQ(recordedEntries(target.undoLog), (std::vector<RecordedEntry>{fileEntry(at("f.txt"), 1)}));

    EXPECT_EQ(undoQuietly(*target.undoLog.first()), 0u);
    EXPECT_FALSE(fileExists(at("f.txt")));
}

// A failed installation puts back the file it replaced, and leaves a file
// that it only listed for the uninstaller; a successful one lets go of the
// kept copy.
TEST_F(WriteFileActionTest, RollbackPutsBackTheReplacedFileAndSuccessLetsGoOfItsCopy)
{
    for (bool succeeded : {false, true}) {
        SCOPED_TRACE(succeeded ? "success" : "rollback");
        target.undoLog.clear();
        ASSERT_TRUE(writeFile(at("f.txt"), "the user's own"));
        ASSERT_TRUE(writeFile(at("listed.txt"), "listed"));
        auto write = writeAction("$DIR$\\f.txt", "new");
        RemoveOnUninstallAction listed;
        ASSERT_TRUE(listed.path.assignText("$DIR$\\listed.txt"));
        EXPECT_TRUE(executeQuietly(*write) && executeQuietly(listed));
        EXPECT_EQ(readFile(at("f.txt")), "new");
        if (succeeded) {
            commitRollbackEntries(target.undoLog);
            EXPECT_EQ(readFile(at("f.txt")), "new");
        } else {
            rollBack(target.undoLog, context);
            EXPECT_EQ(readFile(at("f.txt")), "the user's own");
        }
        EXPECT_EQ(readFile(at("listed.txt")), "listed");
        // No kept copy is left behind either way.
        EXPECT_EQ(folderEntries(folder), (std::vector<std::string>{"f.txt", "listed.txt"}));
    }
}

TEST_F(WriteFileActionTest, AnEmptyFileIsWrittenAndRecorded)
{
    auto action = writeAction("$DIR$\\empty.bin", "");
    EXPECT_TRUE(executeQuietly(*action));
    EXPECT_EQ(readFile(at("empty.bin")), "");
    EXPECT_EQ(context.bytesInstalled, 0u);
    EXPECT_EQ(recordedEntries(target.undoLog), (std::vector<RecordedEntry>{fileEntry(at("empty.bin"), 1)}));
}

// Two files in one list, the first held by another program.
class WriteFileActionPrompt : public FileStepTest {
protected:
    void SetUp() override
    {
        FileStepTest::SetUp();
        ASSERT_TRUE(writeFile(at("held.txt"), "kept"));
        held = std::make_unique<HeldFile>(at("held.txt"));
        ASSERT_TRUE(held->held());
        script.mainActions.actions.push(writeAction("$DIR$\\held.txt", "new").release());
        script.mainActions.actions.push(writeAction("$DIR$\\next.txt", "next").release());
    }

    // Runs the list on a worker and answers the one prompt with `button`.
    bool runAnswering(int button)
    {
        bool result = false;
        WorkerRun worker([&] { result = runInstallation(script, nullptr, context); });
        Prompt prompt = worker.nextPrompt();
        EXPECT_NE(prompt.box, nullptr) << "no prompt";
        EXPECT_EQ(prompt.text, createPrompt(at("held.txt"), ERROR_SHARING_VIOLATION));
        EXPECT_EQ(prompt.caption, "Error");
        EXPECT_TRUE(worker.answer(prompt, button));
        Prompt another = worker.nextPrompt();
        EXPECT_EQ(another.box, nullptr) << "a second prompt: " << another.text;
        EXPECT_TRUE(worker.finish());
        return result;
    }

    ActionScript script;
    std::unique_ptr<HeldFile> held;
};

TEST_F(WriteFileActionPrompt, IgnoreSkipsOnlyThatFileAndLeavesItNoUndoEntry)
{
    EXPECT_TRUE(runAnswering(IDIGNORE));
    held->release();
    EXPECT_EQ(readFile(at("held.txt")), "kept");
    EXPECT_EQ(readFile(at("next.txt")), "next");
    EXPECT_EQ(context.bytesInstalled, 4u);
    EXPECT_EQ(recordedEntries(target.undoLog), (std::vector<RecordedEntry>{fileEntry(at("next.txt"), 1)}));
}

TEST_F(WriteFileActionPrompt, AbortStopsTheInstallation)
{
    EXPECT_FALSE(runAnswering(IDABORT));
    EXPECT_FALSE(fileExists(at("next.txt")));
    EXPECT_EQ(context.bytesInstalled, 0u);
    EXPECT_EQ(target.undoLog.count(), 0u);
}

TEST_F(WriteFileActionPrompt, RetryAfterTheFileIsReleasedWritesIt)
{
    bool result = false;
    WorkerRun worker([&] { result = execute(*script.mainActions.actions[0]); });
    Prompt prompt = worker.nextPrompt();
    ASSERT_NE(prompt.box, nullptr);
    held->release();
    EXPECT_TRUE(worker.answer(prompt, IDRETRY));
    EXPECT_EQ(worker.nextPrompt().box, nullptr);
    ASSERT_TRUE(worker.finish());
    EXPECT_TRUE(result);
    EXPECT_EQ(readFile(at("held.txt")), "new");
    EXPECT_EQ(recordedEntries(target.undoLog), (std::vector<RecordedEntry>{fileEntry(at("held.txt"), 1)}));
}

TEST_F(WriteFileActionTest, FoldersAreMadeOncePerActionNotAgainOnRetry)
{
    // A file where a folder should be: the folders cannot be made.
    ASSERT_TRUE(writeFile(at("blocker"), "x"));
    auto action = writeAction("$DIR$\\blocker\\sub\\f.txt", "data");
    bool result = true;
    WorkerRun worker([&] { result = execute(*action); });
    Prompt first = worker.nextPrompt();
    ASSERT_NE(first.box, nullptr);
    EXPECT_EQ(first.text, createPrompt(at("blocker\\sub\\f.txt"), ERROR_PATH_NOT_FOUND));

    // With the cause gone, a retry still makes no folders.
    ASSERT_TRUE(DeleteFileA(at("blocker").c_str()));
    EXPECT_TRUE(worker.answer(first, IDRETRY));
    Prompt second = worker.nextPrompt();
    ASSERT_NE(second.box, nullptr);
    EXPECT_EQ(second.text, first.text);
    EXPECT_FALSE(fileExists(at("blocker")));
    EXPECT_TRUE(worker.answer(second, IDABORT));
    ASSERT_TRUE(worker.finish());
    EXPECT_FALSE(result);
    EXPECT_EQ(target.undoLog.count(), 0u);
}

TEST_F(WriteFileActionTest, AShortWriteIsAFailureWithTheWritesOwnError)
{
    // The one file Wine lets a write fail on: a link to a full device.
    ASSERT_TRUE(makeHostSymlink("/dev/full", at("full.bin")));
    auto action = writeAction("$DIR$\\full.bin", std::string(65536, 'x'));
    for (int button : {IDIGNORE, IDABORT}) {
        bool result = button != IDIGNORE;
        WorkerRun worker([&] { result = execute(*action); });
        Prompt prompt = worker.nextPrompt();
        ASSERT_NE(prompt.box, nullptr) << "a failed write passed for a written file";
        EXPECT_EQ(prompt.text, createPrompt(at("full.bin"), ERROR_DISK_FULL));
        EXPECT_TRUE(worker.answer(prompt, button));
        ASSERT_TRUE(worker.finish());
        EXPECT_EQ(result, button == IDIGNORE);
    }
    // The partial file is deleted on Windows; Wine refuses to delete a link to
    // a device node, so that part cannot be seen here.
    EXPECT_EQ(context.bytesInstalled, 0u);
    EXPECT_EQ(target.undoLog.count(), 0u);
}

TEST_F(WriteFileActionTest, APathThatFailsToExpandIsRefusedWithFileNameTooLong)
{
    // The expander stops at $FAIL$ with a usable-looking path: never used.
    auto failed = writeAction("$DIR$\\cut.txt$FAIL$", "data");
    // A path longer than its buffer: the expander's output is cut.
    auto overlong = writeAction("$DIR$\\" + std::string(300, 'n') + ".txt", "data");
    struct Case {
        WriteFileAction* action;
        int button;
    };
    for (Case c : {Case{failed.get(), IDIGNORE}, Case{overlong.get(), IDABORT}}) {
        bool result = c.button != IDIGNORE;
        WorkerRun worker([&] { result = execute(*c.action); });
        Prompt prompt = worker.nextPrompt();
        ASSERT_NE(prompt.box, nullptr);
        EXPECT_EQ(prompt.text, createPrompt(c.action->path.text(), ERROR_FILENAME_EXCED_RANGE));
        EXPECT_TRUE(worker.answer(prompt, c.button));
        ASSERT_TRUE(worker.finish());
        EXPECT_EQ(result, c.button == IDIGNORE);
    }
    EXPECT_TRUE(folderEntries(folder).empty());
    EXPECT_EQ(target.undoLog.count(), 0u);
}

// --------------------------------------------------------------- extract-all

using ExtractAllTest = FileStepTest;

TEST_F(ExtractAllTest, TheNameIsThePrefixAndTheStoredPathFlattened)
{
    CurrentFolder here(folder);
    auto action = writeAction("$PROGRAMFILESFOLDER$\\Sub\\a.dll", "dll bytes");
    action->extract("1_");
    EXPECT_EQ(readFile(at("1_$PROGRAMFILESFOLDER$_Sub_a.dll")), "dll bytes");
    EXPECT_EQ(lastWriteTime(at("1_$PROGRAMFILESFOLDER$_Sub_a.dll")), kPackagedTime);
    EXPECT_EQ(context.bytesInstalled, 0u);
    EXPECT_EQ(target.undoLog.count(), 0u);
}

TEST_F(ExtractAllTest, NoNameCanLeaveTheCurrentFolder)
{
    ASSERT_TRUE(CreateDirectoryA(at("inner").c_str(), nullptr));
    CurrentFolder here(at("inner"));
    writeAction("..\\..\\C:/x|y?z*<>\"\x01.txt", "a")->extract("0_");
    writeAction("\\\\server\\share\\b.txt", "b")->extract("2_");
    writeAction("D:\\c.txt", "c")->extract("3_");
    EXPECT_EQ(folderEntries(at("inner")),
              (std::vector<std::string>{"0_.._.._C__x_y_z_____.txt", "2___server_share_b.txt", "3_D__c.txt"}));
    EXPECT_EQ(folderEntries(folder), (std::vector<std::string>{"inner"}));
}

TEST_F(ExtractAllTest, ANameThatDoesNotFitOrCannotBeWrittenIsSkippedSilently)
{
    CurrentFolder here(folder);
    auto overlong = writeAction(std::string(262, 'n'), "x");
    ASSERT_TRUE(writeFile(at("0_held.txt"), "kept"));
    HeldFile held(at("0_held.txt"));
    auto blocked = writeAction("held.txt", "new");
    runQuietly([&] {
        overlong->extract("0_");
        blocked->extract("0_");
    });
    held.release();
    EXPECT_EQ(folderEntries(folder), (std::vector<std::string>{"0_held.txt"}));
    EXPECT_EQ(readFile(at("0_held.txt")), "kept");
}

// ------------------------------------------------------------------ copying

using CopyFileActionTest = FileStepTest;

TEST_F(CopyFileActionTest, CopiesIntoNewFoldersAndRecordsTheFileAndTheFolders)
{
    // The folders it made are recorded as a written file's are, so that a
    // rollback or the uninstaller leaves no empty folders behind.
    ASSERT_TRUE(writeFile(at("source.txt"), "copied"));
    auto action = copyAction("$DIR$\\source.txt", "$DIR$\\x\\y\\d.txt");
    EXPECT_TRUE(executeQuietly(*action));
    EXPECT_EQ(readFile(at("x\\y\\d.txt")), "copied");
    EXPECT_EQ(context.bytesInstalled, 6u);
    EXPECT_EQ(recordedEntries(target.undoLog), (std::vector<RecordedEntry>{
                                                   fileEntry(at("x\\y\\d.txt"), 0),
                                                   folderEntry(at("x\\y")),
                                                   folderEntry(at("x")),
                                               }));
    runQuietly([&] { runReversals(target.undoLog, context); });
    EXPECT_FALSE(fileExists(at("x")));
}

TEST_F(CopyFileActionTest, ARelativeSourceLiesBesideTheInstaller)
{
    char module[MAX_PATH];
    ASSERT_GT(GetModuleFileNameA(nullptr, module, MAX_PATH), 0u);
    std::string installerFolder(module, strrchr(module, '\\'));
    std::string name = "slipway-copy-source-" + std::to_string(GetCurrentProcessId()) + ".txt";
    ASSERT_TRUE(writeFile(installerFolder + "\\" + name, "beside"));
    auto action = copyAction(name, "$DIR$\\d.txt");
    EXPECT_TRUE(executeQuietly(*action));
    DeleteFileA((installerFolder + "\\" + name).c_str());
    EXPECT_EQ(readFile(at("d.txt")), "beside");
}

TEST_F(CopyFileActionTest, AMissingSourceLeavesNoDestinationEvenAnOldOne)
{
    ASSERT_TRUE(writeFile(at("d.txt"), "old"));
    auto action = copyAction("$DIR$\\missing.txt", "$DIR$\\d.txt");
    EXPECT_TRUE(executeQuietly(*action));
    EXPECT_FALSE(fileExists(at("d.txt")));
    EXPECT_EQ(context.bytesInstalled, 0u);
    EXPECT_EQ(target.undoLog.count(), 0u);
}

TEST_F(CopyFileActionTest, AFailedCopyKeepsTheOldDestinationWithoutAsking)
{
    // A copy that fails must not cost the user the file that was there.
    ASSERT_TRUE(writeFile(at("source.txt"), "locked"));
    ASSERT_TRUE(writeFile(at("d.txt"), "old"));
    HeldFile held(at("source.txt"));
    auto action = copyAction("$DIR$\\source.txt", "$DIR$\\d.txt");
    EXPECT_TRUE(executeQuietly(*action));
    EXPECT_EQ(readFile(at("d.txt")), "old");
    EXPECT_EQ(target.undoLog.count(), 0u);
}

TEST_F(CopyFileActionTest, APathThatFailsToExpandSkipsTheStep)
{
    ASSERT_TRUE(writeFile(at("source.txt"), "new"));
    ASSERT_TRUE(writeFile(at("d.txt"), "old"));
    // Both cut expansions name real files: neither may be touched.
    auto badDestination = copyAction("$DIR$\\source.txt", "$DIR$\\d.txt$FAIL$");
    auto badSource = copyAction("$DIR$\\missing.txt$FAIL$", "$DIR$\\d.txt");
    EXPECT_TRUE(executeQuietly(*badDestination));
    EXPECT_TRUE(executeQuietly(*badSource));
    EXPECT_EQ(readFile(at("d.txt")), "old");
    EXPECT_EQ(target.undoLog.count(), 0u);
}

// ------------------------------------------------------ removal on uninstall

using RemoveOnUninstallActionTest = FileStepTest;

TEST_F(RemoveOnUninstallActionTest, RecordsTheExpandedPathAndLeavesTheFileAlone)
{
    ASSERT_TRUE(writeFile(at("r.txt"), "stays"));
    RemoveOnUninstallAction action;
    action.path.assignText("$DIR$\\r.txt");
    EXPECT_TRUE(executeQuietly(action));
    EXPECT_EQ(readFile(at("r.txt")), "stays");
    EXPECT_EQ(recordedEntries(target.undoLog), (std::vector<RecordedEntry>{fileEntry(at("r.txt"), 0)}));

    RemoveOnUninstallAction failed;
    failed.path.assignText("$DIR$\\r.txt$FAIL$");
    EXPECT_TRUE(executeQuietly(failed));
    EXPECT_EQ(target.undoLog.count(), 1u);
}

}  // namespace
