// Whole runs of an installer built by `slipway` from
// tests/windows/packages/wizard_run, driven as a user drives them: welcome,
// licence, progress and finish pages with the captions and hint lines the
// page rules give them, Back and Cancel, the installed files, the
// uninstaller and its entry, and the rollback after an Abort.
#include "support/file_steps.h"
#include "support/installer_wizard.h"
#include "support/registry_values.h"
#include "support/stub_runs.h"
#include "support/test_environment.h"
#include "support/test_packages.h"
#include "support/wizard_driver.h"
#include "uiauto/ui_automation.h"

#include "format/byte_cursor.h"
#include "format/package_container.h"
#include "resources/resource_ids.h"
#include "format/uninstall_script.h"

#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <memory>

namespace {

const char kPackage[] = "wizard_run";
const char kUninstallKeyName[] = "SlipwayWizardRunTest";

// The package's texts, as its manifest gives them.
const char kTitle[] = "Wizard Run Setup";
const char kBackText[] = "< &Back";
const char kNextText[] = "&Onward >";
const char kInstallText[] = "&Install now";
const char kFinishText[] = "&Done";
const char kCancelText[] = "&Stop";
const char kWelcomeText[] = "Welcome to the Wizard Run test product.";
const char kHintText[] = "Press Onward to go on.";
const char kLicenseHint[] = "Read the licence, then press Onward to accept it.";
const char kLicenseText[] =
    "Wizard Run licence\n\nYou may install Wizard Run on any number of test machines.\n"
    "Read more at https://example.org/wizard-run/licence.";
const char kProgressHint[] = "Installing, please wait...";
const char kFilesStepCaption[] = "Copying the files";
const char kHelperStepCaption[] = "Running the setup helper";
const char kFailureText[] = "Wizard Run could not be installed; nothing was changed.";
const char kFinishHint[] = "Press Done to close the wizard.";

std::string withoutTrailingNewlines(std::string text)
{
    while (!text.empty() && text.back() == '\n')
        text.pop_back();
    return text;
}

::testing::AssertionResult buttonIs(const ButtonView& button, const std::string& text, bool enabled)
{
    if (button.text != text || button.enabled != enabled || !button.visible)
        return ::testing::AssertionFailure()
               << "button \"" << button.text << "\" " << (button.enabled ? "enabled" : "disabled")
               << (button.visible ? "" : ", hidden") << "; expected \"" << text << "\" "
               << (enabled ? "enabled" : "disabled");
    return ::testing::AssertionSuccess();
}

// The uninstall package behind an uninstaller file, read with the stub's
// own format code.
struct UninstallerFile {
    bool opened = false;
    Bytes stubImage;
    UninstallScript script;
};

void readUninstaller(const std::string& path, UninstallerFile& out)
{
    FILE* file = fopen(path.c_str(), "rb");
    ASSERT_NE(file, nullptr) << "cannot open " << path;
    OpenedPackage package;
    openPackage(file, package);
    fclose(file);
    ASSERT_EQ(package.kind, PackageKind::Uninstall) << path << " holds no uninstall package";
    std::unique_ptr<ByteCursor> cursor(new ByteCursor);
    ASSERT_TRUE(cursor->attach(package.uninstallBody.data(), package.uninstallBody.size()));
    ASSERT_TRUE(readUninstallScript(*cursor, out.script));
    out.stubImage = static_cast<Bytes&&>(package.stubImage);
    out.opened = true;
}

std::string asText(const Bytes& bytes)
{
    return bytes.text();
}

class WizardRunTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(GetFileAttributesA(installer.c_str()), INVALID_FILE_ATTRIBUTES) << installer << " was not built";
    }

    // Starts the installer and waits until its welcome page has loaded the
    // package.
    void startWizard(const std::string& tail = "")
    {
        ASSERT_TRUE(startProgram(setup, installer, tail));
        frame = waitForFrame(setup);
        ASSERT_NE(frame, nullptr) << "the wizard frame did not appear";
        ASSERT_TRUE(waitUntilLoaded(frame));
    }

    // From the welcome page through the licence to the progress page.
    HWND nextToProgressPage()
    {
        HWND license = pressAndWaitForPage(frame, IDC_NEXT, PageKind::License);
        EXPECT_NE(license, nullptr) << "Next on the welcome page did not lead to the licence page";
        if (!license)
            return nullptr;
        HWND progress = pressAndWaitForPage(frame, IDC_NEXT, PageKind::Progress);
        EXPECT_NE(progress, nullptr) << "Next on the licence page did not lead to the progress page";
        return progress;
    }

    // From the welcome page through the licence into an installation that
    // nothing holds: the page after the licence is the progress page, or
    // already the finish page when the installation was quicker than a look.
    HWND nextIntoInstallation()
    {
        if (!pressAndWaitForPage(frame, IDC_NEXT, PageKind::License)) {
            ADD_FAILURE() << "Next on the welcome page did not lead to the licence page";
            return nullptr;
        }
        HWND license = currentPage(frame);
        if (!uiauto::pressButton(frame, IDC_NEXT))
            return nullptr;
        HWND page = waitForNewPage(frame, license);
        PageKind kind = pageKind(page);
        EXPECT_TRUE(kind == PageKind::Progress || kind == PageKind::Finish) << pageKindName(kind);
        return page;
    }

    // Presses the finish page's Next and expects the wizard to end with the
    // run's exit code: 0 after a success, 1603 after a failure.
    void finishWizard(DWORD expectedExitCode = 0)
    {
        ASSERT_TRUE(uiauto::pressButton(frame, IDC_NEXT));
        DWORD exitCode = 99;
        ASSERT_TRUE(setup.wait(kExitTimeoutMs, &exitCode)) << "the wizard did not end";
        EXPECT_EQ(exitCode, expectedExitCode);
    }

    std::string successText() const { return "Wizard Run is installed in " + product.folder() + "."; }

    // The files of the package with their contents and time stamps, and
    // what the run adds beside them.
    void expectInstalledFiles()
    {
        const std::string payload = testPackageFolder(kPackage, "payload");
        std::vector<std::string> expected = treeEntries(payload);
        ASSERT_FALSE(expected.empty()) << "no payload in " << payload;
        expected.push_back("helper.txt");     // the recording program's record
        expected.push_back("uninstall.exe");  // the uninstaller
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(treeEntries(product.folder()), expected);
        expectSameFiles(payload, product.folder());
    }

    const std::string installer = testInstallerPath(kPackage);
    InstalledProduct product{"Slipway Wizard Run", {kUninstallKeyName}};
    uiauto::RunningProcess setup;
    HWND frame = nullptr;
};

}  // namespace

TEST_F(WizardRunTest, WholeRunShowsEveryPageWithItsCaptionsAndHints)
{
    // The helper program holds the installation in its second step, so the
    // busy progress page can be looked at.
    EventHold hold(kHelperHold);
    ASSERT_TRUE(hold.held());
    ASSERT_NO_FATAL_FAILURE(startWizard());

    HWND welcome = currentPage(frame);
    ASSERT_EQ(pageKind(welcome), PageKind::Text);
    FrameView view = viewFrame(frame);
    EXPECT_EQ(view.caption, kTitle);
    EXPECT_TRUE(buttonIs(view.back, kBackText, false));
    EXPECT_TRUE(buttonIs(view.next, kNextText, true));
    EXPECT_TRUE(buttonIs(view.cancel, kCancelText, true));
    EXPECT_EQ(pageText(welcome), kWelcomeText);
    EXPECT_EQ(hintLine(welcome), kHintText);
    saveScreenshot(frame, "wizard-run-1-welcome");

    // Licence: Next reads the install caption, since the progress page
    // comes next; the hint line keeps the licence hint.
    HWND license = pressAndWaitForPage(frame, IDC_NEXT, PageKind::License);
    ASSERT_NE(license, nullptr);
    view = viewFrame(frame);
    EXPECT_TRUE(buttonIs(view.back, kBackText, true));
    EXPECT_TRUE(buttonIs(view.next, kInstallText, true));
    EXPECT_TRUE(buttonIs(view.cancel, kCancelText, true));
    EXPECT_EQ(withoutTrailingNewlines(pageText(license)), kLicenseText);
    EXPECT_EQ(hintLine(license), kLicenseHint);
    saveScreenshot(frame, "wizard-run-2-licence");

    // Back returns to the welcome page, which looks as it did.
    welcome = pressAndWaitForPage(frame, IDC_BACK, PageKind::Text);
    ASSERT_NE(welcome, nullptr) << "Back on the licence page did not lead to the welcome page";
    ASSERT_TRUE(waitForNextEnabled(frame));
    view = viewFrame(frame);
    EXPECT_TRUE(buttonIs(view.back, kBackText, false));
    EXPECT_TRUE(buttonIs(view.next, kNextText, true));
    EXPECT_EQ(pageText(welcome), kWelcomeText);
    EXPECT_EQ(hintLine(welcome), kHintText);

    HWND progress = nextToProgressPage();
    ASSERT_NE(progress, nullptr);
    ASSERT_TRUE(waitForMark(progress, 0));
    StepRow files = stepRow(progress, 0);
    StepRow helper = stepRow(progress, 1);
    EXPECT_TRUE(files.visible);
    EXPECT_EQ(files.caption, kFilesStepCaption);
    EXPECT_EQ(files.mark, kDoneMark);
    EXPECT_TRUE(helper.visible);
    EXPECT_EQ(helper.caption, kHelperStepCaption);
    EXPECT_EQ(helper.mark, "") << "the held step cannot have ended";
    for (int row = 2; row < 9; ++row)
        EXPECT_FALSE(stepRow(progress, row).visible) << "row " << row + 1;
    EXPECT_EQ(hintLine(progress), kProgressHint);
    // Busy: no button works, and neither Escape nor the close box end the
    // wizard.
    view = viewFrame(frame);
    EXPECT_TRUE(buttonIs(view.back, kBackText, false));
    EXPECT_TRUE(buttonIs(view.next, kNextText, false));
    EXPECT_TRUE(buttonIs(view.cancel, kCancelText, false));
    EXPECT_FALSE(uiauto::pressButton(frame, IDCANCEL));
    ASSERT_TRUE(sendEscape(frame));
    ASSERT_TRUE(sendCloseBox(frame));
    EXPECT_TRUE(isRunning(setup.processHandle()));
    EXPECT_EQ(currentPage(frame), progress) << "the busy progress page was left";
    saveScreenshot(frame, "wizard-run-3-progress");

    // Released, the installation ends and the wizard moves on by itself.
    hold.release();
    HWND finish = waitForPage(frame, PageKind::Finish, progress);
    ASSERT_NE(finish, nullptr) << "the finish page did not follow the installation";
    ASSERT_TRUE(waitForNextEnabled(frame));
    view = viewFrame(frame);
    EXPECT_TRUE(buttonIs(view.back, kBackText, false));
    EXPECT_TRUE(buttonIs(view.next, kFinishText, true));
    EXPECT_TRUE(buttonIs(view.cancel, kCancelText, false));
    EXPECT_EQ(pageText(finish), successText());
    EXPECT_EQ(hintLine(finish), kFinishHint);
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(finish, IDC_OPTION_BOX_1)));
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(finish, IDC_OPTION_BOX_2)));
    saveScreenshot(frame, "wizard-run-4-finish");

    ASSERT_NO_FATAL_FAILURE(finishWizard());
    expectInstalledFiles();
}

TEST_F(WizardRunTest, FinishPageCloseBoxEndsTheWizardWhileCancelIsDisabled)
{
    ASSERT_NO_FATAL_FAILURE(startWizard());
    ASSERT_NE(nextIntoInstallation(), nullptr);
    ASSERT_NE(waitUntilPageKind(frame, PageKind::Finish), nullptr);
    ASSERT_TRUE(waitForNextEnabled(frame));
    EXPECT_FALSE(uiauto::pressButton(frame, IDCANCEL)) << "Cancel is enabled on the finish page";

    ASSERT_TRUE(sendCloseBox(frame));
    DWORD exitCode = 99;
    ASSERT_TRUE(setup.wait(kExitTimeoutMs, &exitCode)) << "the close box did not end the wizard";
    EXPECT_EQ(exitCode, 0u);
    // Closing is not undoing.
    expectInstalledFiles();
    EXPECT_TRUE(registryKeyExists(HKEY_LOCAL_MACHINE, uninstallKeyPath(kUninstallKeyName), KEY_WOW64_32KEY));
}

TEST_F(WizardRunTest, CancelEndsTheWizardOnTheWelcomeAndLicencePages)
{
    for (bool onLicencePage : {false, true}) {
        SCOPED_TRACE(onLicencePage ? "licence page" : "welcome page");
        setup = uiauto::RunningProcess();
        ASSERT_NO_FATAL_FAILURE(startWizard());
        if (onLicencePage)
            ASSERT_NE(pressAndWaitForPage(frame, IDC_NEXT, PageKind::License), nullptr);
        ASSERT_TRUE(uiauto::pressButton(frame, IDCANCEL));
        DWORD exitCode = 99;
        ASSERT_TRUE(setup.wait(kExitTimeoutMs, &exitCode)) << "Cancel did not end the wizard";
        EXPECT_EQ(exitCode, 1602u) << "cancelled by the user";
        EXPECT_FALSE(fileExists(product.folder()));
        EXPECT_FALSE(registryKeyExists(HKEY_LOCAL_MACHINE, uninstallKeyPath(kUninstallKeyName), KEY_WOW64_32KEY));
    }
}

TEST_F(WizardRunTest, UninstallerAndItsEntryDescribeTheInstallation)
{
    ASSERT_NO_FATAL_FAILURE(startWizard());
    ASSERT_NE(nextIntoInstallation(), nullptr);
    ASSERT_NE(waitUntilPageKind(frame, PageKind::Finish), nullptr);
    ASSERT_TRUE(waitForNextEnabled(frame));
    ASSERT_NO_FATAL_FAILURE(finishWizard());

    // The file: the stub image with an uninstall package that names its
    // entry and itself and holds the undo entries, newest first.
    const std::string uninstaller = product.at("uninstall.exe");
    UninstallerFile file;
    ASSERT_NO_FATAL_FAILURE(readUninstaller(uninstaller, file));
    // The image is the stub's but for the checksum, which the uninstaller
    // carries for its own file.
    Bytes stub = stubImageBytes();
    ASSERT_EQ(file.stubImage.size(), stub.size()) << "the uninstaller's image is not the stub";
    ASSERT_GE(stub.size(), 0x40u);
    const uint32_t checksumOffset = loadU32(stub.data() + 0x3C) + 0x58;
    ASSERT_LE(checksumOffset + 4, stub.size());
    memset(file.stubImage.data() + checksumOffset, 0, 4);
    memset(stub.data() + checksumOffset, 0, 4);
    EXPECT_EQ(memcmp(file.stubImage.data(), stub.data(), stub.size()), 0) << "the uninstaller's image is not the stub";
    const UninstallScript& script = file.script;
    EXPECT_EQ(asText(script.title), "Slipway Wizard Run 2.1 Uninstall");
    EXPECT_EQ(asText(script.uninstallKeyName), kUninstallKeyName);
    EXPECT_EQ(asText(script.uninstallerPath), uninstaller);
    EXPECT_EQ(asText(script.nextText), kNextText);
    EXPECT_EQ(asText(script.cancelText), kCancelText);
    // Stored expanded: the uninstaller shows them as they are.
    EXPECT_EQ(asText(script.welcomeText).find("$"), std::string::npos) << asText(script.welcomeText);
    EXPECT_NE(asText(script.welcomeText).find(product.folder()), std::string::npos) << asText(script.welcomeText);
    // The builder orders a run of file writes by kind of file, then name
    // (.bin, .dat, .exe, .txt), and a folder is made with its first file.
    const std::vector<RecordedEntry> expected = {
        fileEntry(product.at("readme.txt"), 1),
        fileEntry(product.at("docs\\guide.txt"), 1),
        folderEntry(product.at("docs")),
        fileEntry(product.at("recording_program.exe"), 1),
        fileEntry(product.at("bin\\tool.dat"), 1),
        fileEntry(product.at("bin\\data\\deep.bin"), 1),
        folderEntry(product.at("bin\\data")),
        folderEntry(product.at("bin")),
        folderEntry(product.folder()),
    };
    EXPECT_EQ(recordedEntries(script.undoLog), expected);

    // The entry, in the 32-bit view only.
    const std::string key = uninstallKeyPath(kUninstallKeyName);
    auto value = [&](const char* name) { return readRegistryValue(HKEY_LOCAL_MACHINE, key, name, KEY_WOW64_32KEY); };
    auto expectText = [&](const char* name, const std::string& text) {
        RegistryValue stored = value(name);
        EXPECT_TRUE(stored.exists) << name;
        EXPECT_EQ(stored.type, DWORD(REG_SZ)) << name;
        EXPECT_EQ(stored.data, storedText(text)) << name;
    };
    expectText("UninstallString", uninstaller);
    // Every file written, the uninstaller included; the helper's record is
    // not the installer's.
    const uint64_t installedBytes = treeSize(testPackageFolder(kPackage, "payload")) + readFile(uninstaller).size();
    RegistryValue size = value("EstimatedSize");
    EXPECT_EQ(size.type, DWORD(REG_DWORD));
    EXPECT_EQ(size.data, storedNumber(uint32_t(installedBytes / 1024)));
    expectText("InstallDate", todayAsInstallDate());
    expectText("InstallLocation", product.folder() + "\\");
    expectText("InstallSource", installer.substr(0, installer.find_last_of('\\') + 1));
    expectText("DisplayName", "Slipway Wizard Run");
    expectText("DisplayVersion", "2.1");
    expectText("Publisher", "Slipway Tests");
    expectText("DisplayIcon", uninstaller);
    expectText("Comments", "Installed by the wizard tests");
    expectText("HelpLink", product.at("docs\\guide.txt"));
    EXPECT_EQ(registryKeyClass(HKEY_LOCAL_MACHINE, key), "CommonClass");
    EXPECT_FALSE(registryKeyExists(HKEY_LOCAL_MACHINE, key, KEY_WOW64_64KEY)) << "the entry is in the 64-bit view";
}

TEST_F(WizardRunTest, AbortInCannotCreateFileRollsBackEverythingWrittenSoFar)
{
    // Another program holds docs\guide.txt: the files before it in path
    // order (bin\data\deep.bin, bin\tool.dat) are written, then its prompt
    // comes. The install folder and docs are there before, so they stay.
    ASSERT_TRUE(CreateDirectoryA(product.folder().c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(product.at("docs").c_str(), nullptr));
    ASSERT_TRUE(writeFile(product.at("docs\\guide.txt"), "held by another program"));
    HeldFile held(product.at("docs\\guide.txt"));
    ASSERT_TRUE(held.held());

    ASSERT_NO_FATAL_FAILURE(startWizard());
    HWND progress = nextToProgressPage();
    ASSERT_NE(progress, nullptr);
    HWND box = waitForPrompt(setup.processId());
    ASSERT_NE(box, nullptr) << "no prompt for the held file";
    EXPECT_EQ(uiauto::messageBoxText(box),
              promptText("Cannot create file \"" + product.at("docs\\guide.txt") + "\"", ERROR_SHARING_VIOLATION));
    EXPECT_EQ(uiauto::messageBoxCaption(box), "Error");
    EXPECT_EQ(uiauto::messageBoxButtons(box), (std::vector<int>{IDABORT, IDRETRY, IDIGNORE}));
    EXPECT_TRUE(fileExists(product.at("bin\\tool.dat")));
    EXPECT_TRUE(fileExists(product.at("bin\\data\\deep.bin")));
    saveScreenshot(nullptr, "wizard-run-5-cannot-create-file");
    ASSERT_TRUE(uiauto::answerMessageBox(box, IDABORT));

    // The failed row shows the cross, the helper's row never ran; the
    // wizard waits for Next, which leads to the finish page.
    ASSERT_TRUE(waitForNextEnabled(frame));
    ASSERT_EQ(currentPage(frame), progress);
    EXPECT_EQ(stepRow(progress, 0).mark, kFailedMark);
    EXPECT_EQ(stepRow(progress, 1).caption, kHelperStepCaption);
    EXPECT_EQ(stepRow(progress, 1).mark, "");
    FrameView view = viewFrame(frame);
    EXPECT_TRUE(buttonIs(view.back, kBackText, false));
    EXPECT_TRUE(buttonIs(view.next, kNextText, true));
    EXPECT_TRUE(buttonIs(view.cancel, kCancelText, true));
    EXPECT_EQ(hintLine(progress), kHintText);
    saveScreenshot(frame, "wizard-run-6-failed-progress");

    // Everything written is gone again, newest first: a folder removed
    // before its files would still be there.
    EXPECT_EQ(treeEntries(product.folder()), (std::vector<std::string>{"docs\\", "docs\\guide.txt"}));
    EXPECT_FALSE(registryKeyExists(HKEY_LOCAL_MACHINE, uninstallKeyPath(kUninstallKeyName), KEY_WOW64_32KEY));

    HWND finish = pressAndWaitForPage(frame, IDC_NEXT, PageKind::Finish);
    ASSERT_NE(finish, nullptr);
    ASSERT_TRUE(waitForNextEnabled(frame));
    EXPECT_EQ(pageText(finish), kFailureText);
    EXPECT_EQ(hintLine(finish), kFinishHint);
    view = viewFrame(frame);
    EXPECT_TRUE(buttonIs(view.next, kFinishText, true));
    EXPECT_TRUE(buttonIs(view.cancel, kCancelText, false));
    saveScreenshot(frame, "wizard-run-7-failed-finish");
    ASSERT_NO_FATAL_FAILURE(finishWizard(1603));

    held.release();
    EXPECT_EQ(readFile(product.at("docs\\guide.txt")), "held by another program");
}
