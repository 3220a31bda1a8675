#include "linkstatic/link_window.h"

#include "linkstatic/link_static.h"

#include <stdlib.h>
#include "platform/import_slots.h"

SLIPWAY_IMPORT_SLOT(GetDC, 4);
SLIPWAY_IMPORT_SLOT(GetPropA, 8);
SLIPWAY_IMPORT_SLOT(PostQuitMessage, 4);
SLIPWAY_IMPORT_SLOT(ReleaseDC, 8);
SLIPWAY_IMPORT_SLOT(RemovePropA, 8);
SLIPWAY_IMPORT_SLOT(SetPropA, 12);

namespace {

// "ilhot", "ilprs" and "ilfoc", six bytes apart.
const char kPropertyNames[] = "ilhot\0ilprs\0ilfoc";

// Widths from the device context a layout is made on.
class GdiMeasurer final : public TextMeasurer {
public:
    HDC dc = nullptr;

    constexpr GdiMeasurer() {}
    int32_t tabbedTextWidth(const char* text, size_t length, int32_t tabWidth) const override
    {
        INT stop = tabWidth;
        return LOWORD(GetTabbedTextExtentA(dc, text, int(length), 1, &stop));
    }
};

__attribute__((noinline)) const char* propertyName(LinkState which)
{
    return kPropertyNames + 6 * which;
}

}  // namespace

LRESULT callStatic(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return CallWindowProcA(savedStaticProcedure, window, message, wParam, lParam);
}

int WINAPI linkProperty(HWND window, LinkState which)
{
    // An unset property reads as 0: the focused link starts at the first.
    return int(reinterpret_cast<INT_PTR>(GetPropASlot(window, propertyName(which))));
}

void WINAPI setLinkProperty(HWND window, LinkState which, int index)
{
    SetPropASlot(window, propertyName(which), reinterpret_cast<HANDLE>(INT_PTR(index)));
}

void removeLinkProperties(HWND window)
{
    for (int which = 0; which < 3; ++which)
        RemovePropASlot(window, propertyName(LinkState(which)));
}

uint32_t countLinksAndSetTabStop(HWND window, const char* text)
{
    uint32_t count = text ? countMarkupLinks(text, CharNextA) : 0;
    LONG style = GetWindowLongA(window, GWL_STYLE);
    LONG wanted = count ? style | WS_TABSTOP : style & ~WS_TABSTOP;
    if (wanted != style)
        SetWindowLongA(window, GWL_STYLE, wanted);
    return count;
}

namespace {

// A button going down anywhere, a key or a system command closes a tip.
bool closesTip(UINT message)
{
    // Non-client button downs and double clicks of all five buttons.
    if (message >= WM_NCLBUTTONDOWN && message <= 0xAD)  // WM_NCXBUTTONDBLCLK
        return (0x156D >> (message - WM_NCLBUTTONDOWN)) & 1;
    // WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN, WM_XBUTTONDOWN.
    if (message >= WM_LBUTTONDOWN && message <= WM_XBUTTONDOWN)
        return (0x449 >> (message - WM_LBUTTONDOWN)) & 1;
    return message == WM_KEYDOWN || message == WM_SYSCOMMAND;
}

}  // namespace

bool runLocalLoop(HWND window, LocalLoop kind, LPARAM* releasePoint)
{
    HWND focus = GetFocus();
    // The message that ends a press by letting go.
    UINT release = kind == kMouseLoop ? WM_LBUTTONUP : kind == kSpaceLoop ? WM_KEYUP : 0;
    MSG message;
    for (;;) {
        if (!IsWindow(window) || (!release && GetFocus() != focus))
            return false;
        if (!PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE)) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, INFINITE, QS_ALLINPUT);
            continue;
        }
        UINT what = message.message;
        WPARAM key = message.wParam;
        bool mine = message.hwnd == window;
        if (!release && closesTip(what))
            return false;
        PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE);
        if (what == WM_QUIT) {
            PostQuitMessageSlot(int(key));
            return false;
        }
        if (release) {
            // Held keys repeat, and the mouse may wander while pressing.
            if ((what == WM_KEYDOWN && (key == VK_ESCAPE || (release == WM_KEYUP && key == VK_SPACE))) ||
                (release == WM_LBUTTONUP && what == WM_MOUSEMOVE && mine))
                continue;
            if (what == WM_KEYUP && key == VK_ESCAPE)
                return false;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
        if (mine && what == release && (release == WM_LBUTTONUP || key == VK_SPACE)) {
            *releasePoint = message.lParam;
            return IsWindow(window);
        }
    }
}

TextInfo::~TextInfo()
{
    releaseLinks(links);
    free(text);
}

bool TextInfo::read(HWND window)
{
    style = uint32_t(GetWindowLongA(window, GWL_STYLE));
    uiState = uint32_t(callStatic(window, WM_QUERYUISTATE));
    drawFlags = linkDrawFlags(style, uiState);
    size_t size = size_t(callStatic(window, WM_GETTEXTLENGTH)) + 1;
    text = static_cast<char*>(malloc(size));
    if (!text)
        return false;
    length = size_t(callStatic(window, WM_GETTEXT, size, reinterpret_cast<LPARAM>(text)));
    if (length >= size)
        length = size - 1;
    text[length] = 0;
    links = parseLinkMarkup(text, &length, &linkCount, CharNextA);
    return true;
}

WindowLayout::~WindowLayout()
{
    releaseLineLayout(&lines);
    releaseDc();
}

void WindowLayout::releaseDc()
{
    if (previousFont_)
        SelectObject(dc_, previousFont_);
    previousFont_ = nullptr;
    if (ownDc_)
        ReleaseDCSlot(window_, ownDc_);
    ownDc_ = nullptr;
}

void WindowLayout::prepare(HWND window, HDC dc, const RECT* bounds)
{
    window_ = window;
    info.read(window);
    if (!dc)
        dc = ownDc_ = GetDCSlot(window);
    dc_ = dc;
    if (!dc)
        return;
    font = reinterpret_cast<HGDIOBJ>(callStatic(window, WM_GETFONT));
    if (font)
        previousFont_ = SelectObject(dc, font);
    // Without tab stops of its own a tab runs to the next of 8 average
    // character widths: the tab stop the layout and DrawTextA share.
    DWORD prefix = GetTabbedTextExtentA(dc, "&", 1, 0, nullptr);
    DWORD tab = GetTabbedTextExtentA(dc, "\t", 1, 0, nullptr);
    PrefixMetrics prefixMetrics = {LOWORD(prefix), HIWORD(prefix), LOWORD(tab)};
    RECT client;
    if (!bounds) {
        GetClientRect(window, &client);
        bounds = &client;
    }
    // On the stack: a measurer kept in a variable would put its table pointer
    // into a data section of its own.
    GdiMeasurer gdiMeasurer;
    gdiMeasurer.dc = dc;
    height = layoutLines(&lines, gdiMeasurer, prefixMetrics, *reinterpret_cast<const LayoutRect*>(bounds),
                         2 * info.linkCount, info.drawFlags, info.text, info.text ? info.length : 0);
    if (bounds == &client)
        splitSegmentsAtLinks(&lines, gdiMeasurer, info.drawFlags, info.text, info.links);
}

int WindowLayout::hitTest(LPARAM point) const
{
    return hitTestLink(lines, short(LOWORD(point)), short(HIWORD(point)));
}

void WindowLayout::invalidateLink(int index) const
{
    for (uint32_t i = 0; i < lines.count; ++i) {
        const Segment& segment = lines.segments[i];
        if (segment.link && int(segment.link->index) == index)
            InvalidateRect(window_, reinterpret_cast<const RECT*>(&segment.rect), FALSE);
    }
}

static_assert(sizeof(LayoutRect) == sizeof(RECT) && offsetof(LayoutRect, bottom) == offsetof(RECT, bottom),
              "the layout's rectangles are handed to GDI as they are");
