#include "platform/system_services.h"

#include "platform/run_log.h"
#include "format/startup_rules.h"
#include "format/stub_texts.h"
#include "platform/win32_handles.h"

#include <commctrl.h>
#include <string.h>
#include "platform/import_slots.h"

SLIPWAY_IMPORT_SLOT(AdjustTokenPrivileges, 24);
SLIPWAY_IMPORT_SLOT(ExitWindowsEx, 8);
SLIPWAY_IMPORT_SLOT(GetTokenInformation, 20);
SLIPWAY_IMPORT_SLOT(LoadStringA, 16);
SLIPWAY_IMPORT_SLOT(LookupPrivilegeValueA, 12);
SLIPWAY_IMPORT_SLOT(OpenProcessToken, 12);
SLIPWAY_IMPORT_SLOT(PrivilegeCheck, 12);

bool nobodyToAsk = false;
bool neverRestart = false;

namespace {

typedef BOOL(WINAPI* IsWow64ProcessFn)(HANDLE, PBOOL);

bool wow64Looked = false;
IsWow64ProcessFn isWow64Process = nullptr;

// Opens the process token and enables one privilege in it. The adjustment's
// own result is left to the caller, who reads the last error.
bool enablePrivilege(UniqueHandle& token, const char* privilege, LUID* luid)
{
    if (!OpenProcessTokenSlot(currentProcessHandle(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.put()))
        return false;
    if (!LookupPrivilegeValueASlot(nullptr, privilege, luid))
        return false;
    TOKEN_PRIVILEGES privileges;
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Luid = *luid;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    SetLastError(0);
    AdjustTokenPrivilegesSlot(token.get(), FALSE, &privileges, 0, nullptr, nullptr);
    return true;
}

}  // namespace

HWND rootWindowOf(HWND window)
{
    // GetParent climbs through owners as well as parents; GetAncestor would
    // do the same but does not exist on Windows 95 and NT 4.
    while (HWND parent = GetParent(window))
        window = parent;
    return window;
}

uint32_t detectWow64()
{
    if (!wow64Looked) {
        wow64Looked = true;
        HMODULE kernel = GetModuleHandleA("kernel32.dll");
        if (kernel)
            isWow64Process =
                reinterpret_cast<IsWow64ProcessFn>(reinterpret_cast<void*>(GetProcAddress(kernel, "IsWow64Process")));
    }
    if (!isWow64Process)
        return 0;
    BOOL wow64 = FALSE;
    return isWow64Process(currentProcessHandle(), &wow64) && wow64 ? 1 : 0;
}

bool isAdministrator()
{
    UniqueHandle token;
    LUID luid;
    if (!enablePrivilege(token, "SeLoadDriverPrivilege", &luid))
        return false;
    PRIVILEGE_SET set;
    set.PrivilegeCount = 1;
    set.Control = PRIVILEGE_SET_ALL_NECESSARY;
    set.Privilege[0].Luid = luid;
    set.Privilege[0].Attributes = 0;
    BOOL result = FALSE;
    PrivilegeCheckSlot(token.get(), &set, &result);
    return (set.Privilege[0].Attributes & SE_PRIVILEGE_USED_FOR_ACCESS) != 0;
}

bool isTokenElevated()
{
    UniqueHandle token;
    if (!OpenProcessTokenSlot(currentProcessHandle(), TOKEN_QUERY, token.put()))
        return false;
    // TOKEN_ELEVATION: one DWORD; the information class is 20 (TokenElevation),
    // which systems before Vista do not know and refuse.
    DWORD elevated = 0;
    DWORD returned = 0;
    if (!GetTokenInformationSlot(token.get(), TOKEN_INFORMATION_CLASS(20), &elevated, sizeof elevated, &returned))
        return false;
    return elevated != 0;
}

bool restartSystem()
{
    UniqueHandle token;
    LUID luid;
    if (!enablePrivilege(token, "SeShutdownPrivilege", &luid))
        return false;
    if (GetLastError() != 0)
        return false;
    return ExitWindowsExSlot(EWX_REBOOT, 0) != 0;
}

bool offerRestart(HWND owner, const char* caption)
{
    if (nobodyToAsk || neverRestart) {
        runLog("Restart needed, not asked");
        return false;
    }
    char question[256];
    question[0] = 0;
    // Loaded as data only, and only from the system folder; it stays loaded.
    HMODULE advpack = loadSystemLibrary("advpack.dll", LOAD_LIBRARY_AS_DATAFILE);
    if (!advpack || LoadStringASlot(advpack, 1004, question, sizeof question) <= 0)
        copyTruncated(question, sizeof question, kRestartQuestion);
    if (owner)
        ShowWindow(rootWindowOf(owner), SW_RESTORE);
    bool yes = MessageBoxA(owner, question, caption, MB_YESNO | MB_ICONQUESTION) == IDYES;
    bool restarting = yes && restartSystem();
    runLog("Asked: %s Answer: %s; restarting: %u", question, yes ? "Yes" : "No", restarting);
    return restarting;
}

void showError(HWND owner, const char* text)
{
    runLog("Error: %s", text);
    if (!nobodyToAsk)
        MessageBoxA(owner, text, kErrorTitle, MB_OK | MB_ICONERROR);
}

namespace {

// Set once restrictLibrarySearch has kept every load by name to the system
// folder.
bool searchKeptToSystemFolder = false;

// The common controls, loaded only when first needed and never statically
// imported: they are not on the system's known-library list, so a static
// import would be found by the loader beside the installer (a user's
// Downloads folder) before the entry point could restrict the search. By name
// where the search is kept to the system folder, so that the manifest's
// version 6 still comes from the side-by-side store; by full path elsewhere.
HMODULE loadCommonControls()
{
    if (searchKeptToSystemFolder)
        return LoadLibraryExA("comctl32.dll", nullptr, 0);
    return loadSystemLibrary("comctl32.dll");
}

}  // namespace

WNDCLASSA* commonControlClassInfo(const char* className, WNDCLASSA* record)
{
    // The common controls register their classes when first asked to: the
    // stub's templates hold none, so before its first tip balloon or
    // progress bar the class may not exist in the process yet (Windows XP
    // and earlier).
    if (!GetClassInfoA(nullptr, className, record)) {
        typedef void(WINAPI * InitCommonControlsFn)();
        HMODULE controls = loadCommonControls();
        auto initialise = controls ? reinterpret_cast<InitCommonControlsFn>(
                                         reinterpret_cast<void*>(GetProcAddress(controls, "InitCommonControls")))
                                   : nullptr;
        if (initialise)
            initialise();
        GetClassInfoA(nullptr, className, record);
    }
    return record;
}

void restrictLibrarySearch()
{
    typedef BOOL(WINAPI * SetDefaultDllDirectoriesFn)(DWORD);
    typedef BOOL(WINAPI * SetDllDirectoryFn)(const char*);
    const DWORD kSearchSystem32 = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    if (!kernel)
        return;
    auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFn>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
    if (setDefault && setDefault(kSearchSystem32)) {
        searchKeptToSystemFolder = true;
        return;
    }
    auto setDirectory =
        reinterpret_cast<SetDllDirectoryFn>(reinterpret_cast<void*>(GetProcAddress(kernel, "SetDllDirectoryA")));
    if (setDirectory)
        setDirectory("");
}

HMODULE loadSystemLibrary(const char* fileName, DWORD flags)
{
    char path[MAX_PATH];
    UINT length = GetSystemDirectoryA(path, MAX_PATH);
    size_t nameLength = strlen(fileName);
    if (length == 0 || length >= MAX_PATH || length + 1 + nameLength >= MAX_PATH)
        return nullptr;
    path[length] = '\\';
    memcpy(path + length + 1, fileName, nameLength + 1);
    return LoadLibraryExA(path, nullptr, flags);
}
