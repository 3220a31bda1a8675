#include "uninstall/uninstall_entry.h"

#include "format/unattended_rules.h"
#include "platform/import_slots.h"

SLIPWAY_IMPORT_SLOT(RegCreateKeyExA, 36);
SLIPWAY_IMPORT_SLOT(RegDeleteKeyA, 8);

namespace {

const char kUninstallKeyPath[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const DWORD kUninstallKeyAccess = KEY_READ | KEY_SET_VALUE | KEY_CREATE_SUB_KEY;

bool createKey(HKEY parent, const char* name, UniqueRegKey& key)
{
    return RegCreateKeyExASlot(parent, name, 0, const_cast<char*>("CommonClass"), REG_OPTION_NON_VOLATILE,
                               kUninstallKeyAccess, nullptr, key.put(), nullptr) == ERROR_SUCCESS;
}

// Opens the Uninstall key, creating it when missing.
bool createUninstallKey(UniqueRegKey& key)
{
    return createKey(HKEY_LOCAL_MACHINE, kUninstallKeyPath, key);
}

// Opens the Uninstall key to read; a missing key stays missing.
bool openUninstallKey(UniqueRegKey& key)
{
    return RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallKeyPath, 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

}  // namespace

bool createUninstallEntry(const char* name, UniqueRegKey& entry)
{
    if (!name[0])
        return false;
    UniqueRegKey uninstall;
    return createUninstallKey(uninstall) && createKey(uninstall.get(), name, entry);
}

bool openUninstallEntry(const char* name, UniqueRegKey& entry)
{
    UniqueRegKey uninstall;
    return name[0] && openUninstallKey(uninstall) &&
           RegOpenKeyExA(uninstall.get(), name, 0, KEY_READ, entry.put()) == ERROR_SUCCESS;
}

bool readEntryText(HKEY entry, const char* valueName, char* text, size_t size)
{
    if (size == 0)
        return false;
    DWORD length = size - 1 > MAXDWORD ? MAXDWORD : DWORD(size - 1);
    DWORD type = 0;
    if (RegQueryValueExA(entry, valueName, nullptr, &type, reinterpret_cast<BYTE*>(text), &length) != ERROR_SUCCESS)
        length = 0;
    text[length] = 0;
    return text[0] != 0;
}

bool readUninstallCommand(const char* name, char* command, size_t size)
{
    UniqueRegKey entry;
    return openUninstallEntry(name, entry) && readEntryText(entry.get(), "UninstallString", command, size);
}

void deleteUninstallEntry(const char* name)
{
    if (!name[0])
        return;
    UniqueRegKey uninstall;
    if (createUninstallKey(uninstall))
        RegDeleteKeyASlot(uninstall.get(), name);
}

void setQuietUninstallValues(HKEY entry, const char* uninstallerPath)
{
    // Room for a path of 260 characters, its quotes and the switch.
    char command[272];
    size_t length = formatTextOf(command, sizeof command, "\"%s\" /quiet", uninstallerPath);
    RegSetValueExA(entry, "QuietUninstallString", 0, REG_SZ, reinterpret_cast<const BYTE*>(command), DWORD(length + 1));
    const DWORD one = 1;
    for (const char* name = "NoModify\0NoRepair\0"; *name; name += 9)
        RegSetValueExA(entry, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), sizeof one);
}
