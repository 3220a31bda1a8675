// The two processes of an uninstallation: the registered uninstaller (the
// launcher) copies itself to the temporary folder and waits, and the copy
// ends the launcher, removes the product and its own registration, and runs
// the uninstall wizard.
#pragma once

#include <windows.h>

#include <stdint.h>

// The launcher's side. Copies this program to a temporary "uni" file and
// starts the copy with "doit=" and an inheritable handle to this process,
// then waits for it while answering window messages. True once the copy has
// run, with its exit code (this process then only cleans up and ends);
// false when any step up to the start failed, so that the wizard runs in
// this process instead.
bool runUninstallerCopy(const char* tail, DWORD* copyExitCode);

// The copy's side, called by the uninstall welcome page: ends the launching
// process and waits until it has gone, so that the registered uninstaller
// file is no longer in use. Does nothing outside a copy, nor in a copy whose
// launcher waits for its result.
void releaseParentProcess();

// In a copy whose launcher waits: the launcher's file, the registered
// uninstaller, cannot be deleted while it runs, but on the NT line it can be
// renamed within its volume. Moves it into the temporary folder (or the root
// of its volume) and has it deleted at the next restart. The 9x line keeps
// a running file where it is (and a file another program holds cannot be
// moved either): there the launcher is ended first, with the exit code of
// `resultSoFar` (an undo result), and the file deleted. True when the file
// is gone from its path.
bool letGoOfRunningUninstaller(const char* path, uint32_t resultSoFar);

// True when the "doit=" handle value names a running process this copy can
// wait for: only such a launcher can wait for the copy's result.
bool isWaitingLauncher(uint32_t handleValue);

// The copy cannot delete its own file while it runs: once the wizard has
// ended, it asks the system to delete it at the next restart (NT only; the
// 9x line keeps it in the temporary folder).
void scheduleOwnDeletion();

// Removes the product: the custom undo steps, then the uninstall entry and
// the uninstaller file, then the reversals under one step row. Posts
// WM_INSTALL_DONE to the page: wParam 1 on success, lParam 1 when a restart
// is needed.
DWORD WINAPI UninstallThread(LPVOID page);
