// The uninstall wizard's pages: welcome, progress and finish. Every text is
// set as the uninstall package stores it: it was expanded when the product
// was installed.
#include "state/run_state.h"
#include "platform/system_services.h"
#include "wizard/step_rows.h"
#include "threads/worker_threads.h"
#include "resources/resource_ids.h"
#include "uninstall/uninstall_mode.h"
#include "format/uninstall_script.h"
#include "wizard/pages.h"
#include "wizard/progress_rows.h"
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

// Row captions in the order the removal runs its steps: the captioned custom
// steps newest first, then the removal of files, folders and registry
// values, at most nine in all.
int collectCaptions(const char* captions[kStepRowCount])
{
    int count = 0;
    for (const UndoEntry* entry = script().undoLog.first(); entry && count < kStepRowCount; entry = entry->next)
        if (const char* caption = entry->caption())
            captions[count++] = caption;
    if (count < kStepRowCount)
        captions[count++] = script().removeFilesStepCaption.text();
    return count;
}

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
    switch (message) {
    case WM_INITDIALOG: {
        const char* captions[kStepRowCount];
        int count = collectCaptions(captions);
        showStepRows(page, captions, count);
        SetDlgItemTextA(page, IDC_HINT, script().progressHint.text());
        setNextCaption(page, script().finishText.text());
        setBusy(page, false, false);
        if (!startWorker(UninstallThread, page))
            PostMessageA(page, WM_INSTALL_DONE, 0, 0);
        return TRUE;
    }
    case WM_INSTALL_DONE: removalDone(page, wParam != 0, lParam); return TRUE;
    case WM_DESTROY: destroyProgressFonts(); return FALSE;
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
