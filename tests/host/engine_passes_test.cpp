// The passes over a script's actions and an undo log's entries: which run,
// in what order, with which step rows, and where they stop.
#include "engine/passes.h"
#include "uninstall/uninstall_script.h"

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

// An action that notes its execution and answers as told.
class FakeAction final : public Action {
public:
    FakeAction(std::string name, uint32_t stage, bool result = true, const char* caption = nullptr)
        : name_(std::move(name)), stage_(stage), result_(result), caption_(caption)
    {
    }
    bool serialize(ByteSink&) const override { return false; }
    uint32_t stage() const override { return stage_; }
    const char* caption() const override { return caption_; }
    bool execute(UninstallScript&, ExpandFn, WindowHandle page, uint32_t& bytesInstalled, bool&) override
    {
        journal.push_back(page == kPage ? name_ : name_ + " on the wrong page");
        ++bytesInstalled;
        return result_;
    }
    uint32_t kind() const override { return 0; }
    const char* className() const override { return "FakeAction"; }
    bool read(ByteCursor&) override { return false; }
    void describe(FieldVisitor&) const override {}

private:
    std::string name_;
    uint32_t stage_;
    bool result_;
    const char* caption_;
};

// An undo entry that notes its undo and answers as told.
class FakeUndo final : public UndoEntry {
public:
    FakeUndo(std::string name, bool reversal, uint32_t result = kUndoContinue, const char* caption = nullptr)
        : name_(std::move(name)), reversal_(reversal), result_(result), caption_(caption)
    {
    }
    bool serialize(ByteSink&) const override { return false; }
    bool isReversal() const override { return reversal_; }
    const char* caption() const override { return caption_; }
    uint32_t undo(WindowHandle page, bool&) override
    {
        journal.push_back(page == kPage ? name_ : name_ + " on the wrong page");
        return result_;
    }
    uint32_t kind() const override { return 0; }
    const char* className() const override { return "FakeUndo"; }
    bool read(ByteCursor&) override { return false; }
    void describe(FieldVisitor&) const override {}

private:
    std::string name_;
    bool reversal_;
    uint32_t result_;
    const char* caption_;
};

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

    bool stage0(const uint8_t* selected)
    {
        return runStage0(script, selected, target, nullptr, kPage, bytesInstalled, restartNeeded);
    }
    bool stage1(const uint8_t* selected, bool withCallbacks = true)
    {
        return runStage1(script, selected, target, nullptr, kPage, bytesInstalled, restartNeeded,
                         withCallbacks ? beginStep : nullptr, withCallbacks ? endStep : nullptr);
    }

    ActionScript script;
    UninstallScript target;
    uint32_t bytesInstalled = 0;
    bool restartNeeded = false;
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
    EXPECT_EQ(bytesInstalled, 4u);
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
        script.components.push(componentWith(placement, {new FakeAction("file", kFileStage),
                                                         new FakeAction("program", kProgramStage)}));
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
    script.components.push(componentWith(kPlacementList, {new FakeAction("library", kProgramStage, true, "Registering")}));
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
    EXPECT_FALSE(runStage1(uncaptioned, nullptr, target, nullptr, kPage, bytesInstalled, restartNeeded, beginStep,
                           endStep));
    EXPECT_EQ(journal, (Journal{"plain fails"}));
}

TEST_F(Passes, StageOneRunsWithoutCallbacks)
{
    script.mainActions.actions.push(new FakeAction("run and wait", kProgramStage, true, "Configuring"));
    EXPECT_TRUE(stage1(nullptr, false));
    EXPECT_EQ(journal, (Journal{"run and wait"}));
}

// ------------------------------------------------------------ undo passes

TEST(UndoLogOrder, EntriesComeNewestFirst)
{
    UndoLog log;
    log.push(new FakeUndo("E1", true));
    log.push(new FakeUndo("E2", true));
    log.push(new FakeUndo("E3", true));
    journal.clear();
    bool restart = false;
    EXPECT_EQ(runReversals(log, kPage, restart, nullptr, nullptr), uint32_t(kUndoContinue));
    EXPECT_EQ(journal, (Journal{"E3", "E2", "E1"}));
    EXPECT_EQ(log.count(), 3u);
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
    bool restartNeeded = false;
};

TEST_F(UndoPasses, CustomStepsRunOnlyProgramsAndLibrariesWithTheirRows)
{
    EXPECT_EQ(runCustomSteps(log, kPage, restartNeeded, beginStep, endStep), uint32_t(kUndoContinue));
    EXPECT_EQ(journal, (Journal{"silent library", "begin", "uninstall program", "end ok"}));
}

TEST_F(UndoPasses, ReversalsAreOneStepRow)
{
    EXPECT_EQ(runReversals(log, kPage, restartNeeded, beginStep, endStep), uint32_t(kUndoContinue));
    EXPECT_EQ(journal, (Journal{"begin", "newest registry value", "file", "oldest folder", "end ok"}));
}

TEST_F(UndoPasses, RollbackRunsBothPassesWithoutCallbacks)
{
    EXPECT_EQ(runCustomSteps(log, kPage, restartNeeded, nullptr, nullptr), uint32_t(kUndoContinue));
    EXPECT_EQ(runReversals(log, kPage, restartNeeded, nullptr, nullptr), uint32_t(kUndoContinue));
    EXPECT_EQ(journal, (Journal{"silent library", "uninstall program", "newest registry value", "file", "oldest folder"}));
}

// What the installation replaced comes back on rollback and only then; a
// file listed only for the uninstaller stays where it was.
class RollbackPass : public ::testing::Test {
protected:
    // A rollback-only entry that notes its undo and its commit.
    class FakeRestore final : public RollbackEntry {
    public:
        explicit FakeRestore(std::string name) : name_(std::move(name)) {}
        const char* className() const override { return "FakeRestore"; }
        uint32_t undo(WindowHandle, bool&) override
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
    bool restartNeeded = false;
};

TEST_F(RollbackPass, PutsBackWhatWasReplacedAndLeavesWhatOnlyTheUninstallerRemoves)
{
    rollBack(log, kPage, restartNeeded);
    EXPECT_EQ(journal, (Journal{"uninstall program", "new settings.ini", "put back old settings.ini"}));
}

TEST_F(RollbackPass, UninstallerPassesNeverRunRollbackEntries)
{
    EXPECT_EQ(runCustomSteps(log, kPage, restartNeeded, nullptr, nullptr), uint32_t(kUndoContinue));
    EXPECT_EQ(runReversals(log, kPage, restartNeeded, nullptr, nullptr), uint32_t(kUndoContinue));
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
        bool restart = false;
        EXPECT_EQ(runCustomSteps(log, kPage, restart, beginStep, endStep), result);
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
    bool restart = false;
    EXPECT_EQ(runReversals(log, kPage, restart, beginStep, endStep), uint32_t(kUndoFailed));
    EXPECT_EQ(journal, (Journal{"begin", "first", "stops", "end failed"}));
}

TEST(UndoPassStops, EmptyLogStillOpensAndClosesTheReversalRow)
{
    UndoLog log;
    journal.clear();
    bool restart = false;
    EXPECT_EQ(runReversals(log, kPage, restart, beginStep, endStep), uint32_t(kUndoContinue));
    EXPECT_EQ(runCustomSteps(log, kPage, restart, beginStep, endStep), uint32_t(kUndoContinue));
    EXPECT_EQ(journal, (Journal{"begin", "end ok"}));
}
