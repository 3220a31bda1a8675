// The progress page: up to nine step rows, marked while the install thread
// runs; on success the wizard moves on by itself.
#include "state/run_state.h"
#include "platform/system_services.h"
#include "engine/passes.h"
#include "wizard/step_rows.h"
#include "threads/worker_threads.h"
#include "resources/resource_ids.h"
#include "uninstall/path_variables_win32.h"
#include "wizard/page_sequence.h"
#include "wizard/pages.h"
#include "wizard/wizard_frame.h"
#include "wizard/progress_rows.h"

namespace {

const PageDescriptor* successTarget = nullptr;

// Row captions in the order the passes call beginStep, at most nine.
int collectCaptions(const char* captions[kStepRowCount])
{
    const ActionScript& script = *runState.actionScript;
    const uint8_t* selected = runState.componentSelected.get();
    int count = 0;
    if (hasStage0Actions(script, selected))
        captions[count++] = script.filesStepCaption.text();
    auto collect = [&](const ActionList& list) {
        for (const Action* action : list.actions) {
            const char* caption = action->stage() == kProgramStage ? action->caption() : nullptr;
            if (caption && count < kStepRowCount)
                captions[count++] = caption;
        }
    };
    collect(script.mainActions);
    for (uint32_t i = 0; i < script.components.count(); ++i)
        if (selected && selected[i])
            collect(script.components[i]->actions);
    return count;
}

}  // namespace

INT_PTR CALLBACK progressPageProcedure(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: {
        const char* captions[kStepRowCount];
        int count = collectCaptions(captions);
        showStepRows(page, captions, count);
        setDlgItemTextExpanded(page, IDC_HINT, runState.actionScript->progressHint.text());
        setBusy(page, false, false);
        NextPageChoice success = nextPageInThisRun(InstallPage::Finish);
        showNextPageChoice(page, success, HintLine::Keep);
        successTarget = installPageDescriptor(success.page);
        if (runState.silentMode)
            showFrame(page, runState.showCommand);
        if (!startWorker(InstallThread, page))
            PostMessageA(page, WM_INSTALL_DONE, 0, 0);
        return TRUE;
    }
    case WM_INSTALL_DONE:
        setBusy(page, true, false);
        runState.restartNeeded = 0;
        if (wParam) {
            runState.outcome = RunOutcome::Succeeded;
            setNextTarget(page, successTarget);
            postNextCommand(page);
            runState.restartNeeded = (lParam & kDoneRestartNeeded) ? 1 : 0;
        } else {
            runState.outcome = (lParam & kDoneCancelled) ? RunOutcome::Cancelled : RunOutcome::Failed;
            runState.finishPageText = runState.actionScript->failureText.text();
            offerNextPage(page, InstallPage::Finish, HintLine::Update);
            // With nobody to show the failure to, the run ends by itself
            // (the finish page passes in silent mode).
            if (nobodyToAsk)
                postNextCommand(page);
            else
                leaveSilentMode(page);
        }
        return TRUE;
    case WM_DESTROY: destroyProgressFonts(); return FALSE;
    default: return FALSE;
    }
}
