// The removal worker of the uninstall progress page.
#include "uninstall/uninstall_mode.h"

#include "platform/run_log.h"
#include "state/run_state.h"
#include "engine/ask_retry.h"
#include "engine/file_routines.h"
#include "engine/passes.h"
#include "engine/page_link.h"
#include "engine/progress_meter.h"
#include "format/stub_texts.h"
#include "uninstall/uninstall_entry.h"
#include "format/uninstall_script.h"

#include <objbase.h>

namespace {

// Deletes the registered uninstaller, asking while it cannot be deleted.
// Abort makes the removal a failure; Ignore leaves the result as it is.
uint32_t deleteUninstallerFile(HWND page, const char* path, uint32_t result)
{
    if (!path[0])
        return result;
    while (!deleteFile(path)) {
        // The launcher that waits for this copy runs from the file.
        if (runState.launcherWaits && letGoOfRunningUninstaller(path, result))
            break;
        int answer = askRetry(page, kCannotDeleteFile, kErrorTitle, path);
        if (answer == IDIGNORE)
            return result;
        if (answer == IDABORT)
            return kUndoFailed;
    }
    return result;
}

uint32_t removeProduct(const UninstallScript& script, ExecutionContext& context)
{
    uint32_t result = runCustomSteps(script.undoLog, context);
    // A user's cancel in an uninstall program leaves the product registered
    // and in place; a failure still removes the registration.
    if (result == kUndoCancelled)
        return result;
    deleteUninstallEntry(script.uninstallKeyName.text());
    result = deleteUninstallerFile(context.page, script.uninstallerPath.text(), result);
    runLog("Entry %s and uninstaller removed (%u)", script.uninstallKeyName.text(), result);
    if (result != kUndoContinue)
        return result;
    // The uninstaller went first, so the folder that held it can go now.
    return runReversals(script.undoLog, context);
}

}  // namespace

DWORD WINAPI UninstallThread(LPVOID parameter)
{
    HWND page = static_cast<HWND>(parameter);
    HRESULT com = CoInitialize(nullptr);
    ExecutionContext context;
    context.page = page;
    context.stepBegun = postStepBegun;
    context.stepEnded = postStepEnded;
    context.report = logStep;
    const UninstallScript& script = *runState.uninstallScript;
    // Every entry of the uninstall package takes part: rollback-only ones
    // are never stored in it.
    ProgressMeter progress(0, script.undoLog.count());
    progress.page = page;
    progress.moved = postProgressMoved;
    progress.itemBegun = postItemBegun;
    context.progress = &progress;
    uint32_t result = removeProduct(script, context);
    if (result == kUndoContinue)
        progress.finish();
    runLog("Removal ended (%u)", result);
    LPARAM done = (context.restartNeeded ? kDoneRestartNeeded : 0) | (result == kUndoCancelled ? kDoneCancelled : 0);
    postWorkDone(page, result == kUndoContinue, done);
    if (SUCCEEDED(com))
        CoUninitialize();
    return 0;
}
