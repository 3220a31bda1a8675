#include "support/test_environment.h"

#include <windows.h>

std::string windowsPath(const std::string& unixPath)
{
    if (unixPath.size() > 1 && unixPath[1] == ':')
        return unixPath;
    std::string path = "Z:" + unixPath;
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
}

std::string stubPath()
{
    return windowsPath(SLIPWAY_STUB_PATH);
}

std::string makeTestFolder(const std::string& name)
{
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::string folder = std::string(temp) + "slipway-" + name + "-" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

std::string testOutputFolder()
{
    char value[MAX_PATH];
    DWORD length = GetEnvironmentVariableA("SLIPWAY_TEST_OUTPUT", value, MAX_PATH);
    std::string folder = length && length < MAX_PATH ? windowsPath(value) : makeTestFolder("output");
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}
