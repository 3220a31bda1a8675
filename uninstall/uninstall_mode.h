// The two processes of an uninstallation: the registered uninstaller (the
// launcher) copies itself to the temporary folder and waits, and the copy
// ends the launcher, removes the product and its own registration, and runs
// the uninstall wizard.
#pragma once

#include <windows.h>

// The launcher's side. Copies this program to a temporary "uni" file and
// starts the copy with "doit=" and an inheritable handle to this process,
// then waits for it while answering window messages. True once the copy has
// run (this process then only cleans up and ends); false when any step up to
// the start failed, so that the wizard runs in this process instead.
bool runUninstallerCopy(const char* tail);

// The copy's side, called by the uninstall welcome page: ends the launching
// process and waits until it has gone, so that the registered uninstaller
// file is no longer in use. Does nothing outside a copy.
void releaseParentProcess();

// The copy cannot delete its own file while it runs: once the wizard has
// ended, it asks the system to delete it at the next restart (NT only; the
// 9x line keeps it in the temporary folder).
void scheduleOwnDeletion();

// Removes the product: the custom undo steps, then the uninstall entry and
// the uninstaller file, then the reversals under one step row. Posts
// WM_INSTALL_DONE to the page: wParam 1 on success, lParam 1 when a restart
// is needed.
DWORD WINAPI UninstallThread(LPVOID page);
