#include "threads/worker_threads.h"

#include "platform/win32_handles.h"
#include "platform/import_slots.h"

SLIPWAY_IMPORT_SLOT(CreateThread, 24);

namespace {

// The workers that may still be running. The welcome page starts a loading
// thread each time it is shown, so a worker that has ended gives its slot
// to the next; more than two running at once does not happen.
constexpr int kWorkerSlots = 8;
UniqueHandle workers[kWorkerSlots];

UniqueHandle* freeSlot()
{
    for (UniqueHandle& slot : workers) {
        if (slot && WaitForSingleObject(slot.get(), 0) == WAIT_OBJECT_0)
            slot.reset();
        if (!slot)
            return &slot;
    }
    return nullptr;
}

// A worker may be inside a call that sends to a window of this thread (even
// one just destroyed); the call returns only once this thread answers, so the
// wait answers sent messages. Posted ones stay queued.
void waitAnsweringSends(HANDLE worker)
{
    while (MsgWaitForMultipleObjects(1, &worker, FALSE, INFINITE, QS_SENDMESSAGE) == WAIT_OBJECT_0 + 1) {
        MSG message;
        PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);
    }
}

}  // namespace

bool startWorker(LPTHREAD_START_ROUTINE worker, HWND page)
{
    UniqueHandle* slot = freeSlot();
    if (!slot)
        return false;
    DWORD id = 0;  // Windows 9x needs somewhere to write it
    slot->reset(CreateThreadSlot(nullptr, 0, worker, page, 0, &id));
    return bool(*slot);
}

void waitForWorkers()
{
    for (UniqueHandle& slot : workers) {
        if (slot)
            waitAnsweringSends(slot.get());
        slot.reset();
    }
}
