#include "wizard/earlier_installation.h"

#include "state/run_state.h"
#include "format/field_limits.h"
#include "format/startup_rules.h"
#include "platform/system_services.h"
#include "uninstall/path_variables_win32.h"
#include "uninstall/uninstall_entry.h"

#include <string.h>

namespace {

const char kPassiveSwitch[] = " /passive";
// A quiet run's earlier uninstaller runs quietly too: its failure must not
// wait for a person who is not there.
const char kQuietSwitch[] = " /quiet";

// True when `command` is one of the commands already started in this run.
bool alreadyStarted(const char* command)
{
    for (TextList started(runState.uninstallCommands); !started.atEnd();) {
        if (strcmp(started.take(), command) == 0)
            return true;
    }
    return false;
}

// In a silent upgrade the earlier installation's folder becomes the install
// folder, quotes around the command's program removed, and only when it fits.
void takeEarlierInstallFolder(const char* command)
{
    const char* start = command;
    if (*start == '"')
        ++start;
    const char* lastBackslash = strrchr(start, '\\');
    if (!lastBackslash)
        return;
    size_t length = size_t(lastBackslash - start);
    if (length >= sizeof runState.installFolder)
        return;
    memcpy(runState.installFolder, start, length);
    runState.installFolder[length] = 0;
}

}  // namespace

bool findEarlierInstallation()
{
    const ActionScript* script = runState.actionScript.get();
    if (!script)
        return false;
    char* command = runState.uninstallCommand;
    TextList names(script->uninstallKeyName);
    for (bool first = true; !names.atEnd(); first = false) {
        const char* name = names.take();
        char keyName[kRegistryNameSize];
        expandPathVariables(name, keyName, sizeof keyName);
        if (!readUninstallCommand(keyName, command, sizeof runState.uninstallCommand))
            continue;
        if (runState.silentMode) {
            if (first && strchr(command, '\\') && !runState.folderFromCommandLine)
                takeEarlierInstallFolder(command);
            // A command with no room left for the switch is treated as not
            // found: it could not run without questions.
            const char* unattended = nobodyToAsk ? kQuietSwitch : kPassiveSwitch;
            size_t length = strlen(command);
            size_t switchSize = strlen(unattended) + 1;
            if (length + switchSize > sizeof runState.uninstallCommand)
                continue;
            memcpy(command + length, unattended, switchSize);
        }
        if (!alreadyStarted(command))
            return true;
    }
    return false;
}

bool rememberStartedUninstallCommand()
{
    const Bytes& old = runState.uninstallCommands;
    TextList started(old);
    while (!started.atEnd())
        started.take();
    size_t used = started.used(old);
    size_t commandLength = strlen(runState.uninstallCommand) + 1;
    Bytes grown;
    if (!grown.allocate(used + commandLength + 1))
        return false;
    memcpy(grown.data(), old.data(), used);
    memcpy(grown.data() + used, runState.uninstallCommand, commandLength);
    grown.data()[used + commandLength] = 0;
    runState.uninstallCommands = static_cast<Bytes&&>(grown);
    return true;
}
