#include "uninstall/path_variables_win32.h"

#include "format/bytes.h"
#include "state/run_state.h"
#include "format/startup_rules.h"
#include "platform/win32_handles.h"
#include "engine/registry_roots_win32.h"
#include "format/path_variables.h"

#include <shlobj.h>
#include <string.h>

namespace {

bool locateShellFolder(int csidl, UniqueItemList& list)
{
    return SUCCEEDED(SHGetSpecialFolderLocation(nullptr, csidl, list.put())) && list.get();
}

char* convertToPath(const UniqueItemList& list, char* buffer)
{
    if (!SHGetPathFromIDListA(list.get(), buffer))
        buffer[0] = 0;
    return buffer;
}

// A system folder query: the empty string when it fails or does not fit.
void systemQuery(UINT(WINAPI* query)(LPSTR, UINT), char* buffer, size_t size)
{
    if (size == 0)
        return;
    UINT length = query(buffer, UINT(size));
    if (length == 0 || length >= size)
        buffer[0] = 0;
}

// Shell folders are converted in a buffer of their own, so a caller's smaller
// buffer never receives more than it holds.
void copyShellFolder(const char* folder, char* buffer, size_t size)
{
    if (size == 0)
        return;
    if (strlen(folder) < size)
        memcpy(buffer, folder, strlen(folder) + 1);
    else
        buffer[0] = 0;
}

class Win32PathVariableSource final : public PathVariableSource {
public:
    void systemFolder(char* buffer, size_t size) const override { systemQuery(GetSystemDirectoryA, buffer, size); }
    void windowsFolder(char* buffer, size_t size) const override { systemQuery(GetWindowsDirectoryA, buffer, size); }
    void shellFolder(int csidl, char* buffer, size_t size) const override
    {
        char folder[MAX_PATH + 1];
        copyShellFolder(shellFolderPath(csidl, folder), buffer, size);
    }
    void shellFolderWithFallback(int csidl, int fallbackCsidl, char* buffer, size_t size) const override
    {
        char folder[MAX_PATH + 1];
        copyShellFolder(shellFolderPathWithFallback(csidl, fallbackCsidl, folder), buffer, size);
    }
    const char* programFilesFolder() const override { return runState.programFilesFolder; }
    const char* installFolder() const override { return runState.installFolder; }
    const char* programGroup() const override { return runState.programGroup; }
    bool readRegistryValue(uint32_t root, const char* keyPath, const char* valueName, char* out,
                           size_t outSize) const override
    {
        HKEY key = registryRootKey(root);
        return key && readRegistryString(key, keyPath, valueName, out, outSize);
    }
};

}  // namespace

bool expandPathVariables(const char* source, char* output, size_t outputSize)
{
    Win32PathVariableSource machine;
    return expandWithSource(machine, source, output, outputSize);
}

char* shellFolderPath(int csidl, char* buffer)
{
    UniqueItemList list;
    if (!locateShellFolder(csidl, list)) {
        buffer[0] = 0;
        return buffer;
    }
    return convertToPath(list, buffer);
}

char* shellFolderPathWithFallback(int csidl, int fallbackCsidl, char* buffer)
{
    UniqueItemList list;
    if (!locateShellFolder(csidl, list)) {
        UniqueItemList fallback;
        if (!locateShellFolder(fallbackCsidl, fallback)) {
            buffer[0] = 0;
            return buffer;
        }
        return convertToPath(fallback, buffer);
    }
    return convertToPath(list, buffer);
}

bool readRegistryString(HKEY root, const char* keyPath, const char* valueName, char* out, size_t outSize)
{
    if (outSize == 0)
        return false;
    UniqueRegKey key;
    if (RegOpenKeyExA(root, keyPath, 0, KEY_READ, key.put()) != ERROR_SUCCESS)
        return false;
    DWORD type = REG_NONE;
    DWORD size = outSize > MAXDWORD ? MAXDWORD : DWORD(outSize);
    if (RegQueryValueExA(key.get(), valueName, nullptr, &type, reinterpret_cast<BYTE*>(out), &size) != ERROR_SUCCESS)
        return false;
    // Only a text counts, and only up to the size the query reports: a value
    // stored without its NUL is not trusted to have one behind it.
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        return false;
    return size <= outSize && memchr(out, 0, size) != nullptr;
}

void WINAPI setDlgItemTextExpanded(HWND dialog, int id, const char* text)
{
    if (!text)
        text = "";
    size_t size = strlen(text) + 4096;
    Bytes work;
    if (!work.allocate(size))
        return;
    char* expanded = reinterpret_cast<char*>(work.data());
    expandPathVariables(text, expanded, size);
    SetDlgItemTextA(dialog, id, expanded);
}
