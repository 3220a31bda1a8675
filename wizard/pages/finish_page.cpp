// The finish page: the outcome, up to two check boxes for finish-page
// components after a success, and their programs run when Next is pressed.
#include "platform/run_log.h"
#include "state/run_state.h"
#include "platform/system_services.h"
#include "resources/resource_ids.h"
#include "uninstall/path_variables_win32.h"
#include "format/undo_entry.h"
#include "wizard/option_boxes.h"
#include "wizard/page_sequence.h"
#include "wizard/pages.h"
#include "wizard/wizard_frame.h"

namespace {

bool installationSucceeded()
{
    return runState.actionScript && runState.finishPageText == runState.actionScript->successText.text();
}

// Runs the stage-2 actions of the main list and of the selected components,
// stopping at the first that fails. Undo entries have no use here.
void runFinishActions()
{
    const ActionScript& script = *runState.actionScript;
    UndoLog scratch;
    ExecutionContext context;
    context.undoLog = &scratch;
    context.expand = expandPathVariables;
    context.restartNeeded = runState.restartNeeded != 0;
    auto run = [&](const ActionList& list) {
        for (Action* action : list.actions)
            if (action->stage() == kFinishStage && !action->execute(context))
                return false;
        return true;
    };
    bool ok = run(script.mainActions);
    for (uint32_t i = 0; ok && i < script.components.count(); ++i)
        if (runState.componentSelected && runState.componentSelected[i])
            ok = run(script.components[i]->actions);
    if (context.restartNeeded)
        runState.restartNeeded = 1;
}

}  // namespace

INT_PTR CALLBACK finishPageProcedure(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        setDlgItemTextExpanded(page, IDC_PAGE_TEXT, runState.finishPageText);
        if (installationSucceeded())
            offerOptionBoxes(page, kPlacementFinishPage);
        offerNextPage(page, InstallPage::End, HintLine::Update);
        return TRUE;
    case WM_COMMAND: return recordOptionBoxClick(wParam, lParam);
    case WM_QUERY_LEAVE:
        // A quiet deployment must not start the product on every machine.
        if (wParam == kLeaveNext && installationSucceeded()) {
            if (nobodyToAsk)
                runLog("Quiet: finish programs not started");
            else
                runFinishActions();
        }
        SetWindowLongPtrA(page, DWLP_MSGRESULT, 0);
        return TRUE;
    default: return FALSE;
    }
}
