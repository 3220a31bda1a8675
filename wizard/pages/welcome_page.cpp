// The first page: dresses the frame (icon, caption, banner, button captions)
// and starts the loading thread, which sets the Next target.
#include "format/install_script.h"
#include "format/stub_texts.h"
#include "state/run_state.h"
#include "platform/system_services.h"
#include "threads/worker_threads.h"
#include "resources/resource_ids.h"
#include "uninstall/path_variables_win32.h"
#include "wizard/page_sequence.h"
#include "wizard/pages.h"
#include "wizard/wizard_frame.h"

namespace {

void dressInstallFrame(HWND page, const InstallScript& script)
{
    HWND frame = frameOf(page);
    char title[256];
    expandPathVariables(script.title.text(), title, sizeof title);
    dressFrame(page, title, script.bannerInfo, script.bannerBits);
    setDlgItemTextExpanded(frame, IDC_BACK, script.backText.textOrNull());
    setDlgItemTextExpanded(frame, IDC_NEXT, script.nextText.textOrNull());
    setDlgItemTextExpanded(frame, IDCANCEL, script.cancelText.textOrNull());
}

// The loading thread's outcome, when it has posted it.
void loadingDone(HWND page, LoadingOutcome outcome)
{
    if (outcome == LoadingOutcome::Loaded)
        runState.activePageFlags = computeActivePageFlags();
    setBusy(page, true, false);
    switch (outcome) {
    case LoadingOutcome::Loaded:
        offerNextPage(page, InstallPage::License, HintLine::Update);
        if (runState.silentMode)
            postNextCommand(page);
        return;
    case LoadingOutcome::Extracted:
        runState.outcome = RunOutcome::Succeeded;
        // The wizard ends on this command and start-up then takes back what
        // the loading thread read.
        PostMessageA(frameOf(page), WM_COMMAND, IDCANCEL, 0);
        return;
    case LoadingOutcome::Damaged:
        // Nothing can be installed from a damaged action block: say so and
        // end, in silent mode too, rather than leave the welcome page with
        // Next disabled for a user who may not be there. The frame is shown
        // first, since a box owned by a minimised frame is hidden with it.
        runState.outcome = RunOutcome::DamagedPackage;
        if (!nobodyToAsk)
            leaveSilentMode(page);
        showError(frameOf(page), kDamagedPackage);
        PostMessageA(frameOf(page), WM_COMMAND, IDCANCEL, 0);
        return;
    }
}

}  // namespace

INT_PTR CALLBACK welcomePageProcedure(HWND page, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_LOADING_DONE) {
        loadingDone(page, LoadingOutcome(wParam));
        return TRUE;
    }
    if (message != WM_INITDIALOG)
        return FALSE;
    const InstallScript& script = *runState.installScript;
    dressInstallFrame(page, script);
    setDlgItemTextExpanded(page, IDC_PAGE_TEXT, script.welcomeText.textOrNull());
    // Fixed before the loading thread may change the caption.
    rememberDefaultNextCaption(page);
    // The page waits while the package is still to be read; a later showing
    // finds it read.
    if (!runState.actionScript)
        setBusy(page, false, false);
    startWorker(LoadingThread, page);
    // A quiet run stays minimised to its end; a passive one shows every page
    // it passes from the first, so that the user sees the run begin.
    if (nobodyToAsk)
        minimiseFrame(page);
    return TRUE;
}
