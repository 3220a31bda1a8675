// The balloon that shows a link's tip text below the link: one tooltip
// window for the process, shown until the user clicks, types or moves on.
#pragma once

#include <windows.h>

// Shows `tip` with its top-left corner at the client point (x, y) of
// `window` and waits, dispatching messages, until the balloon is to close.
void showLinkTip(HWND window, const char* tip, int x, int y);
