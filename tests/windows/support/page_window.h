// A stand-in for a wizard page that owns the prompts of the steps under test.
#pragma once

#include <windows.h>

// A visible top-level frame with a child page, created and pumped by a thread
// of their own, as the wizard's main thread pumps the real ones. A message box
// that a worker shows with the page as owner needs the owner's thread to
// answer its messages; the test's own thread stays free to play the user.
class PageWindow {
public:
    PageWindow();
    ~PageWindow();
    PageWindow(const PageWindow&) = delete;
    PageWindow& operator=(const PageWindow&) = delete;

    // One window for the whole test program. Wine without a window manager
    // waits two seconds for every visible window that goes away; the shared
    // one goes only when the program ends.
    static PageWindow& shared();

    // The frame's window class, registered once the shared window exists:
    // its windows answer a worker's prompt as the wizard's frame does.
    static constexpr const char* kFrameClass = "SlipwayTestFrame";

    // Null when the windows could not be made.
    HWND page() const { return page_; }
    HWND frame() const { return frame_; }

private:
    static DWORD WINAPI pump(void* self);

    HANDLE ready_ = nullptr;
    HANDLE thread_ = nullptr;
    DWORD threadId_ = 0;
    HWND frame_ = nullptr;
    HWND page_ = nullptr;
};
