// The wizard's workers as start-up sees them: once it has waited for them
// none runs any more, also one that was waiting on a window of start-up's
// thread; and a worker that has ended makes room for the next, as the
// welcome page starts a loading thread each time it is shown.
#include "threads/worker_threads.h"

#include <gtest/gtest.h>

#include <atomic>

namespace {

std::atomic<int> workersEnded{0};
std::atomic<bool> sendAnswered{false};

DWORD WINAPI slowWorker(LPVOID)
{
    Sleep(300);
    ++workersEnded;
    return 0;
}

DWORD WINAPI quickWorker(LPVOID)
{
    return 0;
}

// Sends to the window it is given, as a loading thread does when it sets a
// caption of the frame: the send returns once the window's thread answers.
DWORD WINAPI sendingWorker(LPVOID window)
{
    Sleep(100);
    DWORD_PTR result = 0;
    sendAnswered = SendMessageTimeoutA(static_cast<HWND>(window), WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result) != 0;
    return 0;
}

// Slots of ended workers are taken back as new ones start, so this only
// retries while the previous worker is still on its way out.
bool startWhenRoom(LPTHREAD_START_ROUTINE worker)
{
    for (int tries = 0; tries < 250; ++tries) {
        if (startWorker(worker, nullptr))
            return true;
        Sleep(20);
    }
    return false;
}

}  // namespace

TEST(WorkerThreads, WaitingReturnsOnceEveryStartedWorkerHasEnded)
{
    workersEnded = 0;
    ASSERT_TRUE(startWorker(slowWorker, nullptr));
    ASSERT_TRUE(startWorker(slowWorker, nullptr));
    waitForWorkers();
    EXPECT_EQ(workersEnded, 2);
}

TEST(WorkerThreads, WaitingAnswersWhatAWorkerSendsToTheWaitingThread)
{
    HWND window = CreateWindowA("STATIC", "", 0, 0, 0, 0, 0, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
    sendAnswered = false;
    ASSERT_TRUE(startWorker(sendingWorker, window));
    waitForWorkers();
    EXPECT_TRUE(sendAnswered) << "the worker's send stayed unanswered while its end was awaited";
    DestroyWindow(window);
}

TEST(WorkerThreads, EndedWorkersMakeRoomForMoreThanTheyEverRanAtOnce)
{
    for (int i = 0; i < 40; ++i)
        ASSERT_TRUE(startWhenRoom(quickWorker)) << "worker " << i << " found no room";
    waitForWorkers();
}
