#include "uninstall/uninstall_mode.h"

#include "app/bytes.h"
#include "app/run_log.h"
#include "app/run_state.h"
#include "app/startup_rules.h"
#include "app/win32_handles.h"
#include "engine/file_routines.h"
#include "engine/undo_entry.h"
#include "uninstall/previous_uninstall.h"

namespace {

// Wakes the launcher's wait on any input, as the system's "all input" of
// Windows 95 has it.
constexpr DWORD kAnyInput = 0xFF;

const uint32_t kNtClasses = OsWinNt4 | OsWin2000 | OsWinXp | OsWinVista | OsWin7;

// Copies the whole of `source` into `target`; false on any failure or a
// short read or write, so a partial copy is never started.
bool copyFileBytes(const char* source, const char* target)
{
    UniqueHandle out(CreateFileA(target, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY, nullptr));
    if (!out)
        return false;
    UniqueHandle in(CreateFileA(source, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!in)
        return false;
    DWORD size = GetFileSize(in.get(), nullptr);
    Bytes bytes;
    if (size == INVALID_FILE_SIZE || !bytes.allocate(size))
        return false;
    DWORD read = 0, written = 0;
    return ReadFile(in.get(), bytes.data(), size, &read, nullptr) && read == size &&
           WriteFile(out.get(), bytes.data(), size, &written, nullptr) && written == size;
}

// Starts the copy with an inheritable handle to this process that allows
// exactly waiting and terminating; the handle is closed here either way.
bool startCopy(const char* copyPath, const char* workingFolder, const char* tail, PROCESS_INFORMATION& started)
{
    UniqueHandle self(OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, TRUE, GetCurrentProcessId()));
    if (!self)
        return false;
    char commandLine[kCopyCommandLineSize];
    if (!composeCopyCommandLine(copyPath, uint32_t(reinterpret_cast<uintptr_t>(self.get())), tail, commandLine,
                                sizeof commandLine))
        return false;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = runState.showCommand;
    return CreateProcessA(nullptr, commandLine, nullptr, nullptr, TRUE, 0, nullptr, workingFolder, &startup,
                          &started) != FALSE;
}

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
    if (value == 0 || parent == GetCurrentProcess() || parent == GetCurrentThread())
        return;
    if (!TerminateProcess(parent, exitCode))
        return;
    WaitForSingleObject(parent, INFINITE);
    CloseHandle(parent);
}

// Moves the file at `path` to a new name in `folder`, which must be on its
// volume, and has it deleted at the next restart.
bool moveAsideInto(const char* folder, const char* path)
{
    char target[kPathBufferSize];
    if (GetTempFileNameA(folder, "del", 0, target) == 0)
        return false;
    // The system made the name as an empty file; the move replaces it.
    if (!MoveFileExA(path, target, MOVEFILE_REPLACE_EXISTING)) {
        DeleteFileA(target);
        return false;
    }
    MoveFileExA(target, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    runLog("Uninstaller moved to %s, deleted at restart", target);
    return true;
}

}  // namespace

bool letGoOfRunningUninstaller(const char* path, uint32_t resultSoFar)
{
    if (runState.osClass & kNtClasses) {
        char folder[kPathBufferSize];
        DWORD length = GetTempPathA(sizeof folder, folder);
        if (length && length < sizeof folder && moveAsideInto(folder, path))
            return true;
        // A temporary folder on another volume: the root of the file's own.
        const char root[] = {path[0], ':', '\\', 0};
        if (path[0] && path[1] == ':' && moveAsideInto(root, path))
            return true;
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
    return handleValue && handle != GetCurrentProcess() && handle != GetCurrentThread() &&
           WaitForSingleObject(handle, 0) == WAIT_TIMEOUT;
}

bool runUninstallerCopy(const char* tail, DWORD* copyExitCode)
{
    char tempFolder[kPathBufferSize];
    DWORD length = GetTempPathA(sizeof tempFolder, tempFolder);
    if (length == 0 || length >= sizeof tempFolder)
        return false;
    char copyPath[kPathBufferSize];
    if (GetTempFileNameA(tempFolder, "uni", 0, copyPath) == 0)
        return false;
    char ownPath[kPathBufferSize];
    length = GetModuleFileNameA(nullptr, ownPath, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return false;
    if (!copyFileBytes(ownPath, copyPath))
        return false;
    PROCESS_INFORMATION started;
    if (!startCopy(copyPath, tempFolder, tail, started))
        return false;
    CloseHandle(started.hThread);
    UniqueHandle copy(started.hProcess);
    waitAnsweringMessages(copy.get());
    if (!GetExitCodeProcess(copy.get(), copyExitCode))
        *copyExitCode = kExitFailed;
    copy.reset();
    // Only reached when the copy ended without ending this process.
    DeleteFileA(copyPath);
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
    if (!(runState.osClass & kNtClasses))
        return;
    char ownPath[kPathBufferSize];
    DWORD length = GetModuleFileNameA(nullptr, ownPath, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return;
    // Only the temporary copy goes: a registered uninstaller started with
    // "doit=" by hand keeps its file.
    if (looksLikeUninstallerCopy(pathBaseName(ownPath)))
        MoveFileExA(ownPath, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}
