// What the worker threads may ask of the wizard page that started them. The
// wizard implements these; a thread includes nothing of the wizard itself,
// so the engine and the uninstaller stay below the wizard.
#pragma once

#include <windows.h>

// Worker to page, posted once the worker is done: wParam 1 = success;
// lParam holds the bits below.
constexpr UINT WM_INSTALL_DONE = WM_USER + 99;
constexpr LPARAM kDoneRestartNeeded = 1;
// The work was stopped by a program or entry point that answered 1602.
constexpr LPARAM kDoneCancelled = 2;

// The loading thread's part on the welcome page. The page waits, with Next
// and Back disabled, while the action block is read.
void holdForLoading(HWND page);
enum class LoadingOutcome {
    Loaded,     // the action script is in the run state: the wizard moves on
    Extracted,  // extract-all mode wrote the files out: the wizard ends
    Damaged,    // the action block could not be read: say so, then end
};
// Called last by the loading thread: nothing of the run state may be touched
// after it, since the wizard may end at once.
void loadingDone(HWND page, LoadingOutcome outcome);

// The step rows of the progress pages. The first row whose mark is empty
// becomes bold; its old font is kept.
void beginStep(HWND page);
// That row gets its font back and a check mark (ok) or a cross.
void endStep(HWND page, bool ok);
