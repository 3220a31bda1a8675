// The colours and underlines of links, and the function that switches a
// window's visual style off: set up once per process by the first formatted
// text control. Links are drawn in the system's hot-light colour and
// underlined in every state, themed or not, as the pages' other texts are
// drawn without a theme.
#pragma once

#include <windows.h>

// Colour and underline flag for the link states normal, hot and pressed.
struct LinkStyleSet {
    COLORREF colour[3];
    BYTE underline[3];
};
extern LinkStyleSet linkStyles;  // links without a tip
extern LinkStyleSet tipStyles;   // links with a tip

// SetWindowTheme of uxtheme.dll, null where the system has none.
typedef HRESULT(WINAPI* SetWindowThemeFn)(HWND, LPCWSTR, LPCWSTR);
extern SetWindowThemeFn setWindowTheme;

// Fills the styles and setWindowTheme on the first call.
void initLinkStyles(HWND window);
