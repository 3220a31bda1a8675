// Painting the formatted text control: the background its parent asks for,
// plain text, links in their colours and underlines, mnemonic underlines,
// focus rectangles and the embossed look of a disabled control.
#pragma once

#include <windows.h>

// WM_PAINT: painted into a buffer (the system's, or a bitmap) and copied to
// the screen at once, so the background never shows alone; in a remote
// session directly.
void paintLinkStaticWindow(HWND window);
// Paints the whole control into `dc` (WM_PRINTCLIENT, or WM_PAINT with a
// device context); a buffer whose pixel (0, 0) is the client point
// (left, top) gives that point.
void paintLinkStatic(HWND window, HDC dc, int left = 0, int top = 0);
