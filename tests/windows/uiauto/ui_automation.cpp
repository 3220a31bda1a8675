// Finding windows and reading and driving their controls.
#include "ui_automation.h"

#include "internal.h"

namespace uiauto {
namespace detail {

std::wstring toWide(const char* utf8)
{
    if (utf8 == nullptr || *utf8 == '\0')
        return std::wstring();
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
    if (length <= 1)
        return std::wstring();
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8, -1, &wide[0], length);
    wide.resize(static_cast<size_t>(length - 1));  // drop the terminator it counted
    return wide;
}

std::wstring toWide(const std::string& utf8)
{
    return toWide(utf8.c_str());
}

std::string toUtf8(const wchar_t* wide, int length)
{
    if (wide == nullptr || length == 0)
        return std::string();
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide, length, nullptr, 0, nullptr, nullptr);
    if (size <= 0)
        return std::string();
    std::string utf8(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide, length, &utf8[0], size, nullptr, nullptr);
    if (length < 0)
        utf8.resize(static_cast<size_t>(size - 1));  // it counted the terminator
    return utf8;
}

std::string toUtf8(const std::wstring& wide)
{
    return toUtf8(wide.data(), static_cast<int>(wide.size()));
}

}  // namespace detail

using detail::pollUntil;
using detail::toUtf8;
using detail::toWide;

namespace {

// Texts longer than this are cut: nothing a test reads is that long, and a
// misbehaving window must not make the test allocate without bound.
const LRESULT kMaxTextLength = 1 << 20;

std::wstring wideClassName(HWND window)
{
    wchar_t name[256];  // class names are at most 256 characters, terminator included
    const int length = GetClassNameW(window, name, 256);
    return length > 0 ? std::wstring(name, static_cast<size_t>(length)) : std::wstring();
}

// The caption as the window manager stores it. Unlike GetWindowText this never sends
// WM_GETTEXT, so a busy thread that owns the window cannot block the search.
std::wstring storedCaption(HWND window)
{
    wchar_t caption[512];
    const int length = InternalGetWindowText(window, caption, 512);
    return length > 0 ? std::wstring(caption, static_cast<size_t>(length)) : std::wstring();
}

struct WindowQuery {
    DWORD processId;
    std::wstring className;
    bool matchClass;
    std::wstring caption;
    bool matchCaption;
    bool mustBeVisible;
    HWND found;
};

bool matches(HWND window, const WindowQuery& query)
{
    if (query.processId != 0 && windowProcessId(window) != query.processId)
        return false;
    if (query.mustBeVisible && !IsWindowVisible(window))
        return false;
    if (query.matchClass && lstrcmpiW(wideClassName(window).c_str(), query.className.c_str()) != 0)
        return false;
    if (query.matchCaption && storedCaption(window) != query.caption)
        return false;
    return true;
}

BOOL CALLBACK findTopLevel(HWND window, LPARAM param)
{
    WindowQuery& query = *reinterpret_cast<WindowQuery*>(param);
    if (!matches(window, query))
        return TRUE;
    query.found = window;
    return FALSE;
}

BOOL CALLBACK collectChild(HWND window, LPARAM param)
{
    reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
    return TRUE;
}

std::vector<HWND> descendants(HWND parent)
{
    std::vector<HWND> windows;
    EnumChildWindows(parent, collectChild, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

// Sends a message with a bound on the wait; false when the target is gone or hung.
bool sendWithTimeout(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD_PTR* result)
{
    DWORD_PTR ignored = 0;
    return SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, kMessageTimeoutMs,
                               result != nullptr ? result : &ignored) != 0;
}

}  // namespace

HWND waitForWindow(DWORD processId, const char* className, const char* caption, DWORD timeoutMs, bool mustBeVisible)
{
    WindowQuery query{processId,       toWide(className),  className != nullptr,
                      toWide(caption), caption != nullptr, mustBeVisible,
                      nullptr};
    pollUntil(timeoutMs, [&] {
        query.found = nullptr;
        EnumWindows(findTopLevel, reinterpret_cast<LPARAM>(&query));
        return query.found != nullptr;
    });
    return query.found;
}

bool waitForWindowGone(HWND window, DWORD timeoutMs)
{
    return pollUntil(timeoutMs, [&] { return !IsWindow(window); });
}

DWORD windowProcessId(HWND window)
{
    DWORD processId = 0;
    if (GetWindowThreadProcessId(window, &processId) == 0)
        return 0;
    return processId;
}

std::string windowText(HWND window)
{
    DWORD_PTR length = 0;
    if (!sendWithTimeout(window, WM_GETTEXTLENGTH, 0, 0, &length))
        return std::string();
    if (length == 0)
        return std::string();
    if (static_cast<LRESULT>(length) > kMaxTextLength)
        length = kMaxTextLength;
    // Room for the terminator, and for a text that grew between the two messages.
    std::wstring buffer(length + 64, L'\0');
    DWORD_PTR copied = 0;
    if (!sendWithTimeout(window, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(&buffer[0]), &copied))
        return std::string();
    if (copied >= buffer.size())
        copied = buffer.size() - 1;
    return toUtf8(buffer.data(), static_cast<int>(copied));
}

bool setWindowText(HWND window, const char* text)
{
    const std::wstring wide = toWide(text);
    DWORD_PTR result = 0;
    return sendWithTimeout(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str()), &result) && result != 0;
}

std::string windowClassName(HWND window)
{
    return toUtf8(wideClassName(window));
}

ControlInfo describeControl(HWND control)
{
    ControlInfo info;
    info.hwnd = control;
    info.id = GetDlgCtrlID(control);
    info.className = windowClassName(control);
    info.text = windowText(control);
    info.style = GetWindowLongW(control, GWL_STYLE);
    info.exStyle = GetWindowLongW(control, GWL_EXSTYLE);
    info.visible = IsWindowVisible(control) != 0;
    info.enabled = IsWindowEnabled(control) != 0;
    GetWindowRect(control, &info.rect);
    return info;
}

std::vector<ControlInfo> listControls(HWND parent)
{
    std::vector<ControlInfo> controls;
    for (HWND window : descendants(parent))
        controls.push_back(describeControl(window));
    return controls;
}

ControlInfo* findControl(std::vector<ControlInfo>& controls, int id)
{
    ControlInfo* hidden = nullptr;
    for (ControlInfo& control : controls) {
        if (control.id != id)
            continue;
        if (control.visible)
            return &control;
        if (hidden == nullptr)
            hidden = &control;
    }
    return hidden;
}

namespace {

// The first visible descendant that `matches` accepts, else the first hidden
// one: a page may keep a hidden twin of a control it shows.
template <typename Matches>
HWND findDescendant(HWND parent, Matches matches)
{
    HWND hidden = nullptr;
    for (HWND window : descendants(parent)) {
        if (!matches(window))
            continue;
        if (IsWindowVisible(window))
            return window;
        if (hidden == nullptr)
            hidden = window;
    }
    return hidden;
}

}  // namespace

HWND findControl(HWND parent, int id)
{
    return findDescendant(parent, [id](HWND window) { return GetDlgCtrlID(window) == id; });
}

HWND findControlByText(HWND parent, const char* className, const char* text)
{
    const std::string wanted = text != nullptr ? text : "";
    const std::wstring wantedClass = toWide(className);
    return findDescendant(parent, [&](HWND window) {
        return (className == nullptr || lstrcmpiW(wideClassName(window).c_str(), wantedClass.c_str()) == 0) &&
               windowText(window) == wanted;
    });
}

HWND waitForControl(HWND parent, int id, DWORD timeoutMs)
{
    HWND found = nullptr;
    pollUntil(timeoutMs, [&] {
        found = findControl(parent, id);
        return found != nullptr && IsWindowVisible(found);
    });
    return found != nullptr && IsWindowVisible(found) ? found : nullptr;
}

int checkState(HWND button)
{
    DWORD_PTR state = 0;
    if (!sendWithTimeout(button, BM_GETCHECK, 0, 0, &state))
        return -1;
    return static_cast<int>(state);
}

bool pressButton(HWND button)
{
    if (button == nullptr || !IsWindow(button))
        return false;
    if (!IsWindowVisible(button) || !IsWindowEnabled(button))
        return false;
    return PostMessageW(button, BM_CLICK, 0, 0) != 0;
}

bool waitUntilPainted(HWND window, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    const bool painted = pollUntil(timeoutMs, [&] {
        if (!IsWindow(window) || GetUpdateRect(window, nullptr, FALSE))
            return false;
        for (HWND child : descendants(window))
            if (GetUpdateRect(child, nullptr, FALSE))
                return false;
        return true;
    });
    if (!painted)
        return false;
    // The first reply may come from the message loop pass that painted; the second
    // can only come after the thread has waited for messages once, and Wine flushes
    // its window surfaces to the display before every such wait.
    const DWORD used = GetTickCount() - start;
    const DWORD left = used < timeoutMs ? timeoutMs - used : 0;
    DWORD_PTR ignored = 0;
    for (int trip = 0; trip < 2; ++trip)
        if (!SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, left, &ignored))
            return false;
    return true;
}

bool pressButton(HWND parent, int id)
{
    return pressButton(findControl(parent, id));
}

}  // namespace uiauto
