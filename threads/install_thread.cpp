#include "threads/worker_threads.h"

#include "platform/run_log.h"
#include "state/run_state.h"
#include "engine/passes.h"
#include "engine/page_link.h"
#include "uninstall/path_variables_win32.h"
#include "uninstall/uninstaller_writer.h"

#include <objbase.h>

#include <memory>

namespace {

// Runs both passes; false when an action stopped the installation.
bool runInstallation(ExecutionContext& context)
{
    const ActionScript& script = *runState.actionScript;
    const uint8_t* selected = runState.componentSelected.get();
    bool ok = true;
    if (hasStage0Actions(script, selected)) {
        beginStep(context.page);
        ok = runStage0(script, selected, context);
        endStep(context.page, ok);
    }
    if (ok)
        ok = runStage1(script, selected, context);
    return ok;
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
    context.beginStep = beginStep;
    context.endStep = endStep;
    context.report = logStep;
    bool ok = runInstallation(context);
    if (ok) {
        commitRollbackEntries(target->undoLog);
        if (*runState.actionScript->uninstallerPath.text())
            writeUninstaller(*target, *runState.actionScript, context.bytesInstalled);
    } else {
        // Custom steps first, then the reversals, newest first: the
        // machine as the installation found it.
        runLog("Rolling back");
        rollBack(target->undoLog, context);
    }
    done = (context.restartNeeded ? kDoneRestartNeeded : 0) | (context.cancelled ? kDoneCancelled : 0);
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
    PostMessageA(page, WM_INSTALL_DONE, ok ? 1 : 0, done);
    return 0;
}
