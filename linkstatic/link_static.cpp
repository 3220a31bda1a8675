#include "linkstatic/link_static.h"

#include "platform/system_services.h"
#include "platform/theme_library.h"
#include "linkstatic/link_notify.h"
#include "linkstatic/link_paint.h"
#include "linkstatic/link_styles.h"
#include "linkstatic/link_tip.h"
#include "linkstatic/link_window.h"

#include <commctrl.h>
#include <shellapi.h>
#include <string.h>
#include "platform/import_slots.h"

SLIPWAY_IMPORT_SLOT(GetClassNameA, 12);
SLIPWAY_IMPORT_SLOT(GetKeyState, 4);
SLIPWAY_IMPORT_SLOT(GetNextDlgTabItem, 12);
SLIPWAY_IMPORT_SLOT(MessageBeep, 4);
SLIPWAY_IMPORT_SLOT(RegisterClassA, 4);
SLIPWAY_IMPORT_SLOT(RegisterWindowMessageA, 4);
SLIPWAY_IMPORT_SLOT(ReleaseCapture, 0);
SLIPWAY_IMPORT_SLOT(SetCapture, 4);
SLIPWAY_IMPORT_SLOT(SetFocus, 4);

UINT calculateHeightMessage = 0;
UINT calculateMinimumSizeMessage = 0;
WNDPROC savedStaticProcedure = nullptr;

namespace {

// The system's procedure stores a text or a UI state and would paint it
// plain at once: it runs while the window is marked invisible, and the
// control repaints the whole window itself.
LRESULT callStaticHidden(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    LONG style = GetWindowLongA(window, GWL_STYLE);
    SetWindowLongA(window, GWL_STYLE, style & ~WS_VISIBLE);
    LRESULT result = callStatic(window, message, wParam, lParam);
    SetWindowLongA(window, GWL_STYLE, style);
    InvalidateRect(window, nullptr, FALSE);
    return result;
}

// The hand cursor appeared with Windows 98 and 2000; older systems show the
// arrow.
HCURSOR linkCursor()
{
    HCURSOR hand = LoadCursorA(nullptr, MAKEINTRESOURCEA(32649));        // IDC_HAND
    return hand ? hand : LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
}

// Asks for WM_MOUSELEAVE. Windows 95 has no TrackMouseEvent: there a link
// stays hot until the mouse passes over a link of the control again.
void trackMouseLeave(HWND window)
{
    typedef BOOL(WINAPI * TrackMouseEventFn)(TRACKMOUSEEVENT*);
    auto track = reinterpret_cast<TrackMouseEventFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "TrackMouseEvent")));
    TRACKMOUSEEVENT request = {sizeof request, TME_LEAVE, window, 0};
    if (track)
        track(&request);
}

void invalidateLinks(HWND window, int first, int second = -1)
{
    WindowLayout layout;
    layout.prepare(window);
    layout.invalidateLink(first);
    layout.invalidateLink(second);
}

int linkAt(HWND window, LPARAM point)
{
    WindowLayout layout;
    layout.prepare(window);
    return layout.hitTest(point);
}

int linkCountOf(HWND window)
{
    TextInfo info;
    info.read(window);
    return int(info.linkCount);
}

void setHotLink(HWND window, int hit)
{
    int hot = linkProperty(window, kHotLink);
    if (hit == hot)
        return;
    setLinkProperty(window, kHotLink, hit);
    invalidateLinks(window, hot, hit);
    if (hit >= 0)
        trackMouseLeave(window);
}

// Activating a link: the parent hears of it first and may take it over;
// otherwise the shell opens its href, and its tip shows below it.
void activateLink(HWND window, int index)
{
    WindowLayout layout;
    layout.prepare(window);
    const Segment* last = nullptr;
    for (uint32_t i = 0; i < layout.lines.count; ++i) {
        if (layout.lines.segments[i].link && int(layout.lines.segments[i].link->index) == index)
            last = &layout.lines.segments[i];
    }
    if (!last)
        return;
    layout.releaseDc();
    const LinkInfo* link = last->link;
    if (notifyLink(window, link, UINT(NM_CLICK)))
        return;
    if (link->href && INT_PTR(ShellExecuteA(window, nullptr, link->href, nullptr, nullptr, SW_SHOWNORMAL)) <= 32)
        MessageBeepSlot(MB_ICONEXCLAMATION);
    if (link->tip) {
        layout.invalidateLink(index);
        showLinkTip(window, link->tip, last->rect.left, last->rect.bottom + 3);
    }
}

// Holds a link pressed while the mouse button or the space bar is down; it
// is activated when let go over it, not when the press is cancelled or the
// mouse left it.
void pressLink(HWND window, int link, LocalLoop kind)
{
    if (link < 0 || linkProperty(window, kPressedLink) != -1)
        return;
    int focused = linkProperty(window, kFocusedLink);
    setLinkProperty(window, kPressedLink, link);
    setLinkProperty(window, kFocusedLink, link);
    invalidateLinks(window, focused, link);
    bool mouse = kind == kMouseLoop;
    if (mouse) {
        SetCaptureSlot(window);
        SetFocusSlot(window);
    }
    LPARAM release = 0;
    bool released = runLocalLoop(window, kind, &release);
    if (mouse)
        ReleaseCaptureSlot();
    if (!IsWindow(window))
        return;
    setLinkProperty(window, kPressedLink, -1);
    invalidateLinks(window, link);
    if (released && (!mouse || linkAt(window, release) == link))
        activateLink(window, link);
}

// The dialog whose tab order leads into the control: the outermost of the
// nested control-parent dialogs around it.
HWND findNavigationDialog(HWND parent)
{
    HWND result = parent;
    for (HWND window = parent; window; window = GetParent(window)) {
        char name[8];
        LONG style = GetWindowLongA(window, GWL_STYLE);
        if (GetClassNameASlot(window, name, sizeof name) && !strcmp(name, "#32770")) {
            if (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_CONTROLPARENT)
                result = window;
            if (!(style & DS_CONTROL))
                break;
        }
        if (!(style & WS_CHILD))
            break;
    }
    return result;
}

// Coming in with Tab focuses the first link, with Shift+Tab the last.
void chooseFocusedLink(HWND window, HWND previous)
{
    if (!previous || linkProperty(window, kPressedLink) != -1)
        return;
    HWND dialog = findNavigationDialog(GetParent(window));
    if (previous == GetNextDlgTabItemSlot(dialog, window, TRUE))
        setLinkProperty(window, kFocusedLink, 0);
    else if (previous == GetNextDlgTabItemSlot(dialog, window, FALSE))
        setLinkProperty(window, kFocusedLink, int(linkCountOf(window)) - 1);
}

// The link that Tab, or Shift+Tab, moves the focus to within the control;
// -1 when there is none further in that direction and Tab leaves it.
int tabTarget(HWND window)
{
    int next = linkProperty(window, kFocusedLink) + (GetKeyStateSlot(VK_SHIFT) < 0 ? -1 : 1);
    return next >= 0 && next < linkCountOf(window) ? next : -1;
}

UINT dialogCode(HWND window, WPARAM key)
{
    if (key == VK_SPACE || key == VK_RETURN)
        return DLGC_STATIC | DLGC_WANTALLKEYS;
    if (key != VK_TAB || tabTarget(window) < 0)
        return DLGC_STATIC;
    if (callStatic(window, WM_QUERYUISTATE) & UISF_HIDEFOCUS)
        SendMessageA(GetParent(window), WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
    return DLGC_STATIC | DLGC_WANTTAB;
}

void moveFocusedLink(HWND window)
{
    int next = tabTarget(window);
    if (next < 0)
        return;
    int focused = linkProperty(window, kFocusedLink);
    setLinkProperty(window, kFocusedLink, next);
    invalidateLinks(window, focused, next);
}

// The two size queries: the window height that shows the whole text at a
// client width, and the smallest window size.
LRESULT answerSizeQuery(HWND window, WPARAM width, SIZE* size)
{
    RECT bounds = {0, 0, int(width), -1};
    WindowLayout layout;
    layout.prepare(window, nullptr, &bounds);
    int height = layout.height;
    int textWidth = layoutWidth(layout.lines, int(width));
    RECT outer, client;
    if (GetWindowRect(window, &outer) && GetClientRect(window, &client)) {
        height += outer.bottom - outer.top - client.bottom;
        textWidth += outer.right - outer.left - client.right;
    }
    if (!size)
        return height;
    size->cx = textWidth;
    size->cy = height;
    return 1;
}

LRESULT handleTextMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message && message == calculateHeightMessage)
        return answerSizeQuery(window, wParam, nullptr);
    if (message && message == calculateMinimumSizeMessage)
        return lParam ? answerSizeQuery(window, wParam, reinterpret_cast<SIZE*>(lParam)) : 0;
    switch (message) {
    case WM_PAINT:
        if (!wParam) {
            paintLinkStaticWindow(window);
            return 0;
        }
        [[fallthrough]];
    case WM_PRINTCLIENT: paintLinkStatic(window, reinterpret_cast<HDC>(wParam)); return 0;
    case WM_NCHITTEST: {
        POINT point = {short(LOWORD(lParam)), short(HIWORD(lParam))};
        MapWindowPoints(nullptr, window, &point, 1);
        return linkAt(window, MAKELPARAM(point.x, point.y)) >= 0 ? HTCLIENT : HTTRANSPARENT;
    }
    case WM_MOUSEMOVE: setHotLink(window, linkAt(window, lParam)); return 0;
    case WM_MOUSELEAVE: setHotLink(window, -1); return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: pressLink(window, linkAt(window, lParam), kMouseLoop); return 0;
    case WM_GETDLGCODE: return dialogCode(window, wParam);
    case WM_CHAR: {
        int focused = linkProperty(window, kFocusedLink);
        if (wParam == '\t')
            moveFocusedLink(window);
        else if (wParam == '\r')
            activateLink(window, focused);
        else if (wParam == ' ')
            pressLink(window, focused < linkCountOf(window) ? focused : -1, kSpaceLoop);
        else
            break;
        return 0;
    }
    case WM_SETFOCUS:
        chooseFocusedLink(window, reinterpret_cast<HWND>(wParam));
        [[fallthrough]];  // the focused link is drawn with or without its frame
    case WM_KILLFOCUS:
        invalidateLinks(window, linkProperty(window, kFocusedLink));
        // NM_SETFOCUS is -WM_SETFOCUS, NM_KILLFOCUS -WM_KILLFOCUS.
        notifyFocus(window, UINT(-int(message)));
        break;
    case WM_SETTEXT: {
        uint32_t count = countLinksAndSetTabStop(window, reinterpret_cast<const char*>(lParam));
        if (!count && GetFocus() == window)
            PostMessageA(GetParent(window), WM_NEXTDLGCTL, 0, 0);
        else if (count && linkProperty(window, kFocusedLink) > int(count) - 1)
            setLinkProperty(window, kFocusedLink, int(count) - 1);
        return callStaticHidden(window, message, wParam, lParam);
    }
    case WM_UPDATEUISTATE: return callStaticHidden(window, message, wParam, lParam);
    }
    return callStatic(window, message, wParam, lParam);
}

}  // namespace

LRESULT CALLBACK linkStaticProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    bool text = isTextStyle(uint32_t(GetWindowLongA(window, GWL_STYLE)));
    switch (message) {
    case WM_CREATE: {
        initLinkStyles(window);
        if (bufferedPainting)
            themeEntries().bufferedPaintInit();
        setLinkProperty(window, kHotLink, -1);
        setLinkProperty(window, kPressedLink, -1);
        const char* name = reinterpret_cast<const CREATESTRUCTA*>(lParam)->lpszName;
        if (text)
            countLinksAndSetTabStop(window, HIWORD(reinterpret_cast<UINT_PTR>(name)) ? name : nullptr);
        break;
    }
    case WM_NCDESTROY:
        removeLinkProperties(window);
        if (bufferedPainting)
            themeEntries().bufferedPaintUnInit();
        break;
    case WM_SETCURSOR: SetCursor(linkCursor()); return TRUE;
    default:
        if (text)
            return handleTextMessage(window, message, wParam, lParam);
    }
    return callStatic(window, message, wParam, lParam);
}

void registerStaticClass(HINSTANCE instance, const char* className)
{
    calculateHeightMessage = RegisterWindowMessageASlot("CalculateHeight");
    calculateMinimumSizeMessage = RegisterWindowMessageASlot("CalculateMinimumSize");
    WNDCLASSA record;
    if (!GetClassInfoA(nullptr, "Static", &record))
        return;
    savedStaticProcedure = record.lpfnWndProc;
    // Not a parent's device context: the control draws words too wide for
    // it only within its own client area.
    record.style &= ~(CS_GLOBALCLASS | CS_PARENTDC);
    record.hIcon = nullptr;
    record.hInstance = instance;
    record.lpfnWndProc = linkStaticProcedure;
    record.lpszClassName = className;
    RegisterClassASlot(&record);
}
