// An earlier installation registered under the Uninstall key is found, its
// uninstaller run and waited for (and its temporary copy, uniXXXX.tmp, that
// outlives it) before the installation goes on. The earlier uninstaller is
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
const char kPreviousVersionText[] = "An earlier version of Earlier Test is installed. Press Next to remove it first.";
const char kRemovingPreviousText[] = "Removing the earlier version of Earlier Test...";
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

    // Expects the earlier-installation-found page after pressing Next.
    HWND nextToFoundPage()
    {
        HWND found = pressAndWaitForPage(frame, IDC_NEXT, PageKind::Text);
        EXPECT_NE(found, nullptr);
        if (found)
            EXPECT_EQ(pageText(found), kPreviousVersionText);
        return found;
    }

    HWND nextToRemovalPage()
    {
        HWND removal = pressAndWaitForPage(frame, IDC_NEXT, PageKind::Text);
        EXPECT_NE(removal, nullptr);
        if (removal)
            EXPECT_EQ(pageText(removal), kRemovingPreviousText);
        return removal;
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

TEST_F(EarlierInstallationTest, FoundAndRemovalPagesRunTheUninstallerAndWaitForItsTemporaryCopy)
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

    HWND found = nextToFoundPage();
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(hintLine(found), kHintText);
    FrameView view = viewFrame(frame);
    EXPECT_TRUE(view.back.enabled);
    EXPECT_TRUE(view.next.enabled);
    EXPECT_EQ(view.next.text, kNextText);
    EXPECT_TRUE(view.cancel.enabled);
    saveScreenshot(frame, "earlier-1-found");

    // Back and Next again: the uninstaller only runs from the removal page.
    welcome = pressAndWaitForPage(frame, IDC_BACK, PageKind::Text);
    ASSERT_NE(welcome, nullptr);
    EXPECT_EQ(pageText(welcome), kWelcomeText);
    ASSERT_TRUE(waitForNextEnabled(frame));
    found = nextToFoundPage();
    ASSERT_NE(found, nullptr);
    EXPECT_FALSE(fileExists(record("own.txt")));

    HWND removal = nextToRemovalPage();
    ASSERT_NE(removal, nullptr);
    EXPECT_EQ(hintLine(removal), kProgressHint);
    view = viewFrame(frame);
    EXPECT_FALSE(view.back.enabled);
    EXPECT_FALSE(view.next.enabled);
    EXPECT_FALSE(view.cancel.enabled);
    EXPECT_EQ(view.next.text, kInstallText) << "the page after the removal is the progress page";
    saveScreenshot(frame, "earlier-2-removing");

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

    // The started uninstaller is gone, its copy is not: the page still waits,
    // and the wizard cannot be left.
    ASSERT_TRUE(sendEscape(frame));
    ASSERT_TRUE(sendCloseBox(frame));
    EXPECT_TRUE(isRunning(setup.processHandle()));
    EXPECT_EQ(currentPage(frame), removal);

    hold.release();
    HWND after = waitForNewPage(frame, removal);
    ASSERT_NE(after, nullptr);
    Record copy = readRecord(record("own.txt.copy"));
    EXPECT_EQ(copy["ended"], "1") << "the wizard went on before the temporary copy had ended";
    EXPECT_NE(pageKind(after), PageKind::Text) << "the same uninstaller was offered twice";
    ASSERT_NO_FATAL_FAILURE(finishFrom(after));
    expectInstalledIn(product.folder());
}

TEST_F(EarlierInstallationTest, NoUninstallSkipsTheEarlierInstallationPages)
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
    ASSERT_NO_FATAL_FAILURE(finishFrom(after));
    EXPECT_FALSE(fileExists(record("own.txt"))) << "the earlier uninstaller ran";
    expectInstalledIn(product.folder());
}

TEST_F(EarlierInstallationTest, TwoEarlierProductsAreRemovedOneAfterTheOther)
{
    const std::string commandA = fakeCommand("a.txt");
    const std::string commandB = fakeCommand("b.txt");
    ASSERT_TRUE(registerEarlierProduct(kFurtherKeyA, commandA));
    ASSERT_TRUE(registerEarlierProduct(kFurtherKeyB, commandB));
    ASSERT_NO_FATAL_FAILURE(startWizard());

    ASSERT_NE(nextToFoundPage(), nullptr);
    HWND removal = nextToRemovalPage();
    ASSERT_NE(removal, nullptr);
    // The second product leads back to the found page.
    HWND found = waitForPage(frame, PageKind::Text, removal);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(pageText(found), kPreviousVersionText);
    EXPECT_EQ(readRecord(record("a.txt"))["commandLine"], commandA);
    EXPECT_FALSE(fileExists(record("b.txt"))) << "the second uninstaller ran before its found page";
    ASSERT_TRUE(waitForNextEnabled(frame));

    removal = nextToRemovalPage();
    ASSERT_NE(removal, nullptr);
    HWND after = waitForNewPage(frame, removal);
    ASSERT_NE(after, nullptr);
    EXPECT_NE(pageKind(after), PageKind::Text) << "an uninstaller was offered a third time";
    EXPECT_EQ(readRecord(record("b.txt"))["commandLine"], commandB);
    ASSERT_NO_FATAL_FAILURE(finishFrom(after));
    expectInstalledIn(product.folder());
}

TEST_F(EarlierInstallationTest, OneCommandUnderTwoNamesRunsOnce)
{
    const std::string command = fakeCommand("shared.txt");
    ASSERT_TRUE(registerEarlierProduct(kFurtherKeyA, command));
    ASSERT_TRUE(registerEarlierProduct(kFurtherKeyB, command));
    ASSERT_NO_FATAL_FAILURE(startWizard());
    ASSERT_NE(nextToFoundPage(), nullptr);
    HWND removal = nextToRemovalPage();
    ASSERT_NE(removal, nullptr);
    HWND after = waitForNewPage(frame, removal);
    ASSERT_NE(after, nullptr);
    EXPECT_NE(pageKind(after), PageKind::Text) << "the command already run was offered again";
    EXPECT_TRUE(readRecord(record("shared.txt")).exists);
    ASSERT_NO_FATAL_FAILURE(finishFrom(after));
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
