#include "support/worker_run.h"

#include "uiauto/ui_automation.h"

namespace {

constexpr DWORD kPollMs = 50;
constexpr int kLeftoverPrompts = 20;

bool ended(HANDLE thread)
{
    return !thread || WaitForSingleObject(thread, 0) == WAIT_OBJECT_0;
}

int defaultButtonOf(HWND box, const std::vector<int>& buttons)
{
    for (int id : buttons) {
        HWND button = GetDlgItem(box, id);
        if (button && (GetWindowLongA(button, GWL_STYLE) & 0x0F) == BS_DEFPUSHBUTTON)
            return id;
    }
    return 0;
}

}  // namespace

WorkerRun::WorkerRun(std::function<void()> work) : work_(std::move(work))
{
    thread_ = CreateThread(nullptr, 0, run, this, 0, nullptr);
}

WorkerRun::~WorkerRun()
{
    for (int i = 0; i < kLeftoverPrompts && !finish(kPollMs * 10); ++i) {
        Prompt prompt = nextPrompt(kPollMs * 10);
        if (prompt.box)
            answer(prompt, IDABORT);
    }
    if (thread_) {
        WaitForSingleObject(thread_, kPromptTimeoutMs);
        CloseHandle(thread_);
    }
}

DWORD WINAPI WorkerRun::run(void* param)
{
    static_cast<WorkerRun*>(param)->work_();
    return 0;
}

Prompt WorkerRun::nextPrompt(DWORD timeoutMs)
{
    Prompt prompt;
    for (DWORD waited = 0; waited < timeoutMs && !prompt.box; waited += kPollMs) {
        prompt.box = uiauto::waitForMessageBox(GetCurrentProcessId(), kPollMs);
        if (!prompt.box && ended(thread_))
            break;
    }
    if (!prompt.box)
        return prompt;
    prompt.text = uiauto::messageBoxText(prompt.box);
    prompt.caption = uiauto::messageBoxCaption(prompt.box);
    prompt.buttons = uiauto::messageBoxButtons(prompt.box);
    prompt.owner = GetWindow(prompt.box, GW_OWNER);
    prompt.defaultButton = defaultButtonOf(prompt.box, prompt.buttons);
    return prompt;
}

bool WorkerRun::answer(const Prompt& prompt, int buttonId)
{
    return prompt.box && uiauto::answerMessageBox(prompt.box, buttonId);
}

bool WorkerRun::finish(DWORD timeoutMs)
{
    return !thread_ || WaitForSingleObject(thread_, timeoutMs) == WAIT_OBJECT_0;
}
