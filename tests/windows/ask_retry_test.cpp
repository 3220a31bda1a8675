// The Abort/Retry/Ignore prompt, asked by a worker thread, shown by the
// thread of the page that owns it, and answered as a user would.
#include "support/page_window.h"
#include "support/worker_run.h"

#include "engine/ask_retry.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>

namespace {

// The system's text for a code as the prompt must show it: without the
// closing full stop and line break.
std::string systemText(DWORD code)
{
    char text[1024];
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                                  MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), text, sizeof text, nullptr);
    return std::string(text, length);
}

class AskRetry : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(window.page(), nullptr) << "no page window"; }

    // Shows the prompt on a worker with `error` as its last error, reads it,
    // answers with `button` and returns what askRetry returned.
    int ask(DWORD error, const char* argument, int button, Prompt* seen)
    {
        int result = -1;
        HWND owner = window.page();
        WorkerRun worker([&] {
            SetLastError(error);
            result = askRetry(owner, "Cannot create file \"%s\"", "Error", argument);
        });
        *seen = worker.nextPrompt();
        EXPECT_NE(seen->box, nullptr) << "no prompt appeared";
        EXPECT_TRUE(worker.answer(*seen, button));
        EXPECT_TRUE(worker.finish());
        return result;
    }

    PageWindow& window = PageWindow::shared();
};

TEST_F(AskRetry, ShowsTheStepsTextAndTheSystemsTextWithoutItsFullStop)
{
    Prompt prompt;
    ask(ERROR_SHARING_VIOLATION, "C:\\a.txt", IDIGNORE, &prompt);
    const std::string head = "Cannot create file \"C:\\a.txt\":\n";
    ASSERT_EQ(prompt.text.compare(0, head.size(), head), 0) << prompt.text;
    std::string shown = prompt.text.substr(head.size());
    std::string full = systemText(ERROR_SHARING_VIOLATION);
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(full.compare(0, shown.size(), shown), 0) << "shown: " << shown << " system: " << full;
    EXPECT_EQ(std::string(" \t\r\n.").find(shown.back()), std::string::npos) << shown;
    EXPECT_EQ(full.find_first_not_of(" \t\r\n.", shown.size()), std::string::npos) << "more than filler was cut";
}

TEST_F(AskRetry, ShowsTheCodeWhenTheSystemHasNoText)
{
    ASSERT_TRUE(systemText(54321).empty()) << "this Wine has a text for 54321";
    Prompt prompt;
    ask(54321, "x", IDIGNORE, &prompt);
    EXPECT_EQ(prompt.text, "Cannot create file \"x\":\nError code 54321");
    // The code is shown as a signed number, as the message format says.
    ask(0xE0001234, "x", IDIGNORE, &prompt);
    EXPECT_EQ(prompt.text, "Cannot create file \"x\":\nError code -536866252");
}

TEST_F(AskRetry, IsAWarningOwnedByThePagesFrameWithRetryAsDefault)
{
    Prompt prompt;
    ask(ERROR_SHARING_VIOLATION, "x", IDIGNORE, &prompt);
    EXPECT_EQ(prompt.caption, "Error");
    EXPECT_EQ(prompt.buttons, (std::vector<int>{IDABORT, IDRETRY, IDIGNORE}));
    EXPECT_EQ(prompt.defaultButton, IDRETRY);
    EXPECT_EQ(prompt.owner, window.frame());
}

// The worker only waits: the box is the owner's thread's, so that a worker
// touches no window of the wizard. Asked on the owner's own thread, it is
// shown there at once rather than wait for itself.
TEST_F(AskRetry, IsShownByTheOwnersThreadNotTheWorkers)
{
    HWND owner = window.page();
    DWORD ownerThread = GetWindowThreadProcessId(owner, nullptr);
    std::atomic<DWORD> askingThread{0};
    WorkerRun worker([&] {
        askingThread = GetCurrentThreadId();
        SetLastError(ERROR_SHARING_VIOLATION);
        askRetry(owner, "Cannot delete file \"%s\"", "Error", "x");
    });
    Prompt prompt = worker.nextPrompt();
    ASSERT_NE(prompt.box, nullptr);
    EXPECT_EQ(GetWindowThreadProcessId(prompt.box, nullptr), ownerThread);
    EXPECT_NE(GetWindowThreadProcessId(prompt.box, nullptr), askingThread);
    EXPECT_TRUE(worker.answer(prompt, IDIGNORE));
    EXPECT_TRUE(worker.finish());

    // A frame of the worker's own: the box is shown by the worker itself.
    WorkerRun own([&] {
        HWND frame = CreateWindowExA(0, PageWindow::kFrameClass, "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                                     GetModuleHandleA(nullptr), nullptr);
        askingThread = GetCurrentThreadId();
        SetLastError(ERROR_SHARING_VIOLATION);
        askRetry(frame, "Cannot delete file \"%s\"", "Error", "x");
        DestroyWindow(frame);
    });
    prompt = own.nextPrompt();
    ASSERT_NE(prompt.box, nullptr);
    EXPECT_EQ(GetWindowThreadProcessId(prompt.box, nullptr), askingThread);
    EXPECT_TRUE(own.answer(prompt, IDIGNORE));
    EXPECT_TRUE(own.finish());
}

TEST_F(AskRetry, ReturnsTheButtonPressed)
{
    Prompt prompt;
    EXPECT_EQ(ask(5, "x", IDABORT, &prompt), IDABORT);
    EXPECT_EQ(ask(5, "x", IDRETRY, &prompt), IDRETRY);
    EXPECT_EQ(ask(5, "x", IDIGNORE, &prompt), IDIGNORE);
}

// A box that cannot be shown (its owner is gone) answers Abort: a caller that
// took it for Retry would ask again for ever without a word.
TEST_F(AskRetry, APromptThatCannotBeShownCountsAsAbort)
{
    HWND gone = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(gone, nullptr);
    DestroyWindow(gone);
    int result = 0;
    WorkerRun worker([&] {
        SetLastError(ERROR_ACCESS_DENIED);
        result = askRetry(gone, "Cannot delete file \"%s\"", "Error", "x");
    });
    EXPECT_TRUE(worker.finish());
    EXPECT_EQ(result, IDABORT);
}

TEST_F(AskRetry, RestoresAMinimisedWizardBeforeAsking)
{
    ShowWindow(window.frame(), SW_MINIMIZE);
    ASSERT_TRUE(IsIconic(window.frame()));
    HWND owner = window.page();
    WorkerRun worker([&] {
        SetLastError(ERROR_SHARING_VIOLATION);
        askRetry(owner, "Cannot delete file \"%s\"", "Error", "x");
    });
    Prompt prompt = worker.nextPrompt();
    ASSERT_NE(prompt.box, nullptr);
    EXPECT_FALSE(IsIconic(window.frame()));
    EXPECT_TRUE(worker.answer(prompt, IDIGNORE));
    EXPECT_TRUE(worker.finish());
}

TEST_F(AskRetry, AnOverlongTextIsCutToTheBuffer)
{
    std::string longPath(3000, 'p');
    Prompt prompt;
    EXPECT_EQ(ask(ERROR_SHARING_VIOLATION, longPath.c_str(), IDIGNORE, &prompt), IDIGNORE);
    EXPECT_EQ(prompt.text, "Cannot create file \"" + longPath.substr(0, kRetryMessageSize - 1 - 20));
}

}  // namespace
