// The two pages that remove an earlier installation before installing: one
// says it was found, the next runs its uninstaller and waits for it.
#include "state/run_state.h"
#include "threads/worker_threads.h"
#include "resources/resource_ids.h"
#include "uninstall/path_variables_win32.h"
#include "uninstall/previous_uninstall.h"
#include "wizard/earlier_installation.h"
#include "wizard/page_sequence.h"
#include "wizard/pages.h"
#include "wizard/wizard_frame.h"

INT_PTR CALLBACK previousVersionPageProcedure(HWND page, UINT message, WPARAM, LPARAM)
{
    if (message != WM_INITDIALOG)
        return FALSE;
    setDlgItemTextExpanded(page, IDC_PAGE_TEXT, runState.actionScript->previousVersionText.text());
    offerBackPage(page, InstallPage::PreviousVersion);
    offerNextPage(page, InstallPage::RemovePrevious, HintLine::Update);
    return TRUE;
}

INT_PTR CALLBACK removePreviousPageProcedure(HWND page, UINT message, WPARAM, LPARAM)
{
    if (message == WM_INITDIALOG) {
        const ActionScript& script = *runState.actionScript;
        setDlgItemTextExpanded(page, IDC_PAGE_TEXT, script.removingPreviousText.text());
        setDlgItemTextExpanded(page, IDC_HINT, script.progressHint.text());
        setBusy(page, false, false);
        // The Next caption only: Next waits for the uninstaller.
        showNextPageChoice(page, nextPageInThisRun(InstallPage::Components), HintLine::Keep);
        // Never found, nor run, twice in one run.
        rememberStartedUninstallCommand();
        if (!startWorker(PreviousUninstallThread, page))
            PostMessageA(page, WM_INSTALL_DONE, 1, 0);
        return TRUE;
    }
    if (message == WM_INSTALL_DONE) {
        setBusy(page, true, false);
        // Searches again: a further earlier installation leads back to the
        // found page.
        offerNextPage(page, InstallPage::PreviousVersion, HintLine::Keep);
        postNextCommand(page);
        return TRUE;
    }
    return FALSE;
}
