#include "support/wine_host.h"

#include "support/test_environment.h"
#include "uiauto/ui_automation.h"
#include "uiauto/time_limits.h"

#include <windows.h>

namespace {

constexpr DWORD kHostCommandTimeoutMs = timeLimitMs(30000);

// Whether a folder entry of that name exists; a search finds links whose
// target Wine cannot describe (device nodes) as well.
bool entryExists(const std::string& path)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(path.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    FindClose(search);
    return true;
}

}  // namespace

std::string unixPathOf(const std::string& windowsPath)
{
    typedef char*(CDECL * UnixFileName)(const WCHAR*);
    auto toUnix = reinterpret_cast<UnixFileName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (!toUnix)
        return {};
    WCHAR wide[MAX_PATH * 2];
    if (!MultiByteToWideChar(CP_ACP, 0, windowsPath.c_str(), -1, wide, MAX_PATH * 2))
        return {};
    char* unixName = toUnix(wide);
    if (!unixName)
        return {};
    std::string result = unixName;
    HeapFree(GetProcessHeap(), 0, unixName);
    return result;
}

bool runOnHost(const std::vector<std::string>& arguments)
{
    if (arguments.empty())
        return false;
    // The program by its Z: path: a bare Linux path would be taken relative
    // to the current drive.
    std::string commandLine = uiauto::quoteArgument(windowsPath(arguments[0]));
    for (size_t i = 1; i < arguments.size(); ++i)
        commandLine += " " + uiauto::quoteArgument(arguments[i]);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started))
        return false;
    // Wine hands out no handles for a Linux program; close whatever came.
    if (started.hProcess)
        CloseHandle(started.hProcess);
    if (started.hThread)
        CloseHandle(started.hThread);
    return true;
}

bool makeHostSymlink(const std::string& unixTarget, const std::string& link)
{
    std::string unixLink = unixPathOf(link);
    return !unixLink.empty() && runOnHost({"/bin/ln", "-s", unixTarget, unixLink}) &&
           uiauto::pollUntil(kHostCommandTimeoutMs, [&] { return entryExists(link); });
}

void removeTestTree(const std::string& windowsFolder)
{
    std::string unixFolder = unixPathOf(windowsFolder);
    // rm -rf as root: only ever on a folder the tests made.
    if (unixFolder.find("/slipway-") == std::string::npos || unixFolder.find("/Temp/") == std::string::npos)
        return;
    if (runOnHost({"/bin/rm", "-rf", "--", unixFolder}))
        uiauto::pollUntil(kHostCommandTimeoutMs, [&] { return !entryExists(windowsFolder); });
}
