// What the formatted text control tells its parent: the focus came or went,
// a link was activated, and a link is about to be painted.
#pragma once

#include "linkstatic/link_markup.h"

#include <windows.h>

// How a link is painted: its state (0 normal, 1 hot, 2 pressed), colour and
// underline flag.
struct LinkLook {
    int state;
    COLORREF colour;
    BYTE underline;
};

// LSN_LINKSTYLE: the parent may change a link's colour and underline.
const UINT kLinkStyleCode = 0xBED91119;

// Sends NM_SETFOCUS or NM_KILLFOCUS.
void notifyFocus(HWND window, UINT code);
// Sends `code` for a link with an NMLINK, followed by *look when given,
// which takes the parent's answer back. True when the parent answered
// non-zero: for NM_CLICK, that it handled the click.
bool notifyLink(HWND window, const LinkInfo* link, UINT code, LinkLook* look = nullptr);
