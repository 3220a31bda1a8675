#include "linkstatic/link_static.h"

#include "app/system_services.h"

namespace {

// The height the control's text needs at its current width, in pixels.
LRESULT measureTextHeight(HWND window)
{
    RECT client;
    GetClientRect(window, &client);
    int length = GetWindowTextLengthA(window);
    char stackText[512];
    char* text = stackText;
    if (length >= int(sizeof stackText)) {
        text = static_cast<char*>(HeapAlloc(GetProcessHeap(), 0, size_t(length) + 1));
        if (!text)
            return 0;
    }
    GetWindowTextA(window, text, length + 1);
    HDC dc = GetDC(window);
    HGDIOBJ oldFont = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(window, WM_GETFONT, 0, 0)));
    RECT bounds = {0, 0, client.right, 0};
    DrawTextA(dc, text, length, &bounds, DT_CALCRECT | DT_WORDBREAK);
    SelectObject(dc, oldFont);
    ReleaseDC(window, dc);
    if (text != stackText)
        HeapFree(GetProcessHeap(), 0, text);
    return bounds.bottom - bounds.top;
}

}  // namespace

// Until link markup and its layout exist, the control is the system's static
// control, and it answers the height query by measuring its plain text.
LRESULT CALLBACK linkStaticProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == calculateHeightMessage && message != 0)
        return measureTextHeight(window);
    return CallWindowProcA(savedStaticProcedure, window, message, wParam, lParam);
}
