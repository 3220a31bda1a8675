// Deployment without a person, as a tool sees it: the process it starts,
// waited for, and its exit code. Installs and removes the product of
// tests/windows/packages/unattended_deployment with /quiet and /passive,
// /dir= (with blanks, and unusable), /log=, /norestart, programs that answer
// 1602 and 3010, a failing step that would prompt, Cancel in the wizard, a
// damaged package, /? and the "QuietUninstallString" a tool removes it with.
#include "support/file_steps.h"
#include "support/installer_wizard.h"
#include "support/program_fixtures.h"
#include "support/registry_values.h"
#include "support/stub_runs.h"
#include "support/test_environment.h"
#include "support/test_packages.h"
#include "support/wizard_driver.h"
#include "uiauto/ui_automation.h"

#include "builder/package/package_writer.h"
#include "resources/resource_ids.h"
#include "uiauto/time_limits.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const char kKeyName[] = "SlipwayDeploymentTest";
const char kControlKey[] = "Software\\SlipwayDeploymentControl";
const char kFinishRecord[] = "C:\\windows\\temp\\slipway-deployment-finish.txt";
const char kInstallRecord[] = "C:\\windows\\temp\\slipway-deployment-install.txt";
const char kGoodbyeRecord[] = "C:\\windows\\temp\\slipway-deployment-goodbye.txt";

// Bound for a run without a person to end by itself.
constexpr DWORD kRunTimeoutMs = timeLimitMs(120000);

class DeploymentTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(fileExists(installer)) << installer << " was not built";
        deleteRegistryTree(HKEY_CURRENT_USER, kControlKey);
        for (const char* record : {kFinishRecord, kInstallRecord, kGoodbyeRecord})
            DeleteFileA(record);
        logFolder = makeTestFolder("deployment-logs");
        log = logFolder + "\\run " + ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".log";
        DeleteFileA(log.c_str());
    }

    void TearDown() override
    {
        deleteRegistryTree(HKEY_CURRENT_USER, kControlKey);
        for (const char* record : {kFinishRecord, kInstallRecord, kGoodbyeRecord})
            DeleteFileA(record);
    }

    // The exit codes the programs answer with, read when installing.
    void setProgramExits(int install, int uninstall)
    {
        ASSERT_TRUE(setRegistryString(HKEY_CURRENT_USER, kControlKey, "InstallExit", std::to_string(install)));
        ASSERT_TRUE(setRegistryString(HKEY_CURRENT_USER, kControlKey, "UninstallExit", std::to_string(uninstall)));
    }

    // Runs a command line to its end as a deployment tool does: started,
    // waited for, its exit code read. 0xFFFFFFFF when it did not end.
    static DWORD runToEnd(const std::string& commandLine)
    {
        uiauto::RunningProcess process;
        EXPECT_TRUE(process.start(commandLine)) << process.error();
        DWORD exitCode = 0xFFFFFFFF;
        EXPECT_TRUE(process.wait(kRunTimeoutMs, &exitCode)) << commandLine << " did not end by itself";
        return exitCode;
    }

    DWORD install(const std::string& tail) { return runToEnd(commandLineOf(installer, tail)); }

    std::string registered(const char* name)
    {
        RegistryValue value = readRegistryValue(HKEY_LOCAL_MACHINE, uninstallKeyPath(kKeyName), name, KEY_WOW64_32KEY);
        return value.exists ? std::string(value.data.c_str()) : std::string();
    }

    bool entryExists() { return registryKeyExists(HKEY_LOCAL_MACHINE, uninstallKeyPath(kKeyName), KEY_WOW64_32KEY); }

    std::string logText() { return readFile(log); }

    void expectLogHas(const std::string& text)
    {
        EXPECT_NE(logText().find(text), std::string::npos) << "the log lacks \"" << text << "\":\n" << logText();
    }

    const std::string installer = testInstallerPath("unattended_deployment");
    InstalledProduct product{"Slipway Deployment", {kKeyName}};
    std::string logFolder;
    std::string log;
};

TEST_F(DeploymentTest, QuietInstallEndsWith0AndRegistersAQuietUninstaller)
{
    EXPECT_EQ(install("/quiet /log=\"" + log + "\""), 0u);
    EXPECT_TRUE(fileExists(product.at("readme.txt")));
    EXPECT_EQ(registered("UninstallString"), product.at("uninstall.exe"));
    EXPECT_EQ(registered("QuietUninstallString"), "\"" + product.at("uninstall.exe") + "\" /quiet");
    RegistryValue noModify =
        readRegistryValue(HKEY_LOCAL_MACHINE, uninstallKeyPath(kKeyName), "NoModify", KEY_WOW64_32KEY);
    RegistryValue noRepair =
        readRegistryValue(HKEY_LOCAL_MACHINE, uninstallKeyPath(kKeyName), "NoRepair", KEY_WOW64_32KEY);
    EXPECT_EQ(noModify.type, DWORD(REG_DWORD));
    EXPECT_EQ(noModify.data, storedNumber(1));
    EXPECT_EQ(noRepair.data, storedNumber(1));
    // A quiet deployment does not start the product.
    EXPECT_FALSE(fileExists(kFinishRecord)) << "the finish page's program ran in a quiet run";
    // The log: start-up, the steps, the registration, the exit code.
    expectLogHas("Slipway setup 1.0");
    expectLogHas("/quiet");
    expectLogHas("folder: " + product.folder());
    expectLogHas("install WriteFileAction");
    expectLogHas("Configuring: done");
    expectLogHas("Registering under SlipwayDeploymentTest: done");
    expectLogHas("Quiet: finish programs not started");
    expectLogHas("Exit code 0\r\n");
}

TEST_F(DeploymentTest, PassiveStillStartsTheFinishProgram)
{
    EXPECT_EQ(install("/passive"), 0u);
    EXPECT_TRUE(waitForRecord(kFinishRecord).exists) << "the finish page's program did not run";
}

TEST_F(DeploymentTest, QuietUninstallStringEndsAfterTheLastFileIsGoneWithTheRemovalsCode)
{
    ASSERT_EQ(install("/quiet"), 0u);
    const std::string quietCommand = registered("QuietUninstallString");
    ASSERT_FALSE(quietCommand.empty());
    // The process the tool started is the one that ends last, with the code.
    EXPECT_EQ(runToEnd(quietCommand + " /log=\"" + log + "\""), 0u);
    EXPECT_FALSE(fileExists(product.at("uninstall.exe"))) << "the uninstaller is left when its process ended";
    EXPECT_FALSE(fileExists(product.folder())) << "the install folder is left when the uninstaller ended";
    EXPECT_FALSE(entryExists());
    EXPECT_TRUE(readRecord(kGoodbyeRecord).exists) << "the uninstall program did not run";
    expectLogHas("Entry SlipwayDeploymentTest and uninstaller removed (0)");
    expectLogHas("Uninstaller moved to ");
    expectLogHas("uninstall RunProgramUndo Unconfiguring: done");
    expectLogHas("Exit code 0\r\n");
}

TEST_F(DeploymentTest, PassiveUninstallerWaitsForTheRemovalToo)
{
    ASSERT_EQ(install("/quiet"), 0u);
    EXPECT_EQ(runToEnd(product.at("uninstall.exe") + " /passive"), 0u);
    EXPECT_FALSE(fileExists(product.folder()));
    EXPECT_FALSE(entryExists());
}

TEST_F(DeploymentTest, DirWithBlanksInstallsThereAndUninstallsFromThere)
{
    const std::string folder = makeTestFolder("Slipway deployment dir") + "\\Slipway Deployed Product";
    removeInstalledTree(folder);
    product.alsoRemove(folder);
    EXPECT_EQ(install("/quiet /dir=\"" + folder + "\""), 0u);
    EXPECT_TRUE(fileExists(folder + "\\readme.txt"));
    EXPECT_FALSE(fileExists(product.folder())) << "installed into Program Files despite /dir=";
    EXPECT_EQ(registered("UninstallString"), folder + "\\uninstall.exe");
    EXPECT_EQ(registered("InstallLocation"), folder + "\\");

    EXPECT_EQ(runToEnd(registered("QuietUninstallString")), 0u);
    EXPECT_FALSE(fileExists(folder));
    EXPECT_FALSE(entryExists());
}

TEST_F(DeploymentTest, DirIsShownOnTheFolderPage)
{
    const std::string folder = makeTestFolder("Slipway deployment shown") + "\\Slipway Shown Product";
    uiauto::RunningProcess setup;
    ASSERT_TRUE(startProgram(setup, installer, "/dir=\"" + folder + "\""));
    HWND frame = waitForFrame(setup);
    ASSERT_NE(frame, nullptr);
    ASSERT_TRUE(waitUntilLoaded(frame));
    HWND page = pressAndWaitForPage(frame, IDC_NEXT, PageKind::Folders);
    ASSERT_NE(page, nullptr);
    char shown[MAX_PATH + 1] = {};
    GetDlgItemTextA(page, IDC_FOLDER_EDIT, shown, sizeof shown);
    EXPECT_EQ(std::string(shown), folder);
    // Cancel in the wizard: 1602.
    ASSERT_TRUE(uiauto::pressButton(frame, IDCANCEL));
    DWORD exitCode = 0;
    ASSERT_TRUE(setup.wait(kRunTimeoutMs, &exitCode));
    EXPECT_EQ(exitCode, 1602u);
    EXPECT_FALSE(fileExists(folder));
}

TEST_F(DeploymentTest, UnusableDirEnds1603WithALogLineAndInstallsNothing)
{
    const char* const bad[] = {"relative\\folder", "C:\\a*b", "\"C:\\windows\\win.ini\""};
    for (const char* dir : bad) {
        SCOPED_TRACE(dir);
        QuietRun run = runQuietly(installer, std::string("/quiet /log=\"") + log + "\" /dir=" + dir);
        ASSERT_TRUE(run.ended);
        EXPECT_EQ(run.exitCode, 1603u);
        EXPECT_FALSE(run.showedWindow) << "a quiet run showed a window";
    }
    expectLogHas("cannot be used: it is not a full path.");
    expectLogHas("cannot be used: it holds a character that a folder name cannot hold.");
    expectLogHas("cannot be used: it is a file.");
    expectLogHas("Exit code 1603\r\n");
    EXPECT_FALSE(fileExists(product.folder()));
    EXPECT_FALSE(entryExists());
}

TEST_F(DeploymentTest, UnusableDirWithAPersonSaysSoInABox)
{
    uiauto::RunningProcess setup;
    ASSERT_TRUE(startProgram(setup, installer, "/passive /dir=folder"));
    HWND box = waitForPrompt(setup.processId());
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(uiauto::messageBoxText(box), "The install folder \"folder\" cannot be used: it is not a full path.");
    ASSERT_TRUE(uiauto::answerMessageBox(box, IDOK));
    DWORD exitCode = 0;
    ASSERT_TRUE(setup.wait(kRunTimeoutMs, &exitCode));
    EXPECT_EQ(exitCode, 1603u);
}

TEST_F(DeploymentTest, QuietFailingStepThatWouldPromptEndsByItselfWith1603)
{
    ASSERT_TRUE(CreateDirectoryA(product.folder().c_str(), nullptr));
    HeldFile held(product.at("readme.txt"));
    ASSERT_TRUE(held.held());
    QuietRun run = runQuietly(installer, "/quiet /log=\"" + log + "\"");
    // Ended within the bound: no prompt waited for an answer.
    ASSERT_TRUE(run.ended) << "the quiet run waits for an answer";
    EXPECT_EQ(run.exitCode, 1603u);
    EXPECT_FALSE(fileExists(product.at("uninstall.exe")));
    EXPECT_FALSE(fileExists(product.at("recording_program.exe")));
    EXPECT_FALSE(entryExists());
    expectLogHas("Asked: Cannot create file");
    expectLogHas("Answer: Abort (quiet: nobody to ask)");
    expectLogHas("Rolling back");
    expectLogHas("Installation failed");
    expectLogHas("Exit code 1603\r\n");
}

TEST_F(DeploymentTest, InstallProgramAnswering1602Ends1602)
{
    ASSERT_NO_FATAL_FAILURE(setProgramExits(1602, 0));
    EXPECT_EQ(install("/quiet /log=\"" + log + "\""), 1602u);
    EXPECT_FALSE(entryExists());
    EXPECT_FALSE(fileExists(product.at("readme.txt")));
    expectLogHas("Configuring: failed");
    expectLogHas("Exit code 1602\r\n");
}

TEST_F(DeploymentTest, InstallProgramAnswering3010Ends3010WithoutAskingUnderNorestart)
{
    ASSERT_NO_FATAL_FAILURE(setProgramExits(3010, 0));
    // /passive would ask; /norestart leaves the restart to the caller.
    QuietRun run = runQuietly(installer, "/passive /norestart /log=\"" + log + "\"");
    ASSERT_TRUE(run.ended) << "the restart question waits for an answer";
    EXPECT_EQ(run.exitCode, 3010u);
    EXPECT_TRUE(entryExists());
    expectLogHas("Restart needed, not asked");
    expectLogHas("Exit code 3010\r\n");
    // /quiet never asks either.
    product.remove();
    EXPECT_EQ(install("/quiet"), 3010u);
}

TEST_F(DeploymentTest, UninstallProgramAnswering1602Or3010GivesTheUninstallersCode)
{
    ASSERT_NO_FATAL_FAILURE(setProgramExits(0, 1602));
    ASSERT_EQ(install("/quiet"), 0u);
    EXPECT_EQ(runToEnd(registered("QuietUninstallString")), 1602u);
    EXPECT_TRUE(entryExists()) << "a cancelled removal keeps the product registered";
    EXPECT_TRUE(fileExists(product.at("uninstall.exe")));

    product.remove();
    ASSERT_NO_FATAL_FAILURE(setProgramExits(0, 3010));
    ASSERT_EQ(install("/quiet"), 0u);
    EXPECT_EQ(runToEnd(registered("QuietUninstallString")), 3010u);
    EXPECT_FALSE(fileExists(product.folder()));
}

TEST_F(DeploymentTest, QuietUninstallThatFailsEndsByItselfWith1603)
{
    ASSERT_NO_FATAL_FAILURE(setProgramExits(0, 1));
    ASSERT_EQ(install("/quiet"), 0u);
    EXPECT_EQ(runToEnd(registered("QuietUninstallString")), 1603u);
    EXPECT_FALSE(entryExists()) << "a failed uninstall program still removes the registration";
    EXPECT_TRUE(fileExists(product.at("readme.txt")));
}

TEST_F(DeploymentTest, CancelInTheWizardEnds1602AndIsLogged)
{
    uiauto::RunningProcess setup;
    ASSERT_TRUE(startProgram(setup, installer, "/log=\"" + log + "\""));
    HWND frame = waitForFrame(setup);
    ASSERT_NE(frame, nullptr);
    ASSERT_TRUE(waitUntilLoaded(frame));
    ASSERT_TRUE(uiauto::pressButton(frame, IDCANCEL));
    DWORD exitCode = 0;
    ASSERT_TRUE(setup.wait(kRunTimeoutMs, &exitCode));
    EXPECT_EQ(exitCode, 1602u);
    expectLogHas("Exit code 1602\r\n");
}

TEST_F(DeploymentTest, DamagedPackageEnds1620WithoutAMessageWhenQuiet)
{
    Bytes original;
    ASSERT_TRUE(readWholeFile(installer.c_str(), original));
    TestFile damaged(packageFolder(), "deployment-damaged");
    Bytes cut = copyBytes(original);
    // The trailer names more bytes than the file has.
    PackageOffsets offsets = packageOffsets(original);
    cut.data()[offsets.trailer + 3] = 0x7F;
    ASSERT_TRUE(damaged.write(cut));
    QuietRun run = runQuietly(damaged.path(), "/quiet /log=\"" + log + "\"");
    ASSERT_TRUE(run.ended) << "the damaged-package message waits in a quiet run";
    EXPECT_EQ(run.exitCode, 1620u);
    EXPECT_FALSE(run.showedWindow);
    expectLogHas("Error: The setup package is damaged.");
    expectLogHas("Exit code 1620\r\n");
}

TEST_F(DeploymentTest, NoLogIsWrittenWithoutTheSwitch)
{
    EXPECT_EQ(install("/quiet"), 0u);
    EXPECT_FALSE(fileExists(log));
}

TEST_F(DeploymentTest, HelpShowsTheSwitchesAndExitCodesAndRunsNothing)
{
    for (const char* tail : {"/?", "/help"}) {
        SCOPED_TRACE(tail);
        uiauto::RunningProcess setup;
        ASSERT_TRUE(startProgram(setup, installer, tail));
        HWND box = waitForPrompt(setup.processId());
        ASSERT_NE(box, nullptr) << "no help box";
        const std::string text = uiauto::messageBoxText(box);
        for (const char* item :
             {"/passive", "/quiet", "/norestart", "/dir=", "/log=", "/nouninstall", "/allowdowngrade", "/?", "/help",
              "-extractallfiles", "-ip PACKAGE", "3010", "1602", "1603", "1620", "1638"})
            EXPECT_NE(text.find(item), std::string::npos) << item;
        ASSERT_TRUE(uiauto::answerMessageBox(box, IDOK));
        DWORD exitCode = 1;
        ASSERT_TRUE(setup.wait(kRunTimeoutMs, &exitCode));
        EXPECT_EQ(exitCode, 0u);
        EXPECT_FALSE(fileExists(product.folder()));
    }
}

}  // namespace
