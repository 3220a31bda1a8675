// The wizard's worker threads. Each takes the page window that started it
// and ends by itself.
#pragma once

#include "format/action_script.h"

#include <windows.h>

// Takes the package file from the run state, reads block 1 into the action
// script, sets the default selection, and (in extract-all mode) writes the
// files out; it then posts WM_LOADING_DONE to the page, the last thing it
// does.
DWORD WINAPI LoadingThread(LPVOID page);
// Runs the installation, writes the uninstaller or rolls back, and posts
// its steps and then WM_INSTALL_DONE to the page (engine/page_link.h).
DWORD WINAPI InstallThread(LPVOID page);

// Starts a worker with the page as its argument and lets it run on its own.
// Called by the wizard's thread only.
bool startWorker(LPTHREAD_START_ROUTINE worker, HWND page);
// Returns once every worker started so far has ended, answering what they
// send to this thread's windows meanwhile. Start-up calls it once the wizard
// has ended, before it takes back what the workers read.
void waitForWorkers();

// Extract-all mode: every packaged file of the main list ("0_") and of each
// component ("1_", "2_", ...) into the current folder.
void extractAll(const ActionScript& script);
