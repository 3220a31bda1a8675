// The predefined registry roots by the values their handles have on Windows:
// the values a package stores, the stub hands to the system, the expander's
// look-ups name and the builder reads and shows by name.
#pragma once

#include <stddef.h>
#include <stdint.h>

enum RegistryRoot : uint32_t {
    kClassesRoot = 0x80000000u,
    kCurrentUser = 0x80000001u,
    kLocalMachine = 0x80000002u,
    kUsers = 0x80000003u,
    kPerformanceData = 0x80000004u,
    kCurrentConfig = 0x80000005u,
    kDynData = 0x80000006u,
};

// HKEY_CLASSES_ROOT to HKEY_DYN_DATA. Any other value from a package is
// refused, never handed to the system as a key handle.
constexpr bool isRegistryRoot(uint32_t value)
{
    return value >= kClassesRoot && value <= kDynData;
}

struct RegistryRootNames {
    RegistryRoot root;
    const char* shortName;  // "HKLM"
    const char* longName;   // "HKEY_LOCAL_MACHINE"
};

// The roots that have names, in the order the builder lists them.
// Performance data and the 9x line's dynamic data hold nothing an
// installation writes, so no name stands for them; the stub still takes
// their values.
inline constexpr RegistryRootNames kNamedRegistryRoots[] = {
    {kClassesRoot, "HKCR", "HKEY_CLASSES_ROOT"},     {kCurrentUser, "HKCU", "HKEY_CURRENT_USER"},
    {kLocalMachine, "HKLM", "HKEY_LOCAL_MACHINE"},   {kUsers, "HKU", "HKEY_USERS"},
    {kCurrentConfig, "HKCC", "HKEY_CURRENT_CONFIG"},
};
inline constexpr size_t kNamedRegistryRootCount = sizeof kNamedRegistryRoots / sizeof kNamedRegistryRoots[0];

// The names of a root; null for a value that has none.
constexpr const RegistryRootNames* namesOfRegistryRoot(uint32_t value)
{
    for (const RegistryRootNames& names : kNamedRegistryRoots)
        if (names.root == value)
            return &names;
    return nullptr;
}
