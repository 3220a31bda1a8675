// The progress page: the step rows that the installation's plan gives it,
// marked as the install thread's step events arrive, the progress bar and the
// file being written; on success the wizard moves on by itself. While the
// files are written Cancel is allowed: the user is asked, and Yes stops the
// writes, which roll back as a failure does.
#include "format/stub_texts.h"
#include "state/run_state.h"
#include "platform/system_services.h"
#include "engine/passes.h"
#include "wizard/progress_display.h"
#include "wizard/step_rows.h"
#include "threads/worker_threads.h"
#include "resources/resource_ids.h"
#include "uninstall/earlier_installations.h"
#include "uninstall/path_variables_win32.h"
#include "wizard/page_sequence.h"
#include "wizard/pages.h"
#include "wizard/wizard_frame.h"

namespace {

const PageDescriptor* successTarget = nullptr;
StepRows rows;
ProgressDisplay display;

// The row of the file writes, during which Cancel is allowed; -1 when the
// installation writes nothing.
int filesRow;
bool workerRunning = false;
bool writingFiles = false;
// The cancel question is on screen: the worker's end waits for its answer,
// so that the page stays while the question's handler runs.
bool askingToCancel = false;
bool doneWhileAsking = false;
WPARAM doneSucceeded = 0;
LPARAM doneBits = 0;

// The rows of the earlier installations the install thread removes first,
// searched for once more: the list is what the thread will find.
StepPlan removalRows()
{
    StepPlan plan;
    const ActionScript& script = *runState.actionScript;
    runState.earlierInstallations.clear();
    if (!runState.noUninstall)
        findEarlierInstallations(script, runState.earlierInstallations);
    for (const EarlierInstallation* earlier : runState.earlierInstallations)
        addStepRow(plan, earlier->caption);
    return plan;
}

bool fileName(uint32_t item, char* name, size_t size)
{
    const Action* action = selectedActionAt(*runState.actionScript, runState.componentSelected.get(), item);
    if (!action || action->kind() != WriteFileAction::kKind)
        return false;
    return expandPathVariables(static_cast<const WriteFileAction*>(action)->path.text(), name, size);
}

// The files row begins or ends: Cancel is allowed while it runs.
void followFilesRow(HWND page, UINT message, WPARAM row)
{
    if (int(row) != filesRow || (message != WM_STEP_BEGUN && message != WM_STEP_ENDED))
        return;
    writingFiles = message == WM_STEP_BEGUN;
    setCancelEnabled(page, writingFiles);
}

void workDone(HWND page, WPARAM succeeded, LPARAM bits)
{
    workerRunning = writingFiles = false;
    setBusy(page, true, false);
    runState.restartNeeded = 0;
    if (succeeded) {
        runState.outcome = RunOutcome::Succeeded;
        setNextTarget(page, successTarget);
        postNextCommand(page);
        runState.restartNeeded = (bits & kDoneRestartNeeded) ? 1 : 0;
        return;
    }
    runState.outcome = (bits & kDoneCancelled) ? RunOutcome::Cancelled : RunOutcome::Failed;
    runState.finishPageText = runState.actionScript->failureText.text();
    // Rolled back already: the user learns why before the failure page.
    if (bits & kDoneDamagedPackage) {
        runState.outcome = RunOutcome::DamagedPackage;
        showError(frameOf(page), kDamagedPackage);
    }
    offerNextPage(page, InstallPage::Finish, HintLine::Update);
    // With nobody to show the failure to, the run ends by itself
    // (the finish page passes in silent mode).
    if (nobodyToAsk)
        postNextCommand(page);
    else
        leaveSilentMode(page);
}

// Cancel pressed while the files are written: Yes stops them. Cancel is
// disabled from then on, through the rollback.
void askToCancel(HWND page)
{
    if (!writingFiles || askingToCancel)
        return;
    HWND frame = frameOf(page);
    char title[256];
    GetWindowTextA(frame, title, sizeof title);
    askingToCancel = true;
    bool yes = MessageBoxA(frame, kCancelQuestion, title, MB_YESNO | MB_ICONQUESTION) == IDYES;
    askingToCancel = false;
    if (yes && writingFiles) {
        runState.stopRequested = true;
        writingFiles = false;
        setCancelEnabled(page, false);
    }
    if (doneWhileAsking) {
        doneWhileAsking = false;
        workDone(page, doneSucceeded, doneBits);
    }
}

}  // namespace

INT_PTR CALLBACK progressPageProcedure(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    followFilesRow(page, message, wParam);
    if (rows.handle(message, wParam, lParam) || display.handle(message, wParam))
        return TRUE;
    switch (message) {
    case WM_INITDIALOG: {
        const ActionScript& script = *runState.actionScript;
        const uint8_t* selected = runState.componentSelected.get();
        StepPlan earlier = removalRows();
        filesRow = hasStage0Actions(script, selected) ? int(runState.earlierInstallations.count()) : -1;
        // The page comes once in a run (it is never a Back target): its
        // flags and the run's stop request start as zero.
        workerRunning = true;
        rows.show(page, planInstallation(script, selected, earlier));
        display.show(page, fileName);
        setDlgItemTextExpanded(page, IDC_HINT, script.progressHint.text());
        setBusy(page, false, false);
        NextPageChoice success = nextPageInThisRun(InstallPage::Finish);
        showNextPageChoice(page, success, HintLine::Keep);
        successTarget = installPageDescriptor(success.page);
        if (!startWorker(InstallThread, page))
            PostMessageA(page, WM_INSTALL_DONE, 0, 0);
        return TRUE;
    }
    case WM_CANCEL_PRESSED:
        // Once the worker is done, Cancel ends the wizard as on any page.
        if (!workerRunning)
            return FALSE;
        askToCancel(page);
        SetWindowLongPtrA(page, DWLP_MSGRESULT, 1);
        return TRUE;
    case WM_INSTALL_DONE:
        if (askingToCancel) {
            doneWhileAsking = true;
            doneSucceeded = wParam;
            doneBits = lParam;
        } else {
            workDone(page, wParam, lParam);
        }
        return TRUE;
    case WM_DESTROY: rows.release(); return FALSE;
    default: return FALSE;
    }
}
