// Registry values set, deleted and removed again against Wine's real
// registry, in the 32-bit view the 32-bit installer works in.
#include "support/file_steps.h"
#include "support/registry_values.h"

#include "format/action_script.h"
#include "engine/passes.h"
#include "format/registry_roots.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

const char kTestsKey[] = "Software\\SlipwayRegistryActionsTest";

void fill(RegistryValueFields& fields, uint32_t root, const std::string& key, const std::string& name)
{
    fields.root = root;
    fields.subKey.assignText(key.c_str());
    fields.valueName.assignText(name.c_str());
}

std::unique_ptr<SetRegStringAction> setString(uint32_t root, const std::string& key, const std::string& name,
                                              const std::string& data)
{
    auto action = std::make_unique<SetRegStringAction>();
    fill(*action, root, key, name);
    action->data.assignText(data.c_str());
    return action;
}

std::unique_ptr<SetRegDwordAction> setNumber(uint32_t root, const std::string& key, const std::string& name,
                                             uint32_t data)
{
    auto action = std::make_unique<SetRegDwordAction>();
    fill(*action, root, key, name);
    action->data = data;
    return action;
}

std::unique_ptr<DeleteRegValueAction> deleteValue(uint32_t root, const std::string& key, const std::string& name)
{
    auto action = std::make_unique<DeleteRegValueAction>();
    fill(*action, root, key, name);
    return action;
}

// An undo entry as the tests compare it.
struct RecordedValue {
    uint32_t root;
    std::string key;
    std::string name;
    bool operator==(const RecordedValue& other) const
    {
        return root == other.root && key == other.key && name == other.name;
    }
};

void PrintTo(const RecordedValue& value, std::ostream* out)
{
    *out << "DeleteRegValueUndo(" << std::hex << value.root << ", " << value.key << ", \"" << value.name << "\")";
}

std::vector<RecordedValue> recordedValues(const UndoLog& log)
{
    std::vector<RecordedValue> values;
    for (UndoEntry* entry = log.first(); entry; entry = entry->next) {
        if (entry->isRollbackOnly())
            continue;
        if (entry->kind() != DeleteRegValueUndo::kKind) {
            values.push_back({0, "<other kind>", ""});
            continue;
        }
        auto* undo = static_cast<DeleteRegValueUndo*>(entry);
        values.push_back({undo->root, undo->subKey.text(), undo->valueName.text()});
    }
    return values;
}

// A key of its own for every test, below HKCU unless a test says otherwise,
// removed before and after.
class RegistryActionTest : public FileStepTest {
protected:
    void SetUp() override
    {
        FileStepTest::SetUp();
        key = std::string(kTestsKey) + "\\" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
        clear();
    }
    void TearDown() override
    {
        clear();
        FileStepTest::TearDown();
    }
    void clear()
    {
        deleteRegistryTree(HKEY_CURRENT_USER, key);
        deleteRegistryTree(HKEY_LOCAL_MACHINE, key);
        deleteRegistryTree(HKEY_CLASSES_ROOT, "SlipwayRegistryActionsTest");
    }
    RegistryValue value(const std::string& name, const std::string& below = "") const
    {
        return readRegistryValue(HKEY_CURRENT_USER, below.empty() ? key : key + "\\" + below, name);
    }

    std::string key;
};

// ------------------------------------------------------------------ setting

TEST_F(RegistryActionTest, StringValueIsSetWithItsNulAndRecordedExpanded)
{
    auto action = setString(kCurrentUser, key, "Folder", "$DIR$\\bin");
    EXPECT_TRUE(executeQuietly(*action));
    RegistryValue stored = value("Folder");
    ASSERT_TRUE(stored.exists);
    EXPECT_EQ(stored.type, DWORD(REG_SZ));
    EXPECT_EQ(stored.data, storedText(folder + "\\bin"));
    EXPECT_EQ(recordedValues(target.undoLog), (std::vector<RecordedValue>{{kCurrentUser, key, "Folder"}}));
}

TEST_F(RegistryActionTest, MissingKeysAreCreatedWithTheInstallersClass)
{
    auto action = setString(kCurrentUser, key + "\\Deep\\Deeper", "Name", "data");
    EXPECT_TRUE(executeQuietly(*action));
    EXPECT_EQ(value("Name", "Deep\\Deeper").data, storedText("data"));
    EXPECT_EQ(registryKeyClass(HKEY_CURRENT_USER, key + "\\Deep\\Deeper"), "CommonClass");
    EXPECT_EQ(registryKeyClass(HKEY_CURRENT_USER, key + "\\Deep"), "CommonClass");
}

TEST_F(RegistryActionTest, EmptyStringIsStoredAsOneNul)
{
    auto action = setString(kCurrentUser, key, "Empty", "");
    EXPECT_TRUE(executeQuietly(*action));
    RegistryValue stored = value("Empty");
    ASSERT_TRUE(stored.exists);
    EXPECT_EQ(stored.type, DWORD(REG_SZ));
    EXPECT_EQ(stored.data, std::string(1, '\0'));
}

TEST_F(RegistryActionTest, EmptyNameSetsAndDeletesTheDefaultValue)
{
    auto set = setString(kCurrentUser, key, "", "the default");
    EXPECT_TRUE(executeQuietly(*set));
    EXPECT_EQ(value("").data, storedText("the default"));
    EXPECT_EQ(registryValueCount(HKEY_CURRENT_USER, key), 1u);
    EXPECT_EQ(recordedValues(target.undoLog), (std::vector<RecordedValue>{{kCurrentUser, key, ""}}));

    auto remove = deleteValue(kCurrentUser, key, "");
    EXPECT_TRUE(executeQuietly(*remove));
    EXPECT_FALSE(value("").exists);
}

TEST_F(RegistryActionTest, NumberIsStoredAsFourLittleEndianBytes)
{
    auto action = setNumber(kCurrentUser, key, "Answer", 0x12345678u);
    EXPECT_TRUE(executeQuietly(*action));
    RegistryValue stored = value("Answer");
    EXPECT_EQ(stored.type, DWORD(REG_DWORD));
    EXPECT_EQ(stored.data, storedNumber(0x12345678u));
    EXPECT_EQ(recordedValues(target.undoLog), (std::vector<RecordedValue>{{kCurrentUser, key, "Answer"}}));
}

TEST_F(RegistryActionTest, ExistingValueIsOverwrittenAndUndoRemovesIt)
{
    ASSERT_TRUE(setRegistryString(HKEY_CURRENT_USER, key, "Kept", "before"));
    auto action = setNumber(kCurrentUser, key, "Kept", 7);
    EXPECT_TRUE(executeQuietly(*action));
    EXPECT_EQ(value("Kept").data, storedNumber(7));
    // Undo removes the value; it does not bring the earlier one back.
    EXPECT_EQ(undoQuietly(*target.undoLog.first()), 0u);
    EXPECT_FALSE(value("Kept").exists);
    EXPECT_TRUE(registryKeyExists(HKEY_CURRENT_USER, key));
}

TEST_F(RegistryActionTest, ClassesRootTakesValuesToo)
{
    auto action = setString(kClassesRoot, "SlipwayRegistryActionsTest", "Kind", "test");
    EXPECT_TRUE(executeQuietly(*action));
    EXPECT_EQ(readRegistryValue(HKEY_CLASSES_ROOT, "SlipwayRegistryActionsTest", "Kind").data, storedText("test"));
}

// ------------------------------------------------------------------ deleting

TEST_F(RegistryActionTest, DeleteRemovesTheValueAndLeavesNoUndoEntry)
{
    ASSERT_TRUE(setRegistryString(HKEY_CURRENT_USER, key, "Old", "x"));
    ASSERT_TRUE(setRegistryString(HKEY_CURRENT_USER, key, "Other", "y"));
    auto action = deleteValue(kCurrentUser, key, "Old");
    EXPECT_TRUE(executeQuietly(*action));
    EXPECT_FALSE(value("Old").exists);
    EXPECT_TRUE(value("Other").exists);
    EXPECT_TRUE(recordedValues(target.undoLog).empty());
}

// A failed installation leaves the registry as it found it: a value it
// replaced and one it deleted come back; one it made goes.
TEST_F(RegistryActionTest, RollbackPutsBackReplacedAndDeletedValues)
{
    ASSERT_TRUE(setRegistryString(HKEY_CURRENT_USER, key, "Replaced", "before"));
    ASSERT_TRUE(setRegistryString(HKEY_CURRENT_USER, key, "Deleted", "kept"));
    auto replace = setNumber(kCurrentUser, key, "Replaced", 7);
    auto remove = deleteValue(kCurrentUser, key, "Deleted");
    auto make = setString(kCurrentUser, key, "Made", "new");
    EXPECT_TRUE(executeQuietly(*replace) && executeQuietly(*remove) && executeQuietly(*make));
    EXPECT_EQ(value("Replaced").data, storedNumber(7));
    EXPECT_FALSE(value("Deleted").exists);
    rollBack(target.undoLog, context);
    EXPECT_EQ(value("Replaced").type, DWORD(REG_SZ));
    EXPECT_EQ(value("Replaced").data, storedText("before"));
    EXPECT_EQ(value("Deleted").data, storedText("kept"));
    EXPECT_FALSE(value("Made").exists);
}

TEST_F(RegistryActionTest, DeleteOnAMissingKeyCreatesThatKeyEmpty)
{
    const bool hadKey = registryKeyExists(HKEY_CURRENT_USER, key);
    auto action = deleteValue(kCurrentUser, key + "\\Missing\\Too", "Gone");
    EXPECT_TRUE(executeQuietly(*action));
    EXPECT_TRUE(registryKeyExists(HKEY_CURRENT_USER, key + "\\Missing\\Too"));
    EXPECT_EQ(registryValueCount(HKEY_CURRENT_USER, key + "\\Missing\\Too"), 0u);
    // Nothing for the uninstaller; a failed installation takes the keys it
    // made away again.
    ASSERT_EQ(target.undoLog.count(), 1u);
    EXPECT_TRUE(target.undoLog.first()->isRollbackOnly());
    rollBack(target.undoLog, context);
    EXPECT_FALSE(registryKeyExists(HKEY_CURRENT_USER, key + "\\Missing"));
    EXPECT_EQ(registryKeyExists(HKEY_CURRENT_USER, key), hadKey) << "a key that was there before went too";
}

TEST_F(RegistryActionTest, UndoRemovesTheValueAndKeepsTheKeysItMade)
{
    auto action = setString(kCurrentUser, key + "\\Made", "Value", "v");
    EXPECT_TRUE(executeQuietly(*action));
    EXPECT_EQ(undoQuietly(*target.undoLog.first()), 0u);
    EXPECT_FALSE(value("Value", "Made").exists);
    EXPECT_TRUE(registryKeyExists(HKEY_CURRENT_USER, key + "\\Made"));
    // Undoing again finds nothing to remove and still goes on.
    EXPECT_EQ(undoQuietly(*target.undoLog.first()), 0u);
}

// ------------------------------------------------------------------ the 32-bit view

TEST_F(RegistryActionTest, MachineValuesLandInTheThirtyTwoBitView)
{
    BOOL wow64 = FALSE;
    ASSERT_TRUE(IsWow64Process(GetCurrentProcess(), &wow64));
    ASSERT_TRUE(wow64) << "the tests' Wine prefix must be a 64-bit one";
    auto action = setString(kLocalMachine, key, "Machine", "yes");
    EXPECT_TRUE(executeQuietly(*action));
    const std::string redirected = "Software\\Wow6432Node" + key.substr(strlen("Software"));
    EXPECT_EQ(readRegistryValue(HKEY_LOCAL_MACHINE, redirected, "Machine", KEY_WOW64_64KEY).data, storedText("yes"));
    EXPECT_FALSE(readRegistryValue(HKEY_LOCAL_MACHINE, key, "Machine", KEY_WOW64_64KEY).exists);
    EXPECT_EQ(undoQuietly(*target.undoLog.first()), 0u);
    EXPECT_FALSE(readRegistryValue(HKEY_LOCAL_MACHINE, redirected, "Machine", KEY_WOW64_64KEY).exists);
    deleteRegistryTree(HKEY_LOCAL_MACHINE, key, KEY_WOW64_32KEY);
}

// ------------------------------------------------------------------ failures

// Roots no value can be written below: outside the predefined handles
// (refused before the system sees them), and a predefined one that the
// system refuses to create keys in (Wine grants every right, so a refused
// root is how a write fails here).
const uint32_t kRefusedRoots[] = {
    0x80000007u,  // just past the predefined handles
    0x7FFFFFFFu, 0u,
    0x80000004u,  // HKEY_PERFORMANCE_DATA
};

class RegistryRootTest : public RegistryActionTest, public ::testing::WithParamInterface<uint32_t> {};

TEST_P(RegistryRootTest, SettingFailsSilentlyAndLeavesNoUndoEntry)
{
    auto text = setString(GetParam(), key, "Value", "v");
    EXPECT_FALSE(executeQuietly(*text));
    auto number = setNumber(GetParam(), key, "Value", 1);
    EXPECT_FALSE(executeQuietly(*number));
    EXPECT_EQ(target.undoLog.count(), 0u);
}

TEST_P(RegistryRootTest, DeletingAndUndoingGoOnWithoutDoingAnything)
{
    auto action = deleteValue(GetParam(), key, "Value");
    EXPECT_TRUE(executeQuietly(*action));
    DeleteRegValueUndo undo;
    fill(undo, GetParam(), key, "Value");
    EXPECT_EQ(undoQuietly(undo), 0u);
}

INSTANTIATE_TEST_SUITE_P(RegistryActions, RegistryRootTest, ::testing::ValuesIn(kRefusedRoots),
                         [](const ::testing::TestParamInfo<uint32_t>& info) {
                             char name[16];
                             snprintf(name, sizeof name, "Root%08X", info.param);
                             return std::string(name);
                         });

TEST_F(RegistryActionTest, FieldsThatDoNotExpandWholeAreNeverUsedCut)
{
    const std::string longName(300, 'n');
    const std::string longData(16400, 'd');
    std::unique_ptr<Action> failing[] = {
        setString(kCurrentUser, key + "\\$FAIL$", "Value", "v"),
        setString(kCurrentUser, key, longName, "v"),
        setString(kCurrentUser, key, "Value", longData),
        setString(kCurrentUser, key + "\\" + std::string(300, 'k'), "Value", "v"),
        setNumber(kCurrentUser, key, "$FAIL$", 1),
    };
    for (auto& action : failing)
        EXPECT_FALSE(executeQuietly(*action));
    EXPECT_FALSE(registryKeyExists(HKEY_CURRENT_USER, key));
    EXPECT_EQ(target.undoLog.count(), 0u);

    // A value name that does not expand whole names some other value: it is
    // left alone, and the installation goes on.
    ASSERT_TRUE(setRegistryString(HKEY_CURRENT_USER, key, std::string(255, 'n'), "kept"));
    auto remove = deleteValue(kCurrentUser, key, longName);
    EXPECT_TRUE(executeQuietly(*remove));
    EXPECT_TRUE(value(std::string(255, 'n')).exists);
}

TEST_F(RegistryActionTest, LongestDataThatFitsIsStoredWhole)
{
    const std::string data(16300, 'd');
    auto action = setString(kCurrentUser, key, "Long", data);
    EXPECT_TRUE(executeQuietly(*action));
    EXPECT_EQ(value("Long").data, storedText(data));
}

TEST_F(RegistryActionTest, FailedWriteStopsTheInstallationAndTheRollbackRemovesWhatWasSet)
{
    ActionScript script;
    script.mainActions.actions.push(setString(kCurrentUser, key, "First", "1").release());
    script.mainActions.actions.push(setNumber(kCurrentUser, key + "\\Sub", "Second", 2).release());
    script.mainActions.actions.push(setString(0x80000004u, key, "Refused", "x").release());
    script.mainActions.actions.push(setString(kCurrentUser, key, "Never", "n").release());

    bool ok = true;
    runQuietly([&] { ok = runInstallation(script, nullptr, context); });
    EXPECT_FALSE(ok);
    EXPECT_TRUE(value("First").exists);
    EXPECT_TRUE(value("Second", "Sub").exists);
    EXPECT_FALSE(value("Never").exists);
    EXPECT_EQ(recordedValues(target.undoLog), (std::vector<RecordedValue>{
                                                  {kCurrentUser, key + "\\Sub", "Second"},
                                                  {kCurrentUser, key, "First"},
                                              }));

    // The rollback of the install thread: custom steps, then reversals.
    uint32_t custom = 99, reversals = 99;
    runQuietly([&] {
        custom = runCustomSteps(target.undoLog, context);
        reversals = runReversals(target.undoLog, context);
    });
    EXPECT_EQ(custom, 0u);
    EXPECT_EQ(reversals, 0u);
    EXPECT_FALSE(value("First").exists);
    EXPECT_FALSE(value("Second", "Sub").exists);
    EXPECT_TRUE(registryKeyExists(HKEY_CURRENT_USER, key + "\\Sub"));
}

}  // namespace
