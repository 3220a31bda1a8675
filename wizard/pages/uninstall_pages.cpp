// The uninstall wizard's pages. This build does not open uninstall packages
// yet (start-up shows the damaged-package message for them), so the pages
// only end the wizard.
#include "wizard/pages.h"
#include "wizard/wizard_frame.h"

namespace {

INT_PTR endWizardPage(HWND page, UINT message)
{
    if (message != WM_INITDIALOG)
        return FALSE;
    setNextTarget(page, &EndOfWizard);
    postNextCommand(page);
    return TRUE;
}

}  // namespace

INT_PTR CALLBACK uninstallWelcomePageProcedure(HWND page, UINT message, WPARAM, LPARAM)
{
    return endWizardPage(page, message);
}

INT_PTR CALLBACK uninstallProgressPageProcedure(HWND page, UINT message, WPARAM, LPARAM)
{
    return endWizardPage(page, message);
}

INT_PTR CALLBACK uninstallFinishPageProcedure(HWND page, UINT message, WPARAM, LPARAM)
{
    return endWizardPage(page, message);
}
