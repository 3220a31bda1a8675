// The visual styles library, uxtheme.dll: loaded from the system folder on
// first use and never unloaded. Each entry point is looked up by name and is
// null where the system's library lacks it; a system without the library
// has none and draws the classic look.
#pragma once

#include "format/unique_resource.h"

#include <windows.h>

#include <uxtheme.h>

struct ThemeLibrary {
    // The seven entry points every complete uxtheme has. The component page
    // fills each entry under its check square itself, so it needs neither
    // the parent's background nor the transparency test; they are asked for
    // all the same, as a library without them is not one the wizard trusts
    // to draw.
    HTHEME(WINAPI* openThemeData)(HWND window, LPCWSTR classList);
    HRESULT(WINAPI* closeThemeData)(HTHEME theme);
    HRESULT(WINAPI* drawThemeBackground)(HTHEME theme, HDC dc, int part, int state, const RECT* rect, const RECT* clip);
    HRESULT(WINAPI* drawThemeParentBackground)(HWND window, HDC dc, const RECT* rect);
    BOOL(WINAPI* isAppThemed)();
    BOOL(WINAPI* isThemeActive)();
    BOOL(WINAPI* isThemeBackgroundPartiallyTransparent)(HTHEME theme, int part, int state);
    // The text control's: its link colours and underlines, the tip balloon's
    // classic look, and buffered painting (Vista and later).
    HRESULT(WINAPI* getThemeColor)(HTHEME theme, int part, int state, int property, COLORREF* colour);
    HRESULT(WINAPI* getThemeFont)(HTHEME theme, HDC dc, int part, int state, int property, LOGFONTW* font);
    HRESULT(WINAPI* setWindowTheme)(HWND window, LPCWSTR classList, LPCWSTR idList);
    HRESULT(WINAPI* bufferedPaintInit)();
    HRESULT(WINAPI* bufferedPaintUnInit)();
    HANDLE(WINAPI* beginBufferedPaint)(HDC target, const RECT* rect, int format, void* parameters, HDC* dc);
    HRESULT(WINAPI* endBufferedPaint)(HANDLE buffer, BOOL update);
};

// BeginBufferedPaint's buffer format: a bitmap compatible with the target.
const int kBufferCompatibleBitmap = 0;

// Every entry point of the library, each null where it is missing.
const ThemeLibrary& themeEntries();
// The library when its first seven entry points are all there, else null.
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
