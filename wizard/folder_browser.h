// The shell's folder browser, choosing the folder that holds the install
// folder's last part.
#pragma once

#include <windows.h>

// Shows the browser over the page, opened at the nearest existing ancestor
// of the folder in the edit control `editId`, with `title` above its tree.
// True when the user chose a folder and the edit now holds it with the old
// folder's last part appended. False when the user cancelled, or chose a
// folder too long to take that part (the user is told so); the edit is
// then unchanged.
bool browseForFolder(HWND page, int editId, const char* title);
