// The shell's folder browser, choosing the folder that holds the product's
// own sub-path of the install folder.
#pragma once

#include <windows.h>

// Shows the browser over the page, opened at the nearest existing ancestor
// of the folder in the edit control `editId`, with `title` above its tree.
// True when the user chose a folder and the edit now holds the install
// folder it gives (wizard/install_folder_choice.h). False when the user
// cancelled, chose the folder the browser opened at (the install folder
// stays as it was), or chose a folder too long to take the sub-path (the
// user is told so); the edit is then unchanged.
bool browseForFolder(HWND page, int editId, const char* title);
