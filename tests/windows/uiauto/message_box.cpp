// Recognising, reading and answering message boxes.
#include "ui_automation.h"

#include "internal.h"

namespace uiauto {
namespace {

const char kDialogClass[] = "#32770";

// Windows gives the message text the id 0xFFFF; not every Wine version does, which
// is why the text is recognised by class and style rather than by id alone.
const int kWindowsMessageTextId = 0xFFFF;

bool isClass(HWND window, const char* className)
{
    return lstrcmpiA(windowClassName(window).c_str(), className) == 0;
}

bool isIconStatic(HWND window)
{
    const LONG style = GetWindowLongW(window, GWL_STYLE);
    const LONG type = style & SS_TYPEMASK;
    return type == SS_ICON || type == SS_BITMAP || type == SS_ENHMETAFILE;
}

std::vector<HWND> children(HWND parent)
{
    std::vector<HWND> windows;
    for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
        windows.push_back(child);
    return windows;
}

struct BoxQuery {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK findBox(HWND window, LPARAM param)
{
    BoxQuery& query = *reinterpret_cast<BoxQuery*>(param);
    if (query.processId != 0 && windowProcessId(window) != query.processId)
        return TRUE;
    if (!isMessageBox(window))
        return TRUE;
    query.found = window;
    return FALSE;
}

}  // namespace

bool isMessageBox(HWND window)
{
    if (!IsWindowVisible(window) || !isClass(window, kDialogClass))
        return false;
    // A wizard frame is a dialog with texts and buttons as well, and between
    // two pages it holds nothing else; but a message box's buttons all carry
    // the answers' ids (IDOK to IDCONTINUE), and its other children are texts.
    bool hasButton = false;
    for (HWND child : children(window)) {
        if (isClass(child, "Button")) {
            if (!IsWindowVisible(child))
                continue;
            int id = GetDlgCtrlID(child);
            if (id < IDOK || id > IDCONTINUE)
                return false;
            hasButton = true;
        } else if (!isClass(child, "Static")) {
            return false;
        }
    }
    return hasButton;
}

HWND waitForMessageBox(DWORD processId, DWORD timeoutMs)
{
    BoxQuery query{processId, nullptr};
    detail::pollUntil(timeoutMs, [&] {
        query.found = nullptr;
        EnumWindows(findBox, reinterpret_cast<LPARAM>(&query));
        return query.found != nullptr;
    });
    if (query.found)
        waitUntilMessageBoxFilled(query.found);
    return query.found;
}

bool waitUntilMessageBoxFilled(HWND box)
{
    return detail::pollUntil(kMessageTimeoutMs,
                             [&] { return GetWindowTextLengthA(box) > 0 && !messageBoxText(box).empty(); });
}

std::string messageBoxText(HWND box)
{
    HWND text = nullptr;
    for (HWND child : children(box)) {
        if (!isClass(child, "Static") || isIconStatic(child))
            continue;
        if (GetDlgCtrlID(child) == kWindowsMessageTextId)
            return windowText(child);
        if (text == nullptr && IsWindowVisible(child))
            text = child;
    }
    return text != nullptr ? windowText(text) : std::string();
}

std::string messageBoxCaption(HWND box)
{
    return windowText(box);
}

std::vector<int> messageBoxButtons(HWND box)
{
    std::vector<int> ids;
    for (HWND child : children(box))
        if (isClass(child, "Button") && IsWindowVisible(child))
            ids.push_back(GetDlgCtrlID(child));
    return ids;
}

bool answerMessageBox(HWND box, int buttonId, DWORD closeTimeoutMs)
{
    for (HWND child : children(box)) {
        if (GetDlgCtrlID(child) != buttonId || !isClass(child, "Button"))
            continue;
        if (!pressButton(child))
            return false;
        return waitForWindowGone(box, closeTimeoutMs);
    }
    return false;
}

}  // namespace uiauto
