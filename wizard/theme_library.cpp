#include "wizard/theme_library.h"

#include "app/system_services.h"

namespace {

bool looked = false;
ThemeLibrary library;
bool complete = false;

template <typename Function>
bool find(HMODULE module, const char* name, Function& function)
{
    function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    return function != nullptr;
}

}  // namespace

const ThemeLibrary* themeLibrary()
{
    if (!looked) {
        looked = true;
        // Stays loaded: theme data opened through it may outlive any page.
        HMODULE module = loadSystemLibrary("uxtheme.dll");
        complete = module && find(module, "OpenThemeData", library.openThemeData) &&
                   find(module, "CloseThemeData", library.closeThemeData) &&
                   find(module, "DrawThemeBackground", library.drawThemeBackground) &&
                   find(module, "DrawThemeParentBackground", library.drawThemeParentBackground) &&
                   find(module, "IsAppThemed", library.isAppThemed) &&
                   find(module, "IsThemeActive", library.isThemeActive) &&
                   find(module, "IsThemeBackgroundPartiallyTransparent", library.isThemeBackgroundPartiallyTransparent);
    }
    return complete ? &library : nullptr;
}

void ThemeTraits::close(HTHEME theme)
{
    // Theme data exists only where the library was found complete.
    themeLibrary()->closeThemeData(theme);
}

UniqueTheme openActiveTheme(HWND window, LPCWSTR classList)
{
    const ThemeLibrary* themes = themeLibrary();
    if (!themes || !themes->isThemeActive() || !themes->isAppThemed())
        return UniqueTheme();
    return UniqueTheme(themes->openThemeData(window, classList));
}
