// The install progress page's bar and file line, read from outside while an
// installer built from tests/windows/packages/progress writes its 20 MB of
// files, and Cancel while they are written: No goes on, Yes rolls back and
// ends as cancelled.
#include "support/file_steps.h"
#include "support/installer_wizard.h"
#include "support/registry_values.h"
#include "support/stub_runs.h"
#include "support/test_packages.h"
#include "support/wizard_driver.h"
#include "uiauto/ui_automation.h"

#include "format/unattended_rules.h"
#include "resources/resource_ids.h"
#include "uiauto/time_limits.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

const char kUninstallKeyName[] = "SlipwayProgressTest";
const char kTitle[] = "Progress Setup";
const char kFailureText[] = "Progress could not be installed; nothing was changed.";
// The package's helper step waits while this is held.
const char kHold[] = "SlipwayProgressHold";

constexpr DWORD kRunTimeoutMs = timeLimitMs(120000);
constexpr DWORD kPollMs = 10;

// What the test saw of the bar while it watched.
struct BarWatch {
    std::vector<int> positions;  // each reading that differed from the one before
    std::set<std::string> items;
    bool wentBack = false;

    void note(const ProgressBarView& bar)
    {
        if (!bar.exists)
            return;
        if (!positions.empty() && bar.position < positions.back())
            wentBack = true;
        if (positions.empty() || bar.position != positions.back())
            positions.push_back(bar.position);
        if (!bar.item.empty())
            items.insert(bar.item);
    }
    int last() const { return positions.empty() ? -1 : positions.back(); }
};

class ProgressPageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(GetFileAttributesA(installer.c_str()), INVALID_FILE_ATTRIBUTES) << installer << " was not built";
    }

    // A passive run, which goes to the progress page by itself.
    void start()
    {
        ASSERT_TRUE(startProgram(setup, installer, "/passive"));
        frame = waitForFrame(setup);
        ASSERT_NE(frame, nullptr) << "the wizard frame did not appear";
        progress = waitUntilPageKind(frame, PageKind::Progress);
        ASSERT_NE(progress, nullptr) << "the run did not reach the progress page";
    }

    // Reads the bar until `enough` holds; false when it never does in time.
    template <typename Enough>
    bool watchUntil(BarWatch& watch, Enough enough)
    {
        for (DWORD waited = 0; waited < kRunTimeoutMs && IsWindow(progress); waited += kPollMs) {
            ProgressBarView bar = progressBar(progress);
            watch.note(bar);
            if (enough(bar))
                return true;
            Sleep(kPollMs);
        }
        return false;
    }

    // Waits until the files are being written and Cancel is allowed.
    void waitForTheWrites(BarWatch& watch)
    {
        ASSERT_TRUE(watchUntil(watch, [&](const ProgressBarView& bar) {
            return bar.position > 0 && viewFrame(frame).cancel.enabled;
        })) << "Cancel was never allowed while the files were written";
        ASSERT_LT(watch.last(), 500) << "the writes went too fast to be cancelled in the middle";
    }

    // Presses Cancel and expects the question, owned by the frame.
    HWND askToCancel()
    {
        EXPECT_TRUE(uiauto::pressButton(frame, IDCANCEL));
        HWND box = waitForPrompt(setup.processId());
        EXPECT_NE(box, nullptr) << "Cancel asked nothing";
        if (!box)
            return nullptr;
        EXPECT_EQ(uiauto::messageBoxText(box), "Are you sure?");
        EXPECT_EQ(uiauto::windowText(box), kTitle);
        EXPECT_EQ(GetWindow(box, GW_OWNER), frame);
        return box;
    }

    void expectInstalled()
    {
        expectSameFiles(testPackageFolder("progress", "payload"), product.folder());
        EXPECT_TRUE(registryKeyExists(HKEY_LOCAL_MACHINE, uninstallKeyPath(kUninstallKeyName), KEY_WOW64_32KEY));
    }

    const std::string installer = testInstallerPath("progress");
    InstalledProduct product{"Slipway Progress", {kUninstallKeyName}};
    uiauto::RunningProcess setup;
    HWND frame = nullptr;
    HWND progress = nullptr;
};

}  // namespace

TEST_F(ProgressPageTest, TheBarRisesWithTheFilesNamesThemAndReachesTheEnd)
{
    EventHold hold(kHold);
    ASSERT_TRUE(hold.held());
    ASSERT_NO_FATAL_FAILURE(start());
    ProgressBarView bar = progressBar(progress);
    ASSERT_TRUE(bar.exists) << "the progress page has no bar";
    EXPECT_TRUE(bar.visible);
    EXPECT_EQ(bar.low, 0);
    EXPECT_EQ(bar.high, 1000);

    // While the files are written; a screenshot halfway.
    BarWatch watch;
    bool shot = false;
    ASSERT_TRUE(watchUntil(watch, [&](const ProgressBarView& seen) {
        if (!shot && seen.position >= 200 && seen.position <= 800 && !seen.item.empty()) {
            saveScreenshot(frame, "progress-1-writing");
            shot = true;
        }
        return !stepRow(progress, 0).mark.empty();
    }));
    EXPECT_EQ(stepRow(progress, 0).mark, kDoneMark);
    EXPECT_TRUE(shot) << "the bar was never seen halfway";
    EXPECT_FALSE(watch.wentBack);
    // Seen moving within the writes, not only between files: more positions
    // than files.
    EXPECT_GE(watch.positions.size(), 6u);
    bool namedAFile = false;
    for (const std::string& item : watch.items)
        namedAFile |= item.rfind(product.folder() + "\\", 0) == 0 && item.find("\\data\\part") != std::string::npos;
    EXPECT_TRUE(namedAFile) << "the line under the bar named no file being written; it showed "
                            << (watch.items.empty() ? std::string("nothing") : *watch.items.begin());

    // The files are written, the helper step holds the run: the bar stands
    // short of the end by the step's share, and Cancel is no longer allowed.
    ASSERT_TRUE(watchUntil(watch, [&](const ProgressBarView& seen) { return seen.position >= 900; }));
    bar = progressBar(progress);
    EXPECT_LT(bar.position, 1000);
    EXPECT_FALSE(viewFrame(frame).cancel.enabled);
    saveScreenshot(frame, "progress-2-helper");

    // Released, the run ends: read as fast as the page answers until it goes.
    // The full bar stands only between its last move and the wizard moving
    // on by itself, two messages later, which a reader from outside may not
    // catch; the meter's own tests see it filled. Here the bar has at least
    // counted the helper step done, and never went back.
    hold.release();
    for (DWORD started = GetTickCount(); IsWindow(progress) && GetTickCount() - started < kRunTimeoutMs;)
        watch.note(progressBar(progress));
    EXPECT_FALSE(watch.wentBack);
    EXPECT_GE(watch.last(), 950) << "the bar did not count the last step before the page went";
    DWORD exitCode = 99;
    ASSERT_TRUE(setup.wait(kRunTimeoutMs, &exitCode)) << "the run did not end by itself";
    EXPECT_EQ(exitCode, 0u);
    expectInstalled();
}

TEST_F(ProgressPageTest, CancelAnsweredNoLetsTheWritesGoOn)
{
    EventHold hold(kHold);
    ASSERT_TRUE(hold.held());
    ASSERT_NO_FATAL_FAILURE(start());
    BarWatch watch;
    ASSERT_NO_FATAL_FAILURE(waitForTheWrites(watch));
    HWND box = askToCancel();
    ASSERT_NE(box, nullptr);
    saveScreenshot(box, "progress-3-cancel-question");
    ASSERT_TRUE(uiauto::answerMessageBox(box, IDNO));

    ASSERT_TRUE(waitForMark(progress, 0));
    EXPECT_EQ(stepRow(progress, 0).mark, kDoneMark);
    hold.release();
    DWORD exitCode = 99;
    ASSERT_TRUE(setup.wait(kRunTimeoutMs, &exitCode)) << "the run did not end by itself";
    EXPECT_EQ(exitCode, 0u);
    expectInstalled();
}

TEST_F(ProgressPageTest, CancelAnsweredYesRollsBackAndEndsCancelled)
{
    EventHold hold(kHold);
    ASSERT_TRUE(hold.held());
    ASSERT_NO_FATAL_FAILURE(start());
    BarWatch watch;
    ASSERT_NO_FATAL_FAILURE(waitForTheWrites(watch));
    HWND box = askToCancel();
    ASSERT_NE(box, nullptr);
    ASSERT_TRUE(uiauto::answerMessageBox(box, IDYES));

    // The writes stop and roll back; the helper step never runs. The user
    // then sees the failure, as after an Abort.
    ASSERT_TRUE(waitForMark(progress, 0));
    EXPECT_EQ(stepRow(progress, 0).mark, kFailedMark);
    ASSERT_TRUE(waitForNextEnabled(frame));
    EXPECT_EQ(stepRow(progress, 1).mark, "");
    EXPECT_FALSE(IsIconic(frame));
    saveScreenshot(frame, "progress-4-cancelled");
    HWND finish = pressAndWaitForPage(frame, IDC_NEXT, PageKind::Finish);
    ASSERT_NE(finish, nullptr);
    EXPECT_EQ(pageText(finish), kFailureText);
    ASSERT_TRUE(uiauto::pressButton(frame, IDC_NEXT));
    DWORD exitCode = 99;
    ASSERT_TRUE(setup.wait(kRunTimeoutMs, &exitCode));
    EXPECT_EQ(exitCode, kExitCancelled);
    EXPECT_FALSE(fileExists(product.folder())) << "the rollback left the install folder";
    EXPECT_FALSE(registryKeyExists(HKEY_LOCAL_MACHINE, uninstallKeyPath(kUninstallKeyName), KEY_WOW64_32KEY));
}
