// Reading and clearing registry values as the tests check them, in the
// 32-bit view the installer writes (the tests are 32-bit programs too) or
// explicitly in the 64-bit view of a 64-bit prefix.
#pragma once

#include <windows.h>

#include <stdint.h>

#include <string>
#include <vector>

// What a value holds; exists is false when the key or the value is missing.
struct RegistryValue {
    bool exists = false;
    DWORD type = REG_NONE;
    std::string data;  // the raw bytes, as many as the value holds
};

// `view` is 0 (the program's own, 32-bit), KEY_WOW64_32KEY or KEY_WOW64_64KEY.
RegistryValue readRegistryValue(HKEY root, const std::string& key, const std::string& name, REGSAM view = 0);
bool registryKeyExists(HKEY root, const std::string& key, REGSAM view = 0);
// The class string a key was created with, "<missing>" without a key.
std::string registryKeyClass(HKEY root, const std::string& key);
// How many values a key holds, the default value included when set.
size_t registryValueCount(HKEY root, const std::string& key);

bool setRegistryString(HKEY root, const std::string& key, const std::string& name, const std::string& data);
// Removes a key and everything below it; a missing key is fine.
void deleteRegistryTree(HKEY root, const std::string& key, REGSAM view = 0);

// Every value below a key, its sub-keys' included, as sorted lines
// "key\\name=type:hex data", for comparing a part of the registry before and
// after a run (an export, as reg.exe would make one).
std::vector<std::string> registryValueLines(HKEY root, const std::string& key, REGSAM view = 0);
// Every key below `key` and the key itself, as "path\\", sorted: an empty
// key has a line too.
std::vector<std::string> registryKeyLines(HKEY root, const std::string& key, REGSAM view = 0);

// The data of a REG_SZ value as stored: the text and its NUL.
std::string storedText(const std::string& text);
// The four bytes of a REG_DWORD value.
std::string storedNumber(uint32_t value);
