#include "platform/theme_library.h"

#include "platform/system_services.h"

#include <string.h>

namespace {

// The entry points' names in the order of ThemeLibrary's members.
const char kEntryNames[] =
    "OpenThemeData\0CloseThemeData\0DrawThemeBackground\0DrawThemeParentBackground\0IsAppThemed\0"
    "IsThemeActive\0IsThemeBackgroundPartiallyTransparent\0GetThemeColor\0GetThemeFont\0SetWindowTheme\0"
    "BufferedPaintInit\0BufferedPaintUnInit\0BeginBufferedPaint\0EndBufferedPaint\0";
const size_t kEntryCount = sizeof(ThemeLibrary) / sizeof(FARPROC);

bool looked = false;
ThemeLibrary library;

}  // namespace

const ThemeLibrary& themeEntries()
{
    if (!looked) {
        looked = true;
        // Stays loaded: theme data opened through it may outlive any page.
        if (HMODULE module = loadSystemLibrary("uxtheme.dll")) {
            const char* name = kEntryNames;
            for (size_t i = 0; i < kEntryCount; ++i, name += strlen(name) + 1) {
                FARPROC entry = GetProcAddress(module, name);
                memcpy(reinterpret_cast<char*>(&library) + i * sizeof entry, &entry, sizeof entry);
            }
        }
    }
    return library;
}

const ThemeLibrary* themeLibrary()
{
    const ThemeLibrary& entries = themeEntries();
    bool complete = entries.openThemeData && entries.closeThemeData && entries.drawThemeBackground &&
                    entries.drawThemeParentBackground && entries.isAppThemed && entries.isThemeActive &&
                    entries.isThemeBackgroundPartiallyTransparent;
    return complete ? &entries : nullptr;
}

void ThemeTraits::close(HTHEME theme)
{
    // Theme data exists only where the library could open it.
    themeEntries().closeThemeData(theme);
}

UniqueTheme openActiveTheme(HWND window, LPCWSTR classList)
{
    const ThemeLibrary* themes = themeLibrary();
    if (!themes || !themes->isThemeActive() || !themes->isAppThemed())
        return UniqueTheme();
    return UniqueTheme(themes->openThemeData(window, classList));
}

static_assert(sizeof(ThemeLibrary) == 14 * sizeof(FARPROC), "one name for each entry point");
