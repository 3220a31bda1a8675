#include "support/registry_values.h"

#include <algorithm>

namespace {

// Owns an open key for one check.
class OpenKey {
public:
    OpenKey(HKEY root, const std::string& key, REGSAM access)
    {
        if (RegOpenKeyExA(root, key.c_str(), 0, access, &key_) != ERROR_SUCCESS)
            key_ = nullptr;
    }
    ~OpenKey()
    {
        if (key_)
            RegCloseKey(key_);
    }
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;
    HKEY get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

}  // namespace

RegistryValue readRegistryValue(HKEY root, const std::string& key, const std::string& name, REGSAM view)
{
    RegistryValue value;
    OpenKey open(root, key, KEY_QUERY_VALUE | view);
    if (!open.get())
        return value;
    DWORD size = 0;
    if (RegQueryValueExA(open.get(), name.c_str(), nullptr, &value.type, nullptr, &size) != ERROR_SUCCESS)
        return value;
    value.data.resize(size);
    if (RegQueryValueExA(open.get(), name.c_str(), nullptr, &value.type, reinterpret_cast<BYTE*>(&value.data[0]),
                         &size) != ERROR_SUCCESS)
        return value;
    value.data.resize(size);
    value.exists = true;
    return value;
}

bool registryKeyExists(HKEY root, const std::string& key, REGSAM view)
{
    OpenKey open(root, key, KEY_QUERY_VALUE | view);
    return open.get() != nullptr;
}

std::string registryKeyClass(HKEY root, const std::string& key)
{
    OpenKey open(root, key, KEY_QUERY_VALUE);
    if (!open.get())
        return "<missing>";
    char name[256] = {};
    DWORD length = sizeof name;
    if (RegQueryInfoKeyA(open.get(), name, &length, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                         nullptr, nullptr) != ERROR_SUCCESS)
        return "<unreadable>";
    return std::string(name, length);
}

size_t registryValueCount(HKEY root, const std::string& key)
{
    OpenKey open(root, key, KEY_QUERY_VALUE);
    DWORD count = 0;
    if (!open.get() || RegQueryInfoKeyA(open.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count,
                                        nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return 0;
    return count;
}

bool setRegistryString(HKEY root, const std::string& key, const std::string& name, const std::string& data)
{
    HKEY handle = nullptr;
    if (RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &handle, nullptr) != ERROR_SUCCESS)
        return false;
    bool ok = RegSetValueExA(handle, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                             DWORD(data.size() + 1)) == ERROR_SUCCESS;
    RegCloseKey(handle);
    return ok;
}

void deleteRegistryTree(HKEY root, const std::string& key, REGSAM view)
{
    {
        OpenKey open(root, key, KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE | view);
        if (!open.get())
            return;
        char child[256];
        // Deleting shifts the indices: always take the first until none is left.
        for (;;) {
            DWORD length = sizeof child;
            if (RegEnumKeyExA(open.get(), 0, child, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
                break;
            deleteRegistryTree(root, key + "\\" + child, view);
            if (registryKeyExists(root, key + "\\" + child, view))
                break;  // could not be removed: give up rather than loop
        }
    }
    typedef LONG(WINAPI * DeleteKeyEx)(HKEY, LPCSTR, REGSAM, DWORD);
    DeleteKeyEx deleteKeyEx = reinterpret_cast<DeleteKeyEx>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("advapi32.dll"), "RegDeleteKeyExA")));
    if (view && deleteKeyEx)
        deleteKeyEx(root, key.c_str(), view, 0);
    else
        RegDeleteKeyA(root, key.c_str());
}

namespace {

enum class LinesOf { Values, Keys };

// One walk for both listings: a line per value, or a line per key, of the
// key and everything below it.
void collectLines(HKEY root, const std::string& key, REGSAM view, LinesOf what, std::vector<std::string>& lines)
{
    OpenKey open(root, key, KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE | view);
    if (!open.get())
        return;
    if (what == LinesOf::Keys)
        lines.push_back(key + "\\");
    for (DWORD index = 0; what == LinesOf::Values; ++index) {
        char name[16384];
        DWORD nameLength = sizeof name;
        DWORD type = 0;
        DWORD dataSize = 0;
        if (RegEnumValueA(open.get(), index, name, &nameLength, nullptr, &type, nullptr, &dataSize) != ERROR_SUCCESS)
            break;
        RegistryValue value = readRegistryValue(root, key, std::string(name, nameLength), view);
        static const char kHex[] = "0123456789abcdef";
        std::string line = key + "\\" + std::string(name, nameLength) + "=" + std::to_string(type) + ":";
        for (unsigned char c : value.data) {
            line += kHex[c >> 4];
            line += kHex[c & 15];
        }
        lines.push_back(line);
    }
    for (DWORD index = 0;; ++index) {
        char child[256];
        DWORD length = sizeof child;
        if (RegEnumKeyExA(open.get(), index, child, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        collectLines(root, key + "\\" + child, view, what, lines);
    }
}

std::vector<std::string> sortedLines(HKEY root, const std::string& key, REGSAM view, LinesOf what)
{
    std::vector<std::string> lines;
    collectLines(root, key, view, what, lines);
    std::sort(lines.begin(), lines.end());
    return lines;
}

}  // namespace

std::vector<std::string> registryValueLines(HKEY root, const std::string& key, REGSAM view)
{
    return sortedLines(root, key, view, LinesOf::Values);
}

std::vector<std::string> registryKeyLines(HKEY root, const std::string& key, REGSAM view)
{
    return sortedLines(root, key, view, LinesOf::Keys);
}

std::string storedText(const std::string& text)
{
    return std::string(text.c_str(), text.size() + 1);
}

std::string storedNumber(uint32_t value)
{
    return std::string{char(value), char(value >> 8), char(value >> 16), char(value >> 24)};
}
