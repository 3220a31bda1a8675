// The rollback, whole: an installer built by `slipway` from
// tests/windows/packages/rollback replaces, deletes and adds registry
// values, sets values under keys it has to create, deletes the user's log
// files in a folder tree that was there before, lists a user's file for
// removal at uninstall, overwrites a user's file and creates a folder, then
// meets a file that another program holds. The user answers Abort, or nobody
// is there to ask (/quiet): every file (what it holds and its time stamp),
// every value and every key must be as before, and the user's data still
// there.
#include "support/file_steps.h"
#include "support/installer_wizard.h"
#include "support/machine_state.h"
#include "support/registry_values.h"
#include "support/stub_runs.h"
#include "support/wizard_driver.h"
#include "uiauto/ui_automation.h"

#include "resources/resource_ids.h"

#include "format/unattended_rules.h"

#include <gtest/gtest.h>

namespace {

const char kValuesKey[] = "Software\\SlipwayRollbackTest";
const char kMadeKey[] = "Software\\SlipwayRollbackMade";

// The user's logs the installation deletes (and one file it leaves), in a
// tree whose sub-folder "only" holds nothing else, so the deletion removes
// it.
const char* const kUserLogs[] = {"logs\\a.log", "logs\\sub\\b.log", "logs\\only\\c.log", "logs\\read-only.log"};

// The user's own things that the installation touches, and the keys it
// writes, removed again afterwards.
class UsersData {
public:
    explicit UsersData(const InstalledProduct& product)
    {
        deleteRegistryTree(HKEY_LOCAL_MACHINE, kValuesKey, KEY_WOW64_32KEY);
        deleteRegistryTree(HKEY_LOCAL_MACHINE, kMadeKey, KEY_WOW64_32KEY);
        for (const char* folder : {"", "\\logs", "\\logs\\sub", "\\logs\\only"})
            CreateDirectoryA((product.folder() + folder).c_str(), nullptr);
        ok_ = writeFile(product.at("a.txt"), "the user's own a.txt") &&
              writeFile(product.at("listed.txt"), "the user's list") &&
              writeFile(product.at("zz_held.txt"), "held by another program") &&
              writeFile(product.at("logs\\keep.txt"), "not a log") &&
              setRegistryString(HKEY_CURRENT_USER, kValuesKey, "Replaced", "the user's value") &&
              setRegistryString(HKEY_CURRENT_USER, kValuesKey, "Deleted", "the user's other value");
        for (const char* log : kUserLogs)
            ok_ = ok_ && writeFile(product.at(log), std::string("the user's ") + log);
        ok_ = ok_ && SetFileAttributesA(product.at("logs\\read-only.log").c_str(), FILE_ATTRIBUTE_READONLY);
    }
    ~UsersData()
    {
        deleteRegistryTree(HKEY_CURRENT_USER, kValuesKey);
        deleteRegistryTree(HKEY_LOCAL_MACHINE, kValuesKey, KEY_WOW64_32KEY);
        deleteRegistryTree(HKEY_LOCAL_MACHINE, kMadeKey, KEY_WOW64_32KEY);
    }
    UsersData(const UsersData&) = delete;
    UsersData& operator=(const UsersData&) = delete;
    bool ok() const { return ok_; }

private:
    bool ok_ = false;
};

class Rollback : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(data_.ok());
        before_ = machineState();
        held_.reset(new HeldFile(product_.at("zz_held.txt")));
        ASSERT_TRUE(held_->held());
    }

    // Everything is as it was, keys included, and the user's files still
    // hold what they held.
    void expectAsBefore()
    {
        expectSameState(before_, machineState(), KeysCompared::Yes);
        EXPECT_EQ(readFile(product_.at("a.txt")), "the user's own a.txt");
        EXPECT_EQ(readFile(product_.at("listed.txt")), "the user's list");
        for (const char* log : kUserLogs)
            EXPECT_EQ(readFile(product_.at(log)), std::string("the user's ") + log) << log;
        EXPECT_TRUE(GetFileAttributesA(product_.at("logs\\read-only.log").c_str()) & FILE_ATTRIBUTE_READONLY);
    }

    // By the prompt, the installation has done all it does before the held
    // file.
    void expectChangesMade()
    {
        EXPECT_NE(readFile(product_.at("a.txt")), "the user's own a.txt");
        EXPECT_TRUE(fileExists(product_.at("new\\deep.txt")));
        EXPECT_EQ(readRegistryValue(HKEY_CURRENT_USER, kValuesKey, "Replaced").data,
                  storedText("written by the installer"));
        EXPECT_FALSE(readRegistryValue(HKEY_CURRENT_USER, kValuesKey, "Deleted").exists);
        EXPECT_TRUE(readRegistryValue(HKEY_LOCAL_MACHINE, kValuesKey, "Added", KEY_WOW64_32KEY).exists);
        EXPECT_TRUE(registryKeyExists(HKEY_CURRENT_USER, std::string(kValuesKey) + "\\NewKey\\Deeper"));
        EXPECT_TRUE(registryKeyExists(HKEY_LOCAL_MACHINE, std::string(kMadeKey) + "\\Deeper", KEY_WOW64_32KEY));
        for (const char* log : kUserLogs)
            EXPECT_FALSE(fileExists(product_.at(log))) << log;
        EXPECT_FALSE(fileExists(product_.at("logs\\only"))) << "the emptied folder was not removed";
        EXPECT_TRUE(fileExists(product_.at("logs\\keep.txt")));
    }

    // Runs the installer with /quiet to its end: nobody is asked, the held
    // file stops it, and it ends with 1603.
    void runQuietly()
    {
        uiauto::RunningProcess setup;
        ASSERT_TRUE(startProgram(setup, testInstallerPath("rollback"), "/quiet"));
        DWORD exitCode = 0;
        ASSERT_TRUE(setup.wait(kExitTimeoutMs, &exitCode)) << "the installer did not end";
        EXPECT_EQ(exitCode, kExitFailed);
        held_->release();
        expectAsBefore();
    }

    InstalledProduct product_{"Slipway Rollback", {"SlipwayRollbackTest"}};
    UsersData data_{product_};
    MachineState before_;
    std::unique_ptr<HeldFile> held_;
};

TEST_F(Rollback, AbortLeavesFilesValuesAndKeysAsTheyWere)
{
    uiauto::RunningProcess setup;
    ASSERT_TRUE(startProgram(setup, testInstallerPath("rollback"), ""));
    HWND frame = waitForFrame(setup);
    ASSERT_NE(frame, nullptr) << "the wizard frame did not appear";
    ASSERT_TRUE(waitUntilLoaded(frame));
    ASSERT_NE(nextUntilProgressPage(frame), nullptr);

    HWND box = waitForPrompt(setup.processId());
    ASSERT_NE(box, nullptr) << "no prompt for the held file";
    expectChangesMade();
    ASSERT_TRUE(uiauto::answerMessageBox(box, IDABORT));
    ASSERT_TRUE(waitForNextEnabled(frame)) << "the rollback did not end";
    held_->release();
    expectAsBefore();

    ASSERT_NE(pressAndWaitForPage(frame, IDC_NEXT, PageKind::Finish), nullptr);
    ASSERT_TRUE(waitForNextEnabled(frame));
    saveScreenshot(frame, "rollback-failed-finish");
    ASSERT_TRUE(uiauto::pressButton(frame, IDC_NEXT));
    EXPECT_TRUE(setup.wait(kExitTimeoutMs, nullptr)) << "the wizard did not end";
    // Nothing of the product is left to uninstall.
    expectAsBefore();
}

TEST_F(Rollback, QuietRunThatFailsLeavesEverythingAsItWas)
{
    runQuietly();
}

// /passive asks about the held file; after Abort the user decides on the
// failed pages, as in an attended run.
TEST_F(Rollback, PassiveRunAbortedLeavesEverythingAsItWas)
{
    uiauto::RunningProcess setup;
    ASSERT_TRUE(startProgram(setup, testInstallerPath("rollback"), "/passive"));
    HWND box = waitForPrompt(setup.processId());
    ASSERT_NE(box, nullptr) << "no prompt for the held file";
    expectChangesMade();
    ASSERT_TRUE(uiauto::answerMessageBox(box, IDABORT));
    HWND frame = waitForFrame(setup);
    ASSERT_NE(frame, nullptr) << "the wizard frame is not shown after the failure";
    ASSERT_TRUE(waitForNextEnabled(frame)) << "the rollback did not end";
    held_->release();
    expectAsBefore();
    ASSERT_NE(pressAndWaitForPage(frame, IDC_NEXT, PageKind::Finish), nullptr);
    ASSERT_TRUE(waitForNextEnabled(frame));
    ASSERT_TRUE(uiauto::pressButton(frame, IDC_NEXT));
    DWORD exitCode = 0;
    ASSERT_TRUE(setup.wait(kExitTimeoutMs, &exitCode)) << "the wizard did not end";
    EXPECT_EQ(exitCode, kExitFailed);
    expectAsBefore();
}

}  // namespace
