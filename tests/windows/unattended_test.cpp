// Installers run without a user: "/passive" shows every page and ends by
// itself, "/quiet" keeps the frame minimised throughout, a failure ends
// silent mode and shows the frame rather than leave a hidden process
// waiting, and a damaged action block says so and ends. "-extractallfiles" writes the packaged files out
// and closes the wizard, or first says that the action block is damaged.
#include "support/file_steps.h"
#include "support/installer_wizard.h"
#include "support/registry_values.h"
#include "support/stub_runs.h"
#include "support/test_environment.h"
#include "support/test_packages.h"
#include "support/wine_host.h"
#include "support/wizard_driver.h"
#include "uiauto/ui_automation.h"

#include "builder/package/package_writer.h"
#include "resources/resource_ids.h"
#include "uiauto/time_limits.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

const char kUninstallKeyName[] = "SlipwayWizardRunTest";
const char kFailureText[] = "Wizard Run could not be installed; nothing was changed.";

// Bound for an unattended run to end by itself.
constexpr DWORD kRunTimeoutMs = timeLimitMs(60000);

class UnattendedTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(GetFileAttributesA(installer.c_str()), INVALID_FILE_ATTRIBUTES) << installer << " was not built";
    }

    void start(const std::string& program, const std::string& tail)
    {
        ASSERT_TRUE(startProgram(setup, program, tail));
        frame = waitForFrame(setup);
        ASSERT_NE(frame, nullptr) << "the wizard frame did not appear";
    }

    void expectEndsByItself()
    {
        DWORD exitCode = 99;
        ASSERT_TRUE(setup.wait(kRunTimeoutMs, &exitCode)) << "the unattended run did not end by itself";
        EXPECT_EQ(exitCode, 0u);
    }

    void expectInstalled()
    {
        expectSameFiles(testPackageFolder("wizard_run", "payload"), product.folder());
        EXPECT_TRUE(fileExists(product.at("uninstall.exe")));
        EXPECT_TRUE(registryKeyExists(HKEY_LOCAL_MACHINE, uninstallKeyPath(kUninstallKeyName), KEY_WOW64_32KEY));
    }

    void expectNothingInstalled()
    {
        EXPECT_FALSE(fileExists(product.at("uninstall.exe")));
        EXPECT_FALSE(fileExists(product.at("bin")));
        EXPECT_FALSE(registryKeyExists(HKEY_LOCAL_MACHINE, uninstallKeyPath(kUninstallKeyName), KEY_WOW64_32KEY));
    }

    // The frame shown, not minimised, and the page waiting for the user:
    // Next enabled, the process still there.
    ::testing::AssertionResult waitUntilShownToTheUser()
    {
        for (DWORD waited = 0; waited < kRunTimeoutMs; waited += 20) {
            if (!isRunning(setup.processHandle()))
                return ::testing::AssertionFailure() << "the process ended instead";
            if (IsWindowVisible(frame) && !IsIconic(frame) && IsWindowEnabled(GetDlgItem(frame, IDC_NEXT)))
                return ::testing::AssertionSuccess();
            Sleep(20);
        }
        return ::testing::AssertionFailure()
               << "the frame was not shown to the user " << (IsIconic(frame) ? "(still minimised)" : "");
    }

    const std::string installer = testInstallerPath("wizard_run");
    InstalledProduct product{"Slipway Wizard Run", {kUninstallKeyName}};
    uiauto::RunningProcess setup;
    HWND frame = nullptr;
};

// The bytes of an installer with its block 1 (the action script) damaged.
Bytes withDamagedActionBlock(const Bytes& installer, uint32_t offsetInBlock, uint8_t value)
{
    Bytes damaged = copyBytes(installer);
    PackageOffsets offsets = packageOffsets(installer);
    // Behind the magic: block 0's csize, usize, properties and stream, then block 1.
    const uint32_t block0 = offsets.start + 4;
    const uint32_t block1 = block0 + 8 + loadU32(installer.data() + block0);
    EXPECT_LT(block1 + offsetInBlock, offsets.trailer);
    if (block1 + offsetInBlock < offsets.trailer)
        damaged.data()[block1 + offsetInBlock] = value;
    return damaged;
}

}  // namespace

TEST_F(UnattendedTest, PassiveShowsTheProgressAndEndsByItself)
{
    EventHold hold(kHelperHold);
    ASSERT_TRUE(hold.held());
    ASSERT_NO_FATAL_FAILURE(start(installer, "/passive"));
    // Shown from the first page on, never minimised: the user sees the run
    // begin.
    HWND progress = nullptr;
    int hiddenOn = 0;
    for (DWORD waited = 0; !progress && waited < kRunTimeoutMs && isRunning(setup.processHandle()); waited += 10) {
        HWND page = currentPage(frame);
        PageKind kind = pageKind(page);
        if (kind == PageKind::Progress)
            progress = page;
        else if (kind != PageKind::None && (!IsWindowVisible(frame) || IsIconic(frame)))
            ++hiddenOn;
        Sleep(10);
    }
    ASSERT_NE(progress, nullptr) << "the run did not reach the progress page by itself";
    EXPECT_EQ(hiddenOn, 0) << "the frame was hidden or minimised before the progress page";
    ASSERT_TRUE(waitForMark(progress, 0));
    EXPECT_TRUE(IsWindowVisible(frame));
    EXPECT_FALSE(IsIconic(frame)) << "the passive run hides its progress";
    FrameView view = viewFrame(frame);
    EXPECT_FALSE(view.back.enabled);
    EXPECT_FALSE(view.next.enabled);
    EXPECT_FALSE(view.cancel.enabled);
    saveScreenshot(frame, "unattended-passive-progress");

    hold.release();
    ASSERT_NO_FATAL_FAILURE(expectEndsByItself());
    expectInstalled();
}

TEST_F(UnattendedTest, QuietKeepsTheFrameMinimisedThroughout)
{
    EventHold hold(kHelperHold);
    ASSERT_TRUE(hold.held());
    ASSERT_NO_FATAL_FAILURE(start(installer, "/quiet"));
    // Watched from its first appearance to the end of the process; the
    // helper step holds the run until the progress page has been seen.
    bool sawProgress = false;
    int shownNormally = 0;
    std::string shownOn;  // the pages on show when the frame was, for the message
    for (DWORD waited = 0; isRunning(setup.processHandle()) && waited < kRunTimeoutMs; waited += 10) {
        HWND page = currentPage(frame);
        if (IsWindow(frame) && IsWindowVisible(frame) && !IsIconic(frame)) {
            ++shownNormally;
            shownOn += std::string(" ") + pageKindName(pageKind(page)) + (sawProgress ? "(after progress)" : "");
        }
        if (!sawProgress && isProgressPage(page) && !stepRow(page, 0).mark.empty()) {
            sawProgress = true;
            EXPECT_FALSE(IsWindowEnabled(GetDlgItem(frame, IDC_NEXT)));
            hold.release();
        }
        Sleep(10);
    }
    EXPECT_TRUE(sawProgress) << "the progress page was never seen";
    EXPECT_EQ(shownNormally, 0) << "the frame was shown normally " << shownNormally << " times, on:" << shownOn;
    ASSERT_NO_FATAL_FAILURE(expectEndsByItself());
    expectInstalled();
}

// A quiet run ends by itself instead: unattended_deployment_test.
TEST_F(UnattendedTest, PassiveFailureEndsSilentModeAndShowsTheFrame)
{
    for (const char* tail : {"/passive"}) {
        SCOPED_TRACE(tail);
        product.remove();
        setup = uiauto::RunningProcess();
        ASSERT_TRUE(CreateDirectoryA(product.folder().c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryA(product.at("docs").c_str(), nullptr));
        HeldFile held(product.at("docs\\guide.txt"));
        ASSERT_TRUE(held.held());

        ASSERT_NO_FATAL_FAILURE(start(installer, tail));
        HWND box = waitForPrompt(setup.processId());
        ASSERT_NE(box, nullptr) << "the prompt for the held file is not shown";
        EXPECT_NE(uiauto::messageBoxText(box).find("Cannot create file"), std::string::npos);
        ASSERT_TRUE(uiauto::answerMessageBox(box, IDABORT));

        // The user now decides: the failed progress page, then the finish
        // page with the failure text, neither left by itself.
        ASSERT_TRUE(waitUntilShownToTheUser());
        HWND progress = currentPage(frame);
        ASSERT_TRUE(isProgressPage(progress));
        EXPECT_EQ(stepRow(progress, 0).mark, kFailedMark);
        saveScreenshot(frame, "unattended-passive-failure");
        HWND finish = pressAndWaitForPage(frame, IDC_NEXT, PageKind::Finish);
        ASSERT_NE(finish, nullptr);
        ASSERT_TRUE(waitUntilShownToTheUser());
        EXPECT_EQ(pageText(finish), kFailureText);
        EXPECT_EQ(currentPage(frame), finish) << "the finish page was left without the user";
        ASSERT_TRUE(uiauto::pressButton(frame, IDC_NEXT));
        DWORD exitCode = 99;
        ASSERT_TRUE(setup.wait(kRunTimeoutMs, &exitCode));
        EXPECT_EQ(exitCode, 1603u);
        expectNothingInstalled();
    }
}

TEST_F(UnattendedTest, DamagedActionBlockShowsTheDamagedPackageMessageAndEnds)
{
    Bytes original;
    ASSERT_TRUE(readWholeFile(installer.c_str(), original));
    struct Damage {
        const char* name;
        uint32_t offset;
        uint8_t value;
    };
    // 225 is no valid properties byte; an LZMA stream always begins with 0.
    const Damage damages[] = {{"properties byte", 8, 225}, {"first stream byte", 13, 0x80}};
    for (const Damage& damage : damages) {
        SCOPED_TRACE(damage.name);
        TestFile damaged(packageFolder(), "damaged-block-1");
        ASSERT_TRUE(damaged.write(withDamagedActionBlock(original, damage.offset, damage.value)));
        setup = uiauto::RunningProcess();
        // /passive: a quiet run shows no message (unattended_deployment_test).
        ASSERT_NO_FATAL_FAILURE(start(damaged.path(), "/passive"));

        // Block 1 cannot be read: the message says so, over the frame now
        // shown, and OK ends the run without a wizard left waiting.
        EXPECT_TRUE(answerDamagedPackageMessage(
            setup, damage.offset == 8 ? testOutputFolder() + "\\unattended-damaged-block-1.bmp" : std::string()));
        expectNothingInstalled();
    }
}

TEST(ExtractAllFiles, WritesEveryFileOfEveryComponentIntoTheCurrentFolderAndCloses)
{
    const std::string installer = testInstallerPath("extract_all");
    ASSERT_NE(GetFileAttributesA(installer.c_str()), INVALID_FILE_ATTRIBUTES) << installer << " was not built";
    InstalledProduct product{"Slipway Extract Test", {"Slipway Extract Test"}};
    removeTestTree(makeTestFolder("extract-all"));
    const std::string folder = makeTestFolder("extract-all");

    uiauto::ProcessOptions options;
    options.workingDirectory = folder.c_str();
    uiauto::RunningProcess setup;
    ASSERT_TRUE(setup.start(commandLineOf(installer, "-extractallfiles"), options)) << setup.error();
    DWORD exitCode = 99;
    ASSERT_TRUE(setup.wait(kRunTimeoutMs, &exitCode)) << "the wizard did not close by itself";
    EXPECT_EQ(exitCode, 0u);

    // The main list's files with "0_", each component's with its number,
    // the one not selected too; the stored path's backslashes as "_".
    struct Extracted {
        std::string name;
        std::string source;
    };
    const Extracted expected[] = {
        {"0_$PROGRAMFILESFOLDER$_a.txt", testPackageFolder("extract_all", "main") + "\\a.txt"},
        {"0_$PROGRAMFILESFOLDER$_sub_b.txt", testPackageFolder("extract_all", "main") + "\\sub\\b.txt"},
        {"1_$PROGRAMFILESFOLDER$_docs_c.txt", testPackageFolder("extract_all", "docs") + "\\c.txt"},
        {"2_$APPDATA$_Extract Test_d.txt", testPackageFolder("extract_all", "extras") + "\\d.txt"},
    };
    std::vector<std::string> names;
    for (const Extracted& file : expected)
        names.push_back(file.name);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(folderEntries(folder), names);
    for (const Extracted& file : expected) {
        SCOPED_TRACE(file.name);
        const std::string path = folder + "\\" + file.name;
        EXPECT_EQ(readFile(path), readFile(file.source));
        EXPECT_EQ(lastWriteTime(path), lastWriteTime(file.source));
    }
    // Nothing is installed.
    EXPECT_FALSE(fileExists(product.folder()));
    EXPECT_FALSE(registryKeyExists(HKEY_LOCAL_MACHINE, uninstallKeyPath("Slipway Extract Test"), KEY_WOW64_32KEY));
    removeTestTree(folder);
}

TEST(ExtractAllFiles, ADamagedActionBlockIsReportedBeforeTheWizardClosesAndWritesNothing)
{
    Bytes original;
    ASSERT_TRUE(readWholeFile(testInstallerPath("extract_all").c_str(), original));
    TestFile damaged(packageFolder(), "extract-all-damaged-block-1");
    // 225 is no valid properties byte of block 1's stream.
    ASSERT_TRUE(damaged.write(withDamagedActionBlock(original, 8, 225)));
    removeTestTree(makeTestFolder("extract-all-damaged"));
    const std::string folder = makeTestFolder("extract-all-damaged");

    uiauto::ProcessOptions options;
    options.workingDirectory = folder.c_str();
    uiauto::RunningProcess setup;
    ASSERT_TRUE(setup.start(commandLineOf(damaged.path(), "-extractallfiles"), options)) << setup.error();
    // The message stays until it is answered: the wizard ends only after it.
    EXPECT_TRUE(answerDamagedPackageMessage(setup));
    EXPECT_TRUE(folderEntries(folder).empty());
    removeTestTree(folder);
}
