#include "support/machine_state.h"

#include "support/registry_values.h"
#include "support/wizard_driver.h"

#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <stdint.h>
#include <stdio.h>

#include <algorithm>

namespace {

// The standard CRC-32 of a file's bytes; a file that cannot be read gets a
// line of its own, so it still differs from a readable one.
std::string fileDigest(const std::string& path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return "unreadable";
    uint32_t crc = 0xFFFFFFFFu;
    uint64_t size = 0;
    unsigned char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) {
        size += got;
        for (DWORD i = 0; i < got; ++i) {
            crc ^= buffer[i];
            for (int bit = 0; bit < 8; ++bit)
                crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
        }
    }
    FILETIME written = {};
    GetFileTime(file, nullptr, nullptr, &written);
    CloseHandle(file);
    char text[80];
    snprintf(text, sizeof text, "%llu %08x %08lx%08lx", static_cast<unsigned long long>(size), ~crc,
             written.dwHighDateTime, written.dwLowDateTime);
    return text;
}

std::vector<std::string> treeWithContents(const std::string& folder)
{
    std::vector<std::string> lines = treeEntries(folder);
    for (std::string& line : lines)
        if (!line.empty() && line.back() != '\\')
            line += " " + fileDigest(folder + "\\" + line);
    return lines;
}

// The lines of `after` that are not in `before`, and those gone, for a
// readable failure.
std::string differences(const std::vector<std::string>& before, const std::vector<std::string>& after)
{
    std::string text;
    for (const std::string& line : after)
        if (std::find(before.begin(), before.end(), line) == before.end())
            text += "  + " + line + "\n";
    for (const std::string& line : before)
        if (std::find(after.begin(), after.end(), line) == after.end())
            text += "  - " + line + "\n";
    return text;
}

}  // namespace

std::string shellFolder(int csidl)
{
    char path[MAX_PATH] = {};
    SHGetFolderPathA(nullptr, csidl, nullptr, 0, path);
    return path;
}

MachineState machineState()
{
    MachineState state;
    state.programFiles = treeWithContents(programFilesFolder());
    state.startMenu = treeEntries(shellFolder(CSIDL_PROGRAMS));
    state.machineValues = registryValueLines(HKEY_LOCAL_MACHINE, "Software", KEY_WOW64_32KEY);
    // Wine's own keys change as programs run; the product never writes there.
    std::vector<std::string> user = registryValueLines(HKEY_CURRENT_USER, "Software");
    for (const std::string& line : user)
        if (line.compare(0, 14, "Software\\Wine\\") != 0)
            state.userValues.push_back(line);
    state.machineKeys = registryKeyLines(HKEY_LOCAL_MACHINE, "Software", KEY_WOW64_32KEY);
    for (const std::string& line : registryKeyLines(HKEY_CURRENT_USER, "Software"))
        if (line.compare(0, 14, "Software\\Wine\\") != 0)
            state.userKeys.push_back(line);
    return state;
}

void expectSameState(const MachineState& before, const MachineState& after, KeysCompared keys)
{
    EXPECT_EQ(after.programFiles, before.programFiles) << differences(before.programFiles, after.programFiles);
    EXPECT_EQ(after.startMenu, before.startMenu) << differences(before.startMenu, after.startMenu);
    EXPECT_EQ(after.machineValues, before.machineValues) << differences(before.machineValues, after.machineValues);
    EXPECT_EQ(after.userValues, before.userValues) << differences(before.userValues, after.userValues);
    if (keys == KeysCompared::No)
        return;
    EXPECT_EQ(after.machineKeys, before.machineKeys) << differences(before.machineKeys, after.machineKeys);
    EXPECT_EQ(after.userKeys, before.userKeys) << differences(before.userKeys, after.userKeys);
}
