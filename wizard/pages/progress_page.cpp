// The progress page: the step rows that the installation's plan gives it,
// marked as the install thread's step events arrive; on success the wizard
// moves on by itself. The thread's byte counts (WM_BYTES_DONE) have no bar
// here and pass by.
#include "format/stub_texts.h"
#include "state/run_state.h"
#include "platform/system_services.h"
#include "engine/passes.h"
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

}  // namespace

INT_PTR CALLBACK progressPageProcedure(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (rows.handle(message, wParam, lParam))
        return TRUE;
    switch (message) {
    case WM_INITDIALOG: {
        rows.show(page, planInstallation(*runState.actionScript, runState.componentSelected.get(), removalRows()));
        setDlgItemTextExpanded(page, IDC_HINT, runState.actionScript->progressHint.text());
        setBusy(page, false, false);
        NextPageChoice success = nextPageInThisRun(InstallPage::Finish);
        showNextPageChoice(page, success, HintLine::Keep);
        successTarget = installPageDescriptor(success.page);
        // A quiet run stays minimised to its end: the frame goes on refusing
        // to be restored, also by the dialog manager's first show, which a
        // fast run may not give before this page.
        if (runState.silentMode && !nobodyToAsk)
            showFrame(page, runState.showCommand);
        if (!startWorker(InstallThread, page))
            PostMessageA(page, WM_INSTALL_DONE, 0, 0);
        return TRUE;
    }
    case WM_INSTALL_DONE:
        setBusy(page, true, false);
        runState.restartNeeded = 0;
        if (wParam) {
            runState.outcome = RunOutcome::Succeeded;
            setNextTarget(page, successTarget);
            postNextCommand(page);
            runState.restartNeeded = (lParam & kDoneRestartNeeded) ? 1 : 0;
        } else {
            runState.outcome = (lParam & kDoneCancelled) ? RunOutcome::Cancelled : RunOutcome::Failed;
            runState.finishPageText = runState.actionScript->failureText.text();
            // Rolled back already: the user learns why before the failure page.
            if (lParam & kDoneDamagedPackage) {
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
        return TRUE;
    case WM_DESTROY: rows.release(); return FALSE;
    default: return FALSE;
    }
}
