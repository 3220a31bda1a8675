// Painting the formatted text control: the background its parent asks for,
// plain text, links in their colours and underlines, mnemonic underlines,
// focus rectangles and the embossed look of a disabled control.
#pragma once

#include <windows.h>

// WM_PAINT. Drawn directly: only the invalidated links are drawn again when
// the mouse or the focus moves, each area once, so nothing flickers that a
// memory bitmap would have to hide.
void paintLinkStaticWindow(HWND window);
// Paints the whole control into `dc` (WM_PRINTCLIENT, or WM_PAINT with a
// device context).
void paintLinkStatic(HWND window, HDC dc);
