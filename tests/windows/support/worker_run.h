// Runs a step on a worker thread, as the install and uninstall threads do,
// while the test answers the step's prompts as a user would.
#pragma once

#include "uiauto/time_limits.h"

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// Bound for one prompt to appear or for the work to end. Generous: nothing
// waits for it unless something went wrong.
constexpr DWORD kPromptTimeoutMs = timeLimitMs(20000);

// What the user sees of a message box.
struct Prompt {
    HWND box = nullptr;
    std::string text;
    std::string caption;
    std::vector<int> buttons;
    HWND owner = nullptr;
    // The button a bare Enter would press.
    int defaultButton = 0;
};

class WorkerRun {
public:
    explicit WorkerRun(std::function<void()> work);
    // Answers every prompt still open with Abort until the work has ended, so
    // a test that failed midway leaves no thread hanging in a message box.
    ~WorkerRun();
    WorkerRun(const WorkerRun&) = delete;
    WorkerRun& operator=(const WorkerRun&) = delete;

    // Waits for the next message box of this process; null (box) when the
    // work ended without one or none appeared in time.
    Prompt nextPrompt(DWORD timeoutMs = kPromptTimeoutMs);
    // Presses a button of the prompt and waits until the box has closed.
    bool answer(const Prompt& prompt, int buttonId);
    // Waits for the work to end; false while it is still running, which for
    // a step means it waits on a prompt nobody expected.
    bool finish(DWORD timeoutMs = kPromptTimeoutMs);

private:
    static DWORD WINAPI run(void* self);

    std::function<void()> work_;
    HANDLE thread_ = nullptr;
};
