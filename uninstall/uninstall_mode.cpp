#include "uninstall/uninstall_mode.h"

#include "format/bytes.h"
#include "platform/own_path.h"
#include "platform/run_log.h"
#include "state/run_state.h"
#include "format/startup_rules.h"
#include "format/stub_texts.h"
#include "platform/system_services.h"
#include "platform/win32_handles.h"
#include "engine/file_routines.h"
#include "format/undo_entry.h"
#include "uninstall/previous_uninstall.h"
#include "platform/import_slots.h"

SLIPWAY_IMPORT_SLOT(CreateDirectoryW, 8);
SLIPWAY_IMPORT_SLOT(CreateFileW, 28);
SLIPWAY_IMPORT_SLOT(CreateProcessW, 40);
SLIPWAY_IMPORT_SLOT(GetCurrentProcessId, 0);
SLIPWAY_IMPORT_SLOT(GetTempPathW, 8);
SLIPWAY_IMPORT_SLOT(OpenProcess, 12);
SLIPWAY_IMPORT_SLOT(ReadFile, 20);
SLIPWAY_IMPORT_SLOT(RemoveDirectoryW, 4);
SLIPWAY_IMPORT_SLOT(TerminateProcess, 8);

namespace {

// The copy's name on its command line: the copy reads no more of it.
const char kCopyName[] = "uni.tmp";

// Wakes the launcher's wait on any input, as the system's "all input" of
// Windows 95 has it.
constexpr DWORD kAnyInput = 0xFF;

const uint32_t kNtClasses = OsWinNt4 | OsWin2000 | OsWinXp | OsWinVista | OsWin7;

// Copies the whole of `source` into `target`; false on any failure or a
// short read or write, so a partial copy is never started.
bool copyFileBytes(const wchar_t* source, const wchar_t* target)
{
    UniqueHandle out(
        CreateFileWSlot(target, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY, nullptr));
    if (!out)
        return false;
    UniqueHandle in(CreateFileWSlot(source, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!in)
        return false;
    // Back at the start after taking the size: a failed seek shows as a
    // short read below.
    DWORD size = SetFilePointer(in.get(), 0, nullptr, FILE_END);
    SetFilePointer(in.get(), 0, nullptr, FILE_BEGIN);
    Bytes bytes;
    if (size == INVALID_SET_FILE_POINTER || !bytes.allocate(size))
        return false;
    DWORD read = 0, written = 0;
    return ReadFileSlot(in.get(), bytes.data(), size, &read, nullptr) && read == size &&
           WriteFile(out.get(), bytes.data(), size, &written, nullptr) && written == size;
}

// Starts the copy with an inheritable handle to this process that allows
// exactly waiting and terminating; the handle is closed here either way. The
// copy is started by its wide path; its command line names it by its file
// name only, which is all the copy reads of it.
bool startCopy(const wchar_t* copyPath, const wchar_t* workingFolder, const char* tail, PROCESS_INFORMATION& started)
{
    UniqueHandle self(OpenProcessSlot(SYNCHRONIZE | PROCESS_TERMINATE, TRUE, GetCurrentProcessIdSlot()));
    if (!self)
        return false;
    char commandLine[kCopyCommandLineSize];
    if (!composeCopyCommandLine(kCopyName, uint32_t(reinterpret_cast<uintptr_t>(self.get())), tail, commandLine,
                                sizeof commandLine))
        return false;
    std::unique_ptr<wchar_t[]> wideLine = wideTextOf(commandLine);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = runState.showCommand;
    return wideLine && CreateProcessWSlot(copyPath, wideLine.get(), nullptr, nullptr, TRUE, 0, nullptr, workingFolder,
                                          &startup, &started) != FALSE;
}

// The name part of a wide path when it is "uni….tmp", in either case, as
// the launcher names the copy and its folder; null otherwise.
wchar_t* copyNameIn(wchar_t* path)
{
    wchar_t* name = path;
    wchar_t* end = path;
    for (; *end; ++end)
        if (*end == L'\\')
            name = end + 1;
    end -= 4;
    bool matches = end - name >= 3 && (name[0] | 0x20) == L'u' && (name[1] | 0x20) == L'n' &&
                   (name[2] | 0x20) == L'i' && end[0] == L'.' && (end[1] | 0x20) == L't' && (end[2] | 0x20) == L'm' &&
                   (end[3] | 0x20) == L'p';
    return matches ? name : nullptr;
}

// The copy's folder and file. The folder is made new under the temporary
// folder, which every program of the user may write into, so that no library
// planted there lies beside the copy, whose removal runs elevated. Both are
// deleted once the copy has ended without ending this process first.
class CopyFiles {
public:
    CopyFiles() = default;
    ~CopyFiles()
    {
        if (!made_)
            return;
        DeleteFileW(path);
        RemoveDirectoryWSlot(folder);
    }
    CopyFiles(const CopyFiles&) = delete;
    CopyFiles& operator=(const CopyFiles&) = delete;

    // The folder and the file in it get names the system makes unique
    // ("uni", hex digits, ".tmp"): each comes as an empty file, which for
    // the folder becomes the folder, and for the file the copy overwrites.
    bool make()
    {
        wchar_t temporary[MAX_PATH + 1];
        DWORD length = GetTempPathWSlot(MAX_PATH + 1, temporary);
        if (length == 0 || length > MAX_PATH || GetTempFileNameW(temporary, L"uni", 0, folder) == 0)
            return false;
        if (!DeleteFileW(folder) || !CreateDirectoryWSlot(folder, nullptr))
            return false;
        made_ = true;
        return GetTempFileNameW(folder, L"uni", 0, path) != 0;
    }

    wchar_t folder[MAX_PATH + 1] = {};
    wchar_t path[MAX_PATH + 1] = {};

private:
    bool made_ = false;
};

// Waits for the process while answering this thread's messages. Peeked, not
// taken with GetMessage: a wake by a sent message leaves nothing to take, and
// GetMessage would then block until some later message came.
void waitAnsweringMessages(HANDLE process)
{
    for (;;) {
        DWORD woke = MsgWaitForMultipleObjects(1, &process, FALSE, INFINITE, kAnyInput);
        if (woke != WAIT_OBJECT_0 + 1)
            return;
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
}

// Ends the launching process with `exitCode` and waits until it has gone.
void endParentProcess(UINT exitCode)
{
    uint32_t value = runState.parentProcess;
    runState.parentProcess = 0;
    runState.launcherWaits = 0;
    HANDLE parent = reinterpret_cast<HANDLE>(uintptr_t(value));
    // The value comes from the command line: only a handle that really ends
    // a process is waited for and closed. A number that names some other
    // handle of this process, or the process itself (the pseudo-handle -1),
    // is left alone rather than waited for for ever or closed under its user.
    if (value == 0 || parent == currentProcessHandle() || parent == currentThreadHandle())
        return;
    if (!TerminateProcessSlot(parent, exitCode))
        return;
    UniqueHandle ended(parent);
    WaitForSingleObject(ended.get(), INFINITE);
}

// Moves the file at `path` to a new name in `folder`, which must be on its
// volume, and has it deleted at the next restart.
bool moveAsideInto(const wchar_t* folder, const wchar_t* path)
{
    wchar_t target[MAX_PATH + 1];
    if (GetTempFileNameW(folder, L"del", 0, target) == 0)
        return false;
    // The system made the name as an empty file; the move replaces it.
    if (!MoveFileExW(path, target, MOVEFILE_REPLACE_EXISTING)) {
        DeleteFileW(target);
        return false;
    }
    MoveFileExW(target, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    return true;
}

}  // namespace

bool letGoOfRunningUninstaller(const char* path, uint32_t resultSoFar)
{
    std::unique_ptr<wchar_t[]> widePath = wideTextOf(path);
    wchar_t temporary[MAX_PATH + 1];
    DWORD length = GetTempPathWSlot(MAX_PATH + 1, temporary);
    if ((runState.osClass & kNtClasses) && widePath && length && length <= MAX_PATH) {
        // Into the temporary folder; one on another volume: the root of the
        // file's own.
        const wchar_t root[] = {widePath[0], L':', L'\\', 0};
        if (moveAsideInto(temporary, widePath.get()) ||
            (widePath[0] && widePath[1] == L':' && moveAsideInto(root, widePath.get()))) {
            runLog("Uninstaller moved to a temporary name, deleted at restart: %s", path);
            return true;
        }
    }
    // The 9x line cannot rename a running file, nor can a file that another
    // program holds be renamed: the launcher ends now, with the result so
    // far, and lets go of it.
    endParentProcess(resultSoFar == kUndoContinue ? kExitSuccess : kExitFailed);
    runLog("The launcher was ended to delete its file");
    return deleteFile(path);
}

bool isWaitingLauncher(uint32_t handleValue)
{
    HANDLE handle = reinterpret_cast<HANDLE>(uintptr_t(handleValue));
    return handleValue && handle != currentProcessHandle() && handle != currentThreadHandle() &&
           WaitForSingleObject(handle, 0) == WAIT_TIMEOUT;
}

bool runUninstallerCopy(const char* tail, DWORD* copyExitCode)
{
    CopyFiles copy;
    if (!runState.ownPath || !copy.make() || !copyFileBytes(runState.ownPath.get(), copy.path))
        return false;
    PROCESS_INFORMATION started;
    if (!startCopy(copy.path, copy.folder, tail, started))
        return false;
    UniqueHandle thread(started.hThread);  // not used, only closed
    UniqueHandle process(started.hProcess);
    waitAnsweringMessages(process.get());
    if (!GetExitCodeProcess(process.get(), copyExitCode))
        *copyExitCode = kExitFailed;
    // A copy that the system could not start, or that ended without saying
    // how the removal went, removed nothing this process knows of: a
    // failure, never a success nor the system's status as an exit code.
    if (!isRunExitCode(*copyExitCode)) {
        showError(nullptr, kUninstallerCopyFailed);
        *copyExitCode = kExitFailed;
    }
    return true;
}

void releaseParentProcess()
{
    // A launcher that waits for the removal's result stays until this copy
    // has ended.
    if (!runState.launcherWaits)
        endParentProcess(0);
}

void scheduleOwnDeletion()
{
    // Only the temporary copy goes, with the folder the launcher made for
    // it: a registered uninstaller started with "doit=" by hand keeps its
    // file.
    wchar_t* ownPath = runState.ownPath.get();
    wchar_t* name = ownPath ? copyNameIn(ownPath) : nullptr;
    if (!(runState.osClass & kNtClasses) || !name)
        return;
    MoveFileExW(ownPath, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    if (name == ownPath)
        return;
    name[-1] = 0;
    if (copyNameIn(ownPath))
        MoveFileExW(ownPath, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    name[-1] = L'\\';
}
