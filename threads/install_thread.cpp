#include "threads/worker_threads.h"

#include "platform/run_log.h"
#include "state/run_state.h"
#include "engine/passes.h"
#include "engine/page_link.h"
#include "engine/progress_meter.h"
#include "uninstall/path_variables_win32.h"
#include "uninstall/earlier_installations.h"
#include "uninstall/uninstaller_writer.h"

#include <objbase.h>

#include <memory>

namespace {

// The earlier installations go first, each in its row, inside the
// installation: what they had is kept for its rollback.
bool removeEarlierInstallations(ExecutionContext& context, int& row)
{
    for (EarlierInstallation* earlier : runState.earlierInstallations) {
        postStepBegun(context.page, row);
        bool ok = removeEarlierInstallation(*earlier, context) == kUndoContinue;
        postStepEnded(context.page, row++, ok);
        if (!ok)
            return false;
        progressStepDone(context);
    }
    return true;
}

// Installs and then writes the uninstaller, or rolls back; false when the
// installation was stopped.
bool install(HWND page, LPARAM& done)
{
    std::unique_ptr<UninstallScript> target =
        buildUninstallScript(*runState.installScript, *runState.actionScript, expandPathVariables);
    if (!target)
        return false;
    HRESULT com = CoInitialize(nullptr);
    ExecutionContext context;
    context.undoLog = &target->undoLog;
    context.expand = expandPathVariables;
    context.page = page;
    context.stepBegun = postStepBegun;
    context.stepEnded = postStepEnded;
    context.report = logStep;
    context.payload = runState.payload.get();
    context.stopRequested = &runState.stopRequested;
    // The bar counts the earlier installations' removals as steps too.
    StepPlan plan = planInstallation(*runState.actionScript, runState.componentSelected.get());
    ProgressMeter progress(plan.packagedBytes, plan.steps + runState.earlierInstallations.count());
    progress.page = page;
    progress.moved = postProgressMoved;
    progress.itemBegun = postItemBegun;
    context.progress = &progress;
    int row = 0;
    bool ok = removeEarlierInstallations(context, row) &&
              runInstallation(*runState.actionScript, runState.componentSelected.get(), context, row);
    if (ok) {
        commitRollbackEntries(target->undoLog);
        // Before the new uninstaller is registered, under the same name.
        for (EarlierInstallation* earlier : runState.earlierInstallations)
            completeEarlierRemoval(*earlier, target->undoLog);
        if (*runState.actionScript->uninstallerPath.text())
            writeUninstaller(*target, *runState.actionScript, context.bytesInstalled);
        progress.finish();
    } else {
        // Custom steps first, then the reversals, newest first: the
        // machine as the installation found it, earlier versions included.
        runLog("Rolling back");
        rollBack(target->undoLog, context);
        for (EarlierInstallation* earlier : runState.earlierInstallations)
            if (earlier->removalBegun && earlier->package)
                runLog("Restored %s", earlier->keyName);
    }
    done = (context.restartNeeded ? kDoneRestartNeeded : 0) | (context.cancelled ? kDoneCancelled : 0) |
           (context.damagedPackage ? kDoneDamagedPackage : 0);
    if (SUCCEEDED(com))
        CoUninitialize();
    return ok;
}

}  // namespace

DWORD WINAPI InstallThread(LPVOID parameter)
{
    HWND page = static_cast<HWND>(parameter);
    LPARAM done = 0;
    bool ok = install(page, done);
    runLog(ok ? "Installation succeeded" : "Installation failed");
    postWorkDone(page, ok, done);
    return 0;
}
