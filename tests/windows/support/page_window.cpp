#include "support/page_window.h"
#include "uiauto/time_limits.h"

#include "engine/ask_retry.h"

namespace {

constexpr DWORD kStartTimeoutMs = timeLimitMs(30000);

// The frame answers a worker's prompt as the wizard's frame does.
LRESULT CALLBACK frameProcedure(HWND frame, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_RETRY_PROMPT) {
        answerRetryPrompt(*reinterpret_cast<RetryPrompt*>(lParam));
        return 0;
    }
    return DefWindowProcA(frame, message, wParam, lParam);
}

void registerFrameClass()
{
    WNDCLASSA frameClass = {};
    frameClass.lpfnWndProc = frameProcedure;
    frameClass.hInstance = GetModuleHandleA(nullptr);
    frameClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    frameClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    frameClass.lpszClassName = PageWindow::kFrameClass;
    RegisterClassA(&frameClass);  // fails harmlessly when already registered
}

}  // namespace

PageWindow::PageWindow()
{
    ready_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    thread_ = CreateThread(nullptr, 0, pump, this, 0, &threadId_);
    if (thread_)
        WaitForSingleObject(ready_, kStartTimeoutMs);
}

PageWindow& PageWindow::shared()
{
    static PageWindow* window = new PageWindow;
    return *window;
}

PageWindow::~PageWindow()
{
    if (thread_) {
        PostThreadMessageA(threadId_, WM_QUIT, 0, 0);
        WaitForSingleObject(thread_, kStartTimeoutMs);
        CloseHandle(thread_);
    }
    if (ready_)
        CloseHandle(ready_);
}

DWORD WINAPI PageWindow::pump(void* param)
{
    PageWindow& self = *static_cast<PageWindow*>(param);
    registerFrameClass();
    HWND frame = CreateWindowExA(0, PageWindow::kFrameClass, "Slipway test frame", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40,
                                 40, 480, 360, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    HWND page = frame ? CreateWindowExA(0, "STATIC", "page", WS_CHILD | WS_VISIBLE, 10, 10, 300, 200, frame, nullptr,
                                        GetModuleHandleA(nullptr), nullptr)
                      : nullptr;
    self.frame_ = frame;
    self.page_ = page;
    // The queue exists now, so the quit message cannot be lost.
    MSG message;
    PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);
    SetEvent(self.ready_);
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    if (frame)
        DestroyWindow(frame);
    return 0;
}
