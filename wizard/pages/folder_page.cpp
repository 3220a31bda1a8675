// The folder page: where the product goes. The Start-menu group and the
// install folder each have a row, shown when the page flags ask for it; both
// boxes are read-only, and the install folder changes only through Browse,
// which keeps the product's own folder name. Up to two check boxes offer the
// components placed on this page. Its Next starts the installation.
#include "state/run_state.h"
#include "resources/resource_ids.h"
#include "uninstall/path_variables_win32.h"
#include "wizard/folder_browser.h"
#include "wizard/option_boxes.h"
#include "wizard/page_sequence.h"
#include "wizard/pages.h"

namespace {

void hideControls(HWND page, const int* ids, int count)
{
    for (int i = 0; i < count; ++i)
        ShowWindow(GetDlgItem(page, ids[i]), SW_HIDE);
}

void showGroupRow(HWND page, const InstallScript& script)
{
    if (!(runState.activePageFlags & kPageFlagProgramGroup)) {
        static const int row[] = {IDC_GROUP_LABEL, IDC_GROUP_EDIT};
        hideControls(page, row, 2);
        return;
    }
    setDlgItemTextExpanded(page, IDC_GROUP_LABEL, script.programGroupLabel.textOrNull());
    SetDlgItemTextA(page, IDC_GROUP_EDIT, runState.programGroup);
}

void showFolderRow(HWND page, const InstallScript& script)
{
    if (!(runState.activePageFlags & kPageFlagInstallFolder)) {
        static const int row[] = {IDC_FOLDER_LABEL, IDC_BROWSE, IDC_FOLDER_EDIT};
        hideControls(page, row, 3);
        return;
    }
    setDlgItemTextExpanded(page, IDC_FOLDER_LABEL, script.folderLabel.textOrNull());
    setDlgItemTextExpanded(page, IDC_BROWSE, script.browseText.textOrNull());
    SetDlgItemTextA(page, IDC_FOLDER_EDIT, runState.installFolder);
}

// Browse: the folder label is the browser's title.
void chooseInstallFolder(HWND page)
{
    char title[256];
    GetDlgItemTextA(page, IDC_FOLDER_LABEL, title, sizeof title);
    if (!browseForFolder(page, IDC_FOLDER_EDIT, title))
        return;
    GetDlgItemTextA(page, IDC_FOLDER_EDIT, runState.installFolder, sizeof runState.installFolder);
    // The hint before installing may name the install folder: it names the
    // new one before the user presses Next.
    offerNextPage(page, InstallPage::Progress, HintLine::Update);
}

}  // namespace

INT_PTR CALLBACK folderPageProcedure(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: {
        const InstallScript& script = *runState.installScript;
        showGroupRow(page, script);
        showFolderRow(page, script);
        offerOptionBoxes(page, kPlacementFolderPage);
        offerBackPage(page, InstallPage::Folders);
        offerNextPage(page, InstallPage::Progress, HintLine::Update);
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDC_BROWSE && HIWORD(wParam) == BN_CLICKED) {
            chooseInstallFolder(page);
            return TRUE;
        }
        return recordOptionBoxClick(wParam, lParam);
    default: return FALSE;
    }
}
