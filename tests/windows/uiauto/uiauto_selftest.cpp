// Checks the UI automation helpers against real windows under Wine.
//
// Run without arguments, it drives two things:
//   - a message box shown by a second thread of this very process;
//   - a copy of itself started with "--child", which shows a small window (buttons,
//     a check box, an edit on a visible page, a hidden page reusing the edit's id),
//     writes a lot of output, and on "Proceed" asks a yes/no message box whose
//     answer becomes its exit code;
//   - a copy started with "--linger", which never ends unless it is ended.
//
//   uiauto_selftest.exe [SCREENSHOT_DIR]     exit code 0 when every check passed
#include "ui_automation.h"
#include "time_limits.h"

#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <string>
#include <thread>
#include <vector>

namespace {

// ------------------------------------------------------------------ the child process

const wchar_t kChildClass[] = L"UiautoSelftestWindow";
const wchar_t kPageClass[] = L"UiautoSelftestPage";
// "é" checks that captions travel as UTF-8 both ways.
const wchar_t kChildCaption[] = L"uiauto self-test \u00e9";
const wchar_t kQuestion[] = L"Continue with the test?";
const wchar_t kQuestionCaption[] = L"Self-test question";

enum ChildControl {
    kProceedButton = 101,
    kStatusText = 102,
    kDisabledButton = 103,
    kVisiblePage = 150,
    kHiddenPage = 151,
    kPathEdit = 201,  // on both pages, as wizard pages reuse ids
    kOptionCheck = 202,
};

// More than any pipe buffer holds, so a parent that did not read the pipe while
// driving the window would find the child stuck before its window ever shows.
const int kOutputLines = 4000;
const char kOutputLine[] = "child output line padded to be a little longer than usual\n";

HWND makeChild(const wchar_t* className, const wchar_t* text, DWORD style, int x, int y, int width, int height,
               HWND parent, int id)
{
    return CreateWindowExW(0, className, text, WS_CHILD | WS_VISIBLE | style, x, y, width, height, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
}

LRESULT CALLBACK childWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COMMAND && LOWORD(wParam) == kProceedButton && HIWORD(wParam) == BN_CLICKED) {
        const int answer = MessageBoxW(window, kQuestion, kQuestionCaption, MB_YESNO | MB_ICONQUESTION);
        std::printf("answer=%d\n", answer);
        std::fflush(stdout);
        DestroyWindow(window);
        PostQuitMessage(answer);
        return 0;
    }
    if (message == WM_CLOSE) {
        DestroyWindow(window);
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

bool registerClass(const wchar_t* name, WNDPROC procedure)
{
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = name;
    return RegisterClassW(&windowClass) != 0;
}

int runChild()
{
    for (int line = 0; line < kOutputLines; ++line)
        std::fputs(kOutputLine, stdout);
    std::fflush(stdout);

    if (!registerClass(kChildClass, childWindowProc) || !registerClass(kPageClass, DefWindowProcW))
        return 100;
    HWND frame = CreateWindowExW(0, kChildClass, kChildCaption, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, 40, 40, 420,
                                 260, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (frame == nullptr)
        return 101;
    makeChild(L"STATIC", L"Ready to go", 0, 12, 12, 380, 20, frame, kStatusText);
    HWND page = makeChild(kPageClass, L"", WS_BORDER, 12, 40, 380, 110, frame, kVisiblePage);
    makeChild(L"EDIT", L"C:\\Target", WS_BORDER | ES_AUTOHSCROLL, 10, 10, 350, 24, page, kPathEdit);
    HWND check = makeChild(L"BUTTON", L"Create a shortcut", BS_AUTOCHECKBOX, 10, 50, 350, 24, page, kOptionCheck);
    SendMessageW(check, BM_SETCHECK, BST_CHECKED, 0);
    HWND hiddenPage = makeChild(kPageClass, L"", 0, 12, 40, 380, 110, frame, kHiddenPage);
    makeChild(L"EDIT", L"hidden page", 0, 10, 10, 350, 24, hiddenPage, kPathEdit);
    ShowWindow(hiddenPage, SW_HIDE);
    makeChild(L"BUTTON", L"Proceed", BS_DEFPUSHBUTTON, 300, 180, 90, 28, frame, kProceedButton);
    HWND disabled = makeChild(L"BUTTON", L"Disabled", BS_PUSHBUTTON, 200, 180, 90, 28, frame, kDisabledButton);
    EnableWindow(disabled, FALSE);
    ShowWindow(frame, SW_SHOWNORMAL);
    UpdateWindow(frame);

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

// ------------------------------------------------------------------------ the checks

const DWORD kWaitMs = timeLimitMs(30000);  // generous: the first window of a fresh process is slow under Wine

int failures = 0;

void check(bool passed, const char* what, const std::string& detail = std::string())
{
    if (passed) {
        std::printf("  ok    %s\n", what);
    } else {
        ++failures;
        std::printf("  FAIL  %s%s%s\n", what, detail.empty() ? "" : ": ", detail.c_str());
    }
    std::fflush(stdout);
}

template <typename T>
std::string describe(const T& actual)
{
    return "got " + std::to_string(actual);
}

std::string describe(const std::string& actual)
{
    return "got \"" + actual + "\"";
}

std::string describe(const std::vector<int>& ids)
{
    std::string text = "got {";
    for (size_t i = 0; i < ids.size(); ++i)
        text += (i ? ", " : "") + std::to_string(ids[i]);
    return text + "}";
}

#define CHECK_EQ(actual, expected)                                                                                     \
    do {                                                                                                               \
        const auto& actualValue = (actual);                                                                            \
        check(actualValue == (expected), #actual " == " #expected, describe(actualValue));                             \
    } while (false)

std::string utf8(const wchar_t* wide)
{
    char buffer[512];
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide, -1, buffer, sizeof(buffer), nullptr, nullptr);
    return size > 0 ? std::string(buffer) : std::string();
}

bool fileSizeIs(const std::string& path, long long expected, long long* actual)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return false;
    *actual = (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return *actual == expected;
}

// Checks that a screenshot file is a 24-bit BMP of the window's size.
void checkScreenshot(HWND window, const std::string& path)
{
    RECT rect;
    GetWindowRect(window, &rect);
    check(uiauto::saveScreenshot(window, path.c_str()), ("screenshot saved to " + path).c_str());
    const long long width = rect.right - rect.left, height = rect.bottom - rect.top;
    const long long expected = 54 + ((width * 3 + 3) & ~3LL) * height;
    long long actual = -1;
    check(fileSizeIs(path, expected, &actual), "screenshot has the size of a 24-bit BMP of the window",
          "expected " + std::to_string(expected) + " bytes, got " + std::to_string(actual));
}

void checkOwnThreadMessageBox()
{
    std::printf("message box of this process, shown by another thread\n");
    int answer = 0;
    std::thread asker([&answer] {
        answer = MessageBoxW(nullptr, L"Own thread box", L"Own caption", MB_OKCANCEL | MB_ICONINFORMATION);
    });
    HWND box = uiauto::waitForMessageBox(GetCurrentProcessId(), kWaitMs);
    check(box != nullptr, "the box is found");
    if (box != nullptr) {
        CHECK_EQ(uiauto::messageBoxText(box), std::string("Own thread box"));
        CHECK_EQ(uiauto::messageBoxCaption(box), std::string("Own caption"));
        CHECK_EQ(uiauto::messageBoxButtons(box), (std::vector<int>{IDOK, IDCANCEL}));
        check(!uiauto::answerMessageBox(box, IDYES), "a button the box does not have is refused");
        check(uiauto::answerMessageBox(box, IDCANCEL), "answering closes the box");
    }
    asker.join();
    CHECK_EQ(answer, IDCANCEL);
}

// A dialog made of texts and buttons only, as a wizard frame is between two
// pages; its buttons carry the ids given.
HWND makeButtonDialog(std::initializer_list<int> buttonIds)
{
    HWND dialog = CreateWindowExA(0, "#32770", "Buttons only", WS_POPUP | WS_CAPTION | WS_VISIBLE, 0, 0, 300, 120,
                                  nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    CreateWindowExA(0, "Static", "A text", WS_CHILD | WS_VISIBLE, 8, 8, 200, 16, dialog, nullptr,
                    GetModuleHandleA(nullptr), nullptr);
    int x = 8;
    for (int id : buttonIds) {
        CreateWindowExA(0, "Button", "Button", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, x, 40, 60, 24, dialog,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr), nullptr);
        x += 70;
    }
    return dialog;
}

void checkMessageBoxRecognition()
{
    std::printf("what counts as a message box\n");
    HWND frameLike = makeButtonDialog({1000, 1001, IDCANCEL});
    check(frameLike != nullptr, "a dialog of texts and buttons is made");
    check(!uiauto::isMessageBox(frameLike), "buttons that are no answers make it no message box");
    HWND boxLike = makeButtonDialog({IDYES, IDNO, IDCANCEL});
    check(uiauto::isMessageBox(boxLike), "texts and answer buttons make a message box");
    DestroyWindow(frameLike);
    DestroyWindow(boxLike);
}

void checkTimeouts()
{
    std::printf("waits that find nothing end\n");
    check(uiauto::waitForWindow(0, "UiautoNoSuchClass", nullptr, 100) == nullptr,
          "waitForWindow returns null for a class nobody registered");
    check(uiauto::waitForMessageBox(GetCurrentProcessId(), 50) == nullptr,
          "waitForMessageBox returns null when no box is open");
}

void checkChildControls(HWND frame)
{
    std::vector<uiauto::ControlInfo> controls = uiauto::listControls(frame);
    check(controls.size() == 8, "listControls sees all eight descendants", "got " + std::to_string(controls.size()));

    uiauto::ControlInfo* proceed = uiauto::findControl(controls, kProceedButton);
    check(proceed != nullptr, "the Proceed button is listed");
    if (proceed != nullptr) {
        CHECK_EQ(proceed->className, std::string("Button"));
        CHECK_EQ(proceed->text, std::string("Proceed"));
        check(proceed->visible && proceed->enabled, "Proceed is visible and enabled");
        check((proceed->style & BS_TYPEMASK) == BS_DEFPUSHBUTTON, "Proceed's style is read");
        RECT frameRect;
        GetWindowRect(frame, &frameRect);
        RECT inside;
        check(IntersectRect(&inside, &proceed->rect, &frameRect) && EqualRect(&inside, &proceed->rect),
              "Proceed's screen rectangle lies inside the frame");
    }
    uiauto::ControlInfo* disabled = uiauto::findControl(controls, kDisabledButton);
    check(disabled != nullptr && disabled->visible && !disabled->enabled, "the disabled button reads as disabled");
    check(!uiauto::pressButton(frame, kDisabledButton), "a disabled button cannot be pressed");
    check(!uiauto::pressButton(frame, 0x7FF0), "a missing button cannot be pressed");

    HWND edit = uiauto::findControl(frame, kPathEdit);
    check(edit != nullptr && GetParent(edit) == uiauto::findControl(frame, kVisiblePage),
          "of two controls with one id, the visible one is found");
    CHECK_EQ(uiauto::windowText(edit), std::string("C:\\Target"));
    uiauto::ControlInfo* listedEdit = uiauto::findControl(controls, kPathEdit);
    check(listedEdit != nullptr && listedEdit->hwnd == edit, "the list search also prefers the visible one");
    check(uiauto::setWindowText(edit, "D:\\Somewhere else"), "an edit's text can be replaced");
    CHECK_EQ(uiauto::windowText(edit), std::string("D:\\Somewhere else"));

    HWND option = uiauto::findControl(frame, kOptionCheck);
    CHECK_EQ(uiauto::checkState(option), BST_CHECKED);
    check(uiauto::findControlByText(frame, "button", "Create a shortcut") == option,
          "findControlByText finds the check box (class compared case-insensitively)");
    check(uiauto::waitForControl(frame, kOptionCheck, kWaitMs) == option, "waitForControl finds a shown control");
    check(uiauto::waitForControl(frame, kHiddenPage, 100) == nullptr, "waitForControl ignores a hidden one");
    CHECK_EQ(uiauto::windowText(uiauto::findControl(frame, kStatusText)), std::string("Ready to go"));
}

void checkChildProcess(const std::string& self, const std::string& screenshotDir)
{
    std::printf("window and message box of a child process\n");
    uiauto::RunningProcess child;
    uiauto::ProcessOptions options;
    options.captureOutput = true;
    options.showCommand = SW_SHOWNORMAL;
    const bool started = child.start(uiauto::quoteArgument(self) + " --child", options);
    check(started, "the child starts", child.error());
    if (!started)
        return;

    const std::string caption = utf8(kChildCaption);
    HWND frame = uiauto::waitForWindow(child.processId(), utf8(kChildClass).c_str(), caption.c_str(), kWaitMs, true);
    check(frame != nullptr, "the child's window is found by class and UTF-8 caption");
    if (frame == nullptr)
        return;
    check(uiauto::waitForWindow(child.processId(), nullptr, caption.c_str(), 0) == frame,
          "it is found by caption alone");
    check(uiauto::waitForWindow(child.processId(), nullptr, "uiauto self-test", 0) == nullptr,
          "a caption must match exactly");
    CHECK_EQ(uiauto::windowProcessId(frame), child.processId());
    CHECK_EQ(uiauto::windowText(frame), caption);
    check(!uiauto::isMessageBox(frame), "a window with edits and pages is no message box");

    checkChildControls(frame);
    checkScreenshot(frame, screenshotDir + "\\uiauto_window.bmp");

    check(uiauto::pressButton(frame, kProceedButton), "Proceed is pressed");
    HWND box = uiauto::waitForMessageBox(child.processId(), kWaitMs);
    check(box != nullptr, "the child's message box is found");
    if (box != nullptr) {
        CHECK_EQ(uiauto::messageBoxText(box), utf8(kQuestion));
        CHECK_EQ(uiauto::messageBoxCaption(box), utf8(kQuestionCaption));
        CHECK_EQ(uiauto::messageBoxButtons(box), (std::vector<int>{IDYES, IDNO}));
        check(GetWindow(box, GW_OWNER) == frame, "the box is owned by the child's window");
        checkScreenshot(box, screenshotDir + "\\uiauto_messagebox.bmp");
        check(!uiauto::answerMessageBox(box, IDOK), "IDOK is refused by a yes/no box");
        check(uiauto::answerMessageBox(box, IDNO), "answering No closes the box");
    }

    DWORD exitCode = 0;
    check(child.wait(kWaitMs, &exitCode), "the child ends");
    CHECK_EQ(exitCode, static_cast<DWORD>(IDNO));
    const std::string output = child.output();
    const size_t expected = kOutputLines * (std::strlen(kOutputLine) + 1) + std::strlen("answer=7\r\n");
    check(output.size() == expected, "all of the child's output was captured",
          "expected " + std::to_string(expected) + " bytes, got " + std::to_string(output.size()));
    check(output.find("answer=7") != std::string::npos, "the child reported the answer No");
    DWORD unknown = 12345;
    check(uiauto::waitForProcessExit(child.processId(), 0, &unknown), "an ended child counts as ended by id");
    check(uiauto::waitForWindowGone(frame, 0), "the child's window is gone");
}

void checkProcessHelpers(const std::string& self)
{
    std::printf("process helpers\n");
    const std::vector<DWORD> ids = uiauto::processIdsByExeName("UIAUTO_SELFTEST.EXE");
    bool found = false;
    for (DWORD id : ids)
        found = found || id == GetCurrentProcessId();
    check(found, "this process is found by its file name, in any case");

    CHECK_EQ(uiauto::quoteArgument("plain"), std::string("plain"));
    CHECK_EQ(uiauto::quoteArgument(""), std::string("\"\""));
    CHECK_EQ(uiauto::quoteArgument("C:\\Program Files\\"), std::string("\"C:\\Program Files\\\\\""));
    CHECK_EQ(uiauto::quoteArgument("say \"hi\""), std::string("\"say \\\"hi\\\"\""));

    uiauto::RunningProcess failing;
    check(!failing.start("C:\\no\\such\\program.exe"), "a missing program does not start");
    check(!failing.error().empty(), "and says why", failing.error());

    // A child that never ends is ended by its owner's destructor.
    DWORD lingering = 0;
    {
        uiauto::RunningProcess child;
        uiauto::ProcessOptions options;
        options.showCommand = SW_HIDE;
        check(child.start(uiauto::quoteArgument(self) + " --linger", options), "a second child starts");
        lingering = child.processId();
        check(!child.wait(0), "it is still running");
    }
    check(uiauto::waitForProcessExit(lingering, kWaitMs), "the destructor ended it");
}

std::string ownPath()
{
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::string(path, length) : std::string();
}

std::string currentDirectory()
{
    char path[MAX_PATH];
    const DWORD length = GetCurrentDirectoryA(MAX_PATH, path);
    return length > 0 && length < MAX_PATH ? std::string(path, length) : std::string(".");
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--child") == 0)
        return runChild();
    if (argc > 1 && std::strcmp(argv[1], "--linger") == 0) {
        Sleep(INFINITE);
        return 0;
    }
    const std::string screenshotDir = argc > 1 ? argv[1] : currentDirectory();
    const std::string self = ownPath();

    checkTimeouts();
    checkOwnThreadMessageBox();
    checkMessageBoxRecognition();
    checkChildProcess(self, screenshotDir);
    checkProcessHelpers(self);

    std::printf(failures == 0 ? "PASS\n" : "FAIL: %d check(s) failed\n", failures);
    return failures == 0 ? 0 : 1;
}
