#include "linkstatic/link_tip.h"

#include "platform/system_services.h"
#include "platform/theme_library.h"
#include "linkstatic/link_window.h"

#include <commctrl.h>
#include "platform/import_slots.h"

SLIPWAY_IMPORT_SLOT(CreateWindowExA, 48);

namespace {

HWND tipWindow = nullptr;
WNDPROC tooltipProcedure = nullptr;

LRESULT sendTip(UINT message, WPARAM wParam, LPARAM lParam)
{
    return SendMessageA(tipWindow, message, wParam, lParam);
}

// The balloon never takes the activation from the wizard, not even when
// clicked.
LRESULT CALLBACK tipProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_MOUSEACTIVATE)
        return MA_NOACTIVATE;
    return CallWindowProcA(tooltipProcedure, window, message, wParam, lParam);
}

// Creates the balloon window with its one tool, tracked where the link is.
bool createTipWindow(TOOLINFOA* tool)
{
    // The class must exist before the window: the stub creates no other
    // common control. The tool is transparent to the mouse, so a click on
    // the balloon goes to the window below.
    WNDCLASSA tipClass;
    tipClass.lpfnWndProc = nullptr;
    tooltipProcedure = commonControlClassInfo(TOOLTIPS_CLASSA, &tipClass)->lpfnWndProc;
    if (!tooltipProcedure)
        return false;
    tipWindow = CreateWindowExASlot(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_NOPREFIX, 0, 0, 0, 0, nullptr, nullptr,
                                    GetModuleHandleA(nullptr), nullptr);
    if (!tipWindow)
        return false;
    SetWindowLongA(tipWindow, GWL_WNDPROC, LONG(reinterpret_cast<LONG_PTR>(tipProcedure)));
    if (auto setWindowTheme = themeEntries().setWindowTheme)
        setWindowTheme(tipWindow, L"", L"");
    sendTip(TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(tool));
    sendTip(TTM_SETTIPBKCOLOR, RGB(0xF0, 0xF0, 0xF0), 0);
    sendTip(TTM_SETTIPTEXTCOLOR, 0, 0);
    sendTip(TTM_SETMAXTIPWIDTH, 0, 400);
    RECT margins;
    margins.left = margins.right = 3;
    margins.top = 10;
    margins.bottom = 7;
    sendTip(TTM_SETMARGIN, 0, reinterpret_cast<LPARAM>(&margins));
    return true;
}

}  // namespace

void showLinkTip(HWND window, const char* tip, int x, int y)
{
    TOOLINFOA tool = {};
    tool.cbSize = TTTOOLINFOA_V1_SIZE;                         // understood by every version of the control
    tool.uFlags = TTF_TRACK | TTF_ABSOLUTE | TTF_TRANSPARENT;  // exactly where asked
    tool.lpszText = const_cast<char*>(tip);
    if (tipWindow)
        sendTip(TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&tool));
    else if (!createTipWindow(&tool))
        return;
    POINT at = {x, y};
    MapWindowPoints(window, nullptr, &at, 1);
    sendTip(TTM_TRACKPOSITION, 0, MAKELPARAM(at.x, at.y));
    sendTip(TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&tool));
    LPARAM unused;
    runLocalLoop(window, kTipLoop, &unused);
    sendTip(TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&tool));
}
