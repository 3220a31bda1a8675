// The rollback after Abort, whole: an installer built by `slipway` from
// tests/windows/packages/rollback replaces, deletes and adds registry
// values, lists a user's file for removal at uninstall, overwrites a user's
// file and creates a folder, then meets a file that another program holds.
// The user answers Abort: every file (what it holds and its time stamp) and
// every value must be as before, and the user's data still there.
#include "support/file_steps.h"
#include "support/installer_wizard.h"
#include "support/machine_state.h"
#include "support/registry_values.h"
#include "support/stub_runs.h"
#include "support/wizard_driver.h"
#include "uiauto/ui_automation.h"

#include "resources/resource_ids.h"

#include <gtest/gtest.h>

namespace {

const char kValuesKey[] = "Software\\SlipwayRollbackTest";

// The user's own things that the installation touches, and the key it
// writes, removed again afterwards.
class UsersData {
public:
    explicit UsersData(const InstalledProduct& product) : product_(product)
    {
        CreateDirectoryA(product.folder().c_str(), nullptr);
        ok_ = writeFile(product.at("a.txt"), "the user's own a.txt") &&
              writeFile(product.at("listed.txt"), "the user's list") &&
              writeFile(product.at("zz_held.txt"), "held by another program") &&
              setRegistryString(HKEY_CURRENT_USER, kValuesKey, "Replaced", "the user's value") &&
              setRegistryString(HKEY_CURRENT_USER, kValuesKey, "Deleted", "the user's other value");
    }
    ~UsersData()
    {
        deleteRegistryTree(HKEY_CURRENT_USER, kValuesKey);
        deleteRegistryTree(HKEY_LOCAL_MACHINE, kValuesKey, KEY_WOW64_32KEY);
    }
    UsersData(const UsersData&) = delete;
    UsersData& operator=(const UsersData&) = delete;
    bool ok() const { return ok_; }

private:
    const InstalledProduct& product_;
    bool ok_ = false;
};

TEST(Rollback, AbortLeavesFilesAndValuesAsTheyWere)
{
    InstalledProduct product{"Slipway Rollback", {"SlipwayRollbackTest"}};
    deleteRegistryTree(HKEY_LOCAL_MACHINE, kValuesKey, KEY_WOW64_32KEY);
    UsersData data(product);
    ASSERT_TRUE(data.ok());
    const MachineState before = machineState();

    HeldFile held(product.at("zz_held.txt"));
    ASSERT_TRUE(held.held());
    uiauto::RunningProcess setup;
    ASSERT_TRUE(startProgram(setup, testInstallerPath("rollback"), ""));
    HWND frame = waitForFrame(setup);
    ASSERT_NE(frame, nullptr) << "the wizard frame did not appear";
    ASSERT_TRUE(waitUntilLoaded(frame));
    ASSERT_NE(nextUntilProgressPage(frame), nullptr);

    // By the prompt, the installation has done all it does before the held
    // file: the user's file is overwritten, the values are changed.
    HWND box = waitForPrompt(setup.processId());
    ASSERT_NE(box, nullptr) << "no prompt for the held file";
    EXPECT_NE(readFile(product.at("a.txt")), "the user's own a.txt");
    EXPECT_TRUE(fileExists(product.at("new\\deep.txt")));
    EXPECT_EQ(readRegistryValue(HKEY_CURRENT_USER, kValuesKey, "Replaced").data,
              storedText("written by the installer"));
    EXPECT_FALSE(readRegistryValue(HKEY_CURRENT_USER, kValuesKey, "Deleted").exists);
    EXPECT_TRUE(readRegistryValue(HKEY_LOCAL_MACHINE, kValuesKey, "Added", KEY_WOW64_32KEY).exists);
    ASSERT_TRUE(uiauto::answerMessageBox(box, IDABORT));
    ASSERT_TRUE(waitForNextEnabled(frame)) << "the rollback did not end";
    held.release();

    expectSameState(before, machineState());
    EXPECT_EQ(readFile(product.at("a.txt")), "the user's own a.txt");
    EXPECT_EQ(readFile(product.at("listed.txt")), "the user's list");

    ASSERT_NE(pressAndWaitForPage(frame, IDC_NEXT, PageKind::Finish), nullptr);
    ASSERT_TRUE(waitForNextEnabled(frame));
    saveScreenshot(frame, "rollback-failed-finish");
    ASSERT_TRUE(uiauto::pressButton(frame, IDC_NEXT));
    EXPECT_TRUE(setup.wait(kExitTimeoutMs, nullptr)) << "the wizard did not end";
    // Nothing of the product is left to uninstall.
    expectSameState(before, machineState());
}

}  // namespace
