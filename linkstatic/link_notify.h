// What the formatted text control tells its parent: a link was activated.
#pragma once

#include "linkstatic/link_markup.h"

#include <windows.h>

// Sends NM_CLICK with an NMLINK for a link; true when the parent handled it
// (answered non-zero), so the control does nothing more.
bool notifyLinkClick(HWND window, const LinkInfo* link);
