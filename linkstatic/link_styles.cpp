#include "linkstatic/link_styles.h"

#include "app/system_services.h"

// Underlined in every state; the links' colour is the system's, read once.
LinkStyleSet linkStyles = {{}, {1, 1, 1}};
LinkStyleSet tipStyles = {{RGB(0, 130, 0), RGB(0, 130, 0), RGB(0, 130, 0)}, {1, 1, 1}};
SetWindowThemeFn setWindowTheme;

void initLinkStyles(HWND)
{
    if (linkStyles.colour[0])
        return;  // set up by the first control
    // The system's hot-light colour where it has one (Windows 98 and 2000
    // on); older systems answer black for a colour they do not know.
    COLORREF colour = GetSysColor(COLOR_HOTLIGHT);
    if (!colour)
        colour = RGB(0, 0, 128);  // never black, so it also marks the set-up
    for (COLORREF& state : linkStyles.colour)
        state = colour;
    // Kept loaded for the process: the tip balloon calls it on first use.
    if (HMODULE uxtheme = loadSystemLibrary("uxtheme.dll"))
        setWindowTheme =
            reinterpret_cast<SetWindowThemeFn>(reinterpret_cast<void*>(GetProcAddress(uxtheme, "SetWindowTheme")));
}
