// The colours and underlines of links, set up once per process by the first
// formatted text control: the system's hot-light colour, underlined in every
// state, or the visual theme's hyperlink text where a theme is on.
#pragma once

#include <windows.h>

// Colour and underline flag for the link states normal, hot and pressed.
struct LinkStyleSet {
    COLORREF colour[3];
    BYTE underline[3];
};
extern LinkStyleSet linkStyles;  // links without a tip
extern LinkStyleSet tipStyles;   // links with a tip
// True when the system paints through buffers of its own (Vista and later).
extern bool bufferedPainting;

// Fills the styles on the first call.
void initLinkStyles(HWND window);
