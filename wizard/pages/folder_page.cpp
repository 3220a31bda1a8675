// The folder page: the Start-menu group and the install folder. This build
// shows both read-only; choosing a folder comes with the folder browser.
#include "app/run_state.h"
#include "resources/resource_ids.h"
#include "uninstall/path_variables_win32.h"
#include "wizard/page_sequence.h"
#include "wizard/pages.h"

INT_PTR CALLBACK folderPageProcedure(HWND page, UINT message, WPARAM, LPARAM)
{
    if (message != WM_INITDIALOG)
        return FALSE;
    const InstallScript& script = *runState.installScript;
    setDlgItemTextExpanded(page, IDC_GROUP_LABEL, script.programGroupLabel.text());
    setDlgItemTextExpanded(page, IDC_FOLDER_LABEL, script.folderLabel.text());
    setDlgItemTextExpanded(page, IDC_BROWSE, script.browseText.text());
    SetDlgItemTextA(page, IDC_GROUP_EDIT, runState.programGroup);
    SetDlgItemTextA(page, IDC_FOLDER_EDIT, runState.installFolder);
    offerBackPage(page, InstallPage::Folders);
    offerNextPage(page, InstallPage::Progress, HintLine::Update);
    return TRUE;
}
