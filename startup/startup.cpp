#include "startup/startup.h"

#include "format/byte_cursor.h"
#include "platform/own_path.h"
#include "format/package_container.h"
#include "platform/run_log.h"
#include "state/run_state.h"
#include "format/startup_rules.h"
#include "format/stub_texts.h"
#include "platform/system_services.h"
#include "platform/win32_handles.h"
#include "threads/worker_threads.h"
#include "linkstatic/link_static.h"
#include "uninstall/uninstall_mode.h"
#include "format/uninstall_script.h"
#include "wizard/wizard_frame.h"

#include <shellapi.h>
#include <new>
#include <memory>
#include <string.h>
#include <utility>
#include "platform/import_slots.h"

SLIPWAY_IMPORT_SLOT(FormatMessageA, 28);
SLIPWAY_IMPORT_SLOT(GetEnvironmentVariableA, 12);
SLIPWAY_IMPORT_SLOT(GetStartupInfoA, 4);
SLIPWAY_IMPORT_SLOT(GetStdHandle, 4);
SLIPWAY_IMPORT_SLOT(GetVersionExA, 4);
SLIPWAY_IMPORT_SLOT(SetEnvironmentVariableA, 8);

namespace {

// Set in the environment of the elevated copy, which inherits it, so that a
// copy that still fails the administrator test (a token without the
// load-driver privilege, UAC turned off) goes on instead of relaunching again.
const char kRelaunchMarker[] = "SLIPWAY_ELEVATED_RELAUNCH";

uint16_t startupShowCommand()
{
    STARTUPINFOA info;
    memset(&info, 0, sizeof info);
    info.cb = sizeof info;
    GetStartupInfoASlot(&info);
    return (info.dwFlags & STARTF_USESHOWWINDOW) ? info.wShowWindow : SW_SHOWNORMAL;
}

// True when this program's image names a certificate table. Read from the
// headers the loader mapped (and checked), not from the file: a check that
// could fail to read the file (a name outside the code page, a long path)
// would let a signed installer vouch for another package.
bool isSignedModule()
{
    const uint8_t* image = reinterpret_cast<const uint8_t*>(GetModuleHandleA(nullptr));
    const IMAGE_NT_HEADERS32* headers =
        reinterpret_cast<const IMAGE_NT_HEADERS32*>(image + reinterpret_cast<const IMAGE_DOS_HEADER*>(image)->e_lfanew);
    const IMAGE_OPTIONAL_HEADER32& optional = headers->OptionalHeader;
    return optional.NumberOfRvaAndSizes > IMAGE_DIRECTORY_ENTRY_SECURITY &&
           optional.DataDirectory[IMAGE_DIRECTORY_ENTRY_SECURITY].Size != 0;
}

// The package is this program's own file: opened by its wide path, and by
// the ANSI one where the system has no wide calls. The ANSI one (a character
// the code page lacks shown as '?') names it in texts.
void takeOwnPath()
{
    runState.ownPath = ownModulePathWide();
    DWORD length = GetModuleFileNameA(nullptr, runState.packagePath, sizeof runState.packagePath);
    if (length == 0 || length >= sizeof runState.packagePath)
        runState.packagePath[0] = 0;
}

UniqueFile openPackageFile()
{
    if (runState.ownPath)
        return UniqueFile(_wfopen(runState.ownPath.get(), L"rb"));
    return UniqueFile(runState.packagePath[0] ? fopen(runState.packagePath, "rb") : nullptr);
}

void applySwitches(const StartupSwitches& switches)
{
    RunState& state = heldRunState();
    state.showCommand = startupShowCommand();
    nobodyToAsk = switches.quiet;
    neverRestart = switches.noRestart;
    if (switches.silentMode)
        state.silentMode = 1;
    if (switches.quiet)
        state.showCommand = kShowMinNoActive;
    state.noUninstall = switches.noUninstall;
    state.allowDowngrade = switches.allowDowngrade;
    state.extractAllFiles = switches.extractAllFiles;
    if (switches.packagePathArgument) {
        // An argument too long for the buffer names no file: the package then
        // does not open and the damaged-package message follows. A signed
        // installer vouches for its own package only: with another one its
        // signer's name would stand for whatever that package does.
        if (isSignedModule() ||
            !takePackagePath(switches.packagePathArgument, state.packagePath, sizeof state.packagePath))
            state.packagePath[0] = 0;
    } else {
        takeOwnPath();
    }
}

void classifyWindowsVersion(OSVERSIONINFOA& version)
{
    runState.osClass = queryOsClass(version);
}

// Returns true when this process should end because an elevated copy runs,
// with *exitCode set; false to go on in this process.
bool relaunchElevated(const char* tail, int* exitCode)
{
    if (isAdministrator() || isTokenElevated() || GetEnvironmentVariableASlot(kRelaunchMarker, nullptr, 0) != 0)
        return false;
    char modulePath[MAX_PATH + 1];
    DWORD length = GetModuleFileNameA(nullptr, modulePath, MAX_PATH + 1);
    int shellResult;
    if (length == 0 || length > MAX_PATH) {
        // Without our own path there is nothing to relaunch.
        shellResult = int(ERROR_FILENAME_EXCED_RANGE);
    } else {
        SetEnvironmentVariableASlot(kRelaunchMarker, "1");
        shellResult = int(reinterpret_cast<INT_PTR>(
            ShellExecuteA(nullptr, "runas", modulePath, tail, nullptr, runState.showCommand)));
        SetEnvironmentVariableASlot(kRelaunchMarker, nullptr);
        if (shellResult > 32) {
            *exitCode = 0;
            return true;
        }
    }
    char message[1024];
    formatElevationMessage(shellResult, message, sizeof message);
    showError(nullptr, message);
    *exitCode = int(kExitElevationFailed);
    return true;
}

void reportDamagedPackage()
{
    runState.outcome = RunOutcome::DamagedPackage;
    showError(nullptr, kDamagedPackage);
}

// The /dir= folder, when there is one, replaces the install folder; false
// when it cannot be used (the run then ends, having said why).
bool takeInstallFolderSwitch(const StartupSwitches& switches)
{
    RunState& state = heldRunState();
    if (switches.dir == SwitchValue::Absent)
        return true;
    FolderProblem problem = FolderProblem::TooLong;
    if (switches.dir == SwitchValue::Taken)
        problem = checkInstallFolder(switches.dirValue, state.installFolder, sizeof state.installFolder);
    DWORD attributes = GetFileAttributesA(state.installFolder);
    if (problem == FolderProblem::None && attributes != INVALID_FILE_ATTRIBUTES &&
        !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        problem = FolderProblem::IsAFile;
    if (problem == FolderProblem::None) {
        state.folderFromCommandLine = 1;
        return true;
    }
    char message[kPathBufferSize + 128];
    formatTextOf(message, sizeof message, kUnusableInstallFolder, switches.dirValue, folderProblemText(problem));
    showError(nullptr, message);
    state.outcome = RunOutcome::UnusableFolder;
    return false;
}

// Whether the machine is restarting now, once the wizard asked for it.
bool restarting = false;

int endRun(uint32_t exitCode)
{
    runLog("Exit code %u", exitCode);
    return int(exitCode);
}

void setInstallFolders(const InstallScript& script)
{
    RunState& state = heldRunState();
    copyTruncated(state.programGroup, sizeof state.programGroup, script.defaultProgramGroup.text());
    char value[260];
    bool haveValue = readProgramFilesDir(value, sizeof value);
    programFilesFolderFrom(haveValue ? value : nullptr, state.programFilesFolder, sizeof state.programFilesFolder);
    composeInstallFolder(state.programFilesFolder, script.defaultFolder.text(), state.installFolder,
                         sizeof state.installFolder);
}

void runInstallMode(HINSTANCE instance, const char* tail, const StartupSwitches& switches)
{
    InstallScript& script = *runState.installScript;
    size_t textLength = 0;
    if (const char* text = findInfoSwitch(script, tail, &textLength)) {
        writeStandardOutput(text, textLength);
        runState.outcome = RunOutcome::Succeeded;
        return;
    }
    setInstallFolders(script);
    if (!takeInstallFolderSwitch(switches))
        return;
    runLog("64-bit: %u; Program Files: %s; folder: %s; group: %s", runState.isWow64, runState.programFilesFolder,
           runState.installFolder, runState.programGroup);
    // The licence page's rich edit control; never unloaded.
    loadSystemLibrary("riched20.dll");
    registerStaticClass(instance, "Static");
    runWizard(instance, WizardKind::Install);
    if (runState.restartNeeded)
        restarting = offerRestart(nullptr, script.title.text());
}

// Takes back, once no worker runs, what the install wizard and its workers
// were lent or made. The file is still here when no wizard ran (an info
// switch).
void endInstallRun()
{
    RunState& state = heldRunState();
    waitForWorkers();
    state.payload.reset();
    state.packageFile.reset();
    state.finishPageText = nullptr;
    state.actionScript.reset();
    state.componentSelected.reset();
    state.componentCount = 0;
    state.installScript = nullptr;
    state.earlierInstallations.clear();
}

void runUninstallWizard(HINSTANCE instance, const UninstallScript& script, bool isCopy)
{
    registerStaticClass(instance, "Static");
    runWizard(instance, WizardKind::Uninstall);
    if (isCopy)
        scheduleOwnDeletion();
    if (runState.restartNeeded)
        restarting = offerRestart(nullptr, script.title.text());
}

// Returns the exit code of the run: the copy's, when this process is the
// launcher and the copy ran.
uint32_t runUninstallMode(HINSTANCE instance, const char* tail, const UninstallScript& script, bool unattended)
{
    runState.finishPageText = script.successText.text();
    uint32_t parent = 0;
    if (parseDoitArgument(tail, &parent)) {
        runState.parentProcess = parent;
        runState.launcherWaits = unattended && isWaitingLauncher(parent);
        runUninstallWizard(instance, script, true);
    } else {
        // The launcher: a copy removes the product, so that this file can go
        // too. Interactive, the copy ends this process at its first page.
        DWORD copyExitCode = 0;
        if (runUninstallerCopy(tail, &copyExitCode))
            return copyExitCode;
        runUninstallWizard(instance, script, false);
    }
    RunFacts facts{runState.outcome, runState.restartNeeded != 0, restarting};
    return exitCodeFor(facts);
}

}  // namespace

uint32_t queryOsClass(OSVERSIONINFOA& version)
{
    memset(&version, 0, sizeof version);
    version.dwOSVersionInfoSize = sizeof version;  // 148 bytes
    if (!GetVersionExASlot(&version))
        return OsWin95;
    return osClassFor(version.dwPlatformId, version.dwMajorVersion, version.dwMinorVersion);
}

void writeStandardOutput(const char* text, size_t length)
{
    HANDLE output = GetStdHandleSlot(STD_OUTPUT_HANDLE);
    if (output == nullptr || output == INVALID_HANDLE_VALUE)
        return;
    while (length > 0) {
        DWORD written = 0;
        DWORD chunk = length > 0x10000 ? 0x10000 : DWORD(length);
        if (!WriteFile(output, text, chunk, &written, nullptr) || written == 0)
            return;
        text += written;
        length -= written;
    }
}

bool readProgramFilesDir(char* buffer, DWORD size)
{
    UniqueRegKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion", 0, KEY_READ, key.put()) !=
        ERROR_SUCCESS)
        return false;
    DWORD type = 0;
    DWORD length = size;
    if (RegQueryValueExA(key.get(), "ProgramFilesDir", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &length) !=
            ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return false;
    // Bounded by the size the query returned: a value stored without its NUL
    // is terminated here when there is room, refused when there is none.
    if (length == 0 || buffer[length - 1] != 0) {
        if (length >= size)
            return false;
        buffer[length] = 0;
    }
    return true;
}

void formatElevationMessage(int shellResult, char* message, size_t size)
{
    copyTruncated(message, size, kElevationFailed);
    size_t used = strlen(message);
    if (used + 1 >= size)
        return;
    DWORD written =
        FormatMessageASlot(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, DWORD(shellResult),
                           MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), message + used, DWORD(size - used), nullptr);
    if (written == 0) {
        char code[32];
        wsprintfA(code, kErrorCode, shellResult);
        copyTruncated(message + used, size - used, code);
    }
}

int runStartup(HINSTANCE instance, const char* tail)
{
    StartupSwitches switches = parseSwitches(tail);
    if (switches.installerInfo) {
        writeStandardOutput(kInstallerBanner, strlen(kInstallerBanner));
        writeStandardOutput(kSwitchList, strlen(kSwitchList));
        return 0;
    }
    if (switches.help) {
        MessageBoxA(nullptr, kSwitchList, kSetupTitle, MB_OK | MB_ICONINFORMATION);
        return 0;
    }
    applySwitches(switches);
    if (switches.log == SwitchValue::Taken)
        openRunLog(switches.logValue);
    OSVERSIONINFOA version;
    classifyWindowsVersion(version);
    runLog("Slipway setup 1.0: %s; Windows class %u", tail, runState.osClass);
    if (version.dwPlatformId == VER_PLATFORM_WIN32_NT && !runState.extractAllFiles) {
        int exitCode = 0;
        if (relaunchElevated(tail, &exitCode))
            return endRun(uint32_t(exitCode));
    }
    runState.isWow64 = detectWow64();

    OpenedPackage package;
    UniqueFile file = openPackageFile();
    if (file)
        openPackage(file.get(), package);
    runState.stubImage = static_cast<Bytes&&>(package.stubImage);
    runLog("Package: %s", runState.packagePath);

    uint32_t exitCode = kExitFailed;
    if (package.kind == PackageKind::Install) {
        runState.installScript = &package.installScript;
        // The loading thread takes the file over to read block 1.
        runState.packageFile = std::move(file);
        runState.packageBytesLeft = package.remainingAfterBlock0;
        runInstallMode(instance, tail, switches);
        endInstallRun();
        RunFacts facts{runState.outcome, runState.restartNeeded != 0, restarting};
        exitCode = exitCodeFor(facts);
    } else if (package.kind == PackageKind::Uninstall) {
        file.reset();
        runState.uninstallScript = readUninstallPackage(package.uninstallBody);
        package.uninstallBody.reset();
        if (runState.uninstallScript) {
            exitCode = runUninstallMode(instance, tail, *runState.uninstallScript, switches.silentMode);
            waitForWorkers();
            runState.uninstallScript.reset();
            runState.finishPageText = nullptr;
        } else {
            reportDamagedPackage();
            exitCode = kExitDamagedPackage;
        }
    } else {
        file.reset();
        reportDamagedPackage();
        exitCode = kExitDamagedPackage;
    }
    runState.stubImage.reset();
    return endRun(exitCode);
}
