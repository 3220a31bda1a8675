// The uninstaller end to end: a product installed by an installer built by
// `slipway` from tests/windows/packages/uninstall_run, removed by running its
// registered "UninstallString" as the system's list of programs does (no
// arguments), through the copy in the temporary folder and the three
// uninstall pages; unattended; with the uninstall program answering 1602, 1
// and 3010; and with a temporary folder that has blanks or cannot be had.
#include "support/installer_wizard.h"
#include "support/machine_state.h"
#include "support/program_fixtures.h"
#include "support/registry_values.h"
#include "support/stub_runs.h"
#include "support/test_environment.h"
#include "support/test_packages.h"
#include "support/wizard_driver.h"
#include "uiauto/ui_automation.h"

#include "builder/package/package_writer.h"
#include "format/byte_sink.h"
#include "resources/resource_ids.h"
#include "uninstall/previous_uninstall.h"
#include "format/uninstall_script.h"
#include "uiauto/time_limits.h"

#include <shlobj.h>

#include <gtest/gtest.h>

#include <stdio.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

const char kPackage[] = "uninstall_run";
const char kKeyName[] = "SlipwayUninstallRunTest";
const char kProductKey[] = "Software\\SlipwayUninstallRunTest";
// Read by the package's uninstall program when the product is installed.
const char kControlKey[] = "Software\\SlipwayUninstallRunControl";
const char kProgramHold[] = "SlipwayUninstallRunHold";

// The uninstall wizard's texts, as the manifest gives them.
const char kTitle[] = "Uninstall Run Removal";
const char kBackText[] = "< &Back";
const char kNextText[] = "&Forward >";
const char kRemoveText[] = "&Remove";
const char kFinishText[] = "&Close";
const char kCancelText[] = "Cancel";
const char kReadyToRemoveHint[] = "Press Remove to remove Uninstall Run.";
const char kProgressHint[] = "Working, please wait...";
const char kHintText[] = "Something went wrong: press Forward.";
const char kGoodbyeCaption[] = "Saying goodbye";
const char kRemoveFilesCaption[] = "Removing the files";
const char kSuccessText[] = "Uninstall Run has been removed.";
const char kFailureText[] = "Uninstall Run could not be removed completely.";
const char kFinishHint[] = "Press Close to end.";

constexpr DWORD kRunTimeoutMs = timeLimitMs(120000);

// An environment variable of this process, and so of the programs it
// starts, set for one test and put back afterwards.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const std::string& value) : name_(name)
    {
        char old[32768];
        DWORD length = GetEnvironmentVariableA(name, old, sizeof old);
        had_ = length > 0 && length < sizeof old;
        if (had_)
            old_.assign(old, length);
        SetEnvironmentVariableA(name, value.c_str());
    }
    ~ScopedEnvironment() { SetEnvironmentVariableA(name_, had_ ? old_.c_str() : nullptr); }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    const char* name_;
    bool had_ = false;
    std::string old_;
};

std::string temporaryFolder()
{
    char path[MAX_PATH + 1] = {};
    GetTempPathA(sizeof path, path);
    return path;
}

bool fileExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The uninstaller copies this run left in a temporary folder ("uni"), or
// the registered uninstallers moved there while they ran ("del").
std::vector<std::string> uninstallerCopies(const std::string& folder, const char* pattern = "uni*.tmp")
{
    std::vector<std::string> copies;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + pattern).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return copies;
    do
        copies.push_back(folder + found.cFileName);
    while (FindNextFileA(search, &found));
    FindClose(search);
    return copies;
}

// The files the system deletes at its next restart, as MoveFileEx wrote them.
std::string pendingDeletions()
{
    RegistryValue value = readRegistryValue(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager",
                                            "PendingFileRenameOperations", KEY_WOW64_64KEY);
    return value.data;
}

class UninstallRunTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(GetFileAttributesA(installer.c_str()), INVALID_FILE_ATTRIBUTES) << installer << " was not built";
        deleteRegistryTree(HKEY_LOCAL_MACHINE, kProductKey, KEY_WOW64_32KEY);
        deleteRegistryTree(HKEY_CURRENT_USER, kProductKey);
        deleteRegistryTree(HKEY_CURRENT_USER, kControlKey);
        DeleteFileA(goodbyeRecord.c_str());
        removeShortcutFolder();
        ASSERT_TRUE(setRegistryString(HKEY_CURRENT_USER, kControlKey, "Record", goodbyeRecord));
        copiesBefore = uninstallerCopies(temporaryFolder());
        movedBefore = uninstallerCopies(temporaryFolder(), "del*.tmp");
    }

    void TearDown() override
    {
        launcher.terminate();
        endLeftoverWizard();
        for (const std::string& copy : uninstallerCopies(temporaryFolder()))
            if (std::find(copiesBefore.begin(), copiesBefore.end(), copy) == copiesBefore.end()) {
                for (const std::string& inside : uninstallerCopies(copy + "\\"))
                    DeleteFileA(inside.c_str());
                DeleteFileA(copy.c_str());
                RemoveDirectoryA(copy.c_str());
            }
        deleteRegistryTree(HKEY_LOCAL_MACHINE, kProductKey, KEY_WOW64_32KEY);
        deleteRegistryTree(HKEY_CURRENT_USER, kProductKey);
        deleteRegistryTree(HKEY_CURRENT_USER, kControlKey);
        DeleteFileA(goodbyeRecord.c_str());
        removeShortcutFolder();
    }

    // A test that failed midway leaves no uninstall wizard running.
    static void endLeftoverWizard()
    {
        HWND frame = FindWindowA("#32770", kTitle);
        if (!frame)
            return;
        DWORD processId = uiauto::windowProcessId(frame);
        if (HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, processId)) {
            TerminateProcess(process, 1);
            WaitForSingleObject(process, kRunTimeoutMs);
            CloseHandle(process);
        }
    }

    void removeShortcutFolder()
    {
        const std::string folder = shellFolder(CSIDL_PROGRAMS) + "\\Slipway Uninstall Run";
        DeleteFileA((folder + "\\Uninstall Run.lnk").c_str());
        RemoveDirectoryA(folder.c_str());
    }

    // The uninstall program's exit code, taken when the product is installed.
    void setUninstallProgramExit(int code)
    {
        ASSERT_TRUE(setRegistryString(HKEY_CURRENT_USER, kControlKey, "ExitCode", std::to_string(code)));
    }

    void installQuietly()
    {
        uiauto::RunningProcess setup;
        ASSERT_TRUE(startProgram(setup, installer, "/quiet"));
        DWORD exitCode = 1;
        ASSERT_TRUE(setup.wait(kRunTimeoutMs, &exitCode)) << "the installation did not end";
        ASSERT_TRUE(fileExists(product.at("uninstall.exe"))) << "no uninstaller was written";
        ASSERT_TRUE(fileExists(product.at("docs\\guide\\guide.txt")));
        ASSERT_TRUE(registryKeyExists(HKEY_LOCAL_MACHINE, uninstallKeyPath(kKeyName), KEY_WOW64_32KEY));
    }

    // The registered command, as the system's list of programs runs it.
    std::string registeredCommand()
    {
        RegistryValue value =
            readRegistryValue(HKEY_LOCAL_MACHINE, uninstallKeyPath(kKeyName), "UninstallString", KEY_WOW64_32KEY);
        return value.exists ? std::string(value.data.c_str()) : std::string();
    }

    // Starts the registered uninstaller with a tail, unquoted as it is
    // registered, and finds the uninstall wizard's frame.
    HWND startUninstaller(const std::string& tail = "")
    {
        const std::string command = registeredCommand();
        EXPECT_EQ(command, product.at("uninstall.exe"));
        EXPECT_TRUE(launcher.start(tail.empty() ? command : command + " " + tail)) << launcher.error();
        HWND frame = uiauto::waitForWindow(0, "#32770", kTitle, kRunTimeoutMs, true);
        EXPECT_NE(frame, nullptr) << "the uninstall wizard did not appear";
        return frame;
    }

    // Waits until the launcher and the copy it started have ended.
    void waitForRemoval() { waitForUninstaller(launcher.processId(), launcher.processHandle()); }

    void expectRemoved()
    {
        EXPECT_FALSE(fileExists(product.folder())) << "the install folder is left";
        EXPECT_FALSE(registryKeyExists(HKEY_LOCAL_MACHINE, uninstallKeyPath(kKeyName), KEY_WOW64_32KEY));
        Record goodbye = readRecord(goodbyeRecord);
        EXPECT_TRUE(goodbye.exists) << "the uninstall program did not run";
        // The program's values are gone; the keys they were in stay, empty.
        EXPECT_EQ(registryValueCount(HKEY_CURRENT_USER, kProductKey), 0u);
        EXPECT_TRUE(registryKeyExists(HKEY_CURRENT_USER, kProductKey));
    }

    // A removal that stopped after its uninstall program: the files and
    // values stay; the registration and the uninstaller stay only when the
    // program cancelled.
    void expectProductKept(bool registered)
    {
        EXPECT_EQ(registryKeyExists(HKEY_LOCAL_MACHINE, uninstallKeyPath(kKeyName), KEY_WOW64_32KEY), registered);
        EXPECT_EQ(fileExists(product.at("uninstall.exe")), registered);
        EXPECT_TRUE(fileExists(product.at("docs\\guide\\guide.txt")));
        EXPECT_TRUE(readRegistryValue(HKEY_CURRENT_USER, kProductKey, "Runs").exists);
    }

    // The copy that this run left in a folder of its own in the temporary
    // folder, both scheduled for deletion at the next restart; or, when its
    // launcher waited for it, the registered uninstaller moved into the
    // temporary folder and scheduled so.
    void expectCopyScheduledForDeletion(const std::string& folder, const char* pattern = "uni*.tmp")
    {
        const bool copy = std::string(pattern) == "uni*.tmp";
        const std::vector<std::string>& before = copy ? copiesBefore : movedBefore;
        std::vector<std::string> found;
        for (const std::string& entry : uninstallerCopies(folder, pattern))
            if (std::find(before.begin(), before.end(), entry) == before.end())
                found.push_back(entry);
        ASSERT_EQ(found.size(), 1u) << "expected one new uninstaller copy in " << folder;
        std::vector<std::string> scheduled = found;
        if (copy) {
            DWORD attributes = GetFileAttributesA(found[0].c_str());
            ASSERT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
                << found[0] << " is no folder of the copy's own";
            std::vector<std::string> inside = uninstallerCopies(found[0] + "\\");
            ASSERT_EQ(inside.size(), 1u) << "expected the copy alone in " << found[0];
            scheduled.push_back(inside[0]);
        }
        for (const std::string& path : scheduled) {
            std::string name = path.substr(path.find_last_of('\\') + 1);
            EXPECT_NE(pendingDeletions().find(name), std::string::npos)
                << path << " is not scheduled for deletion at the next restart";
        }
    }

    const std::string installer = testInstallerPath(kPackage);
    const std::string goodbyeRecord = temporaryFolder() + "slipway-uninstall-goodbye.txt";
    InstalledProduct product{"Slipway Uninstall Run", {kKeyName}};
    std::vector<std::string> copiesBefore;
    std::vector<std::string> movedBefore;
    uiauto::RunningProcess launcher;
};

}  // namespace

TEST_F(UninstallRunTest, RegisteredUninstallerRemovesEverythingThroughItsThreePages)
{
    const MachineState before = machineState();
    ASSERT_NO_FATAL_FAILURE(installQuietly());
    EXPECT_TRUE(fileExists(shellFolder(CSIDL_PROGRAMS) + "\\Slipway Uninstall Run\\Uninstall Run.lnk"));

    // The uninstall program waits while the test looks at the progress page.
    EventHold hold(kProgramHold);
    ASSERT_TRUE(hold.held());
    HWND frame = startUninstaller();
    ASSERT_NE(frame, nullptr);
    // The wizard is the copy's; the copy ended the registered uninstaller
    // (exit code 0) so that its file can be deleted.
    EXPECT_NE(uiauto::windowProcessId(frame), launcher.processId());
    DWORD launcherExit = 1;
    ASSERT_TRUE(launcher.wait(kRunTimeoutMs, &launcherExit)) << "the launcher still runs beside the wizard";
    EXPECT_EQ(launcherExit, 0u);

    HWND welcome = waitUntilPageKind(frame, PageKind::Text);
    ASSERT_NE(welcome, nullptr);
    ASSERT_TRUE(waitForNextEnabled(frame));
    FrameView view = viewFrame(frame);
    EXPECT_EQ(view.caption, kTitle);
    EXPECT_EQ(view.back.text, kBackText);
    EXPECT_FALSE(view.back.enabled);
    EXPECT_EQ(view.next.text, kRemoveText);
    EXPECT_EQ(view.cancel.text, kCancelText);
    EXPECT_TRUE(view.cancel.enabled);
    // Stored expanded when the product was installed.
    EXPECT_EQ(pageText(welcome), "This wizard removes Uninstall Run from " + product.folder() + ".");
    EXPECT_EQ(hintLine(welcome), kReadyToRemoveHint);
    saveScreenshot(frame, "uninstall-1-welcome");

    HWND progress = pressAndWaitForPage(frame, IDC_NEXT, PageKind::Progress);
    ASSERT_NE(progress, nullptr);
    StepRow goodbyeRow = stepRow(progress, 0);
    EXPECT_TRUE(goodbyeRow.visible);
    EXPECT_EQ(goodbyeRow.caption, kGoodbyeCaption);
    EXPECT_EQ(stepRow(progress, 1).caption, kRemoveFilesCaption);
    EXPECT_FALSE(stepRow(progress, 2).visible);
    EXPECT_EQ(hintLine(progress), kProgressHint);
    view = viewFrame(frame);
    EXPECT_EQ(view.next.text, kFinishText);
    EXPECT_FALSE(view.back.enabled);
    EXPECT_FALSE(view.next.enabled);
    EXPECT_FALSE(view.cancel.enabled);
    // Busy: neither Escape nor the close box ends it.
    ASSERT_TRUE(sendEscape(frame));
    ASSERT_TRUE(sendCloseBox(frame));
    EXPECT_EQ(currentPage(frame), progress);
    // The bar counts the entries; the uninstall program, the first, holds it
    // at the start and the line under it names the step.
    ProgressBarView bar = progressBar(progress);
    ASSERT_TRUE(bar.exists) << "the uninstall progress page has no bar";
    EXPECT_TRUE(bar.visible);
    EXPECT_EQ(bar.high, 1000);
    EXPECT_EQ(bar.position, 0);
    for (DWORD waited = 0; bar.item.empty() && waited < kRunTimeoutMs; waited += 20) {
        Sleep(20);
        bar = progressBar(progress);
    }
    EXPECT_EQ(bar.item, kGoodbyeCaption);
    saveScreenshot(frame, "uninstall-2-progress");
    hold.release();
    // Read as fast as the page answers until it goes: the bar only rises.
    // The full bar stands only between its last move and the wizard moving
    // on by itself, which a reader from outside may not catch (the meter's
    // own tests see it filled): here it has counted entries past the held
    // first one.
    int lastPosition = 0;
    bool wentBack = false;
    for (DWORD started = GetTickCount(); IsWindow(progress) && GetTickCount() - started < kRunTimeoutMs;) {
        bar = progressBar(progress);
        if (!bar.exists)
            continue;
        wentBack |= bar.position < lastPosition;
        lastPosition = bar.position;
    }
    EXPECT_FALSE(wentBack);
    EXPECT_GT(lastPosition, 500) << "the bar did not move with the entries removed before the page went";

    HWND finish = waitForPage(frame, PageKind::Text, progress);
    ASSERT_NE(finish, nullptr) << "the wizard did not move on to its last page";
    EXPECT_EQ(pageText(finish), kSuccessText);
    EXPECT_EQ(hintLine(finish), kFinishHint);
    ASSERT_TRUE(waitForNextEnabled(frame));
    view = viewFrame(frame);
    EXPECT_EQ(view.next.text, kFinishText);
    EXPECT_TRUE(view.cancel.enabled);
    saveScreenshot(frame, "uninstall-3-finish");

    const DWORD copyId = uiauto::windowProcessId(frame);
    ASSERT_TRUE(uiauto::pressButton(frame, IDC_NEXT));
    DWORD copyExit = 1;
    ASSERT_TRUE(uiauto::waitForProcessExit(copyId, kRunTimeoutMs, &copyExit));
    expectRemoved();
    expectSameState(before, machineState());
    expectCopyScheduledForDeletion(temporaryFolder());
}

class UnattendedUninstallTest : public UninstallRunTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(UnattendedUninstallTest, PassesItsPagesByItselfAndLeavesNothing)
{
    const MachineState before = machineState();
    ASSERT_NO_FATAL_FAILURE(installQuietly());
    HWND frame = startUninstaller(GetParam());
    ASSERT_NE(frame, nullptr);
    waitForRemoval();
    EXPECT_FALSE(IsWindow(frame));
    expectRemoved();
    expectSameState(before, machineState());
}

INSTANTIATE_TEST_SUITE_P(Switches, UnattendedUninstallTest, ::testing::Values("/quiet", "/passive"),
                         [](const ::testing::TestParamInfo<const char*>& info) { return std::string(info.param + 1); });

// The uninstall program's answer decides how much goes: a cancel keeps
// everything, a failure keeps the files but not the registration, and a
// restart request lets the removal go on and asks for the restart at the end.
TEST_F(UninstallRunTest, CancelInTheUninstallProgramKeepsEverythingRegistered)
{
    ASSERT_NO_FATAL_FAILURE(setUninstallProgramExit(1602));
    ASSERT_NO_FATAL_FAILURE(installQuietly());
    HWND frame = startUninstaller();
    ASSERT_NE(frame, nullptr);
    ASSERT_TRUE(waitForNextEnabled(frame));
    HWND progress = pressAndWaitForPage(frame, IDC_NEXT, PageKind::Progress);
    ASSERT_NE(progress, nullptr);
    ASSERT_TRUE(waitForMark(progress, 0));
    ASSERT_TRUE(waitForNextEnabled(frame));
    EXPECT_EQ(stepRow(progress, 0).mark, kFailedMark);
    EXPECT_EQ(stepRow(progress, 1).mark, "") << "nothing else may be removed";
    EXPECT_EQ(hintLine(progress), kHintText);
    EXPECT_EQ(viewFrame(frame).next.text, kNextText);
    saveScreenshot(frame, "uninstall-4-failed");

    HWND finish = pressAndWaitForPage(frame, IDC_NEXT, PageKind::Text);
    ASSERT_NE(finish, nullptr);
    EXPECT_EQ(pageText(finish), kFailureText);
    EXPECT_EQ(hintLine(finish), kFinishHint);
    saveScreenshot(frame, "uninstall-5-failed-finish");
    ASSERT_TRUE(uiauto::pressButton(frame, IDC_NEXT));
    waitForRemoval();

    expectProductKept(true);
}

TEST_F(UninstallRunTest, FailureInTheUninstallProgramRemovesTheRegistrationButKeepsTheFiles)
{
    ASSERT_NO_FATAL_FAILURE(setUninstallProgramExit(1));
    ASSERT_NO_FATAL_FAILURE(installQuietly());
    HWND frame = startUninstaller("/passive");
    ASSERT_NE(frame, nullptr);
    // A failure stops on the progress page, also in silent mode; after Next
    // the last page passes by itself, as silent mode goes on.
    HWND progress = waitUntilPageKind(frame, PageKind::Progress);
    ASSERT_NE(progress, nullptr);
    ASSERT_TRUE(waitForNextEnabled(frame));
    EXPECT_EQ(stepRow(progress, 0).mark, kFailedMark);
    EXPECT_EQ(hintLine(progress), kHintText);
    Sleep(1000);
    EXPECT_EQ(currentPage(frame), progress) << "a failed removal must wait for the user";
    ASSERT_TRUE(uiauto::pressButton(frame, IDC_NEXT));
    waitForRemoval();
    EXPECT_FALSE(IsWindow(frame));

    expectProductKept(false);
}

TEST_F(UninstallRunTest, RestartRequestedByTheUninstallProgramIsOfferedAfterTheWizard)
{
    ASSERT_NO_FATAL_FAILURE(setUninstallProgramExit(3010));
    ASSERT_NO_FATAL_FAILURE(installQuietly());
    HWND frame = startUninstaller("/passive");
    ASSERT_NE(frame, nullptr);
    const DWORD copyId = uiauto::windowProcessId(frame);
    HWND question = waitForPrompt(copyId);
    ASSERT_NE(question, nullptr) << "no restart question";
    EXPECT_FALSE(IsWindow(frame)) << "the question comes after the wizard";
    EXPECT_EQ(uiauto::messageBoxCaption(question), kTitle);
    ASSERT_TRUE(uiauto::answerMessageBox(question, IDNO));
    waitForRemoval();
    expectRemoved();
}

// Ten captioned uninstall steps fill the nine rows newest first; the
// removal of the files then has no row of its own.
TEST(UninstallSteps, TenCaptionedStepsFillNineRows)
{
    const std::string installer = testInstallerPath("uninstall_steps");
    InstalledProduct product{"Slipway Uninstall Steps", {"SlipwayUninstallStepsTest"}};
    uiauto::RunningProcess setup;
    ASSERT_TRUE(startProgram(setup, installer, "/quiet"));
    ASSERT_TRUE(setup.wait(kRunTimeoutMs));
    EventHold hold("SlipwayUninstallStepsHold");
    uiauto::RunningProcess launcher;
    ASSERT_TRUE(launcher.start(product.at("uninstall.exe")));
    HWND frame = uiauto::waitForWindow(0, "#32770", "Uninstall Steps Removal", kRunTimeoutMs, true);
    ASSERT_NE(frame, nullptr);
    ASSERT_TRUE(waitForNextEnabled(frame));
    HWND progress = pressAndWaitForPage(frame, IDC_NEXT, PageKind::Progress);
    ASSERT_NE(progress, nullptr);
    for (int row = 0; row < 9; ++row) {
        StepRow shown = stepRow(progress, row);
        EXPECT_TRUE(shown.visible) << row;
        EXPECT_EQ(shown.caption, "Uninstall step " + std::to_string(10 - row));
    }
    saveScreenshot(frame, "uninstall-6-ten-steps");
    hold.release();
    HWND finish = waitForPage(frame, PageKind::Text, progress);
    ASSERT_NE(finish, nullptr);
    ASSERT_TRUE(uiauto::pressButton(frame, IDC_NEXT));
    waitForUninstaller(launcher.processId(), launcher.processHandle());
    EXPECT_EQ(GetFileAttributesA(product.folder().c_str()), INVALID_FILE_ATTRIBUTES);
    for (int step = 1; step <= 10; ++step)
        DeleteFileA(("C:\\windows\\temp\\slipway-step-" + std::to_string(step) + ".txt").c_str());
}

// The registered uninstaller is busy while the copy wants to delete it: the
// prompt asks, and Retry after the file has been let go deletes it.
TEST_F(UninstallRunTest, RetryAtTheDeletionPromptDeletesTheReleasedUninstaller)
{
    ASSERT_NO_FATAL_FAILURE(installQuietly());
    // Shared for reading, as the launcher needs, but not for deletion.
    HANDLE held = CreateFileA(product.at("uninstall.exe").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    HWND frame = startUninstaller("/passive");
    ASSERT_NE(frame, nullptr);
    const DWORD copyId = uiauto::windowProcessId(frame);
    HWND prompt = waitForPrompt(copyId);
    ASSERT_NE(prompt, nullptr) << "no prompt for the file that cannot be deleted";
    EXPECT_EQ(uiauto::messageBoxCaption(prompt), "Error");
    const std::string expected = "Cannot delete file \"" + product.at("uninstall.exe") + "\":\n";
    EXPECT_EQ(uiauto::messageBoxText(prompt).substr(0, expected.size()), expected);
    CloseHandle(held);
    ASSERT_TRUE(uiauto::answerMessageBox(prompt, IDRETRY));
    waitForRemoval();
    expectRemoved();
}

// An uninstaller whose installation recorded nothing still removes its
// entry and its own file, and marks its one row done.
TEST(UninstallWithoutUndoEntries, RemovesItsEntryAndItselfAndMarksItsRow)
{
    InstalledProduct product{"Slipway No Undo", {"SlipwayNoUndoTest"}};
    ASSERT_TRUE(CreateDirectoryA(product.folder().c_str(), nullptr));
    UninstallScript script;
    ASSERT_TRUE(script.title.assignText("No Undo Removal") && script.uninstallKeyName.assignText("SlipwayNoUndoTest") &&
                script.uninstallerPath.assignText(product.at("uninstall.exe").c_str()) &&
                script.removeFilesStepCaption.assignText(kRemoveFilesCaption) &&
                script.successText.assignText(kSuccessText));
    for (Bytes* text : {&script.backText, &script.nextText, &script.removeText, &script.finishText, &script.cancelText,
                        &script.welcomeText, &script.hintText, &script.progressHint, &script.readyToRemoveHint,
                        &script.failureText, &script.finishHint})
        ASSERT_TRUE(text->assignText(""));
    ByteSink sink;
    Bytes body, file;
    ASSERT_TRUE(writeUninstallScript(script, sink) && sink.flatten(body));
    ASSERT_TRUE(assemblePackageFile(stubImageBytes(), kUninstallMagic, {&body}, file));
    FILE* uninstaller = fopen(product.at("uninstall.exe").c_str(), "wb");
    ASSERT_NE(uninstaller, nullptr);
    EXPECT_EQ(fwrite(file.data(), 1, file.size(), uninstaller), file.size());
    fclose(uninstaller);
    ASSERT_TRUE(registerEarlierProduct("SlipwayNoUndoTest", product.at("uninstall.exe")));

    uiauto::RunningProcess launcher;
    ASSERT_TRUE(launcher.start(product.at("uninstall.exe") + " /passive"));
    HWND frame = uiauto::waitForWindow(0, "#32770", "No Undo Removal", kRunTimeoutMs, true);
    ASSERT_NE(frame, nullptr);
    HWND finish = waitUntilPageKind(frame, PageKind::Text);
    while (finish && pageText(finish) != kSuccessText && IsWindow(frame)) {
        Sleep(50);
        finish = currentPage(frame);
    }
    waitForUninstaller(launcher.processId(), launcher.processHandle());
    EXPECT_FALSE(registryKeyExists(HKEY_LOCAL_MACHINE, uninstallKeyPath("SlipwayNoUndoTest"), KEY_WOW64_32KEY));
    EXPECT_EQ(GetFileAttributesA(product.at("uninstall.exe").c_str()), INVALID_FILE_ATTRIBUTES);
}

// Start-up's edge cases of the launcher and the copy.
TEST_F(UninstallRunTest, TemporaryFolderWithBlanksStillStartsTheCopy)
{
    ASSERT_NO_FATAL_FAILURE(installQuietly());
    const std::string folder = makeTestFolder("Slipway temporary folder with blanks") + "\\";
    ScopedEnvironment tmp("TMP", folder), temp("TEMP", folder);
    HWND frame = startUninstaller("/passive");
    ASSERT_NE(frame, nullptr);
    EXPECT_NE(uiauto::windowProcessId(frame), launcher.processId());
    waitForRemoval();
    expectRemoved();
    // The launcher waited for the copy: the registered uninstaller, still
    // running then, was moved into the temporary folder.
    expectCopyScheduledForDeletion(folder, "del*.tmp");
}

TEST_F(UninstallRunTest, TemporaryFolderThatCannotBeHadRunsTheWizardInTheLauncher)
{
    ASSERT_NO_FATAL_FAILURE(installQuietly());
    ScopedEnvironment tmp("TMP", "C:\\slipway-no-such-folder\\"), temp("TEMP", "C:\\slipway-no-such-folder\\");
    HWND frame = startUninstaller("/passive");
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(uiauto::windowProcessId(frame), launcher.processId());
    // The running uninstaller cannot delete itself: the prompt says so, and
    // Ignore lets the removal go on.
    HWND prompt = waitForPrompt(launcher.processId());
    ASSERT_NE(prompt, nullptr);
    EXPECT_NE(uiauto::messageBoxText(prompt).find("uninstall.exe"), std::string::npos);
    ASSERT_TRUE(uiauto::answerMessageBox(prompt, IDIGNORE));
    DWORD exitCode = 1;
    ASSERT_TRUE(launcher.wait(kRunTimeoutMs, &exitCode));
    EXPECT_FALSE(registryKeyExists(HKEY_LOCAL_MACHINE, uninstallKeyPath(kKeyName), KEY_WOW64_32KEY));
    EXPECT_FALSE(fileExists(product.at("docs\\guide\\guide.txt")));
    EXPECT_TRUE(fileExists(product.at("uninstall.exe")));
}

TEST_F(UninstallRunTest, DoitWithAHandleThatIsNoProcessRunsTheWizardDirectly)
{
    ASSERT_NO_FATAL_FAILURE(installQuietly());
    HWND frame = startUninstaller("doit=1234 /passive");
    ASSERT_NE(frame, nullptr);
    // No copy: this process runs the wizard, silently, and is not stopped by
    // the handle value that names nothing of it (nor waited for by it).
    EXPECT_EQ(uiauto::windowProcessId(frame), launcher.processId());
    HWND prompt = waitForPrompt(launcher.processId());
    ASSERT_NE(prompt, nullptr) << "the running uninstaller cannot delete itself";
    ASSERT_TRUE(uiauto::answerMessageBox(prompt, IDIGNORE));
    DWORD exitCode = 1;
    ASSERT_TRUE(launcher.wait(kRunTimeoutMs, &exitCode));
    EXPECT_EQ(exitCode, 0u);
    EXPECT_FALSE(fileExists(product.at("docs\\guide\\guide.txt")));
}

// Reinstalling over an earlier installation of the same product removes it
// inside the installation, once Install is pressed: its uninstall program
// runs, no uninstaller wizard of its own appears, and one working
// installation is left.
TEST_F(UninstallRunTest, ReinstallRemovesTheEarlierInstallationInsideTheInstallation)
{
    ASSERT_NO_FATAL_FAILURE(installQuietly());
    ASSERT_FALSE(readRecord(goodbyeRecord).exists);

    uiauto::RunningProcess setup;
    ASSERT_TRUE(startProgram(setup, installer, ""));
    HWND frame = waitForFrame(setup);
    ASSERT_NE(frame, nullptr);
    ASSERT_TRUE(waitUntilLoaded(frame));
    HWND found = pressAndWaitForPage(frame, IDC_NEXT, PageKind::Text);
    ASSERT_NE(found, nullptr) << "the earlier installation was not found";
    EXPECT_FALSE(readRecord(goodbyeRecord).exists) << "the earlier version was removed before Install";
    ASSERT_TRUE(waitForNextEnabled(frame));
    ASSERT_TRUE(uiauto::pressButton(frame, IDC_NEXT));

    HWND finish = waitUntilPageKind(frame, PageKind::Finish);
    ASSERT_NE(finish, nullptr);
    EXPECT_TRUE(readRecord(goodbyeRecord).exists) << "the earlier version's uninstall program did not run";
    // The removal ran in this process: no uninstaller of its own, nor its
    // temporary copy, was ever started.
    EXPECT_EQ(uiauto::waitForWindow(0, "#32770", kTitle, 0, true), nullptr);
    ASSERT_TRUE(waitForNextEnabled(frame));
    ASSERT_TRUE(uiauto::pressButton(frame, IDC_NEXT));
    DeleteFileA(goodbyeRecord.c_str());
    DWORD exitCode = 1;
    ASSERT_TRUE(setup.wait(kRunTimeoutMs, &exitCode));
    EXPECT_EQ(exitCode, 0u);
    ASSERT_TRUE(fileExists(product.at("uninstall.exe")));
    ASSERT_TRUE(fileExists(product.at("docs\\guide\\guide.txt")));
    EXPECT_EQ(registeredCommand(), product.at("uninstall.exe"));

    // One working installation: its uninstaller removes it all.
    HWND frameAgain = startUninstaller("/quiet");
    ASSERT_NE(frameAgain, nullptr);
    waitForRemoval();
    expectRemoved();
}

TEST_F(UninstallRunTest, QuietReinstallRemovesTheEarlierInstallationInsideTheInstallation)
{
    ASSERT_NO_FATAL_FAILURE(installQuietly());
    uiauto::RunningProcess setup;
    ASSERT_TRUE(startProgram(setup, installer, "/quiet"));
    DWORD exitCode = 1;
    ASSERT_TRUE(setup.wait(kRunTimeoutMs, &exitCode));
    EXPECT_TRUE(readRecord(goodbyeRecord).exists) << "the earlier uninstaller did not run";
    DeleteFileA(goodbyeRecord.c_str());
    ASSERT_TRUE(fileExists(product.at("uninstall.exe")));
    ASSERT_TRUE(fileExists(product.at("docs\\guide\\guide.txt")));
    HWND frame = startUninstaller("/quiet");
    ASSERT_NE(frame, nullptr);
    waitForRemoval();
    expectRemoved();
}
