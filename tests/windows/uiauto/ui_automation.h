// UI automation for the Windows-side tests.
//
// Drives windows the way a user would: find a top-level window, read its controls'
// texts and states, press buttons, answer message boxes, take a screenshot. The
// windows may belong to another process of the same Wine prefix, or to the test's
// own process when they are pumped by another thread.
//
// Two rules hold throughout:
//   - every wait has a timeout; nothing here can hang a test forever;
//   - no plain SendMessage to a foreign window: a hung target must not hang the test,
//     so messages go through SendMessageTimeout (or PostMessage).
//
// Texts cross this interface as UTF-8; the library talks to windows through the
// wide-character API so that non-ASCII captions survive the round trip.
#pragma once

#include "time_limits.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

namespace uiauto {

// Calls condition until it returns true or timeoutMs has passed; it is always
// called at least once, so a zero timeout means "check now".
template <typename Condition>
bool pollUntil(DWORD timeoutMs, Condition condition)
{
    const DWORD kPollIntervalMs = 20;
    const DWORD start = GetTickCount();
    for (;;) {
        if (condition())
            return true;
        const DWORD elapsed = GetTickCount() - start;  // unsigned: survives the wrap
        if (elapsed >= timeoutMs)
            return false;
        const DWORD left = timeoutMs - elapsed;
        Sleep(left < kPollIntervalMs ? left : kPollIntervalMs);
    }
}

// Time allowed to one message sent to a foreign window before it counts as hung.
constexpr DWORD kMessageTimeoutMs = timeLimitMs(5000);

// Time a closed window is given to disappear after its closing button was pressed.
constexpr DWORD kCloseTimeoutMs = timeLimitMs(5000);

// ---------------------------------------------------------------- top-level windows

// Polls the top-level windows until one matches, or returns nullptr after timeoutMs.
// processId 0 matches any process; className (case-insensitive, as Windows compares
// class names) and caption (exact) are ignored when null. Hidden windows match too
// unless mustBeVisible is set: every GUI thread under Wine owns hidden helper
// windows, so a search by process id alone should ask for a visible one.
HWND waitForWindow(DWORD processId, const char* className, const char* caption, DWORD timeoutMs,
                   bool mustBeVisible = false);

// Polls until the window no longer exists; false if it still does after timeoutMs.
bool waitForWindowGone(HWND window, DWORD timeoutMs);

// The process that owns the window, 0 if the window is gone.
DWORD windowProcessId(HWND window);

// -------------------------------------------------------------------------- controls

struct ControlInfo {
    int id = 0;
    std::string className;
    std::string text;
    LONG style = 0;
    LONG exStyle = 0;
    bool visible = false;  // visible on screen: the control and all its ancestors
    bool enabled = false;
    RECT rect{};  // screen coordinates
    HWND hwnd = nullptr;
};

// Reads one window's description; the text is read with WM_GETTEXT.
ControlInfo describeControl(HWND control);

// Every descendant of parent (children, grandchildren, ...), in EnumChildWindows order.
std::vector<ControlInfo> listControls(HWND parent);

// The control with this id, or null. A wizard keeps its hidden pages as child
// dialogs whose controls may share ids with the page on show, so a visible control
// wins over a hidden one with the same id.
ControlInfo* findControl(std::vector<ControlInfo>& controls, int id);
HWND findControl(HWND parent, int id);

// The first descendant of the given class (null: any) whose text equals text,
// visible ones first, or null.
HWND findControlByText(HWND parent, const char* className, const char* text);

// Polls until a visible descendant with this id exists (a wizard shows its next page
// after the button press has returned); null after timeoutMs.
HWND waitForControl(HWND parent, int id, DWORD timeoutMs);

// The window's text through WM_GETTEXT, which also reads controls of other
// processes (GetWindowText does not). Empty when the window is gone or hung.
std::string windowText(HWND window);

// Replaces an edit control's (or any window's) text with WM_SETTEXT.
bool setWindowText(HWND window, const char* text);

// The window's class name, empty when it is gone.
std::string windowClassName(HWND window);

// BST_CHECKED, BST_UNCHECKED or BST_INDETERMINATE of a check box or radio button;
// -1 when the button cannot be asked.
int checkState(HWND button);

// Clicks a button as a user would (BM_CLICK, posted, so a click that opens a modal
// dialog does not block the caller). A hidden or disabled button cannot be clicked
// by a user, so it is refused: false.
bool pressButton(HWND button);
bool pressButton(HWND parent, int id);

// ----------------------------------------------------------------------- message boxes

// Polls for a visible message box of the process (0: any): a top-level "#32770"
// dialog that holds only static texts and at least one visible button. Returns
// null after timeoutMs.
HWND waitForMessageBox(DWORD processId, DWORD timeoutMs);

// Whether a top-level window looks like a message box (see waitForMessageBox).
bool isMessageBox(HWND window);

// A box can be seen a moment before its initialisation has given it its
// caption and message (on a slow machine): waits for both, bounded. False
// when one of them stays empty.
bool waitUntilMessageBoxFilled(HWND box);

// The message of the box: the static control that is not the icon. Windows and the
// Wine used here give it the id 0xFFFF, but not every Wine version does, so it is
// recognised by class and style, and the id only decides between candidates.
std::string messageBoxText(HWND box);
std::string messageBoxCaption(HWND box);

// The ids (IDOK, IDCANCEL, IDYES, ...) of the box's visible buttons, in their order.
std::vector<int> messageBoxButtons(HWND box);

// Presses the box's button with this id and waits until the box has closed, so the
// next waitForMessageBox cannot find this box again. False when the box has no such
// button or did not close within closeTimeoutMs.
bool answerMessageBox(HWND box, int buttonId, DWORD closeTimeoutMs = kCloseTimeoutMs);

// ------------------------------------------------------------------------ screenshots

// Polls until the window and all its descendants have painted (no update region is
// left), then makes two round trips to the owning thread so it has been idle once,
// which is when Wine copies painted windows to the X display. False after timeoutMs.
bool waitUntilPainted(HWND window, DWORD timeoutMs);

// Copies what the screen shows in the window's rectangle (clipped to the screen)
// into a 24-bit BMP file; a null window captures the whole screen. It first gives the
// window a bounded wait to finish painting (waitUntilPainted). Windows lying on top
// of the window are captured too: this is what the user sees.
bool saveScreenshot(HWND window, const char* bmpPath);

// What the screen shows in `area` (screen coordinates, wholly on the screen),
// row by row from the top, as RGB values. False when it cannot be read.
// Call waitUntilPainted on the window first.
bool readScreenPixels(const RECT& area, std::vector<COLORREF>& pixels);

// ------------------------------------------------------------------------------ input

// Moves the mouse to a screen point and presses the left button there once or
// twice in quick succession (a double click), as the system's input: the
// window under the point gets the messages a user's press gives it, in its
// own time. False when the input could not be sent.
bool clickAt(POINT screenPoint, int clicks = 1);

// A key pressed and released over a window, sent as the window would get it
// with the focus: WM_KEYDOWN, then WM_CHAR when `character` is not 0, then
// WM_KEYUP. Sent, so the window has handled them when this returns.
bool sendKey(HWND window, UINT virtualKey, wchar_t character = 0);

// -------------------------------------------------------------------------- processes

// Waits for the process to end. exitCode, when given, receives its exit code.
bool waitForProcessExit(HANDLE process, DWORD timeoutMs, DWORD* exitCode = nullptr);

// The same for a process known only by id. A process that no longer exists counts as
// ended, but its exit code is then unknown and *exitCode is left untouched.
bool waitForProcessExit(DWORD processId, DWORD timeoutMs, DWORD* exitCode = nullptr);

// Ids of the running processes whose executable file name (no folder) equals
// exeName, compared case-insensitively.
std::vector<DWORD> processIdsByExeName(const char* exeName);

struct ProcessOptions {
    int showCommand = -1;                    // SW_* passed in STARTUPINFO; -1 leaves it unset
    bool captureOutput = false;              // read the child's standard output into output()
    bool mergeStderr = true;                 // with captureOutput: standard error goes there too
    const char* workingDirectory = nullptr;  // UTF-8; null: the caller's
    bool terminateOnDestroy = true;          // a test that failed midway leaves no child behind
};

class OutputCapture;

// A child process started with CreateProcess. Owns the process and thread handles
// and the output pipe; the destructor ends a child still running (see
// ProcessOptions::terminateOnDestroy) and closes everything.
class RunningProcess {
public:
    RunningProcess();
    ~RunningProcess();
    RunningProcess(RunningProcess&&) noexcept;
    RunningProcess& operator=(RunningProcess&&) noexcept;
    RunningProcess(const RunningProcess&) = delete;
    RunningProcess& operator=(const RunningProcess&) = delete;

    // Starts commandLine (UTF-8, as CreateProcess parses it). False on failure, with
    // the reason in error(). A started object cannot be started again.
    bool start(const std::string& commandLine, const ProcessOptions& options = {});

    bool started() const { return process_ != nullptr; }
    DWORD processId() const { return processId_; }
    HANDLE processHandle() const { return process_; }

    // Waits for the child to end; when output is captured, also for the rest of its
    // output (bounded: a grandchild that inherited the pipe cannot hold it open).
    bool wait(DWORD timeoutMs, DWORD* exitCode = nullptr);

    // Ends the child at once.
    bool terminate(UINT exitCode = 1);

    // Everything the child has written so far (the whole output after wait()).
    std::string output() const;

    const std::string& error() const { return error_; }

private:
    void release();

    HANDLE process_ = nullptr;
    HANDLE thread_ = nullptr;
    DWORD processId_ = 0;
    bool terminateOnDestroy_ = true;
    std::unique_ptr<OutputCapture> capture_;
    std::string error_;
};

// A command-line argument quoted the way CommandLineToArgvW and the C runtime
// split command lines.
std::string quoteArgument(const std::string& argument);

}  // namespace uiauto
