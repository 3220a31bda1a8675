// The passes over a script's actions and an undo log's entries: which run,
// in what order, with which step rows, and where they stop.
#include "engine/passes.h"

#include "engine/progress_meter.h"
#include "format/host/record_only.h"

#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <string.h>
#include <string>
#include <vector>

namespace {

// What the fakes and the step callbacks did, in order.
std::vector<std::string> journal;

WindowHandle const kPage = reinterpret_cast<WindowHandle>(0x1234);

void stepBegun(WindowHandle page, int row)
{
    journal.push_back((page == kPage ? "begin " : "begin on the wrong page ") + std::to_string(row));
}

void stepEnded(WindowHandle page, int row, bool ok)
{
    journal.push_back((page == kPage ? "end " : "end on the wrong page ") + std::to_string(row) +
                      (ok ? " ok" : " failed"));
}

// Real records of the kinds the passes tell apart, carried out by a stand-in
// (format/host/record_only.h) that notes what each did in the journal, counts
// a byte installed for every action, asks for a restart when told to, and
// answers as told.
struct FakeBehaviour {
    std::string name;
    uint32_t result;
    bool asksRestart;
};
std::map<const void*, FakeBehaviour> fakes;

// The user's cancel, as the page sets it; a fake of this name sets it as it
// runs, as a user would while it writes.
std::atomic<bool> stopFlag(false);
const char kCancelsWhileRunning[] = "cancelled while running";

void carryOut(const FakeBehaviour& fake, const std::string& note, ExecutionContext& context)
{
    if (fake.name == kCancelsWhileRunning)
        stopFlag = true;
    journal.push_back(context.page == kPage ? note : note + " on the wrong page");
    if (fake.asksRestart)
        context.restartNeeded = true;
}

const RecordStandIn kFakeRecords = {
    [](Action& action, ExecutionContext& context) {
        const FakeBehaviour& fake = fakes.at(&action);
        carryOut(fake, fake.name, context);
        ++context.bytesInstalled;
        return fake.result != 0;
    },
    [](UndoEntry& entry, ExecutionContext& context) {
        const FakeBehaviour& fake = fakes.at(&entry);
        bool kept = entry.kind() == KindCode<RestoreFileRollback>::value;
        carryOut(fake, kept ? "put back " + fake.name : fake.name, context);
        return fake.result;
    },
    [](UndoEntry& entry) { journal.push_back("let go " + fakes.at(&entry).name); },
};

// Puts the stand-in in place for one test, with an empty journal.
struct StandInPlaced {
    StandInPlaced()
    {
        journal.clear();
        fakes.clear();
        recordStandIn = &kFakeRecords;
    }
    ~StandInPlaced() { recordStandIn = nullptr; }
};

template <typename Record>
Record* faked(Record* record, std::string name, uint32_t result, bool asksRestart)
{
    fakes[record] = FakeBehaviour{std::move(name), result, asksRestart};
    return record;
}

// An action of the stage: a captioned program is a kind with its own step
// row; a caption on another stage's kind would have no field to go in.
Action* fakeAction(std::string name, uint32_t stage, bool result = true, const char* caption = nullptr,
                   bool asksRestart = false)
{
    if (stage == kFileStage)
        return faked(new CopyFileAction, std::move(name), result, asksRestart);
    if (stage == kFinishStage)
        return faked(new RunAtFinishAction, std::move(name), result, asksRestart);
    if (!caption)
        return faked(new RunAction, std::move(name), result, asksRestart);
    RunAndWaitAction* waited = new RunAndWaitAction;
    waited->stepCaption.assignText(caption);
    return faked(waited, std::move(name), result, asksRestart);
}

// An undo entry: a reversal, or a custom step with its caption.
UndoEntry* fakeUndo(std::string name, bool reversal, uint32_t result = kUndoContinue, const char* caption = nullptr,
                    bool asksRestart = false)
{
    if (reversal)
        return faked(new DeleteFileUndo, std::move(name), result, asksRestart);
    RunProgramUndo* program = new RunProgramUndo;
    if (caption)
        program->stepCaption.assignText(caption);
    return faked(program, std::move(name), result, asksRestart);
}

// The context of a run on the test's page, marking rows through the
// journal; the fakes neither record undo entries nor expand texts.
ExecutionContext contextOnPage()
{
    ExecutionContext context;
    context.page = kPage;
    context.stepBegun = stepBegun;
    context.stepEnded = stepEnded;
    return context;
}

// The same without step rows.
ExecutionContext contextWithoutRows()
{
    ExecutionContext context = contextOnPage();
    context.stepBegun = nullptr;
    context.stepEnded = nullptr;
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
    StandInPlaced standIn;
    void SetUp() override { journal.clear(); }

    bool run(const uint8_t* selected) { return runInstallation(script, selected, context); }

    ActionScript script;
    ExecutionContext context = contextOnPage();
};

}  // namespace

// ------------------------------------------------------------ install passes

TEST_F(Passes, StageZeroRunsMainListThenSelectedComponentsInOrderInOneRow)
{
    script.mainActions.actions.push(fakeAction("main file", kFileStage));
    script.mainActions.actions.push(fakeAction("main program", kProgramStage));
    script.mainActions.actions.push(fakeAction("main finish", kFinishStage));
    script.mainActions.actions.push(fakeAction("main registry", kFileStage));
    script.components.push(componentWith(kPlacementList, {fakeAction("first", kFileStage)}));
    script.components.push(componentWith(kPlacementFolderPage, {fakeAction("unselected", kFileStage)}));
    script.components.push(componentWith(kPlacementFinishPage, {fakeAction("third", kFileStage)}));
    const uint8_t selected[] = {1, 0, 1};

    EXPECT_TRUE(run(selected));
    EXPECT_EQ(journal,
              (Journal{"begin 0", "main file", "main registry", "first", "third", "end 0 ok", "main program"}));
    EXPECT_EQ(context.bytesInstalled, 5u);
}

TEST_F(Passes, StageZeroStopsAtTheFirstFailureAndStageOneNeverRuns)
{
    script.mainActions.actions.push(fakeAction("one", kFileStage));
    script.mainActions.actions.push(fakeAction("two fails", kFileStage, false));
    script.mainActions.actions.push(fakeAction("program never", kProgramStage, true, "Configuring"));
    script.components.push(componentWith(kPlacementList, {fakeAction("never", kFileStage)}));
    const uint8_t selected[] = {1};
    EXPECT_FALSE(run(selected));
    EXPECT_EQ(journal, (Journal{"begin 0", "one", "two fails", "end 0 failed"}));
}

TEST_F(Passes, UnselectedComponentRunsNothingWhateverItsPlacement)
{
    for (uint32_t placement : {kPlacementList, kPlacementFolderPage, kPlacementFinishPage})
        script.components.push(
            componentWith(placement, {fakeAction("file", kFileStage), fakeAction("program", kProgramStage)}));
    const uint8_t none[] = {0, 0, 0};
    EXPECT_TRUE(run(none));
    EXPECT_FALSE(hasStage0Actions(script, none));
    EXPECT_EQ(planInstallation(script, none).count, 0);
    EXPECT_TRUE(journal.empty());
}

TEST_F(Passes, HasStageZeroActionsLooksAtMainListAndSelectedComponents)
{
    script.mainActions.actions.push(fakeAction("program", kProgramStage));
    script.mainActions.actions.push(fakeAction("finish", kFinishStage));
    script.components.push(componentWith(kPlacementList, {fakeAction("file", kFileStage)}));
    const uint8_t unselected[] = {0};
    const uint8_t selected[] = {1};
    EXPECT_FALSE(hasStage0Actions(script, unselected));
    EXPECT_TRUE(hasStage0Actions(script, selected));
    script.mainActions.actions.push(fakeAction("main file", kFileStage));
    EXPECT_TRUE(hasStage0Actions(script, unselected));
    EXPECT_TRUE(journal.empty());  // asking runs nothing
}

TEST_F(Passes, StageOneGivesCaptionedActionsTheirStepRow)
{
    script.mainActions.actions.push(fakeAction("run", kProgramStage));
    script.mainActions.actions.push(fakeAction("run and wait", kProgramStage, true, "Configuring"));
    script.mainActions.actions.push(fakeAction("at finish", kFinishStage));
    script.components.push(componentWith(kPlacementList, {fakeAction("library", kProgramStage, true, "Registering")}));
    const uint8_t selected[] = {1};

    EXPECT_TRUE(run(selected));
    EXPECT_EQ(journal, (Journal{"run", "begin 0", "run and wait", "end 0 ok", "begin 1", "library", "end 1 ok"}));
}

TEST_F(Passes, StageOneEndsAFailedStepRowAndStops)
{
    script.mainActions.actions.push(fakeAction("captioned fails", kProgramStage, false, "Configuring"));
    script.mainActions.actions.push(fakeAction("never", kProgramStage));
    EXPECT_FALSE(run(nullptr));
    EXPECT_EQ(journal, (Journal{"begin 0", "captioned fails", "end 0 failed"}));

    journal.clear();
    ActionScript uncaptioned;
    uncaptioned.mainActions.actions.push(fakeAction("plain fails", kProgramStage, false));
    uncaptioned.mainActions.actions.push(fakeAction("never", kProgramStage));
    EXPECT_FALSE(runInstallation(uncaptioned, nullptr, context));
    EXPECT_EQ(journal, (Journal{"plain fails"}));
}

TEST_F(Passes, RunsWithoutCallbacks)
{
    script.mainActions.actions.push(fakeAction("file", kFileStage));
    script.mainActions.actions.push(fakeAction("run and wait", kProgramStage, true, "Configuring"));
    context = contextWithoutRows();
    EXPECT_TRUE(run(nullptr));
    EXPECT_EQ(journal, (Journal{"file", "run and wait"}));
}

// Both stages hand every action the caller's own context: what one step
// adds or asks for is there for the next step and for the caller.
TEST_F(Passes, StagesShareTheCallersContext)
{
    script.mainActions.actions.push(fakeAction("file", kFileStage));
    script.mainActions.actions.push(fakeAction("asks restart", kProgramStage, true, nullptr, true));
    script.mainActions.actions.push(fakeAction("another file", kFileStage));
    script.mainActions.actions.push(fakeAction("plain program", kProgramStage));
    context = contextWithoutRows();
    EXPECT_TRUE(run(nullptr));
    EXPECT_EQ(journal, (Journal{"file", "another file", "asks restart", "plain program"}));
    EXPECT_EQ(context.bytesInstalled, 4u);
    EXPECT_TRUE(context.restartNeeded);
}

// The page shows the plan and the run marks rows by number: every row the
// run marks must be the plan's row of that caption, for the main list and
// the selected components, and past the rows a page has.
TEST_F(Passes, ThePlanHasTheCaptionOfEveryRowTheRunMarks)
{
    script.filesStepCaption.assignText("Copying files");
    script.mainActions.actions.push(fakeAction("program", kProgramStage));
    script.mainActions.actions.push(fakeAction("configure", kProgramStage, true, "configure"));
    script.mainActions.actions.push(fakeAction("file", kFileStage));
    script.mainActions.actions.push(fakeAction("at finish", kFinishStage, true, "at finish"));
    script.components.push(componentWith(kPlacementList, {fakeAction("skipped", kProgramStage, true, "skipped")}));
    Component* many = componentWith(kPlacementList, {});
    std::deque<std::string> captions;  // stays put as it grows
    for (int i = 0; i < kStepRowLimit; ++i) {
        captions.push_back("step " + std::to_string(i));
        many->actions.actions.push(fakeAction(captions.back(), kProgramStage, true, captions.back().c_str()));
    }
    script.components.push(many);
    const uint8_t selected[] = {0, 1};

    StepPlan plan = planInstallation(script, selected);
    ASSERT_EQ(plan.count, kStepRowLimit);
    EXPECT_STREQ(plan.captions[0], "Copying files");
    EXPECT_STREQ(plan.captions[1], "configure");
    for (int row = 2; row < kStepRowLimit; ++row)
        EXPECT_STREQ(plan.captions[row], ("step " + std::to_string(row - 2)).c_str());

    EXPECT_TRUE(run(selected));
    // Each "begin N" is followed by the action captioned as row N.
    int begun = 0;
    for (size_t i = 0; i + 1 < journal.size(); ++i) {
        if (journal[i].compare(0, 6, "begin ") != 0)
            continue;
        int row = std::stoi(journal[i].substr(6));
        EXPECT_EQ(row, begun++);
        if (row > 0 && row < plan.count)
            EXPECT_EQ(journal[i + 1], plan.captions[row]);
    }
    EXPECT_EQ(begun, kStepRowLimit + 2);  // the rows past the page's too
}

TEST_F(Passes, ThePlanCountsThePackagedBytesOfTheSelectedFiles)
{
    auto packaged = [](const char* bytes) {
        WriteFileAction* file = new WriteFileAction;
        file->data.assign(reinterpret_cast<const uint8_t*>(bytes), strlen(bytes));
        return file;
    };
    script.mainActions.actions.push(packaged("12345"));
    script.mainActions.actions.push(fakeAction("program", kProgramStage));
    script.components.push(componentWith(kPlacementList, {packaged("123")}));
    script.components.push(componentWith(kPlacementList, {packaged("1234567")}));
    const uint8_t selected[] = {0, 1};
    EXPECT_EQ(planInstallation(script, selected).packagedBytes, 12u);
    EXPECT_EQ(planInstallation(script, selected).count, 1);
}

// The meter counts each write by its place in the walk over the selected
// lists, which the page looks up again; programs count as steps.
TEST_F(Passes, TheMeterNamesFilesByTheirPlaceInTheWalkAndCountsProgramsAsSteps)
{
    auto packaged = [](const char* name, const char* bytes) {
        WriteFileAction* file = faked(new WriteFileAction, name, 1, false);
        file->data.assign(reinterpret_cast<const uint8_t*>(bytes), strlen(bytes));
        return file;
    };
    WriteFileAction* first = packaged("first file", "12345");
    WriteFileAction* second = packaged("second file", "123");
    script.mainActions.actions.push(first);
    script.mainActions.actions.push(fakeAction("copy", kFileStage));
    script.mainActions.actions.push(fakeAction("program", kProgramStage));
    script.components.push(componentWith(kPlacementList, {packaged("not selected", "1234567")}));
    script.components.push(componentWith(kPlacementList, {second}));
    const uint8_t selected[] = {0, 1};
    StepPlan plan = planInstallation(script, selected);
    EXPECT_EQ(plan.packagedBytes, 8u);
    EXPECT_EQ(plan.steps, 1u);

    std::vector<uint32_t> items;
    static std::vector<uint32_t>* named;
    named = &items;
    ProgressMeter meter(plan.packagedBytes, plan.steps);
    meter.page = kPage;
    meter.itemBegun = [](WindowHandle, uint32_t item) { named->push_back(item); };
    context.progress = &meter;
    EXPECT_TRUE(run(selected));
    EXPECT_EQ(meter.position(), kProgressRange);
    ASSERT_EQ(items, (std::vector<uint32_t>{0, 3}));
    EXPECT_EQ(selectedActionAt(script, selected, 0), first);
    EXPECT_EQ(selectedActionAt(script, selected, 3), second);
    EXPECT_EQ(selectedActionAt(script, selected, 4), nullptr);
}

// A cancel stops the files before the next one, or after the last one before
// any program: the run ends cancelled, its row failed.
TEST_F(Passes, TheUsersCancelStopsTheFileStageAndNoProgramRuns)
{
    script.mainActions.actions.push(fakeAction("first copy", kFileStage));
    script.mainActions.actions.push(fakeAction(kCancelsWhileRunning, kFileStage));
    script.mainActions.actions.push(fakeAction("second copy", kFileStage));
    script.mainActions.actions.push(fakeAction("program", kProgramStage, true, "Configuring"));
    context.stopRequested = &stopFlag;
    stopFlag = false;
    EXPECT_FALSE(run(nullptr));
    EXPECT_TRUE(context.cancelled);
    EXPECT_EQ(journal, (Journal{"begin 0", "first copy", kCancelsWhileRunning, "end 0 failed"}));

    // Cancelled as the last file was written.
    script.mainActions.actions.clear();
    script.mainActions.actions.push(fakeAction("first copy", kFileStage));
    script.mainActions.actions.push(fakeAction(kCancelsWhileRunning, kFileStage));
    script.mainActions.actions.push(fakeAction("program", kProgramStage, true, "Configuring"));
    journal.clear();
    stopFlag = false;
    context.cancelled = false;
    EXPECT_FALSE(run(nullptr));
    EXPECT_TRUE(context.cancelled);
    EXPECT_EQ(journal, (Journal{"begin 0", "first copy", kCancelsWhileRunning, "end 0 failed"}));

    // Without a cancel, or without a flag, the run goes on.
    journal.clear();
    stopFlag = false;
    context.cancelled = false;
    script.mainActions.actions.clear();
    script.mainActions.actions.push(fakeAction("first copy", kFileStage));
    script.mainActions.actions.push(fakeAction("program", kProgramStage, true, "Configuring"));
    EXPECT_TRUE(run(nullptr));
    EXPECT_FALSE(context.cancelled);
}

// ------------------------------------------------------------ undo passes

TEST(UndoLogOrder, EntriesComeNewestFirst)
{
    StandInPlaced standIn;
    UndoLog log;
    log.push(fakeUndo("E1", true));
    log.push(fakeUndo("E2", true));
    log.push(fakeUndo("E3", true));
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
    StandInPlaced standIn;
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
    log.append(fakeUndo("appended", true));
    log.push(fakeUndo("pushed", true));
    journal.clear();
    ExecutionContext context = contextWithoutRows();
    EXPECT_EQ(runReversals(log, context), uint32_t(kUndoContinue));
    EXPECT_EQ(journal, (Journal{"pushed", "appended"}));
}

class UndoPasses : public ::testing::Test {
protected:
    StandInPlaced standIn;
    void SetUp() override
    {
        journal.clear();
        // Pushed oldest first: the passes meet them from the bottom up.
        log.push(fakeUndo("oldest folder", true));
        log.push(fakeUndo("uninstall program", false, kUndoContinue, "Removing settings"));
        log.push(fakeUndo("file", true));
        log.push(fakeUndo("silent library", false));
        log.push(fakeUndo("newest registry value", true));
    }
    UndoLog log;
    ExecutionContext context = contextOnPage();
};

TEST_F(UndoPasses, CustomStepsRunOnlyProgramsAndLibrariesWithTheirRows)
{
    EXPECT_EQ(runCustomSteps(log, context), uint32_t(kUndoContinue));
    EXPECT_EQ(journal, (Journal{"silent library", "begin 0", "uninstall program", "end 0 ok"}));
}

TEST_F(UndoPasses, ReversalsAreOneStepRow)
{
    EXPECT_EQ(runReversals(log, context), uint32_t(kUndoContinue));
    EXPECT_EQ(journal, (Journal{"begin 1", "newest registry value", "file", "oldest folder", "end 1 ok"}));
}

TEST_F(UndoPasses, ThePlanHasTheRowsTheRemovalMarks)
{
    log.push(fakeUndo("second program", false, kUndoContinue, "Stopping the service"));
    StepPlan plan = planRemoval(log, "Removing files");
    ASSERT_EQ(plan.count, 3);
    EXPECT_STREQ(plan.captions[0], "Stopping the service");
    EXPECT_STREQ(plan.captions[1], "Removing settings");
    EXPECT_STREQ(plan.captions[2], "Removing files");
    EXPECT_EQ(runCustomSteps(log, context), uint32_t(kUndoContinue));
    EXPECT_EQ(runReversals(log, context), uint32_t(kUndoContinue));
    EXPECT_EQ(journal,
              (Journal{"begin 0", "second program", "end 0 ok", "silent library", "begin 1", "uninstall program",
                       "end 1 ok", "begin 2", "newest registry value", "file", "oldest folder", "end 2 ok"}));
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

// The removal's bar counts every entry of both passes, named by its place in
// the log; a rollback leaves the installation's meter where it stood.
TEST_F(UndoPasses, TheMeterCountsEveryEntryByItsPlaceInTheLog)
{
    std::vector<uint32_t> items;
    static std::vector<uint32_t>* named;
    named = &items;
    ProgressMeter meter(0, log.count());
    meter.itemBegun = [](WindowHandle, uint32_t item) { named->push_back(item); };
    context.progress = &meter;
    EXPECT_EQ(runCustomSteps(log, context), uint32_t(kUndoContinue));
    EXPECT_EQ(meter.position(), 2 * kProgressRange / 5);
    EXPECT_EQ(runReversals(log, context), uint32_t(kUndoContinue));
    EXPECT_EQ(meter.position(), kProgressRange);
    EXPECT_EQ(items, (std::vector<uint32_t>{1, 3, 0, 2, 4}));
    EXPECT_EQ(undoEntryAt(log, 0), log.first());
    EXPECT_EQ(undoEntryAt(log, 4)->next, nullptr);
    EXPECT_EQ(undoEntryAt(log, 5), nullptr);

    ProgressMeter installation(100, 1);
    context.progress = &installation;
    rollBack(log, context);
    EXPECT_EQ(installation.position(), 0u);
    EXPECT_EQ(context.progress, nullptr);
}

// What the installation replaced comes back on rollback and only then; a
// file listed only for the uninstaller stays where it was.
class RollbackPass : public ::testing::Test {
protected:
    StandInPlaced standIn;
    void SetUp() override
    {
        journal.clear();
        log.push(faked(new RestoreFileRollback, "old settings.ini", kUndoContinue, false));
        log.push(fakeUndo("new settings.ini", true));
        UndoEntry* listed = fakeUndo("listed for the uninstaller", true);
        listed->uninstallOnly = true;
        log.push(listed);
        log.push(fakeUndo("uninstall program", false));
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
    StandInPlaced standIn;
    for (uint32_t result : {uint32_t(kUndoFailed), uint32_t(kUndoCancelled)}) {
        UndoLog log;
        log.push(fakeUndo("never", false));
        log.push(fakeUndo("stops", false, result, "Removing settings"));
        log.push(fakeUndo("reversal skipped", true));
        journal.clear();
        ExecutionContext context = contextOnPage();
        EXPECT_EQ(runCustomSteps(log, context), result);
        EXPECT_EQ(journal, (Journal{"begin 0", "stops", "end 0 failed"}));
    }
}

TEST(UndoPassStops, ReversalStopsAndEndsItsRowFailed)
{
    StandInPlaced standIn;
    UndoLog log;
    log.push(fakeUndo("never", true));
    log.push(fakeUndo("custom skipped", false));
    log.push(fakeUndo("stops", true, kUndoFailed));
    log.push(fakeUndo("first", true));
    journal.clear();
    ExecutionContext context = contextOnPage();
    EXPECT_EQ(runReversals(log, context), uint32_t(kUndoFailed));
    EXPECT_EQ(journal, (Journal{"begin 0", "first", "stops", "end 0 failed"}));
}

TEST(UndoPassStops, EmptyLogStillOpensAndClosesTheReversalRow)
{
    StandInPlaced standIn;
    UndoLog log;
    journal.clear();
    ExecutionContext context = contextOnPage();
    EXPECT_EQ(runReversals(log, context), uint32_t(kUndoContinue));
    EXPECT_EQ(runCustomSteps(log, context), uint32_t(kUndoContinue));
    EXPECT_EQ(journal, (Journal{"begin 0", "end 0 ok"}));
}

// A restart asked for by any entry reaches the caller, from the uninstaller's
// passes and from a rollback alike.
TEST(UndoPassRestart, AnEntrysRestartReachesTheCaller)
{
    StandInPlaced standIn;
    for (bool custom : {false, true}) {
        UndoLog log;
        log.push(fakeUndo("asks restart", !custom, kUndoContinue, nullptr, true));
        log.push(fakeUndo("plain", !custom));
        ExecutionContext uninstalling = contextWithoutRows();
        EXPECT_EQ(custom ? runCustomSteps(log, uninstalling) : runReversals(log, uninstalling),
                  uint32_t(kUndoContinue));
        EXPECT_TRUE(uninstalling.restartNeeded);
        ExecutionContext rollingBack = contextOnPage();
        rollBack(log, rollingBack);
        EXPECT_TRUE(rollingBack.restartNeeded);
    }
}
