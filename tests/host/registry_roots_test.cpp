// The predefined registry roots: which values the stub hands to the system,
// and the names the builder takes for them.
#include "builder/manifest/readable_names.h"
#include "format/registry_roots.h"

#include <gtest/gtest.h>

TEST(RegistryRoots, OnlyThePredefinedHandlesAreRoots)
{
    for (uint32_t value : {0x80000000u, 0x80000003u, 0x80000004u, 0x80000006u})
        EXPECT_TRUE(isRegistryRoot(value)) << std::hex << value;
    for (uint32_t value : {0u, 1u, 0x7FFFFFFFu, 0x80000007u, 0x8000FFFFu, 0xFFFFFFFFu})
        EXPECT_FALSE(isRegistryRoot(value)) << std::hex << value;
}

// A manifest names a root by either name, in any case; the list its messages
// give is every short name, then every long one.
TEST(RegistryRoots, ManifestNamesAreTheShortAndLongNamesOfTheNamedRoots)
{
    EXPECT_EQ(listNames(kRegistryRootNames),
              "HKCR, HKCU, HKLM, HKU, HKCC, HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, "
              "HKEY_LOCAL_MACHINE, HKEY_USERS, HKEY_CURRENT_CONFIG");
    for (const RegistryRootNames& names : kNamedRegistryRoots) {
        EXPECT_TRUE(isRegistryRoot(names.root)) << names.longName;
        EXPECT_EQ(namesOfRegistryRoot(names.root), &names);
        for (const char* name : {names.shortName, names.longName}) {
            uint32_t value = 0;
            EXPECT_TRUE(lookupName(kRegistryRootNames, name, value)) << name;
            EXPECT_EQ(value, uint32_t(names.root)) << name;
        }
    }
    // Performance data and dynamic data are roots, but no name reaches them.
    EXPECT_EQ(namesOfRegistryRoot(kPerformanceData), nullptr);
    EXPECT_EQ(namesOfRegistryRoot(kDynData), nullptr);
    uint32_t value = 0;
    EXPECT_TRUE(lookupName(kRegistryRootNames, "hkey local machine", value));
    EXPECT_EQ(value, 0x80000002u);
    EXPECT_FALSE(lookupName(kRegistryRootNames, "HKEY_PERFORMANCE_DATA", value));
}
