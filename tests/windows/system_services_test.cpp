// The stub's small system services called directly in the test's process:
// WOW64 and administrator tests, the restart question, "ProgramFilesDir", the
// elevation failure message and the program's own "Static" class.
#include "support/stub_runs.h"
#include "uiauto/ui_automation.h"

#include "startup/startup.h"
#include "platform/system_services.h"
#include "linkstatic/link_static.h"

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <vector>

namespace {

const char kVersionKey[] = "Software\\Microsoft\\Windows\\CurrentVersion";
const char kOwnRestartQuestion[] =
    "You must restart your computer before the new settings will take effect.\n\n"
    "Do you want to restart your computer now?";

// The restart question as this system has it: advpack's string 1004 when
// Wine carries one, else the stub's own text.
std::string expectedRestartQuestion()
{
    char path[MAX_PATH];
    UINT length = GetSystemDirectoryA(path, MAX_PATH);
    std::string question = kOwnRestartQuestion;
    if (length == 0 || length >= MAX_PATH)
        return question;
    HMODULE advpack = LoadLibraryExA((std::string(path) + "\\advpack.dll").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    char text[256];
    if (advpack && LoadStringA(advpack, 1004, text, sizeof text) > 0)
        question = text;
    if (advpack)
        FreeLibrary(advpack);
    return question;
}

DWORD WINAPI offerRestartThread(LPVOID)
{
    offerRestart(nullptr, "Caption");
    return 0;
}

std::string systemText(DWORD code)
{
    char text[1024];
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                                  MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), text, sizeof text, nullptr);
    return std::string(text, length);
}

// The value as the registry holds it, read independently of the stub.
std::string programFilesDirValue()
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kVersionKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return "";
    char value[1024] = {};
    DWORD size = sizeof value - 1;
    LONG result = RegQueryValueExA(key, "ProgramFilesDir", nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(key);
    return result == ERROR_SUCCESS ? std::string(value) : std::string();
}

}  // namespace

TEST(SystemServices, DetectWow64IsOneInThe64BitPrefix)
{
    // The session's prefix is 64-bit; this 32-bit program runs under WOW64.
    EXPECT_EQ(detectWow64(), 1u);
    EXPECT_EQ(detectWow64(), 1u) << "the cached entry point answers alike";
}

TEST(SystemServices, IsAdministratorUnderWine)
{
    // Wine's token holds the load-driver privilege, so the stub never asks
    // for elevation here.
    EXPECT_TRUE(isAdministrator());
    EXPECT_TRUE(isAdministrator()) << "the privilege stays enabled and the test still passes";
}

TEST(SystemServices, OfferRestartAsksAndNoReturnsWithoutRestarting)
{
    // Yes would end every process of the prefix: this test only ever answers
    // No, also when a check fails.
    HANDLE thread = CreateThread(nullptr, 0, offerRestartThread, nullptr, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    HWND box = uiauto::waitForMessageBox(GetCurrentProcessId(), kWindowTimeoutMs);
    if (!box) {
        // Leave the thread to the end of the process; nothing to answer.
        CloseHandle(thread);
        FAIL() << "the restart question did not appear";
    }
    const std::string text = uiauto::messageBoxText(box);
    const std::string caption = uiauto::messageBoxCaption(box);
    const std::vector<int> buttons = uiauto::messageBoxButtons(box);
    ASSERT_TRUE(uiauto::answerMessageBox(box, IDNO));
    EXPECT_EQ(WaitForSingleObject(thread, kExitTimeoutMs), WAIT_OBJECT_0) << "offerRestart did not return";
    CloseHandle(thread);

    EXPECT_EQ(text, expectedRestartQuestion());
    EXPECT_EQ(caption, "Caption");
    EXPECT_EQ(buttons, (std::vector<int>{IDYES, IDNO}));
}

TEST(SystemServices, ReadProgramFilesDirReturnsTheRegistryValue)
{
    const std::string expected = programFilesDirValue();
    ASSERT_FALSE(expected.empty()) << "this prefix has no ProgramFilesDir";
    char value[260];
    ASSERT_TRUE(readProgramFilesDir(value, sizeof value));
    EXPECT_EQ(std::string(value), expected);

    // A buffer with room for the text but not its NUL is too small: refused,
    // never left unterminated.
    std::vector<char> exact(expected.size() + 1, 'x');
    EXPECT_TRUE(readProgramFilesDir(exact.data(), DWORD(exact.size())));
    EXPECT_EQ(std::string(exact.data()), expected);
    std::vector<char> tooSmall(expected.size(), 'x');
    EXPECT_FALSE(readProgramFilesDir(tooSmall.data(), DWORD(tooSmall.size())));
}

TEST(SystemServices, ElevationMessageCarriesTheSystemTextOrTheCode)
{
    const std::string prefix = "Setup could not acquire administrative privileges:\n\n";
    char message[1024];

    const std::string notFound = systemText(ERROR_FILE_NOT_FOUND);
    ASSERT_FALSE(notFound.empty()) << "Wine has no text for error 2";
    formatElevationMessage(ERROR_FILE_NOT_FOUND, message, sizeof message);
    EXPECT_EQ(std::string(message), prefix + notFound);

    // A customer code (bit 29) that no message table holds.
    const int noText = 0x20001234;
    ASSERT_TRUE(systemText(DWORD(noText)).empty());
    formatElevationMessage(noText, message, sizeof message);
    EXPECT_EQ(std::string(message), prefix + "Error code 536875572");

    // Small buffers are filled and terminated, never overrun.
    for (size_t size : {size_t(1), size_t(10), prefix.size(), prefix.size() + 1, prefix.size() + 5}) {
        SCOPED_TRACE(size);
        char small[64];
        memset(small, 'X', sizeof small);
        formatElevationMessage(noText, small, size);
        EXPECT_LT(strlen(small), size);
        for (size_t i = size; i < sizeof small; ++i)
            ASSERT_EQ(small[i], 'X') << "written past the buffer at " << i;
    }
}

TEST(SystemServices, RegisteredStaticClassKeepsTheStandardBehaviour)
{
    HINSTANCE instance = GetModuleHandleA(nullptr);
    registerStaticClass(instance, "Static");
    EXPECT_NE(calculateHeightMessage, 0u);
    EXPECT_NE(calculateMinimumSizeMessage, 0u);
    EXPECT_NE(calculateHeightMessage, calculateMinimumSizeMessage);
    ASSERT_NE(savedStaticProcedure, nullptr);

    // A "Static" made for this module is the program's own control, and its
    // text still works through the saved system procedure.
    HWND control =
        CreateWindowExA(0, "Static", "plain text", WS_POPUP, 0, 0, 100, 20, nullptr, nullptr, instance, nullptr);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrA(control, GWLP_WNDPROC)), linkStaticProcedure);
    char text[32] = {};
    GetWindowTextA(control, text, sizeof text);
    EXPECT_STREQ(text, "plain text");
    DestroyWindow(control);

    // The stub never imports the common controls: asking for the tooltip
    // or the progress bar class loads them from the system folder and
    // registers the class.
    for (const char* className : {TOOLTIPS_CLASSA, PROGRESS_CLASSA}) {
        WNDCLASSA record;
        memset(&record, 0, sizeof record);
        EXPECT_EQ(commonControlClassInfo(className, &record), &record);
        EXPECT_NE(record.lpfnWndProc, nullptr) << className << " is not registered";
    }
}
