// The uninstall wizard's pages: welcome, progress and finish. Every text is
// set as the uninstall package stores it: it was expanded when the product
// was installed.
#include "state/run_state.h"
#include "engine/passes.h"
#include "platform/system_services.h"
#include "wizard/progress_display.h"
#include "wizard/step_rows.h"
#include "threads/worker_threads.h"
#include "resources/resource_ids.h"
#include "uninstall/uninstall_mode.h"
#include "format/uninstall_script.h"
#include "format/undo_entry.h"
#include "format/startup_rules.h"
#include "wizard/pages.h"
#include "wizard/wizard_frame.h"

namespace {

const UninstallScript& script()
{
    return *runState.uninstallScript;
}

void dressUninstallFrame(HWND page, const UninstallScript& script)
{
    HWND frame = frameOf(page);
    dressFrame(page, script.title.text(), script.bannerInfo, script.bannerBits);
    setItemText(frame, IDC_BACK, script.backText);
    setItemText(frame, IDC_NEXT, script.nextText);
    setItemText(frame, IDCANCEL, script.cancelText);
}

StepRows rows;
ProgressDisplay display;

// What the line under the bar shows for an entry: the path of a file,
// folder or shortcut removed, the caption of a custom step; other entries
// (registry values) leave it as it is.
const char* entryName(const UndoEntry& entry)
{
    switch (entry.kind()) {
    case DeleteFileUndo::kKind: return static_cast<const DeleteFileUndo&>(entry).path.text();
    case RemoveFolderUndo::kKind: return static_cast<const RemoveFolderUndo&>(entry).path.text();
    case DeleteShortcutUndo::kKind: return static_cast<const DeleteShortcutUndo&>(entry).path.text();
    default: return entry.caption();
    }
}

bool removedName(uint32_t item, char* name, size_t size)
{
    const UndoEntry* entry = undoEntryAt(script().undoLog, item);
    const char* text = entry ? entryName(*entry) : nullptr;
    if (!text)
        return false;
    copyTruncated(name, size, text);
    return true;
}

void removalDone(HWND page, bool succeeded, LPARAM done)
{
    setBusy(page, true, false);
    setNextTarget(page, &UninstallFinishPage);
    runState.restartNeeded = 0;
    if (succeeded) {
        runState.outcome = RunOutcome::Succeeded;
        runState.restartNeeded = (done & kDoneRestartNeeded) ? 1 : 0;
        postNextCommand(page);
        return;
    }
    runState.outcome = (done & kDoneCancelled) ? RunOutcome::Cancelled : RunOutcome::Failed;
    // The page waits for Next, also in silent mode: the failure stays on
    // screen with its crossed row. With nobody there, the run ends.
    const UninstallScript& uninstall = script();
    runState.finishPageText = uninstall.failureText.text();
    setItemText(page, IDC_HINT, uninstall.hintText);
    setNextCaption(page, uninstall.nextText.text());
    if (nobodyToAsk)
        postNextCommand(page);
}

}  // namespace

INT_PTR CALLBACK uninstallWelcomePageProcedure(HWND page, UINT message, WPARAM, LPARAM)
{
    if (message != WM_INITDIALOG)
        return FALSE;
    const UninstallScript& uninstall = script();
    dressUninstallFrame(page, uninstall);
    rememberDefaultNextCaption(page);
    setItemText(page, IDC_PAGE_TEXT, uninstall.welcomeText);
    setItemText(page, IDC_HINT, uninstall.readyToRemoveHint);
    setNextCaption(page, uninstall.removeText.text());
    setNextTarget(page, &UninstallProgressPage);
    // From here on the registered uninstaller file is no longer in use.
    releaseParentProcess();
    return TRUE;
}

INT_PTR CALLBACK uninstallProgressPageProcedure(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (rows.handle(message, wParam, lParam) || display.handle(message, wParam))
        return TRUE;
    switch (message) {
    case WM_INITDIALOG: {
        const UninstallScript& uninstall = script();
        rows.show(page, planRemoval(uninstall.undoLog, uninstall.removeFilesStepCaption.text()));
        display.show(page, removedName);
        setItemText(page, IDC_HINT, uninstall.progressHint);
        setNextCaption(page, uninstall.finishText.text());
        setBusy(page, false, false);
        if (!startWorker(UninstallThread, page))
            PostMessageA(page, WM_INSTALL_DONE, 0, 0);
        return TRUE;
    }
    case WM_INSTALL_DONE: removalDone(page, wParam != 0, lParam); return TRUE;
    case WM_DESTROY: rows.release(); return FALSE;
    default: return FALSE;
    }
}

INT_PTR CALLBACK uninstallFinishPageProcedure(HWND page, UINT message, WPARAM, LPARAM)
{
    if (message != WM_INITDIALOG)
        return FALSE;
    SetDlgItemTextA(page, IDC_PAGE_TEXT, runState.finishPageText ? runState.finishPageText : "");
    const UninstallScript& uninstall = script();
    setItemText(page, IDC_HINT, uninstall.finishHint);
    setNextCaption(page, uninstall.finishText.text());
    setNextTarget(page, &EndOfWizard);
    return TRUE;
}
