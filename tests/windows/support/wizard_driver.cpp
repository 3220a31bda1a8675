#include "support/wizard_driver.h"

#include "support/file_steps.h"
#include "support/installer_wizard.h"
#include "support/registry_values.h"
#include "support/test_environment.h"

#include "resources/resource_ids.h"
#include "uiauto/ui_automation.h"
#include "uninstall/previous_uninstall.h"
#include "uiauto/time_limits.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

constexpr DWORD kPollMs = 20;
// A page may wait for a whole installation step or an earlier uninstaller.
constexpr DWORD kPageTimeoutMs = timeLimitMs(60000);

const char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

bool childIs(HWND page, int id, const char* className)
{
    HWND child = GetDlgItem(page, id);
    return child && lstrcmpiA(uiauto::windowClassName(child).c_str(), className) == 0;
}

ButtonView viewButton(HWND frame, int id)
{
    ButtonView view;
    HWND button = GetDlgItem(frame, id);
    view.text = uiauto::windowText(button);
    view.enabled = button && IsWindowEnabled(button);
    view.visible = button && IsWindowVisible(button);
    return view;
}

// Rich edit controls end their lines with "\r", others with "\r\n".
std::string withNewlines(const std::string& text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r') {
            out += text[i];
            continue;
        }
        out += '\n';
        if (i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
    }
    return out;
}

bool startsWithIgnoringCase(const std::string& text, const std::string& prefix)
{
    return text.size() >= prefix.size() && lstrcmpiA(text.substr(0, prefix.size()).c_str(), prefix.c_str()) == 0;
}

void collectTree(const std::string& folder, const std::string& relative, std::vector<std::string>& entries,
                 bool foldersToo)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        std::string name = found.cFileName;
        if (name == "." || name == "..")
            continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (foldersToo)
                entries.push_back(relative + name + "\\");
            collectTree(folder + "\\" + name, relative + name + "\\", entries, foldersToo);
        } else {
            entries.push_back(relative + name);
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

void removeTreeBelow(const std::string& folder)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..")
                continue;
            std::string path = folder + "\\" + name;
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                removeTreeBelow(path);
            else
                DeleteFileA(path.c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(folder.c_str());
}

std::string temporaryFolder()
{
    char temp[MAX_PATH];
    DWORD length = GetTempPathA(MAX_PATH, temp);
    return std::string(temp, length);
}

}  // namespace

// ---------------------------------------------------------------- test installers

std::string testInstallerPath(const std::string& name)
{
    return windowsPath(std::string(SLIPWAY_TEST_INSTALLERS) + "/" + name + ".exe");
}

std::string testPackageFolder(const std::string& name, const std::string& sub)
{
    return windowsPath(std::string(SLIPWAY_TEST_INSTALLERS) + "/" + name + "/" + sub);
}

std::string programFilesFolder()
{
    RegistryValue value =
        readRegistryValue(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir");
    std::string folder = value.exists ? std::string(value.data.c_str()) : "C:\\Program Files";
    return folder;
}

std::string uninstallKeyPath(const std::string& name)
{
    return std::string(kUninstallKey) + "\\" + name;
}

// ---------------------------------------------------------------- frame and pages

FrameView viewFrame(HWND frame)
{
    FrameView view;
    view.caption = uiauto::windowText(frame);
    view.back = viewButton(frame, IDC_BACK);
    view.next = viewButton(frame, IDC_NEXT);
    view.cancel = viewButton(frame, IDCANCEL);
    return view;
}

const char* pageKindName(PageKind kind)
{
    switch (kind) {
    case PageKind::None: return "no page";
    case PageKind::Text: return "text page";
    case PageKind::License: return "licence page";
    case PageKind::Components: return "component page";
    case PageKind::Folders: return "folder page";
    case PageKind::Progress: return "progress page";
    case PageKind::Finish: return "finish page";
    }
    return "?";
}

PageKind pageKind(HWND page)
{
    if (!page)
        return PageKind::None;
    if (isProgressPage(page))
        return PageKind::Progress;
    if (isFinishPage(page))
        return PageKind::Finish;
    if (childIs(page, IDC_LICENSE_TEXT, "RichEdit20A"))
        return PageKind::License;
    if (GetDlgItem(page, IDC_COMPONENT_LIST))
        return PageKind::Components;
    if (GetDlgItem(page, IDC_BROWSE))
        return PageKind::Folders;
    if (childIs(page, IDC_PAGE_TEXT, "Static"))
        return PageKind::Text;
    return PageKind::None;
}

std::string pageText(HWND page)
{
    return withNewlines(uiauto::windowText(GetDlgItem(page, IDC_PAGE_TEXT)));
}

std::string hintLine(HWND page)
{
    return uiauto::windowText(GetDlgItem(page, IDC_HINT));
}

HWND waitForPage(HWND frame, PageKind kind, HWND previous)
{
    HWND page = waitForNewPage(frame, previous);
    return pageKind(page) == kind ? page : nullptr;
}

HWND waitUntilPageKind(HWND frame, PageKind kind)
{
    for (DWORD waited = 0; waited < kPageTimeoutMs && IsWindow(frame); waited += kPollMs) {
        HWND page = currentPage(frame);
        if (pageKind(page) == kind)
            return page;
        Sleep(kPollMs);
    }
    return nullptr;
}

bool waitForNextEnabled(HWND frame)
{
    HWND next = GetDlgItem(frame, IDC_NEXT);
    for (DWORD waited = 0; waited < kPageTimeoutMs && IsWindow(frame); waited += kPollMs) {
        if (IsWindowEnabled(next))
            return true;
        Sleep(kPollMs);
    }
    return false;
}

HWND pressAndWaitForPage(HWND frame, int buttonId, PageKind kind)
{
    HWND page = currentPage(frame);
    if (!uiauto::pressButton(frame, buttonId))
        return nullptr;
    return waitForPage(frame, kind, page);
}

bool sendEscape(HWND frame)
{
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(frame, WM_COMMAND, IDCANCEL, 0, SMTO_ABORTIFHUNG, uiauto::kMessageTimeoutMs, &result) !=
           0;
}

bool sendCloseBox(HWND frame)
{
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(frame, WM_SYSCOMMAND, SC_CLOSE, 0, SMTO_ABORTIFHUNG, uiauto::kMessageTimeoutMs,
                               &result) != 0;
}

HWND waitForPrompt(DWORD processId)
{
    return uiauto::waitForMessageBox(processId, kPageTimeoutMs);
}

bool isRunning(HANDLE process)
{
    return process && WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
}

void saveScreenshot(HWND window, const std::string& name)
{
    std::string path = testOutputFolder() + "\\" + name + ".bmp";
    if (!uiauto::saveScreenshot(window, path.c_str()))
        ADD_FAILURE() << "cannot save the screenshot " << path;
}

// ------------------------------------------------------------------ held events

const char kHelperHold[] = "SlipwayWizardRunHold";
const char kFakeUninstallerHold[] = "SlipwayFakeUninstallerHold";

EventHold::EventHold(const char* name)
{
    event_ = CreateEventA(nullptr, TRUE, FALSE, name);
}

void EventHold::release()
{
    if (!event_)
        return;
    SetEvent(event_);
    CloseHandle(event_);
    event_ = nullptr;
}

std::string fakeUninstallerPath()
{
    return windowsPath(SLIPWAY_FAKE_UNINSTALLER);
}

// ------------------------------------------------------------- files on disk

std::vector<std::string> treeEntries(const std::string& folder)
{
    std::vector<std::string> entries;
    collectTree(folder, "", entries, true);
    std::sort(entries.begin(), entries.end());
    return entries;
}

std::vector<std::string> treeFiles(const std::string& folder)
{
    std::vector<std::string> entries;
    collectTree(folder, "", entries, false);
    std::sort(entries.begin(), entries.end());
    return entries;
}

void expectSameFiles(const std::string& source, const std::string& folder)
{
    const std::vector<std::string> files = treeFiles(source);
    EXPECT_FALSE(files.empty()) << "no files in " << source;
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        const std::string installed = folder + "\\" + file;
        EXPECT_EQ(readFile(installed), readFile(source + "\\" + file));
        EXPECT_EQ(lastWriteTime(installed), lastWriteTime(source + "\\" + file));
    }
}

uint64_t treeSize(const std::string& folder)
{
    uint64_t total = 0;
    for (const std::string& file : treeFiles(folder)) {
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (GetFileAttributesExA((folder + "\\" + file).c_str(), GetFileExInfoStandard, &data))
            total += uint64_t(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
    }
    return total;
}

void removeInstalledTree(const std::string& folder)
{
    bool allowed = false;
    for (const std::string& root : {programFilesFolder() + "\\", temporaryFolder()})
        allowed =
            allowed || (startsWithIgnoringCase(folder, root + "Slipway") && folder.find("..") == std::string::npos);
    if (!allowed) {
        ADD_FAILURE() << "refusing to remove " << folder;
        return;
    }
    removeTreeBelow(folder);
}

// ------------------------------------------------------------- installations

InstalledProduct::InstalledProduct(const std::string& folderName, const std::vector<std::string>& uninstallKeys)
    : folder_(programFilesFolder() + "\\" + folderName), keys_(uninstallKeys)
{
    remove();
}

void InstalledProduct::remove()
{
    removeInstalledTree(folder_);
    for (const std::string& folder : extraFolders_)
        removeInstalledTree(folder);
    for (const std::string& key : keys_)
        deleteRegistryTree(HKEY_LOCAL_MACHINE, uninstallKeyPath(key), KEY_WOW64_32KEY);
}

bool runRegisteredUninstaller(const std::string& keyName, const std::string& tail)
{
    RegistryValue command =
        readRegistryValue(HKEY_LOCAL_MACHINE, uninstallKeyPath(keyName), "UninstallString", KEY_WOW64_32KEY);
    if (!command.exists) {
        ADD_FAILURE() << "no uninstaller is registered as " << keyName;
        return false;
    }
    uiauto::RunningProcess launcher;
    if (!launcher.start(std::string(command.data.c_str()) + " " + tail)) {
        ADD_FAILURE() << "cannot start " << command.data.c_str() << ": " << launcher.error();
        return false;
    }
    waitForUninstaller(launcher.processId(), launcher.processHandle());
    return true;
}

bool registerEarlierProduct(const std::string& keyName, const std::string& uninstallString)
{
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, uninstallKeyPath(keyName).c_str(), 0, nullptr, 0,
                        KEY_SET_VALUE | KEY_WOW64_32KEY, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    bool ok = RegSetValueExA(key, "UninstallString", 0, REG_SZ, reinterpret_cast<const BYTE*>(uninstallString.c_str()),
                             DWORD(uninstallString.size() + 1)) == ERROR_SUCCESS;
    RegCloseKey(key);
    return ok;
}

std::string todayAsInstallDate()
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    char text[16];
    wsprintfA(text, "%04u%02u%02u", now.wYear, now.wMonth, now.wDay);
    return text;
}
