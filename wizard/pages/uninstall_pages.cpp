// The uninstall wizard's pages: welcome, progress and finish. Every text is
// set as the uninstall package stores it: it was expanded when the product
// was installed.
#include "state/run_state.h"
#include "engine/passes.h"
#include "platform/system_services.h"
#include "wizard/step_rows.h"
#include "threads/worker_threads.h"
#include "resources/resource_ids.h"
#include "uninstall/uninstall_mode.h"
#include "format/uninstall_script.h"
#include "wizard/pages.h"
#include "wizard/wizard_frame.h"

namespace {

const UninstallScript& script()
{
    return *runState.uninstallScript;
}

void dressUninstallFrame(HWND page)
{
    HWND frame = frameOf(page);
    dressFrame(page, script().title.text(), script().bannerInfo, script().bannerBits);
    SetDlgItemTextA(frame, IDC_BACK, script().backText.text());
    SetDlgItemTextA(frame, IDC_NEXT, script().nextText.text());
    SetDlgItemTextA(frame, IDCANCEL, script().cancelText.text());
}

StepRows rows;

void removalDone(HWND page, bool succeeded, LPARAM done)
{
    setBusy(page, true, false);
    setNextTarget(page, &UninstallFinishPage);
    runState.restartNeeded = 0;
    if (succeeded) {
        runState.outcome = RunOutcome::Succeeded;
        runState.restartNeeded = (done & kDoneRestartNeeded) ? 1 : 0;
        postNextCommand(page);
        return;
    }
    runState.outcome = (done & kDoneCancelled) ? RunOutcome::Cancelled : RunOutcome::Failed;
    // The page waits for Next, also in silent mode: the failure stays on
    // screen with its crossed row. With nobody there, the run ends.
    runState.finishPageText = script().failureText.text();
    SetDlgItemTextA(page, IDC_HINT, script().hintText.text());
    setNextCaption(page, script().nextText.text());
    if (nobodyToAsk)
        postNextCommand(page);
}

}  // namespace

INT_PTR CALLBACK uninstallWelcomePageProcedure(HWND page, UINT message, WPARAM, LPARAM)
{
    if (message != WM_INITDIALOG)
        return FALSE;
    dressUninstallFrame(page);
    rememberDefaultNextCaption(page);
    SetDlgItemTextA(page, IDC_PAGE_TEXT, script().welcomeText.text());
    SetDlgItemTextA(page, IDC_HINT, script().readyToRemoveHint.text());
    setNextCaption(page, script().removeText.text());
    setNextTarget(page, &UninstallProgressPage);
    // From here on the registered uninstaller file is no longer in use.
    releaseParentProcess();
    return TRUE;
}

INT_PTR CALLBACK uninstallProgressPageProcedure(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (rows.handle(message, wParam, lParam))
        return TRUE;
    switch (message) {
    case WM_INITDIALOG: {
        rows.show(page, planRemoval(script().undoLog, script().removeFilesStepCaption.text()));
        SetDlgItemTextA(page, IDC_HINT, script().progressHint.text());
        setNextCaption(page, script().finishText.text());
        setBusy(page, false, false);
        if (!startWorker(UninstallThread, page))
            PostMessageA(page, WM_INSTALL_DONE, 0, 0);
        return TRUE;
    }
    case WM_INSTALL_DONE: removalDone(page, wParam != 0, lParam); return TRUE;
    case WM_DESTROY: rows.release(); return FALSE;
    default: return FALSE;
    }
}

INT_PTR CALLBACK uninstallFinishPageProcedure(HWND page, UINT message, WPARAM, LPARAM)
{
    if (message != WM_INITDIALOG)
        return FALSE;
    SetDlgItemTextA(page, IDC_PAGE_TEXT, runState.finishPageText ? runState.finishPageText : "");
    SetDlgItemTextA(page, IDC_HINT, script().finishHint.text());
    setNextCaption(page, script().finishText.text());
    setNextTarget(page, &EndOfWizard);
    return TRUE;
}
