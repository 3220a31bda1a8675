// An earlier installation registered under the Uninstall key whose
// uninstaller is not one of ours is found before the installation and
// removed as its first step, once Install is pressed: its uninstaller is
// run from the progress page and waited for, together with its temporary
// copy (uniXXXX.tmp) that outlives it. The earlier uninstaller is
// tests/windows/fixtures/fake_uninstaller.cpp, which records how it was
// started.
#include "support/file_steps.h"
#include "support/installer_wizard.h"
#include "support/program_fixtures.h"
#include "support/registry_values.h"
#include "support/stub_runs.h"
#include "support/test_environment.h"
#include "support/wine_host.h"
#include "support/wizard_driver.h"
#include "uiauto/ui_automation.h"

#include "resources/resource_ids.h"
#include "uninstall/previous_uninstall.h"
#include "uiauto/time_limits.h"

#include <gtest/gtest.h>

#include <stdlib.h>

namespace {

const char kOwnKey[] = "SlipwayEarlierTest";
const char kFurtherKeyA[] = "SlipwayEarlierTestOldA";
const char kFurtherKeyB[] = "SlipwayEarlierTestOldB";

const char kWelcomeText[] = "Welcome to the Earlier Test product.";
const char kPreviousVersionText[] =
    "An earlier version of Earlier Test is installed. Setup removes it when you press Install.";
const char kHintText[] = "Click Next to continue.";
const char kProgressHint[] = "Please wait...";
const char kNextText[] = "&Next >";
const char kInstallText[] = "&Install";

constexpr DWORD kRunTimeoutMs = timeLimitMs(60000);

class EarlierInstallationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(GetFileAttributesA(installer.c_str()), INVALID_FILE_ATTRIBUTES) << installer << " was not built";
        removeTestTree(makeTestFolder("earlier-records"));
        records = makeTestFolder("earlier-records");
    }

    void TearDown() override
    {
        setup.terminate();
        removeTemporaryCopies();
        removeTestTree(records);
    }

    std::string record(const std::string& name) const { return records + "\\" + name; }

    // The command line of the fake uninstaller recording into `recordName`,
    // with a temporary copy when asked.
    std::string fakeCommand(const std::string& recordName, bool withCopy = false) const
    {
        return uiauto::quoteArgument(fakeUninstallerPath()) + " " +
               uiauto::quoteArgument("record=" + record(recordName)) + (withCopy ? " copy" : "");
    }

    void start(const std::string& tail = "")
    {
        ASSERT_TRUE(startProgram(setup, installer, tail));
        frame = waitForFrame(setup);
        ASSERT_NE(frame, nullptr) << "the wizard frame did not appear";
    }

    void startWizard(const std::string& tail = "")
    {
        ASSERT_NO_FATAL_FAILURE(start(tail));
        ASSERT_TRUE(waitUntilLoaded(frame));
    }

    // Expects the earlier-installation page after pressing Next, naming the
    // first entry found (an entry without a name or a version is named by
    // its key).
    HWND nextToFoundPage(const char* firstKey)
    {
        HWND found = pressAndWaitForPage(frame, IDC_NEXT, PageKind::Text);
        EXPECT_NE(found, nullptr);
        if (found)
            EXPECT_EQ(pageText(found), std::string(kPreviousVersionText) + "\n\nInstalled now: " + firstKey + ".");
        return found;
    }

    // Install on the earlier-installation page, the last before the
    // installation: the progress page, whose first rows are the removals.
    HWND install()
    {
        EXPECT_TRUE(waitForNextEnabled(frame));
        EXPECT_EQ(viewFrame(frame).next.text, kInstallText);
        HWND progress = pressAndWaitForPage(frame, IDC_NEXT, PageKind::Progress);
        EXPECT_NE(progress, nullptr) << "Install on the earlier-installation page did not install";
        return progress;
    }

    // From a page on, through the installation, to the end of the wizard.
    void finishFrom(HWND page)
    {
        HWND finish = pageKind(page) == PageKind::Finish ? page : waitUntilPageKind(frame, PageKind::Finish);
        ASSERT_NE(finish, nullptr) << "the installation did not reach the finish page";
        ASSERT_TRUE(waitForNextEnabled(frame));
        ASSERT_TRUE(uiauto::pressButton(frame, IDC_NEXT));
        expectEndsByItself();
    }

    void expectEndsByItself()
    {
        DWORD exitCode = 99;
        ASSERT_TRUE(setup.wait(kRunTimeoutMs, &exitCode)) << "the installer did not end";
        EXPECT_EQ(exitCode, 0u);
    }

    void expectInstalledIn(const std::string& folder)
    {
        expectSameFiles(testPackageFolder("earlier_installation", "payload"), folder);
        RegistryValue location =
            readRegistryValue(HKEY_LOCAL_MACHINE, uninstallKeyPath(kOwnKey), "InstallLocation", KEY_WOW64_32KEY);
        EXPECT_EQ(location.data, storedText(folder + "\\"));
        RegistryValue command =
            readRegistryValue(HKEY_LOCAL_MACHINE, uninstallKeyPath(kOwnKey), "UninstallString", KEY_WOW64_32KEY);
        EXPECT_EQ(command.data, storedText(folder + "\\uninstall.exe"));
    }

    // The temporary copies the fake uninstallers started, once they ended.
    void removeTemporaryCopies()
    {
        for (const std::string& name : folderEntries(records)) {
            Record started = readRecord(record(name));
            if (!started.values.count("copyPath"))
                continue;
            uiauto::waitForProcessExit(DWORD(strtoul(started["copyPid"].c_str(), nullptr, 10)), kRunTimeoutMs);
            DeleteFileA(started["copyPath"].c_str());
        }
    }

    const std::string installer = testInstallerPath("earlier_installation");
    InstalledProduct product{"Slipway Earlier Test", {kOwnKey, kFurtherKeyA, kFurtherKeyB}};
    std::string records;
    uiauto::RunningProcess setup;
    HWND frame = nullptr;
};

bool processRuns(DWORD processId)
{
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, processId);
    if (!process)
        return false;
    bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    CloseHandle(process);
    return running;
}

}  // namespace

TEST_F(EarlierInstallationTest, InstallRunsTheUninstallerFromTheProgressPageAndWaitsForItsTemporaryCopy)
{
    // The copy waits until the test lets it go: meanwhile the uninstaller
    // that started it has long ended.
    EventHold hold(kFakeUninstallerHold);
    ASSERT_TRUE(hold.held());
    const std::string command = fakeCommand("own.txt", true);
    ASSERT_TRUE(registerEarlierProduct(kOwnKey, command));
    ASSERT_NO_FATAL_FAILURE(startWizard());
    HWND welcome = currentPage(frame);
    EXPECT_EQ(pageText(welcome), kWelcomeText);
    EXPECT_EQ(hintLine(welcome), kHintText);
    EXPECT_EQ(viewFrame(frame).next.text, kNextText);

    HWND found = nextToFoundPage(kOwnKey);
    ASSERT_NE(found, nullptr);
    FrameView view = viewFrame(frame);
    EXPECT_TRUE(view.back.enabled);
    EXPECT_TRUE(view.next.enabled);
    EXPECT_TRUE(view.cancel.enabled);
    saveScreenshot(frame, "earlier-1-found");

    // Back and Next again: nothing runs before Install.
    welcome = pressAndWaitForPage(frame, IDC_BACK, PageKind::Text);
    ASSERT_NE(welcome, nullptr);
    EXPECT_EQ(pageText(welcome), kWelcomeText);
    ASSERT_TRUE(waitForNextEnabled(frame));
    found = nextToFoundPage(kOwnKey);
    ASSERT_NE(found, nullptr);
    EXPECT_FALSE(fileExists(record("own.txt"))) << "the earlier uninstaller ran before Install";

    HWND progress = install();
    ASSERT_NE(progress, nullptr);
    EXPECT_EQ(stepRow(progress, 0).caption, std::string("Removing ") + kOwnKey);
    EXPECT_EQ(hintLine(progress), kProgressHint);

    Record started = waitForRecord(record("own.txt"));
    ASSERT_TRUE(started.exists) << "the earlier uninstaller did not run";
    EXPECT_EQ(started["commandLine"], command);
    EXPECT_EQ(started["show"], "1");
    ASSERT_NE(started["copyPid"], "none") << "the uninstaller could not start its copy";
    const DWORD uninstallerId = DWORD(strtoul(started["pid"].c_str(), nullptr, 10));
    const DWORD copyId = DWORD(strtoul(started["copyPid"].c_str(), nullptr, 10));
    ASSERT_TRUE(uiauto::waitForProcessExit(uninstallerId, kRunTimeoutMs));
    EXPECT_TRUE(processRuns(copyId));
    EXPECT_NE(started["copyPath"].find("\\uni"), std::string::npos) << started["copyPath"];

    // The started uninstaller is gone, its copy is not: the installation
    // still waits, installs nothing yet, and the wizard cannot be left.
    Sleep(timeLimitMs(1000));
    EXPECT_FALSE(fileExists(product.folder() + "\\program.txt")) << "the installation went on before the copy ended";
    EXPECT_EQ(stepRow(progress, 0).mark, "");
    view = viewFrame(frame);
    EXPECT_FALSE(view.back.enabled);
    EXPECT_FALSE(view.next.enabled);
    EXPECT_FALSE(view.cancel.enabled);
    saveScreenshot(frame, "earlier-2-removing");
    ASSERT_TRUE(sendEscape(frame));
    ASSERT_TRUE(sendCloseBox(frame));
    EXPECT_TRUE(isRunning(setup.processHandle()));
    EXPECT_EQ(currentPage(frame), progress);

    hold.release();
    HWND finish = waitUntilPageKind(frame, PageKind::Finish);
    ASSERT_NE(finish, nullptr) << "the installation did not go on after the copy ended";
    Record copy = readRecord(record("own.txt.copy"));
    EXPECT_EQ(copy["ended"], "1") << "the removal ended before the temporary copy had ended";
    ASSERT_NO_FATAL_FAILURE(finishFrom(finish));
    expectInstalledIn(product.folder());
}

TEST_F(EarlierInstallationTest, CancelBeforeInstallNeverStartsTheUninstaller)
{
    const std::string command = fakeCommand("own.txt");
    ASSERT_TRUE(registerEarlierProduct(kOwnKey, command));
    ASSERT_NO_FATAL_FAILURE(startWizard());
    ASSERT_NE(nextToFoundPage(kOwnKey), nullptr);
    ASSERT_TRUE(cancelFrame(setup, frame));
    EXPECT_FALSE(fileExists(record("own.txt"))) << "the earlier uninstaller ran";
    RegistryValue registered =
        readRegistryValue(HKEY_LOCAL_MACHINE, uninstallKeyPath(kOwnKey), "UninstallString", KEY_WOW64_32KEY);
    EXPECT_EQ(registered.data, storedText(command));
    EXPECT_FALSE(fileExists(product.folder()));
}

TEST_F(EarlierInstallationTest, NoUninstallSkipsTheEarlierInstallationPage)
{
    ASSERT_TRUE(registerEarlierProduct(kOwnKey, fakeCommand("own.txt")));
    ASSERT_NO_FATAL_FAILURE(startWizard("-nouninstall"));
    // Nothing else to ask: the welcome page's Next installs.
    HWND welcome = currentPage(frame);
    EXPECT_EQ(viewFrame(frame).next.text, kInstallText);
    EXPECT_EQ(hintLine(welcome), "Click Install to install Slipway Earlier Test in " + product.folder() + ".");
    ASSERT_TRUE(uiauto::pressButton(frame, IDC_NEXT));
    HWND after = waitForNewPage(frame, welcome);
    PageKind kind = pageKind(after);
    EXPECT_TRUE(kind == PageKind::Progress || kind == PageKind::Finish) << pageKindName(kind);
    if (kind == PageKind::Progress)
        EXPECT_NE(stepRow(after, 0).caption, std::string("Removing ") + kOwnKey);
    ASSERT_NO_FATAL_FAILURE(finishFrom(after));
    EXPECT_FALSE(fileExists(record("own.txt"))) << "the earlier uninstaller ran";
    expectInstalledIn(product.folder());
}

TEST_F(EarlierInstallationTest, TwoFurtherProductsAreRemovedInListOrderEachWaitedFor)
{
    // The first one's copy is held: the second must wait for it.
    EventHold hold(kFakeUninstallerHold);
    ASSERT_TRUE(hold.held());
    const std::string commandA = fakeCommand("a.txt", true);
    const std::string commandB = fakeCommand("b.txt");
    ASSERT_TRUE(registerEarlierProduct(kFurtherKeyB, commandB));
    ASSERT_TRUE(registerEarlierProduct(kFurtherKeyA, commandA));
    ASSERT_NO_FATAL_FAILURE(startWizard());

    HWND found = nextToFoundPage(kFurtherKeyA);
    ASSERT_NE(found, nullptr);
    HWND progress = install();
    ASSERT_NE(progress, nullptr);
    EXPECT_EQ(stepRow(progress, 0).caption, std::string("Removing ") + kFurtherKeyA);
    EXPECT_EQ(stepRow(progress, 1).caption, std::string("Removing ") + kFurtherKeyB);

    Record startedA = waitForRecord(record("a.txt"));
    ASSERT_TRUE(startedA.exists) << "the first uninstaller did not run";
    EXPECT_EQ(startedA["commandLine"], commandA);
    ASSERT_TRUE(uiauto::waitForProcessExit(DWORD(strtoul(startedA["pid"].c_str(), nullptr, 10)), kRunTimeoutMs));
    Sleep(timeLimitMs(1000));
    EXPECT_FALSE(fileExists(record("b.txt"))) << "the second uninstaller ran before the first one's copy ended";
    hold.release();

    Record startedB = waitForRecord(record("b.txt"));
    ASSERT_TRUE(startedB.exists) << "the second uninstaller did not run";
    EXPECT_EQ(startedB["commandLine"], commandB);
    EXPECT_EQ(readRecord(record("a.txt.copy"))["ended"], "1");
    ASSERT_NO_FATAL_FAILURE(finishFrom(progress));
    expectInstalledIn(product.folder());
}

TEST_F(EarlierInstallationTest, OneCommandUnderTwoNamesRunsOnce)
{
    EventHold hold(kFakeUninstallerHold);
    ASSERT_TRUE(hold.held());
    const std::string command = fakeCommand("shared.txt", true);
    ASSERT_TRUE(registerEarlierProduct(kFurtherKeyA, command));
    ASSERT_TRUE(registerEarlierProduct(kFurtherKeyB, command));
    ASSERT_NO_FATAL_FAILURE(start("/quiet"));
    // The first run's record is taken away while its copy is held: a
    // second run would write it again.
    Record first = waitForRecord(record("shared.txt"));
    ASSERT_TRUE(first.exists) << "the earlier uninstaller did not run";
    ASSERT_TRUE(uiauto::waitForProcessExit(DWORD(strtoul(first["pid"].c_str(), nullptr, 10)), kRunTimeoutMs));
    ASSERT_TRUE(DeleteFileA(record("shared.txt").c_str()));
    hold.release();
    ASSERT_NO_FATAL_FAILURE(expectEndsByItself());
    EXPECT_FALSE(fileExists(record("shared.txt"))) << "the same command ran twice";
    uiauto::waitForProcessExit(DWORD(strtoul(first["copyPid"].c_str(), nullptr, 10)), kRunTimeoutMs);
    DeleteFileA(first["copyPath"].c_str());
}

TEST_F(EarlierInstallationTest, SilentUpgradeInstallsIntoTheEarlierFolderAndRunsItsUninstallerPassively)
{
    // The product's own entry points into another folder: the upgrade goes
    // there, and the uninstaller found there runs with " /passive".
    const std::string earlier = programFilesFolder() + "\\Slipway Earlier Elsewhere";
    product.alsoRemove(earlier);
    product.remove();
    ASSERT_TRUE(CreateDirectoryA(earlier.c_str(), nullptr));
    ASSERT_TRUE(CopyFileA(fakeUninstallerPath().c_str(), (earlier + "\\uninstall.exe").c_str(), FALSE));
    const std::string command = "\"" + earlier + "\\uninstall.exe\"";
    ASSERT_TRUE(registerEarlierProduct(kOwnKey, command));

    ASSERT_NO_FATAL_FAILURE(start("/passive"));
    ASSERT_NO_FATAL_FAILURE(expectEndsByItself());
    Record started = readRecord(earlier + "\\uninstall.exe.record");
    ASSERT_TRUE(started.exists) << "the earlier uninstaller did not run";
    EXPECT_EQ(started["commandLine"], command + " /passive");
    expectInstalledIn(earlier);
    EXPECT_FALSE(fileExists(product.folder())) << "the default folder was used";
}

TEST_F(EarlierInstallationTest, QuietRunRemovesAFurtherProductQuietlyAndWaitsForItsCopy)
{
    // Not the product's own entry: its folder is not taken over. Nobody is
    // there to answer the earlier uninstaller's questions, so it runs quietly.
    const std::string command = fakeCommand("a.txt", true);
    ASSERT_TRUE(registerEarlierProduct(kFurtherKeyA, command));
    ASSERT_NO_FATAL_FAILURE(start("/quiet"));
    ASSERT_NO_FATAL_FAILURE(expectEndsByItself());
    Record started = readRecord(record("a.txt"));
    ASSERT_TRUE(started.exists) << "the earlier uninstaller did not run";
    EXPECT_EQ(started["commandLine"], command + " /quiet");
    EXPECT_EQ(started["show"], std::to_string(SW_SHOWMINNOACTIVE));
    EXPECT_EQ(readRecord(record("a.txt.copy"))["ended"], "1") << "the installer ended before the copy";
    expectInstalledIn(product.folder());
}

// The name of a process that counts as an uninstaller's temporary copy (its
// parent must also be the started uninstaller, which the walk checks).
struct CopyNameCase {
    const char* name;
    bool isCopy;
};

class UninstallerCopyName : public ::testing::TestWithParam<CopyNameCase> {};

TEST_P(UninstallerCopyName, BeginsWithUniAndEndsWithTmpInAnyCase)
{
    EXPECT_EQ(looksLikeUninstallerCopy(GetParam().name), GetParam().isCopy) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(EarlierInstallation, UninstallerCopyName,
                         ::testing::Values(CopyNameCase{"uni1A2B.tmp", true}, CopyNameCase{"UNI1.TMP", true},
                                           CopyNameCase{"uni.tmp", true}, CopyNameCase{"Uni7.Tmp", true},
                                           CopyNameCase{"un.tmp", false}, CopyNameCase{"uni1.exe", false},
                                           CopyNameCase{"xuni1.tmp", false}, CopyNameCase{"uni1.tmp.exe", false},
                                           CopyNameCase{"uninstall.exe", false}, CopyNameCase{"", false}));
