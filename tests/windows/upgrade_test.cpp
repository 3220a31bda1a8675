// Upgrades that never leave the user without the product: Mines 1.0
// (tests/windows/packages/mines) is installed, then Mines 2.0 or 2.1 runs
// over it. The earlier version goes only once the installation runs, as its
// first step, in the same wizard; a cancel before that, an Abort at a held
// file or a failing step leaves 1.0 exactly as it was (files with contents
// and times, values, keys, shortcut, entry) and still removable by its
// registered uninstaller. A successful upgrade leaves what a clean 2.0
// installation leaves. A downgrade (1.0 over 2.0) is confirmed by a person,
// refused without one, and allowed by /allowdowngrade or the manifest.
#include "support/file_steps.h"
#include "support/installer_wizard.h"
#include "support/machine_state.h"
#include "support/program_fixtures.h"
#include "support/registry_values.h"
#include "support/stub_runs.h"
#include "support/test_environment.h"
#include "support/wizard_driver.h"
#include "uiauto/ui_automation.h"

#include "format/unattended_rules.h"
#include "resources/resource_ids.h"
#include "uiauto/time_limits.h"

#include <shlobj.h>

#include <gtest/gtest.h>

#include <stdio.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

const char kKey[] = "SlipwayMinesTest";
const char kValuesKey[] = "Software\\SlipwayMinesTest";
const char kGoodbye10[] = "C:\\windows\\temp\\slipway-mines-goodbye-1.0.txt";
const char kGoodbye20[] = "C:\\windows\\temp\\slipway-mines-goodbye-2.0.txt";
const char kSetupRecord[] = "C:\\windows\\temp\\slipway-mines-setup.txt";
// Held by a test, the earlier version's uninstall program and the new
// version's setup program wait.
const char kGoodbyeHold[] = "SlipwayMinesGoodbyeHold";
const char kSetupHold[] = "SlipwayMinesSetupHold";

const char kPreviousVersionText[] = "An earlier installation of Mines was found.";
const char kRemovalCaption[] = "Removing Mines 1.0";
const char kConfirmDowngradeText[] = "&Replace the newer version with this older one";
constexpr DWORD kExitOtherVersion = 1638;

constexpr DWORD kRunTimeoutMs = timeLimitMs(120000);

// A state as a clean installation and an upgrade both leave it: the
// uninstaller file (whose time is the installation's) is compared by name,
// the entry's "InstallDate" not at all.
MachineState withoutInstallTimes(MachineState state)
{
    for (std::string& line : state.programFiles)
        if (line.compare(0, 27, "Slipway Mines\\uninstall.exe") == 0)
            line = "Slipway Mines\\uninstall.exe";
    const std::string date = uninstallKeyPath(kKey) + "\\InstallDate=";
    state.machineValues.erase(
        std::remove_if(state.machineValues.begin(), state.machineValues.end(),
                       [&](const std::string& line) { return line.compare(0, date.size(), date) == 0; }),
        state.machineValues.end());
    return state;
}

// Every visible dialog window of another process than this test's, other
// than the installer's own frame, that shows while it is watched: a second
// wizard, or a box nobody expected.
class OtherDialogWatch {
public:
    explicit OtherDialogWatch(HWND frame) : frame_(frame)
    {
        thread_ = CreateThread(nullptr, 0, &OtherDialogWatch::run, this, 0, nullptr);
    }
    ~OtherDialogWatch() { stop(); }
    OtherDialogWatch(const OtherDialogWatch&) = delete;
    OtherDialogWatch& operator=(const OtherDialogWatch&) = delete;

    // The captions seen, once the watch has stopped.
    const std::vector<std::string>& stop()
    {
        if (thread_) {
            InterlockedExchange(&stopped_, 1);
            WaitForSingleObject(thread_, INFINITE);
            CloseHandle(thread_);
            thread_ = nullptr;
        }
        return seen_;
    }

private:
    static DWORD WINAPI run(void* self)
    {
        OtherDialogWatch& watch = *static_cast<OtherDialogWatch*>(self);
        while (!InterlockedCompareExchange(&watch.stopped_, 0, 0)) {
            EnumWindows(&OtherDialogWatch::look, reinterpret_cast<LPARAM>(&watch));
            Sleep(25);
        }
        return 0;
    }

    static BOOL CALLBACK look(HWND window, LPARAM param)
    {
        OtherDialogWatch& watch = *reinterpret_cast<OtherDialogWatch*>(param);
        if (window == watch.frame_ || !IsWindowVisible(window) || uiauto::windowClassName(window) != "#32770" ||
            uiauto::windowProcessId(window) == GetCurrentProcessId())
            return TRUE;
        std::string caption = uiauto::windowText(window);
        if (std::find(watch.seen_.begin(), watch.seen_.end(), caption) == watch.seen_.end())
            watch.seen_.push_back(caption);
        return TRUE;
    }

    HWND frame_;
    HANDLE thread_ = nullptr;
    volatile LONG stopped_ = 0;
    std::vector<std::string> seen_;
};

class UpgradeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* name : {"mines_1_0", "mines_2_0", "mines_2_1"})
            ASSERT_TRUE(fileExists(testInstallerPath(name))) << testInstallerPath(name) << " was not built";
        removeEverything();
        clean = machineState();
        log = makeTestFolder("upgrade-logs") + "\\" + ::testing::UnitTest::GetInstance()->current_test_info()->name() +
              ".log";
        for (char& c : log)
            if (c == '/')
                c = '-';
        DeleteFileA(log.c_str());
    }

    void TearDown() override
    {
        setup.terminate();
        removeEverything();
    }

    void removeEverything()
    {
        product.remove();
        deleteRegistryTree(HKEY_LOCAL_MACHINE, kValuesKey, KEY_WOW64_32KEY);
        deleteRegistryTree(HKEY_CURRENT_USER, kValuesKey);
        const std::string group = shellFolder(CSIDL_PROGRAMS) + "\\Slipway Mines";
        for (const std::string& name : folderEntries(group))
            DeleteFileA((group + "\\" + name).c_str());
        RemoveDirectoryA(group.c_str());
        for (const char* record : {kGoodbye10, kGoodbye20, kSetupRecord})
            DeleteFileA(record);
    }

    // Runs a command line to its end as a deployment tool does; 0xFFFFFFFF
    // when it did not end.
    static DWORD runToEnd(const std::string& installer, const std::string& tail)
    {
        uiauto::RunningProcess process;
        EXPECT_TRUE(process.start(commandLineOf(testInstallerPath(installer), tail))) << process.error();
        DWORD exitCode = 0xFFFFFFFF;
        EXPECT_TRUE(process.wait(kRunTimeoutMs, &exitCode)) << installer << " " << tail << " did not end by itself";
        return exitCode;
    }

    std::string logged(const std::string& tail)
    {
        return (tail.empty() ? std::string() : tail + " ") + "/log=\"" + log + "\"";
    }

    // Runs to its end, answering every message box of the run with its
    // first button; the boxes' texts are kept. 0xFFFFFFFF when it did not
    // end.
    static DWORD runAnsweringBoxes(const std::string& installer, const std::string& tail,
                                   std::vector<std::string>& boxes)
    {
        uiauto::RunningProcess process;
        EXPECT_TRUE(process.start(commandLineOf(testInstallerPath(installer), tail))) << process.error();
        DWORD exitCode = 0xFFFFFFFF;
        const DWORD start = GetTickCount();
        while (!process.wait(100, &exitCode)) {
            if (GetTickCount() - start > kRunTimeoutMs) {
                ADD_FAILURE() << installer << " " << tail << " did not end by itself";
                return exitCode;
            }
            if (HWND box = uiauto::waitForMessageBox(process.processId(), 0)) {
                boxes.push_back(uiauto::messageBoxText(box));
                std::vector<int> buttons = uiauto::messageBoxButtons(box);
                uiauto::answerMessageBox(box, buttons.empty() ? IDOK : buttons[0]);
            }
        }
        return exitCode;
    }

    void install(const char* installer)
    {
        ASSERT_EQ(runToEnd(installer, "/quiet"), 0u) << installer;
        DeleteFileA(kSetupRecord);
    }

    std::string entryValue(const char* name)
    {
        RegistryValue value = readRegistryValue(HKEY_LOCAL_MACHINE, uninstallKeyPath(kKey), name, KEY_WOW64_32KEY);
        return value.exists ? std::string(value.data.c_str()) : std::string("<none>");
    }

    void expectInstalled(const char* version)
    {
        EXPECT_EQ(entryValue("DisplayName"), "Mines");
        EXPECT_EQ(entryValue("DisplayVersion"), version);
        EXPECT_EQ(entryValue("UninstallString"), product.at("uninstall.exe"));
        EXPECT_TRUE(fileExists(product.at("uninstall.exe")));
        EXPECT_EQ(readRegistryValue(HKEY_LOCAL_MACHINE, kValuesKey, "Version", KEY_WOW64_32KEY).data,
                  storedText(version));
        const bool first = std::string(version) == "1.0";
        EXPECT_EQ(fileExists(product.at("old\\legacy.txt")), first);
        if (!first)
            EXPECT_TRUE(fileExists(product.at("bin\\levels\\hard.txt")));
        EXPECT_EQ(readRegistryValue(HKEY_CURRENT_USER, kValuesKey, "OldOption").exists, first);
        EXPECT_EQ(readRegistryValue(HKEY_CURRENT_USER, kValuesKey, "NewOption").exists, !first);
    }

    // The earlier version is there exactly as before, keys included.
    void expectAsBefore(const MachineState& before)
    {
        expectSameState(before, machineState(), KeysCompared::Yes);
        expectInstalled("1.0");
    }

    // The registered uninstaller, run as a tool runs it, leaves the clean
    // machine (its keys aside: an uninstaller removes values, not keys).
    void expectUninstallLeavesNothing(const char* goodbyeRecord)
    {
        DeleteFileA(goodbyeRecord);
        ASSERT_TRUE(runRegisteredUninstaller(kKey, "/quiet"));
        EXPECT_TRUE(readRecord(goodbyeRecord).exists) << "the uninstall program did not run";
        EXPECT_FALSE(registryKeyExists(HKEY_LOCAL_MACHINE, uninstallKeyPath(kKey), KEY_WOW64_32KEY));
        EXPECT_FALSE(fileExists(product.folder())) << "the install folder is left";
        expectSameState(clean, machineState());
    }

    std::string logText() { return readFile(log); }

    void expectLogHas(const std::string& text)
    {
        EXPECT_NE(logText().find(text), std::string::npos) << "the log lacks \"" << text << "\":\n" << logText();
    }

    void startWizard(const char* installer, const std::string& tail = "")
    {
        ASSERT_TRUE(startProgram(setup, testInstallerPath(installer), tail));
        frame = waitForFrame(setup);
        ASSERT_NE(frame, nullptr) << "the wizard frame did not appear";
        ASSERT_TRUE(waitUntilLoaded(frame));
    }

    // From the welcome page to the earlier-installation page, its text
    // checked.
    HWND nextToEarlierPage(const std::string& installedLine)
    {
        HWND page = pressAndWaitForPage(frame, IDC_NEXT, PageKind::Text);
        EXPECT_NE(page, nullptr) << "no earlier-installation page";
        if (page)
            EXPECT_EQ(pageText(page), std::string(kPreviousVersionText) + "\n\n" + installedLine);
        return page;
    }

    void expectWizardEnds(DWORD expected)
    {
        DWORD exitCode = 0xFFFFFFFF;
        ASSERT_TRUE(setup.wait(kRunTimeoutMs, &exitCode)) << "the wizard did not end";
        EXPECT_EQ(exitCode, expected);
    }

    // To the finish page (after a failure, from the progress page that
    // waits for Next) and through it to the end.
    void finish(DWORD expected)
    {
        HWND page = nullptr;
        if (expected == 0) {
            page = waitUntilPageKind(frame, PageKind::Finish);
        } else {
            ASSERT_TRUE(waitForNextEnabled(frame));
            page = currentPage(frame);
            if (pageKind(page) != PageKind::Finish)
                page = pressAndWaitForPage(frame, IDC_NEXT, PageKind::Finish);
        }
        ASSERT_NE(page, nullptr) << "the wizard did not reach its finish page";
        ASSERT_TRUE(waitForNextEnabled(frame));
        ASSERT_TRUE(uiauto::pressButton(frame, IDC_NEXT));
        expectWizardEnds(expected);
    }

    InstalledProduct product{"Slipway Mines", {kKey}};
    MachineState clean;
    std::string log;
    uiauto::RunningProcess setup;
    HWND frame = nullptr;
};

}  // namespace

// ----------------------------------------------------------- failed upgrade

TEST_F(UpgradeTest, QuietUpgradeWhoseStepFailsPutsTheEarlierVersionBackAndItStillUninstalls)
{
    ASSERT_NO_FATAL_FAILURE(install("mines_1_0"));
    const MachineState before = machineState();
    EXPECT_EQ(runToEnd("mines_2_1", logged("/quiet")), kExitFailed);
    EXPECT_TRUE(readRecord(kSetupRecord).exists) << "2.1 failed before its last step";
    // The earlier version's uninstall program ran at its removal: it cannot
    // be undone.
    EXPECT_TRUE(readRecord(kGoodbye10).exists) << "1.0 was not removed before 2.1 installed";
    expectAsBefore(before);
    expectLogHas("Earlier installation found under SlipwayMinesTest: Mines 1.0");
    expectLogHas("Removing SlipwayMinesTest");
    expectLogHas("Removed SlipwayMinesTest");
    expectLogHas("Restored SlipwayMinesTest");
    expectLogHas("Exit code 1603\r\n");
    EXPECT_LT(logText().find("Removing SlipwayMinesTest"), logText().find("Setting up Mines"))
        << "the earlier version was not removed first";
    EXPECT_LT(logText().find("Setting up Mines"), logText().find("Restored SlipwayMinesTest"));

    expectUninstallLeavesNothing(kGoodbye10);
}

// A file of the earlier version that another program holds stops its
// removal halfway (its uninstall program, shortcut and values already
// gone): nobody is asked under /quiet, and what went is put back.
TEST_F(UpgradeTest, QuietUpgradeStoppedInTheRemovalByAHeldFilePutsTheEarlierVersionBack)
{
    ASSERT_NO_FATAL_FAILURE(install("mines_1_0"));
    const MachineState before = machineState();
    {
        HeldFile held(product.at("bin\\mines.dat"));
        ASSERT_TRUE(held.held());
        EXPECT_EQ(runToEnd("mines_2_0", logged("/quiet")), kExitFailed);
    }
    expectAsBefore(before);
    EXPECT_FALSE(fileExists(kSetupRecord)) << "2.0 went on after the removal failed";
    expectLogHas("Removal of SlipwayMinesTest failed");
    expectLogHas("Restored SlipwayMinesTest");
    expectLogHas("Exit code 1603\r\n");
    expectUninstallLeavesNothing(kGoodbye10);
}

// -------------------------------------------------------- successful upgrade

TEST_F(UpgradeTest, QuietUpgradeLeavesWhatACleanInstallationLeavesAndItsUninstallerLeavesNothing)
{
    ASSERT_NO_FATAL_FAILURE(install("mines_2_0"));
    const MachineState fresh = withoutInstallTimes(machineState());
    ASSERT_NO_FATAL_FAILURE(expectUninstallLeavesNothing(kGoodbye20));

    ASSERT_NO_FATAL_FAILURE(install("mines_1_0"));
    EXPECT_EQ(runToEnd("mines_2_0", logged("/quiet")), 0u);
    EXPECT_TRUE(readRecord(kGoodbye10).exists) << "1.0's uninstall program did not run";
    expectInstalled("2.0");
    EXPECT_FALSE(fileExists(product.at("old"))) << "1.0's folder that 2.0 does not use is left";
    expectSameState(fresh, withoutInstallTimes(machineState()), KeysCompared::No);
    expectLogHas("Earlier installation found under SlipwayMinesTest: Mines 1.0");
    expectLogHas("Removed SlipwayMinesTest");
    EXPECT_EQ(logText().find("Restored"), std::string::npos) << logText();
    expectLogHas("Exit code 0\r\n");

    expectUninstallLeavesNothing(kGoodbye20);
}

// ------------------------------------------------- cancel and abort in the wizard

struct CancelCase {
    const char* name;
    PageKind page;
};

class CancelledUpgrade : public UpgradeTest, public ::testing::WithParamInterface<CancelCase> {};

TEST_P(CancelledUpgrade, LeavesTheEarlierVersionUntouched)
{
    ASSERT_NO_FATAL_FAILURE(install("mines_1_0"));
    const MachineState before = machineState();
    ASSERT_NO_FATAL_FAILURE(startWizard("mines_2_0"));
    HWND page = nextToEarlierPage("Installed now: Mines 1.0. Setup upgrades it to version 2.0.");
    ASSERT_NE(page, nullptr);
    for (PageKind kind : {PageKind::Text, PageKind::Components, PageKind::Folders}) {
        if (kind != PageKind::Text) {
            ASSERT_TRUE(waitForNextEnabled(frame));
            page = pressAndWaitForPage(frame, IDC_NEXT, kind);
            ASSERT_NE(page, nullptr) << "no " << pageKindName(kind) << " page";
        }
        if (kind == GetParam().page)
            break;
    }
    ASSERT_EQ(pageKind(currentPage(frame)), GetParam().page);
    ASSERT_TRUE(cancelFrame(setup, frame));
    EXPECT_FALSE(fileExists(kGoodbye10)) << "1.0's uninstall program ran";
    expectAsBefore(before);
}

INSTANTIATE_TEST_SUITE_P(Upgrade, CancelledUpgrade,
                         ::testing::Values(CancelCase{"OnTheEarlierInstallationPage", PageKind::Text},
                                           CancelCase{"OnTheComponentPage", PageKind::Components},
                                           CancelCase{"OnTheFolderPage", PageKind::Folders}),
                         [](const ::testing::TestParamInfo<CancelCase>& info) { return info.param.name; });

TEST_F(UpgradeTest, AbortAtAHeldFileDuringTheInstallationPutsTheEarlierVersionBack)
{
    ASSERT_NO_FATAL_FAILURE(install("mines_1_0"));
    // A file of the user's where 2.0 writes one, held by another program.
    ASSERT_TRUE(writeFile(product.at("bin\\levels\\hard.txt"), "the user's own hard.txt"));
    const MachineState before = machineState();
    HeldFile held(product.at("bin\\levels\\hard.txt"));
    ASSERT_TRUE(held.held());

    ASSERT_NO_FATAL_FAILURE(startWizard("mines_2_0", logged("")));
    ASSERT_NE(nextUntilProgressPage(frame), nullptr);
    HWND box = waitForPrompt(setup.processId());
    ASSERT_NE(box, nullptr) << "no prompt for the held file";
    EXPECT_NE(uiauto::messageBoxText(box).find("hard.txt"), std::string::npos) << uiauto::messageBoxText(box);
    // By now the earlier version is gone.
    EXPECT_FALSE(fileExists(product.at("old\\legacy.txt")));
    ASSERT_TRUE(uiauto::answerMessageBox(box, IDABORT));
    ASSERT_TRUE(waitForNextEnabled(frame)) << "the rollback did not end";
    held.release();
    expectAsBefore(before);
    EXPECT_EQ(readFile(product.at("bin\\levels\\hard.txt")), "the user's own hard.txt");
    ASSERT_NO_FATAL_FAILURE(finish(kExitFailed));
    expectLogHas("Removed SlipwayMinesTest");
    expectLogHas("Restored SlipwayMinesTest");

    DeleteFileA(product.at("bin\\levels\\hard.txt").c_str());
    expectUninstallLeavesNothing(kGoodbye10);
}

// ------------------------------------------------------ the upgrade as seen

TEST_F(UpgradeTest, WizardRemovesTheEarlierVersionAsItsFirstStepWithoutASecondWizard)
{
    ASSERT_NO_FATAL_FAILURE(install("mines_1_0"));
    EventHold goodbyeHold(kGoodbyeHold), setupHold(kSetupHold);
    ASSERT_TRUE(goodbyeHold.held() && setupHold.held());
    ASSERT_NO_FATAL_FAILURE(startWizard("mines_2_0"));
    OtherDialogWatch watch(frame);

    HWND earlier = nextToEarlierPage("Installed now: Mines 1.0. Setup upgrades it to version 2.0.");
    ASSERT_NE(earlier, nullptr);
    EXPECT_TRUE(viewFrame(frame).back.enabled);
    EXPECT_TRUE(viewFrame(frame).cancel.enabled);
    saveScreenshot(frame, "upgrade-1-earlier-installation");
    ASSERT_TRUE(waitForNextEnabled(frame));
    ASSERT_NE(pressAndWaitForPage(frame, IDC_NEXT, PageKind::Components), nullptr);
    ASSERT_TRUE(waitForNextEnabled(frame));
    ASSERT_NE(pressAndWaitForPage(frame, IDC_NEXT, PageKind::Folders), nullptr);
    EXPECT_TRUE(fileExists(product.at("old\\legacy.txt"))) << "1.0 was touched before Install";
    ASSERT_TRUE(waitForNextEnabled(frame));
    HWND progress = pressAndWaitForPage(frame, IDC_NEXT, PageKind::Progress);
    ASSERT_NE(progress, nullptr);

    // The removal runs 1.0's uninstall program, which waits: the first row
    // is the removal's, not yet ended.
    EXPECT_EQ(stepRow(progress, 0).caption, kRemovalCaption);
    EXPECT_TRUE(stepRow(progress, 0).visible);
    ASSERT_TRUE(uiauto::pollUntil(kRunTimeoutMs, [] {
        return !uiauto::processIdsByExeName("recording_program.exe").empty();
    })) << "1.0's uninstall program did not start";
    EXPECT_EQ(stepRow(progress, 0).mark, "");
    saveScreenshot(frame, "upgrade-2-progress-removing");
    goodbyeHold.release();

    ASSERT_TRUE(waitForMark(progress, 0));
    EXPECT_EQ(stepRow(progress, 0).mark, kDoneMark);
    EXPECT_TRUE(waitForRecord(kGoodbye10).exists);
    // 2.0's setup program waits in its turn: its row follows the removal's
    // and the files'.
    int setupRow = -1;
    for (int row = 1; row < 9; ++row)
        if (stepRow(progress, row).caption == "Setting up Mines")
            setupRow = row;
    EXPECT_GT(setupRow, 1);
    if (setupRow > 1)
        EXPECT_TRUE(waitForMark(progress, setupRow - 1)) << "the files were not installed";
    saveScreenshot(frame, "upgrade-3-progress-removed");
    setupHold.release();

    ASSERT_NO_FATAL_FAILURE(finish(0));
    EXPECT_EQ(watch.stop(), std::vector<std::string>()) << "another window showed during the upgrade";
    expectInstalled("2.0");
}

// -------------------------------------------------------------- downgrade

TEST_F(UpgradeTest, DowngradeInTheWizardGoesOnOnlyOnceItsBoxIsTicked)
{
    ASSERT_NO_FATAL_FAILURE(install("mines_2_0"));
    const MachineState before = machineState();
    ASSERT_NO_FATAL_FAILURE(startWizard("mines_1_0"));
    HWND earlier = nextToEarlierPage(
        "Installed now: Mines 2.0, newer than version 1.0 that this setup installs. Setup replaces it with the "
        "older version.");
    ASSERT_NE(earlier, nullptr);
    HWND box = GetDlgItem(earlier, IDC_CONFIRM_DOWNGRADE);
    ASSERT_NE(box, nullptr) << "no box to confirm the downgrade";
    EXPECT_TRUE(IsWindowVisible(box));
    EXPECT_EQ(uiauto::windowText(box), kConfirmDowngradeText);
    EXPECT_EQ(uiauto::checkState(box), BST_UNCHECKED);
    // Back and Cancel stay; Next waits for the tick.
    Sleep(timeLimitMs(500));
    FrameView view = viewFrame(frame);
    EXPECT_FALSE(view.next.enabled) << "a downgrade can go on unconfirmed";
    EXPECT_TRUE(view.back.enabled);
    EXPECT_TRUE(view.cancel.enabled);
    saveScreenshot(frame, "downgrade-1-unconfirmed");

    ASSERT_TRUE(uiauto::pressButton(box));
    ASSERT_TRUE(waitForNextEnabled(frame)) << "ticking the box did not enable Next";
    EXPECT_EQ(uiauto::checkState(box), BST_CHECKED);
    saveScreenshot(frame, "downgrade-2-confirmed");
    ASSERT_TRUE(uiauto::pressButton(box));
    ASSERT_TRUE(uiauto::pollUntil(timeLimitMs(5000), [&] { return !viewFrame(frame).next.enabled; }))
        << "Next stays enabled without the tick";
    EXPECT_EQ(currentPage(frame), earlier);
    expectSameState(before, machineState(), KeysCompared::Yes);

    ASSERT_TRUE(uiauto::pressButton(box));
    ASSERT_TRUE(waitForNextEnabled(frame));
    ASSERT_NE(pressAndWaitForPage(frame, IDC_NEXT, PageKind::Folders), nullptr)
        << "the confirmed downgrade did not go on";
    expectSameState(before, machineState(), KeysCompared::Yes);
    ASSERT_NE(nextUntilFinishPage(frame), nullptr);
    ASSERT_NO_FATAL_FAILURE(finish(0));
    EXPECT_TRUE(readRecord(kGoodbye20).exists) << "2.0's uninstall program did not run";
    expectInstalled("1.0");
    expectUninstallLeavesNothing(kGoodbye10);
}

// The manifest's allowance is for runs without a person: the wizard still
// asks for the tick.
TEST_F(UpgradeTest, AllowedDowngradeStillAsksInTheWizard)
{
    ASSERT_TRUE(fileExists(testInstallerPath("mines_1_0_downgrade"))) << "mines_1_0_downgrade was not built";
    ASSERT_NO_FATAL_FAILURE(install("mines_2_0"));
    ASSERT_NO_FATAL_FAILURE(startWizard("mines_1_0_downgrade"));
    HWND earlier = pressAndWaitForPage(frame, IDC_NEXT, PageKind::Text);
    ASSERT_NE(earlier, nullptr);
    HWND box = GetDlgItem(earlier, IDC_CONFIRM_DOWNGRADE);
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(IsWindowVisible(box));
    EXPECT_EQ(uiauto::checkState(box), BST_UNCHECKED);
    Sleep(timeLimitMs(500));
    EXPECT_FALSE(viewFrame(frame).next.enabled);
    // Cancel, while Next waits for the tick.
    ASSERT_TRUE(uiauto::pressButton(frame, IDCANCEL));
    ASSERT_NO_FATAL_FAILURE(expectWizardEnds(1602));
    expectInstalled("2.0");
}

// An upgrade and a reinstall have nothing to confirm.
TEST_F(UpgradeTest, UpgradePageHasNoDowngradeBox)
{
    ASSERT_NO_FATAL_FAILURE(install("mines_1_0"));
    ASSERT_NO_FATAL_FAILURE(startWizard("mines_1_0"));
    HWND earlier =
        nextToEarlierPage("Installed now: Mines 1.0, the version this setup installs. Setup installs it again.");
    ASSERT_NE(earlier, nullptr);
    HWND box = GetDlgItem(earlier, IDC_CONFIRM_DOWNGRADE);
    EXPECT_TRUE(box == nullptr || !IsWindowVisible(box)) << "a reinstall asks to confirm a downgrade";
    EXPECT_TRUE(waitForNextEnabled(frame));
    ASSERT_TRUE(cancelFrame(setup, frame));
}

class RefusedDowngrade : public UpgradeTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(RefusedDowngrade, EndsWith1638AndChangesNothing)
{
    ASSERT_NO_FATAL_FAILURE(install("mines_2_0"));
    const MachineState before = machineState();
    std::vector<std::string> boxes;
    EXPECT_EQ(runAnsweringBoxes("mines_1_0", logged(GetParam()), boxes), kExitOtherVersion);
    // Nobody is there to answer under /quiet; /passive may say why it ends.
    if (std::string(GetParam()) == "/quiet")
        EXPECT_EQ(boxes, std::vector<std::string>()) << "a quiet run asked";
    for (const std::string& text : boxes)
        printf("%s showed: %s\n", GetParam(), text.c_str());
    expectSameState(before, machineState(), KeysCompared::Yes);
    expectInstalled("2.0");
    EXPECT_FALSE(fileExists(kGoodbye20)) << "2.0's uninstall program ran";
    expectLogHas("Downgrade refused: ");
    expectLogHas("Exit code 1638\r\n");
}

INSTANTIATE_TEST_SUITE_P(Upgrade, RefusedDowngrade, ::testing::Values("/quiet", "/passive"),
                         [](const ::testing::TestParamInfo<const char*>& info) { return std::string(info.param + 1); });

struct AllowedCase {
    const char* name;
    const char* installer;
    const char* tail;
};

class AllowedDowngrade : public UpgradeTest, public ::testing::WithParamInterface<AllowedCase> {};

TEST_P(AllowedDowngrade, ReplacesTheNewerVersion)
{
    ASSERT_TRUE(fileExists(testInstallerPath(GetParam().installer))) << GetParam().installer << " was not built";
    ASSERT_NO_FATAL_FAILURE(install("mines_2_0"));
    EXPECT_EQ(runToEnd(GetParam().installer, logged(GetParam().tail)), 0u);
    EXPECT_TRUE(readRecord(kGoodbye20).exists) << "2.0's uninstall program did not run";
    expectInstalled("1.0");
    EXPECT_FALSE(fileExists(product.at("help"))) << "2.0's folder that 1.0 does not use is left";
    expectLogHas("Earlier installation found under SlipwayMinesTest: Mines 2.0");
    expectLogHas("Removed SlipwayMinesTest");
    expectUninstallLeavesNothing(kGoodbye10);
}

INSTANTIATE_TEST_SUITE_P(Upgrade, AllowedDowngrade,
                         ::testing::Values(AllowedCase{"BySwitch", "mines_1_0", "/quiet /allowdowngrade"},
                                           AllowedCase{"ByManifest", "mines_1_0_downgrade", "/quiet"}),
                         [](const ::testing::TestParamInfo<AllowedCase>& info) { return info.param.name; });
