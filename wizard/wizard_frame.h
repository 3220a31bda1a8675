// The wizard frame: one modal dialog hosting one page at a time.
#pragma once

#include <windows.h>

enum class WizardKind { Install, Uninstall };

// Runs the modal frame dialog until the wizard closes.
void runWizard(HINSTANCE instance, WizardKind kind);

INT_PTR CALLBACK wizardFrameProcedure(HWND frame, UINT message, WPARAM wParam, LPARAM lParam);
