#include "wizard/wizard_frame.h"

#include "resources/resource_ids.h"

// The frame shows itself and ends on Cancel or when it is closed; its pages
// come with the wizard's page sequence.
INT_PTR CALLBACK wizardFrameProcedure(HWND frame, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(frame, 0);
            return TRUE;
        }
        return FALSE;
    case WM_CLOSE:
        EndDialog(frame, 0);
        return TRUE;
    default:
        return FALSE;
    }
}

void runWizard(HINSTANCE instance, WizardKind kind)
{
    DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_FRAME), nullptr, wizardFrameProcedure, LPARAM(kind));
}
