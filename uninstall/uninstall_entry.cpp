#include "uninstall/uninstall_entry.h"

const char kUninstallKeyPath[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

namespace {

const DWORD kUninstallKeyAccess = KEY_READ | KEY_SET_VALUE | KEY_CREATE_SUB_KEY;

bool createKey(HKEY parent, const char* name, UniqueRegKey& key)
{
    return RegCreateKeyExA(parent, name, 0, const_cast<char*>("CommonClass"), REG_OPTION_NON_VOLATILE,
                           kUninstallKeyAccess, nullptr, key.put(), nullptr) == ERROR_SUCCESS;
}

}  // namespace

bool createUninstallKey(UniqueRegKey& key)
{
    return createKey(HKEY_LOCAL_MACHINE, kUninstallKeyPath, key);
}

bool createUninstallEntry(HKEY uninstallKey, const char* name, UniqueRegKey& entry)
{
    return createKey(uninstallKey, name, entry);
}
