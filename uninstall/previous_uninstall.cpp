#include "uninstall/previous_uninstall.h"

#include "state/run_state.h"
#include "platform/win32_handles.h"

#include <tlhelp32.h>
#include <string.h>
#include "platform/import_slots.h"

SLIPWAY_IMPORT_SLOT(CreateProcessA, 40);
SLIPWAY_IMPORT_SLOT(OpenProcess, 12);

namespace {

typedef HANDLE(WINAPI* CreateSnapshotFn)(DWORD, DWORD);
typedef BOOL(WINAPI* ProcessWalkFn)(HANDLE, PROCESSENTRY32*);

// The tool-help entry points, looked up once: Windows NT 4 has none of them.
struct ToolHelp {
    bool looked = false;
    CreateSnapshotFn createSnapshot = nullptr;
    ProcessWalkFn first = nullptr;
    ProcessWalkFn next = nullptr;
};

ToolHelp toolHelp;

bool haveToolHelp()
{
    if (!toolHelp.looked) {
        toolHelp.looked = true;
        if (HMODULE kernel = GetModuleHandleA("kernel32.dll")) {
            toolHelp.createSnapshot = reinterpret_cast<CreateSnapshotFn>(
                reinterpret_cast<void*>(GetProcAddress(kernel, "CreateToolhelp32Snapshot")));
            toolHelp.first =
                reinterpret_cast<ProcessWalkFn>(reinterpret_cast<void*>(GetProcAddress(kernel, "Process32First")));
            toolHelp.next =
                reinterpret_cast<ProcessWalkFn>(reinterpret_cast<void*>(GetProcAddress(kernel, "Process32Next")));
        }
    }
    return toolHelp.createSnapshot && toolHelp.first && toolHelp.next;
}

enum class Walk { Gone, Running, CopyFound, Failed };

// One look at the running processes: is the started one still there, and
// has it a temporary copy as its child?
Walk walkProcesses(DWORD processId, UniqueHandle& copy)
{
    UniqueHandle snapshot(toolHelp.createSnapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot)
        return Walk::Failed;
    PROCESSENTRY32 entry;
    entry.dwSize = sizeof entry;
    bool running = false;
    for (BOOL more = toolHelp.first(snapshot.get(), &entry); more; more = toolHelp.next(snapshot.get(), &entry)) {
        if (entry.th32ProcessID == processId)
            running = true;
        if (entry.th32ParentProcessID == processId && looksLikeUninstallerCopy(pathBaseName(entry.szExeFile))) {
            copy.reset(OpenProcessSlot(SYNCHRONIZE, FALSE, entry.th32ProcessID));
            if (copy)
                return Walk::CopyFound;
        }
    }
    return running ? Walk::Running : Walk::Gone;
}

}  // namespace

const char* pathBaseName(const char* path)
{
    const char* base = path;
    for (const char* p = path; *p; p = CharNextA(p))
        if (*p == '\\')
            base = p + 1;
    return base;
}

bool looksLikeUninstallerCopy(const char* name)
{
    // ASCII letters in either case: the name is the launcher's own making.
    size_t length = strlen(name);
    if (length < 7)
        return false;
    const char* end = name + length - 4;
    return (name[0] | 0x20) == 'u' && (name[1] | 0x20) == 'n' && (name[2] | 0x20) == 'i' && end[0] == '.' &&
           (end[1] | 0x20) == 't' && (end[2] | 0x20) == 'm' && (end[3] | 0x20) == 'p';
}

void waitForUninstaller(DWORD processId, HANDLE process)
{
    // Without the process walk, waiting for the started process is all we can do.
    if (haveToolHelp()) {
        for (;;) {
            UniqueHandle copy;
            Walk walk = walkProcesses(processId, copy);
            if (walk == Walk::CopyFound) {
                WaitForSingleObject(copy.get(), INFINITE);
                break;
            }
            if (walk != Walk::Running)
                break;
            Sleep(50);
        }
    }
    WaitForSingleObject(process, INFINITE);
}

bool runEarlierUninstaller(char* command)
{
    STARTUPINFOA startup;
    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = runState.showCommand;
    PROCESS_INFORMATION started;
    if (!CreateProcessASlot(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started))
        return false;
    UniqueHandle thread(started.hThread);  // not used, only closed
    UniqueHandle process(started.hProcess);
    waitForUninstaller(started.dwProcessId, process.get());
    return true;
}
