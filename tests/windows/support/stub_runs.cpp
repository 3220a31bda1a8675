#include "support/stub_runs.h"

#include "startup/startup.h"
#include "resources/resource_ids.h"

#include <string.h>

#include <vector>

namespace {

struct VisibleWindowQuery {
    DWORD processId;
    bool found;
};

BOOL CALLBACK findVisibleWindow(HWND window, LPARAM param)
{
    VisibleWindowQuery& query = *reinterpret_cast<VisibleWindowQuery*>(param);
    if (uiauto::windowProcessId(window) == query.processId && IsWindowVisible(window)) {
        query.found = true;
        return FALSE;
    }
    return TRUE;
}

bool hasVisibleWindow(DWORD processId)
{
    VisibleWindowQuery query{processId, false};
    EnumWindows(findVisibleWindow, reinterpret_cast<LPARAM>(&query));
    return query.found;
}

bool hasIcon(HWND box)
{
    for (const uiauto::ControlInfo& control : uiauto::listControls(box))
        if (lstrcmpiA(control.className.c_str(), "Static") == 0 && (control.style & SS_TYPEMASK) == SS_ICON)
            return true;
    return false;
}

::testing::AssertionResult expectExitCode(uiauto::RunningProcess& process, DWORD expected)
{
    DWORD exitCode = 0xFFFFFFFF;
    if (!process.wait(kExitTimeoutMs, &exitCode))
        return ::testing::AssertionFailure() << "the process did not end";
    if (exitCode != expected)
        return ::testing::AssertionFailure() << "the process ended with " << exitCode << ", not " << expected;
    return ::testing::AssertionSuccess();
}

}  // namespace

std::string commandLineOf(const std::string& program, const std::string& tail)
{
    return uiauto::quoteArgument(program) + (tail.empty() ? "" : " " + tail);
}

::testing::AssertionResult startProgram(uiauto::RunningProcess& process, const std::string& program,
                                        const std::string& tail, bool captureOutput)
{
    uiauto::ProcessOptions options;
    options.captureOutput = captureOutput;
    options.mergeStderr = false;
    if (!process.start(commandLineOf(program, tail), options))
        return ::testing::AssertionFailure() << "cannot start " << program << ": " << process.error();
    return ::testing::AssertionSuccess();
}

QuietRun runQuietly(const std::string& program, const std::string& tail)
{
    QuietRun run;
    uiauto::RunningProcess process;
    EXPECT_TRUE(startProgram(process, program, tail, true));
    if (!process.started())
        return run;
    const DWORD start = GetTickCount();
    for (;;) {
        run.showedWindow = run.showedWindow || hasVisibleWindow(process.processId());
        if (WaitForSingleObject(process.processHandle(), 10) == WAIT_OBJECT_0)
            break;
        if (GetTickCount() - start > kExitTimeoutMs)
            return run;  // the destructor ends the process
    }
    run.ended = process.wait(kExitTimeoutMs, &run.exitCode);
    run.output = process.output();
    return run;
}

HWND waitForFrame(const uiauto::RunningProcess& process)
{
    return uiauto::waitForWindow(process.processId(), "#32770", nullptr, kWindowTimeoutMs, true);
}

::testing::AssertionResult waitUntilLoaded(HWND frame)
{
    // The frame's own buttons, not the page controls that reuse their ids.
    HWND next = GetDlgItem(frame, IDC_NEXT);
    HWND cancel = GetDlgItem(frame, IDCANCEL);
    if (!next || !cancel)
        return ::testing::AssertionFailure() << "the frame has no Next or Cancel button";
    const DWORD start = GetTickCount();
    while (!IsWindowEnabled(next) || !IsWindowEnabled(cancel)) {
        if (!IsWindow(frame))
            return ::testing::AssertionFailure() << "the frame closed while loading";
        if (GetTickCount() - start > kWindowTimeoutMs)
            return ::testing::AssertionFailure() << "the wizard did not finish loading its package";
        Sleep(20);
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult cancelFrame(uiauto::RunningProcess& process, HWND frame)
{
    ::testing::AssertionResult loaded = waitUntilLoaded(frame);
    if (!loaded)
        return loaded;
    if (!uiauto::pressButton(frame, IDCANCEL))
        return ::testing::AssertionFailure() << "the frame's Cancel button cannot be pressed";
    return expectExitCode(process, 1602);
}

::testing::AssertionResult answerDamagedPackageMessage(uiauto::RunningProcess& process,
                                                       const std::string& screenshotPath)
{
    HWND box = uiauto::waitForMessageBox(process.processId(), kWindowTimeoutMs);
    if (!box)
        return ::testing::AssertionFailure() << "no message box appeared";
    const std::string text = uiauto::messageBoxText(box);
    const std::string caption = uiauto::messageBoxCaption(box);
    const std::vector<int> buttons = uiauto::messageBoxButtons(box);
    const bool icon = hasIcon(box);
    if (!screenshotPath.empty() && !uiauto::saveScreenshot(box, screenshotPath.c_str()))
        ADD_FAILURE() << "cannot save " << screenshotPath;
    if (!uiauto::answerMessageBox(box, IDOK))
        return ::testing::AssertionFailure() << "the box cannot be answered with OK (text \"" << text << "\")";
    if (text != "The setup package is damaged. Please try again with original file." || caption != "Error")
        return ::testing::AssertionFailure() << "box text \"" << text << "\", caption \"" << caption << "\"";
    if (buttons != std::vector<int>{IDOK})
        return ::testing::AssertionFailure() << "the box has other buttons than OK";
    if (!icon)
        return ::testing::AssertionFailure() << "the box shows no icon";
    return expectExitCode(process, 1620);
}

AppDefaultsVersion::AppDefaultsVersion(const std::string& exeName, const char* version)
    : keyPath_("Software\\Wine\\AppDefaults\\" + exeName)
{
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, keyPath_.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return;
    ok_ = RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version),
                         DWORD(strlen(version) + 1)) == ERROR_SUCCESS;
    RegCloseKey(key);
}

AppDefaultsVersion::~AppDefaultsVersion()
{
    RegDeleteKeyA(HKEY_CURRENT_USER, keyPath_.c_str());
}
