#include "support/folder_browser.h"

#include "uiauto/ui_automation.h"
#include "uiauto/time_limits.h"

namespace {

// The browser fills its tree from the shell, folder by folder.
constexpr DWORD kBrowserTimeoutMs = timeLimitMs(30000);
constexpr DWORD kPressSettleTimeoutMs = timeLimitMs(2000);

struct BrowserSearch {
    DWORD processId;
    HWND frame;
    HWND found;
};

BOOL CALLBACK findBrowser(HWND window, LPARAM parameter)
{
    BrowserSearch& search = *reinterpret_cast<BrowserSearch*>(parameter);
    if (window == search.frame || !IsWindowVisible(window) || uiauto::windowProcessId(window) != search.processId ||
        uiauto::windowClassName(window) != "#32770" || !browserTree(window))
        return TRUE;
    search.found = window;
    return FALSE;
}

}  // namespace

HWND waitForFolderBrowser(DWORD processId, HWND frame)
{
    BrowserSearch search = {processId, frame, nullptr};
    uiauto::pollUntil(kBrowserTimeoutMs, [&] {
        EnumWindows(findBrowser, reinterpret_cast<LPARAM>(&search));
        return search.found != nullptr;
    });
    return search.found;
}

HWND browserTree(HWND browser)
{
    for (const uiauto::ControlInfo& control : uiauto::listControls(browser))
        if (lstrcmpiA(control.className.c_str(), "SysTreeView32") == 0)
            return control.hwnd;
    return nullptr;
}

bool pressUntil(HWND browser, UINT key, const std::function<bool()>& reached, int presses)
{
    HWND tree = browserTree(browser);
    for (int press = 0; press < presses && tree; ++press) {
        if (reached())
            return true;
        if (!uiauto::sendKey(tree, key))
            return false;
        if (uiauto::pollUntil(kPressSettleTimeoutMs, reached))
            return true;
    }
    return reached();
}

void settleFolderAccessTimes(const std::string& path)
{
    for (size_t end = path.find('\\'); end != std::string::npos; end = path.find('\\', end + 1)) {
        WIN32_FIND_DATAA entry;
        HANDLE listing = FindFirstFileA((path.substr(0, end) + "\\*").c_str(), &entry);
        if (listing == INVALID_HANDLE_VALUE)
            return;
        while (FindNextFileA(listing, &entry)) {
        }
        FindClose(listing);
    }
}

bool browserOkEnabled(HWND browser)
{
    HWND ok = GetDlgItem(browser, IDOK);
    return ok && IsWindowEnabled(ok) && IsWindowVisible(ok);
}

bool waitForBrowserCaption(HWND browser, const std::string& caption)
{
    return uiauto::pollUntil(kBrowserTimeoutMs, [&] { return uiauto::windowText(browser) == caption; });
}
