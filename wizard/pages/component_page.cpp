// The component page: optional components the user may tick. This build
// lists no entries yet; the page takes its place in the sequence, with its
// label, and moves on in silent mode.
#include "app/run_state.h"
#include "resources/resource_ids.h"
#include "uninstall/path_variables_win32.h"
#include "wizard/page_sequence.h"
#include "wizard/pages.h"

INT_PTR CALLBACK componentPageProcedure(HWND page, UINT message, WPARAM, LPARAM)
{
    if (message != WM_INITDIALOG)
        return FALSE;
    setDlgItemTextExpanded(page, IDC_COMPONENTS_LABEL, runState.installScript->componentsLabel.text());
    offerBackPage(page, InstallPage::Components);
    offerNextPage(page, InstallPage::Folders, HintLine::Update);
    return TRUE;
}
