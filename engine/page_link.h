// What the worker threads may ask of the wizard page that started them. The
// wizard implements these; a thread includes nothing of the wizard itself,
// so the engine and the uninstaller stay below the wizard.
#pragma once

#include <windows.h>

// Worker to page, posted once the worker is done: wParam 1 = success,
// lParam 1 = restart needed.
constexpr UINT WM_INSTALL_DONE = WM_USER + 99;

// The step rows of the progress pages. The first row whose mark is empty
// becomes bold; its old font is kept.
void beginStep(HWND page);
// That row gets its font back and a check mark (ok) or a cross.
void endStep(HWND page, bool ok);
