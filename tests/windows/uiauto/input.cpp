// Mouse and keyboard input, as a user gives it.
#include "ui_automation.h"

namespace uiauto {

bool clickAt(POINT screenPoint, int clicks)
{
    if (!SetCursorPos(screenPoint.x, screenPoint.y))
        return false;
    INPUT inputs[4] = {};
    UINT count = 0;
    for (int click = 0; click < clicks && click < 2; ++click) {
        for (DWORD flags : {DWORD(MOUSEEVENTF_LEFTDOWN), DWORD(MOUSEEVENTF_LEFTUP)}) {
            inputs[count].type = INPUT_MOUSE;
            inputs[count].mi.dwFlags = flags;
            ++count;
        }
    }
    // One call, so the presses reach the queue together and count as one
    // double click.
    return SendInput(count, inputs, sizeof(INPUT)) == count;
}

bool sendKey(HWND window, UINT virtualKey, wchar_t character)
{
    const UINT scanCode = MapVirtualKeyW(virtualKey, 0 /* MAPVK_VK_TO_VSC */);
    const LPARAM down = 1 | LPARAM(scanCode) << 16;
    const LPARAM up = down | LPARAM(1) << 30 | LPARAM(1) << 31;
    DWORD_PTR ignored = 0;
    if (!SendMessageTimeoutW(window, WM_KEYDOWN, virtualKey, down, SMTO_ABORTIFHUNG, kMessageTimeoutMs, &ignored))
        return false;
    if (character != 0 &&
        !SendMessageTimeoutW(window, WM_CHAR, character, down, SMTO_ABORTIFHUNG, kMessageTimeoutMs, &ignored))
        return false;
    return SendMessageTimeoutW(window, WM_KEYUP, virtualKey, up, SMTO_ABORTIFHUNG, kMessageTimeoutMs, &ignored) != 0;
}

}  // namespace uiauto
