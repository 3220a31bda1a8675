// The passes over a script's actions and an undo log's entries: which run,
// in what order, with which step rows, and where they stop.
#include "engine/passes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// What the fakes and the step callbacks did, in order.
std::vector<std::string> journal;

WindowHandle const kPage = reinterpret_cast<WindowHandle>(0x1234);

void beginStep(WindowHandle page)
{
    journal.push_back(page == kPage ? "begin" : "begin on the wrong page");
}

void endStep(WindowHandle page, bool ok)
{
    journal.push_back(std::string(page == kPage ? "end " : "end on the wrong page ") + (ok ? "ok" : "failed"));
}

// An action that notes its execution, counts one byte installed, asks for
// a restart when told to, and answers as told.
class FakeAction final : public Action {
public:
    FakeAction(std::string name, uint32_t stage, bool result = true, const char* caption = nullptr,
               bool asksRestart = false)
        : Action(kindAt(stage)), name_(std::move(name)), result_(result), caption_(caption), asksRestart_(asksRestart)
    {
    }
    const char* caption() const override { return caption_; }
    bool execute(ExecutionContext& context) override
    {
        journal.push_back(context.page == kPage ? name_ : name_ + " on the wrong page");
        ++context.bytesInstalled;
        if (asksRestart_)
            context.restartNeeded = true;
        return result_;
    }

private:
    // A kind of the stage: the stage is the kind's, as the list gives it.
    static uint8_t kindAt(uint32_t stage)
    {
        return stage == kFileStage      ? CopyFileAction::kKind
               : stage == kProgramStage ? RunAction::kKind
                                        : RunAtFinishAction::kKind;
    }
    std::string name_;
    bool result_;
    const char* caption_;
    bool asksRestart_;
};

// An undo entry that notes its undo, asks for a restart when told to, and
// answers as told.
class FakeUndo final : public UndoEntry {
public:
    FakeUndo(std::string name, bool reversal, uint32_t result = kUndoContinue, const char* caption = nullptr,
             bool asksRestart = false)
        : UndoEntry(reversal ? DeleteFileUndo::kKind : RunProgramUndo::kKind), name_(std::move(name)), result_(result),
          caption_(caption), asksRestart_(asksRestart)
    {
    }
    const char* caption() const override { return caption_; }
    uint32_t undo(ExecutionContext& context) override
    {
        journal.push_back(context.page == kPage ? name_ : name_ + " on the wrong page");
        if (asksRestart_)
            context.restartNeeded = true;
        return result_;
    }

private:
    std::string name_;
    uint32_t result_;
    const char* caption_;
    bool asksRestart_;
};

// The context of a run on the test's page, marking rows through the
// journal; the fakes neither record undo entries nor expand texts.
ExecutionContext contextOnPage()
{
    ExecutionContext context;
    context.page = kPage;
    context.beginStep = beginStep;
    context.endStep = endStep;
    return context;
}

// The same without step rows.
ExecutionContext contextWithoutRows()
{
    ExecutionContext context = contextOnPage();
    context.beginStep = nullptr;
    context.endStep = nullptr;
    return context;
}

Component* componentWith(uint32_t placement, std::initializer_list<Action*> actions)
{
    Component* component = new Component;
    component->placement = placement;
    for (Action* action : actions)
        component->actions.actions.push(action);
    return component;
}

using Journal = std::vector<std::string>;

class Passes : public ::testing::Test {
protected:
    void SetUp() override { journal.clear(); }

    bool stage0(const uint8_t* selected) { return runStage0(script, selected, context); }
    bool stage1(const uint8_t* selected) { return runStage1(script, selected, context); }

    ActionScript script;
    ExecutionContext context = contextOnPage();
};

}  // namespace

// ------------------------------------------------------------ stage passes

TEST_F(Passes, StageZeroRunsMainListThenSelectedComponentsInOrder)
{
    script.mainActions.actions.push(new FakeAction("main file", kFileStage));
    script.mainActions.actions.push(new FakeAction("main program", kProgramStage));
    script.mainActions.actions.push(new FakeAction("main finish", kFinishStage));
    script.mainActions.actions.push(new FakeAction("main registry", kFileStage));
    script.components.push(componentWith(kPlacementList, {new FakeAction("first", kFileStage)}));
    script.components.push(componentWith(kPlacementFolderPage, {new FakeAction("unselected", kFileStage)}));
    script.components.push(componentWith(kPlacementFinishPage, {new FakeAction("third", kFileStage)}));
    const uint8_t selected[] = {1, 0, 1};

    EXPECT_TRUE(stage0(selected));
    EXPECT_EQ(journal, (Journal{"main file", "main registry", "first", "third"}));
    EXPECT_EQ(context.bytesInstalled, 4u);
}

TEST_F(Passes, StageZeroStopsAtTheFirstFailure)
{
    script.mainActions.actions.push(new FakeAction("one", kFileStage));
    script.mainActions.actions.push(new FakeAction("two fails", kFileStage, false));
    script.components.push(componentWith(kPlacementList, {new FakeAction("never", kFileStage)}));
    const uint8_t selected[] = {1};
    EXPECT_FALSE(stage0(selected));
    EXPECT_EQ(journal, (Journal{"one", "two fails"}));
}

TEST_F(Passes, UnselectedComponentRunsNothingWhateverItsPlacement)
{
    for (uint32_t placement : {kPlacementList, kPlacementFolderPage, kPlacementFinishPage})
        script.components.push(
            componentWith(placement, {new FakeAction("file", kFileStage), new FakeAction("program", kProgramStage)}));
    const uint8_t none[] = {0, 0, 0};
    EXPECT_TRUE(stage0(none));
    EXPECT_TRUE(stage1(none));
    EXPECT_FALSE(hasStage0Actions(script, none));
    EXPECT_TRUE(journal.empty());
}

TEST_F(Passes, HasStageZeroActionsLooksAtMainListAndSelectedComponents)
{
    script.mainActions.actions.push(new FakeAction("program", kProgramStage));
    script.mainActions.actions.push(new FakeAction("finish", kFinishStage));
    script.components.push(componentWith(kPlacementList, {new FakeAction("file", kFileStage)}));
    const uint8_t unselected[] = {0};
    const uint8_t selected[] = {1};
    EXPECT_FALSE(hasStage0Actions(script, unselected));
    EXPECT_TRUE(hasStage0Actions(script, selected));
    script.mainActions.actions.push(new FakeAction("main file", kFileStage));
    EXPECT_TRUE(hasStage0Actions(script, unselected));
    EXPECT_TRUE(journal.empty());  // asking runs nothing
}

TEST_F(Passes, StageOneGivesCaptionedActionsTheirStepRow)
{
    script.mainActions.actions.push(new FakeAction("file", kFileStage));
    script.mainActions.actions.push(new FakeAction("run", kProgramStage));
    script.mainActions.actions.push(new FakeAction("run and wait", kProgramStage, true, "Configuring"));
    script.mainActions.actions.push(new FakeAction("at finish", kFinishStage));
    script.components.push(
        componentWith(kPlacementList, {new FakeAction("library", kProgramStage, true, "Registering")}));
    const uint8_t selected[] = {1};

    EXPECT_TRUE(stage1(selected));
    EXPECT_EQ(journal, (Journal{"run", "begin", "run and wait", "end ok", "begin", "library", "end ok"}));
}

TEST_F(Passes, StageOneEndsAFailedStepRowAndStops)
{
    script.mainActions.actions.push(new FakeAction("captioned fails", kProgramStage, false, "Configuring"));
    script.mainActions.actions.push(new FakeAction("never", kProgramStage));
    EXPECT_FALSE(stage1(nullptr));
    EXPECT_EQ(journal, (Journal{"begin", "captioned fails", "end failed"}));

    journal.clear();
    ActionScript uncaptioned;
    uncaptioned.mainActions.actions.push(new FakeAction("plain fails", kProgramStage, false));
    uncaptioned.mainActions.actions.push(new FakeAction("never", kProgramStage));
    EXPECT_FALSE(runStage1(uncaptioned, nullptr, context));
    EXPECT_EQ(journal, (Journal{"plain fails"}));
}

TEST_F(Passes, StageOneRunsWithoutCallbacks)
{
    script.mainActions.actions.push(new FakeAction("run and wait", kProgramStage, true, "Configuring"));
    context = contextWithoutRows();
    EXPECT_TRUE(stage1(nullptr));
    EXPECT_EQ(journal, (Journal{"run and wait"}));
}

// Both stages hand every action the caller's own context: what one step
// adds or asks for is there for the next step and for the caller.
TEST_F(Passes, StagesShareTheCallersContext)
{
    script.mainActions.actions.push(new FakeAction("file", kFileStage));
    script.mainActions.actions.push(new FakeAction("asks restart", kProgramStage, true, nullptr, true));
    script.mainActions.actions.push(new FakeAction("another file", kFileStage));
    script.mainActions.actions.push(new FakeAction("plain program", kProgramStage));
    EXPECT_TRUE(stage0(nullptr));
    EXPECT_EQ(context.bytesInstalled, 2u);
    EXPECT_FALSE(context.restartNeeded);
    EXPECT_TRUE(stage1(nullptr));
    EXPECT_EQ(context.bytesInstalled, 4u);
    EXPECT_TRUE(context.restartNeeded);
}

// ------------------------------------------------------------ undo passes

TEST(UndoLogOrder, EntriesComeNewestFirst)
{
    UndoLog log;
    log.push(new FakeUndo("E1", true));
    log.push(new FakeUndo("E2", true));
    log.push(new FakeUndo("E3", true));
    journal.clear();
    ExecutionContext context = contextWithoutRows();
    EXPECT_EQ(runReversals(log, context), uint32_t(kUndoContinue));
    EXPECT_EQ(journal, (Journal{"E3", "E2", "E1"}));
    EXPECT_EQ(log.count(), 3u);
}

// The engine's steps take an entry from the log before filling it in, and
// give it back when the filling fails: only the newest one goes, and the log
// is whole again afterwards.
TEST(UndoLogOrder, PushNewPutsEntriesInFrontAndDropNewestTakesOnlyTheNewest)
{
    UndoLog log;
    RemoveFolderUndo* oldest = log.pushNew<RemoveFolderUndo>();
    ASSERT_NE(oldest, nullptr);
    DeleteFileUndo* newest = log.pushNew<DeleteFileUndo>();
    ASSERT_NE(newest, nullptr);
    EXPECT_EQ(log.first(), newest);
    EXPECT_EQ(newest->next, oldest);
    EXPECT_EQ(log.count(), 2u);

    log.dropNewest(oldest);  // not the newest: stays
    log.dropNewest(nullptr);
    EXPECT_EQ(log.count(), 2u);
    log.dropNewest(newest);
    EXPECT_EQ(log.first(), oldest);
    EXPECT_EQ(log.count(), 1u);
    log.dropNewest(oldest);
    EXPECT_EQ(log.first(), nullptr);
    EXPECT_EQ(log.count(), 0u);

    // Emptied, the log takes entries at either end again.
    log.append(new FakeUndo("appended", true));
    log.push(new FakeUndo("pushed", true));
    journal.clear();
    ExecutionContext context = contextWithoutRows();
    EXPECT_EQ(runReversals(log, context), uint32_t(kUndoContinue));
    EXPECT_EQ(journal, (Journal{"pushed", "appended"}));
}

class UndoPasses : public ::testing::Test {
protected:
    void SetUp() override
    {
        journal.clear();
        // Pushed oldest first: the passes meet them from the bottom up.
        log.push(new FakeUndo("oldest folder", true));
        log.push(new FakeUndo("uninstall program", false, kUndoContinue, "Removing settings"));
        log.push(new FakeUndo("file", true));
        log.push(new FakeUndo("silent library", false));
        log.push(new FakeUndo("newest registry value", true));
    }
    UndoLog log;
    ExecutionContext context = contextOnPage();
};

TEST_F(UndoPasses, CustomStepsRunOnlyProgramsAndLibrariesWithTheirRows)
{
    EXPECT_EQ(runCustomSteps(log, context), uint32_t(kUndoContinue));
    EXPECT_EQ(journal, (Journal{"silent library", "begin", "uninstall program", "end ok"}));
}

TEST_F(UndoPasses, ReversalsAreOneStepRow)
{
    EXPECT_EQ(runReversals(log, context), uint32_t(kUndoContinue));
    EXPECT_EQ(journal, (Journal{"begin", "newest registry value", "file", "oldest folder", "end ok"}));
}

TEST_F(UndoPasses, PassesRunWithoutCallbacks)
{
    context = contextWithoutRows();
    EXPECT_EQ(runCustomSteps(log, context), uint32_t(kUndoContinue));
    EXPECT_EQ(runReversals(log, context), uint32_t(kUndoContinue));
    EXPECT_EQ(journal,
              (Journal{"silent library", "uninstall program", "newest registry value", "file", "oldest folder"}));
}

// The install thread rolls back with the context its stages ran in, row
// callbacks included: the rows keep showing the step that failed.
TEST_F(UndoPasses, RollbackMarksNoRowsWhateverTheContextHolds)
{
    rollBack(log, context);
    EXPECT_EQ(journal,
              (Journal{"silent library", "uninstall program", "newest registry value", "file", "oldest folder"}));
}

// What the installation replaced comes back on rollback and only then; a
// file listed only for the uninstaller stays where it was.
class RollbackPass : public ::testing::Test {
protected:
    // A rollback-only entry that notes its undo and its commit.
    class FakeRestore final : public UndoEntry {
    public:
        explicit FakeRestore(std::string name) : UndoEntry(KindCode<RestoreFileRollback>::value), name_(std::move(name))
        {
        }
        uint32_t undo(ExecutionContext&) override
        {
            journal.push_back("put back " + name_);
            return kUndoContinue;
        }
        void commit() override { journal.push_back("let go " + name_); }

    private:
        std::string name_;
    };

    void SetUp() override
    {
        journal.clear();
        log.push(new FakeRestore("old settings.ini"));
        log.push(new FakeUndo("new settings.ini", true));
        UndoEntry* listed = new FakeUndo("listed for the uninstaller", true);
        listed->uninstallOnly = true;
        log.push(listed);
        log.push(new FakeUndo("uninstall program", false));
    }
    UndoLog log;
    ExecutionContext context = contextWithoutRows();
};

TEST_F(RollbackPass, PutsBackWhatWasReplacedAndLeavesWhatOnlyTheUninstallerRemoves)
{
    rollBack(log, context);
    EXPECT_EQ(journal, (Journal{"uninstall program", "new settings.ini", "put back old settings.ini"}));
}

TEST_F(RollbackPass, UninstallerPassesNeverRunRollbackEntries)
{
    EXPECT_EQ(runCustomSteps(log, context), uint32_t(kUndoContinue));
    EXPECT_EQ(runReversals(log, context), uint32_t(kUndoContinue));
    EXPECT_EQ(journal, (Journal{"uninstall program", "listed for the uninstaller", "new settings.ini"}));
}

TEST_F(RollbackPass, SuccessLetsGoOfWhatWasKept)
{
    commitRollbackEntries(log);
    EXPECT_EQ(journal, (Journal{"let go old settings.ini"}));
}

TEST(UndoPassStops, CustomStepStopsWithItsResult)
{
    for (uint32_t result : {uint32_t(kUndoFailed), uint32_t(kUndoCancelled)}) {
        UndoLog log;
        log.push(new FakeUndo("never", false));
        log.push(new FakeUndo("stops", false, result, "Removing settings"));
        log.push(new FakeUndo("reversal skipped", true));
        journal.clear();
        ExecutionContext context = contextOnPage();
        EXPECT_EQ(runCustomSteps(log, context), result);
        EXPECT_EQ(journal, (Journal{"begin", "stops", "end failed"}));
    }
}

TEST(UndoPassStops, ReversalStopsAndEndsItsRowFailed)
{
    UndoLog log;
    log.push(new FakeUndo("never", true));
    log.push(new FakeUndo("custom skipped", false));
    log.push(new FakeUndo("stops", true, kUndoFailed));
    log.push(new FakeUndo("first", true));
    journal.clear();
    ExecutionContext context = contextOnPage();
    EXPECT_EQ(runReversals(log, context), uint32_t(kUndoFailed));
    EXPECT_EQ(journal, (Journal{"begin", "first", "stops", "end failed"}));
}

TEST(UndoPassStops, EmptyLogStillOpensAndClosesTheReversalRow)
{
    UndoLog log;
    journal.clear();
    ExecutionContext context = contextOnPage();
    EXPECT_EQ(runReversals(log, context), uint32_t(kUndoContinue));
    EXPECT_EQ(runCustomSteps(log, context), uint32_t(kUndoContinue));
    EXPECT_EQ(journal, (Journal{"begin", "end ok"}));
}

// A restart asked for by any entry reaches the caller, from the uninstaller's
// passes and from a rollback alike.
TEST(UndoPassRestart, AnEntrysRestartReachesTheCaller)
{
    for (bool custom : {false, true}) {
        UndoLog log;
        log.push(new FakeUndo("asks restart", !custom, kUndoContinue, nullptr, true));
        log.push(new FakeUndo("plain", !custom));
        ExecutionContext uninstalling = contextWithoutRows();
        EXPECT_EQ(custom ? runCustomSteps(log, uninstalling) : runReversals(log, uninstalling),
                  uint32_t(kUndoContinue));
        EXPECT_TRUE(uninstalling.restartNeeded);
        ExecutionContext rollingBack = contextOnPage();
        rollBack(log, rollingBack);
        EXPECT_TRUE(rollingBack.restartNeeded);
    }
}
