#include "uninstall/earlier_installations.h"

#include "engine/file_routines.h"
#include "engine/kept_removal.h"
#include "format/package_container.h"
#include "format/stub_texts.h"
#include "format/unattended_rules.h"
#include "platform/run_log.h"
#include "platform/system_services.h"
#include "platform/win32_handles.h"
#include "state/run_state.h"
#include "uninstall/path_variables_win32.h"
#include "uninstall/previous_uninstall.h"
#include "uninstall/uninstall_entry.h"

#include <new>
#include <stdio.h>
#include <string.h>

namespace {

const char kPassiveSwitch[] = " /passive";
// A quiet run's earlier uninstaller runs quietly too: its failure must not
// wait for a person who is not there.
const char kQuietSwitch[] = " /quiet";

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

bool isFile(const char* path)
{
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Reads the entry `keyName`; false when it has no uninstall command, or, in
// silent mode, no room for the unattended switch behind it (it could not
// run without questions).
bool readEarlierInstallation(const char* keyName, bool first, EarlierInstallation& earlier)
{
    char* command = earlier.command;
    UniqueRegKey entry;
    if (!openUninstallEntry(keyName, entry) ||
        !readEntryText(entry.get(), "UninstallString", command, kCommandLineSize))
        return false;
    copyTruncated(earlier.keyName, sizeof earlier.keyName, keyName);
    uninstallerOfCommand(command, isFile, earlier.uninstallerPath, sizeof earlier.uninstallerPath);
    char displayName[kEarlierTitleSize];
    readEntryText(entry.get(), "DisplayName", displayName, sizeof displayName);
    readEntryText(entry.get(), "DisplayVersion", earlier.version, sizeof earlier.version);
    composeEarlierTitle(displayName, earlier.version, keyName, earlier.title, sizeof earlier.title);
    formatTextOf(earlier.caption, sizeof earlier.caption, kRemovingEarlier, earlier.title);
    if (!runState.silentMode)
        return true;
    if (first && strchr(command, '\\') && !runState.folderFromCommandLine)
        takeEarlierInstallFolder(command);
    const char* unattended = nobodyToAsk ? kQuietSwitch : kPassiveSwitch;
    size_t length = strlen(command);
    size_t switchSize = strlen(unattended) + 1;
    if (length + switchSize > sizeof earlier.command)
        return false;
    memcpy(command + length, unattended, switchSize);
    return true;
}

// The uninstall package behind an earlier uninstaller's image; null when
// the file cannot be read or carries none.
std::unique_ptr<UninstallScript> readEarlierPackage(const char* uninstallerPath)
{
    if (!uninstallerPath[0])
        return nullptr;
    UniqueFile file(fopen(uninstallerPath, "rb"));
    if (!file)
        return nullptr;
    std::unique_ptr<OpenedPackage> opened(new (std::nothrow) OpenedPackage());
    if (!opened)
        return nullptr;
    openPackage(file.get(), *opened);
    if (opened->kind != PackageKind::Uninstall)
        return nullptr;
    return readUninstallPackage(opened->uninstallBody);
}

// One command registered under two names is removed once.
bool alreadyFound(const EarlierInstallations& found, const char* command)
{
    for (const EarlierInstallation* earlier : found)
        if (strcmp(earlier->command, command) == 0)
            return true;
    return false;
}

}  // namespace

bool findEarlierInstallations(const ActionScript& script, EarlierInstallations& found)
{
    found.clear();
    TextList names(script.uninstallKeyName);
    for (bool first = true; !names.atEnd(); first = false) {
        char keyName[kRegistryNameSize];
        expandPathVariables(names.take(), keyName, sizeof keyName);
        std::unique_ptr<EarlierInstallation> earlier(new (std::nothrow) EarlierInstallation());
        if (!earlier || !readEarlierInstallation(keyName, first, *earlier) || alreadyFound(found, earlier->command))
            continue;
        found.push(std::move(earlier));
    }
    return found.count() != 0;
}

uint32_t removeEarlierInstallation(EarlierInstallation& earlier, ExecutionContext& context)
{
    earlier.removalBegun = true;
    earlier.package = readEarlierPackage(earlier.uninstallerPath);
    runLog("Removing %s: %s (%s)", earlier.keyName, earlier.title, earlier.package ? "undone here" : earlier.command);
    if (!earlier.package) {
        // Not ours: it runs as before, and nothing of it can be put back.
        bool started = runEarlierUninstaller(earlier.command);
        runLog("Ran the uninstaller of %s: %s", earlier.keyName, started ? "ended" : "did not start");
        return kUndoContinue;
    }
    uint32_t result = removeKeptAside(earlier.package->undoLog, context);
    runLog(result == kUndoContinue ? "Removed %s" : "Removal of %s failed", earlier.keyName);
    return result;
}

void completeEarlierRemoval(const EarlierInstallation& earlier, UndoLog& successor)
{
    if (!earlier.removalBegun || !earlier.package)
        return;
    deleteUninstallEntry(earlier.keyName);
    // The uninstaller first: the folder that holds it may go then.
    if (earlier.uninstallerPath[0])
        deleteFile(earlier.uninstallerPath);
    removeLeftFolders(earlier.package->undoLog, successor);
}
