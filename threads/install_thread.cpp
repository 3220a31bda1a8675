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
    context.bytesDone = postBytesDone;
    context.report = logStep;
    bool ok = runInstallation(*runState.actionScript, runState.componentSelected.get(), context);
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
    postWorkDone(page, ok, done);
    return 0;
}
