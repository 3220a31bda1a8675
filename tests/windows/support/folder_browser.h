// The shell's folder browser that the folder page's Browse button opens,
// found and driven from outside the installer. Its caption shows the
// folder the product would go to with the current selection.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

// The browser of the installer's process: a visible dialog with a tree,
// other than the wizard's frame; null when none comes in time.
HWND waitForFolderBrowser(DWORD processId, HWND frame);

// The browser's folder tree, null when it has none.
HWND browserTree(HWND browser);

// Presses a key on the tree (VK_LEFT: up to the parent, collapsing an open
// folder first; VK_RIGHT: open a folder, then down to its first child)
// until `reached` holds, at most `presses` times, each given a moment to
// show. False when it never holds.
bool pressUntil(HWND browser, UINT key, const std::function<bool()>& reached, int presses = 4);

bool browserOkEnabled(HWND browser);

// Lists every existing folder from the drive root down to `path` once.
// Wine's browser finds the folder to open at by comparing shell items
// byte for byte, last-access time included, and the host gives a folder
// a new access time the first time it is read after a change: read
// beforehand, the times stay still while the browser walks to the folder.
void settleFolderAccessTimes(const std::string& path);

// Waits until the browser's caption reads `caption`.
bool waitForBrowserCaption(HWND browser, const std::string& caption);
