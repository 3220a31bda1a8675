// A product's entry under the Uninstall key, made, read and deleted against
// Wine's registry in the 32-bit view the installer registers in.
#include "support/registry_values.h"
#include "support/wizard_driver.h"

#include "uninstall/uninstall_entry.h"

#include <gtest/gtest.h>

#include <string.h>

#include <string>

namespace {

const char kEntry[] = "SlipwayUninstallEntryTest";
const char kNeighbour[] = "SlipwayUninstallEntryTestNeighbour";
const char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// Stores the bytes as the text value `name` of `key`, exactly as given: an
// earlier installer may have stored its command without the NUL. A byte
// other than NUL follows them, since the system counts in a NUL it finds
// just behind a text given without one.
bool storeText(const std::string& key, const char* name, const std::string& bytes)
{
    HKEY handle = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE | KEY_WOW64_32KEY, nullptr,
                        &handle, nullptr) != ERROR_SUCCESS)
        return false;
    const std::string guarded = bytes + 'Z';
    bool ok = RegSetValueExA(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(guarded.data()),
                             DWORD(bytes.size())) == ERROR_SUCCESS;
    RegCloseKey(handle);
    return ok;
}

bool storeCommand(const char* entry, const std::string& bytes)
{
    return storeText(uninstallKeyPath(entry), "UninstallString", bytes);
}

bool entryExists(const char* entry)
{
    return registryKeyExists(HKEY_LOCAL_MACHINE, uninstallKeyPath(entry), KEY_WOW64_32KEY);
}

// What a read gives: the text, or "<none>" when it answered false. The byte
// just past the buffer of `size` is watched: the read must never reach it.
std::string readCommand(const char* entry, size_t size)
{
    char buffer[300];
    memset(buffer, 'X', sizeof buffer);
    bool found = readUninstallCommand(entry, buffer, size);
    EXPECT_EQ(buffer[size], 'X') << "the read went past its buffer of " << size;
    return found ? std::string(buffer) : "<none>";
}

class UninstallEntryTest : public ::testing::Test {
protected:
    void SetUp() override { removeEntries(); }
    void TearDown() override { removeEntries(); }

    static void removeEntries()
    {
        for (const char* entry : {kEntry, kNeighbour})
            deleteRegistryTree(HKEY_LOCAL_MACHINE, uninstallKeyPath(entry), KEY_WOW64_32KEY);
    }
};

}  // namespace

TEST_F(UninstallEntryTest, CreatedEntryHoldsWhatIsSetAndReadsBack)
{
    UniqueRegKey entry;
    ASSERT_TRUE(createUninstallEntry(kEntry, entry));
    const char command[] = "C:\\Program Files\\Product\\uninstall.exe";
    ASSERT_EQ(RegSetValueExA(entry.get(), "UninstallString", 0, REG_SZ, reinterpret_cast<const BYTE*>(command),
                             sizeof command),
              ERROR_SUCCESS);
    entry.reset();
    EXPECT_TRUE(entryExists(kEntry));
    EXPECT_EQ(registryKeyClass(HKEY_LOCAL_MACHINE, uninstallKeyPath(kEntry)), "CommonClass");
    EXPECT_EQ(readCommand(kEntry, 100), command);

    // Opening it again keeps what it holds.
    ASSERT_TRUE(createUninstallEntry(kEntry, entry));
    entry.reset();
    EXPECT_EQ(readCommand(kEntry, 100), command);
}

// The command is bounded by the buffer, a NUL included, whatever another
// installer stored.
TEST_F(UninstallEntryTest, ReadFindsOnlyACommandThatFits)
{
    EXPECT_EQ(readCommand(kEntry, 100), "<none>");  // no entry

    UniqueRegKey entry;
    ASSERT_TRUE(createUninstallEntry(kEntry, entry));
    entry.reset();
    EXPECT_EQ(readCommand(kEntry, 100), "<none>");  // no value

    ASSERT_TRUE(storeCommand(kEntry, std::string("", 1)));
    EXPECT_EQ(readCommand(kEntry, 100), "<none>");  // empty

    ASSERT_TRUE(storeCommand(kEntry, "a.exe"));
    EXPECT_EQ(readCommand(kEntry, 100), "a.exe");  // stored without its NUL
    EXPECT_EQ(readCommand(kEntry, 6), "a.exe");    // just fits with the NUL put behind it
    EXPECT_EQ(readCommand(kEntry, 5), "<none>");

    ASSERT_TRUE(storeCommand(kEntry, std::string("a.exe", 6)));
    EXPECT_EQ(readCommand(kEntry, 7), "a.exe");
    EXPECT_EQ(readCommand(kEntry, 6), "<none>");  // its own NUL does not fit in size - 1
    EXPECT_EQ(readCommand(kEntry, 0), "<none>");
}

TEST_F(UninstallEntryTest, DeleteRemovesOnlyTheNamedEntry)
{
    ASSERT_TRUE(storeCommand(kEntry, "a.exe"));
    ASSERT_TRUE(storeCommand(kNeighbour, "b.exe"));
    deleteUninstallEntry(kEntry);
    EXPECT_FALSE(entryExists(kEntry));
    EXPECT_TRUE(entryExists(kNeighbour));
    deleteUninstallEntry(kEntry);  // already gone: nothing happens
    EXPECT_TRUE(entryExists(kNeighbour));
}

// An empty name would be the Uninstall key itself: nothing is created, read
// or deleted there.
TEST_F(UninstallEntryTest, AnEmptyNameNeverReachesTheUninstallKeyItself)
{
    ASSERT_TRUE(storeCommand(kNeighbour, "b.exe"));
    ASSERT_TRUE(storeText(kUninstallKey, "UninstallString", std::string("stray.exe", 10)));

    UniqueRegKey entry;
    EXPECT_FALSE(createUninstallEntry("", entry));
    EXPECT_EQ(readCommand("", 100), "<none>");
    deleteUninstallEntry("");
    EXPECT_TRUE(entryExists(kNeighbour));

    HKEY uninstall = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_SET_VALUE | KEY_WOW64_32KEY, &uninstall),
              ERROR_SUCCESS);
    RegDeleteValueA(uninstall, "UninstallString");
    RegCloseKey(uninstall);
}
