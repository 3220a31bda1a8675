// The visual styles library, uxtheme.dll: loaded from the system folder on
// first use and never unloaded, and used only when it has all seven entry
// points the wizard relies on; a system without it, or with a partial one,
// draws the classic look.
#pragma once

#include "app/unique_resource.h"

#include <windows.h>

#include <uxtheme.h>

// The seven entry points every complete uxtheme has. The component page
// fills each entry under its check square itself, so it needs neither the
// parent's background nor the transparency test; they are asked for all the
// same, as a library without them is not one the wizard trusts to draw.
struct ThemeLibrary {
    HTHEME(WINAPI* openThemeData)(HWND window, LPCWSTR classList);
    HRESULT(WINAPI* closeThemeData)(HTHEME theme);
    HRESULT(WINAPI* drawThemeBackground)(HTHEME theme, HDC dc, int part, int state, const RECT* rect, const RECT* clip);
    HRESULT(WINAPI* drawThemeParentBackground)(HWND window, HDC dc, const RECT* rect);
    BOOL(WINAPI* isAppThemed)();
    BOOL(WINAPI* isThemeActive)();
    BOOL(WINAPI* isThemeBackgroundPartiallyTransparent)(HTHEME theme, int part, int state);
};

// The library's entry points; null when it is missing or incomplete.
const ThemeLibrary* themeLibrary();

// Theme data, closed by its owner through the library that opened it.
struct ThemeTraits {
    static constexpr HTHEME invalid() { return nullptr; }
    static bool isValid(HTHEME theme) { return theme != nullptr; }
    static void close(HTHEME theme);
};
using UniqueTheme = UniqueResource<HTHEME, ThemeTraits>;

// Theme data for a class list on a window, when the user's theme is on and
// applies to this program; empty otherwise, and the caller draws classic.
UniqueTheme openActiveTheme(HWND window, LPCWSTR classList);
