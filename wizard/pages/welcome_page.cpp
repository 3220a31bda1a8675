// The first page: dresses the frame (icon, caption, banner, button captions)
// and starts the loading thread, which sets the Next target.
#include "app/install_script.h"
#include "app/run_state.h"
#include "engine/worker_threads.h"
#include "resources/resource_ids.h"
#include "uninstall/path_variables_win32.h"
#include "wizard/pages.h"
#include "wizard/wizard_frame.h"

namespace {

void dressInstallFrame(HWND page, const InstallScript& script)
{
    HWND frame = frameOf(page);
    char title[256];
    expandPathVariables(script.title.text(), title, sizeof title);
    dressFrame(page, title, script.bannerInfo, script.bannerBits);
    setDlgItemTextExpanded(frame, IDC_BACK, script.backText.text());
    setDlgItemTextExpanded(frame, IDC_NEXT, script.nextText.text());
    setDlgItemTextExpanded(frame, IDCANCEL, script.cancelText.text());
}

}  // namespace

INT_PTR CALLBACK welcomePageProcedure(HWND page, UINT message, WPARAM, LPARAM)
{
    if (message != WM_INITDIALOG)
        return FALSE;
    const InstallScript& script = *runState.installScript;
    dressInstallFrame(page, script);
    setDlgItemTextExpanded(page, IDC_PAGE_TEXT, script.welcomeText.text());
    // Fixed before the loading thread may change the caption.
    rememberDefaultNextCaption(page);
    startWorker(LoadingThread, page);
    if (runState.silentMode)
        minimiseFrame(page);
    return TRUE;
}
