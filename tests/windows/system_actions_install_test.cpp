// Whole installers built by `slipway build` from
// tests/windows/packages/system_actions, installed under Wine through the
// wizard and silently: registry values, a shortcut, programs and library
// entry points in their own step rows, the finish page's programs and the
// restart question after a program asked for one.
#include "support/file_steps.h"
#include "support/installer_wizard.h"
#include "support/program_fixtures.h"
#include "support/registry_values.h"
#include "support/stub_runs.h"
#include "support/test_environment.h"

#include "format/byte_cursor.h"
#include "format/package_container.h"
#include "resources/resource_ids.h"
#include "uiauto/ui_automation.h"
#include "format/uninstall_script.h"
#include "uiauto/time_limits.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <stdio.h>

#include <string>
#include <vector>

namespace {

const char kProduct[] = "Slipway System Actions";
const char kValuesKey[] = "Software\\SlipwaySystemActionsTest";
const char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\SlipwaySystemActionsTest";
const char kTitle[] = "Slipway System Actions 1.0 Setup";
const uint16_t kCtrlAltR = (HOTKEYF_CONTROL | HOTKEYF_ALT) << 8 | 'R';
constexpr DWORD kPollMs = 50;
// A whole installation, its programs included, with nobody to wait for.
constexpr DWORD kQuietRunTimeoutMs = timeLimitMs(120000);

std::string installerPath()
{
    return windowsPath(std::string(SLIPWAY_TEST_INSTALLERS) + "/system_actions.exe");
}

// Where the installer puts things on this prefix, found as the stub finds it.
std::string programFilesFolder()
{
    RegistryValue value =
        readRegistryValue(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir");
    return value.exists ? std::string(value.data.c_str()) : "C:\\Program Files";
}

std::string installFolder()
{
    return programFilesFolder() + "\\" + kProduct;
}

std::string programGroupFolder()
{
    char programs[MAX_PATH] = {};
    SHGetFolderPathA(nullptr, CSIDL_PROGRAMS, nullptr, 0, programs);
    return std::string(programs) + "\\" + kProduct;
}

std::string installed(const std::string& name)
{
    return installFolder() + "\\" + name;
}

std::string installedProgram()
{
    return installed("recording_program.exe");
}

// The command line the builder made from a program path and its arguments.
std::string quotedCommand(const std::string& arguments)
{
    return "\"" + installedProgram() + "\" " + arguments;
}

struct LinkContents {
    bool loaded = false;
    std::string target, arguments, description, icon;
    int iconIndex = -1;
    WORD hotKey = 0;
};

LinkContents readLink(const std::string& path)
{
    LinkContents contents;
    IShellLinkA* link = nullptr;
    IPersistFile* file = nullptr;
    WCHAR wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   reinterpret_cast<void**>(&link))) &&
        SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
        SUCCEEDED(file->Load(wide, STGM_READ))) {
        contents.loaded = true;
        char text[INFOTIPSIZE];
        if (SUCCEEDED(link->GetPath(text, MAX_PATH, nullptr, SLGP_RAWPATH)))
            contents.target = text;
        if (SUCCEEDED(link->GetArguments(text, sizeof text)))
            contents.arguments = text;
        if (SUCCEEDED(link->GetDescription(text, sizeof text)))
            contents.description = text;
        if (SUCCEEDED(link->GetIconLocation(text, MAX_PATH, &contents.iconIndex)))
            contents.icon = text;
        link->GetHotkey(&contents.hotKey);
    }
    if (file)
        file->Release();
    if (link)
        link->Release();
    return contents;
}

// The undo entries of the uninstaller the installation wrote, newest first,
// each as "Kind: first text field".
std::vector<std::string> uninstallerEntries(const std::string& path)
{
    std::vector<std::string> entries;
    FILE* file = fopen(path.c_str(), "rb");
    if (!file)
        return entries;
    OpenedPackage package;
    openPackage(file, package);
    fclose(file);
    UninstallScript script;
    ByteCursor cursor;
    if (package.kind != PackageKind::Uninstall ||
        !cursor.attach(package.uninstallBody.data(), package.uninstallBody.size()) ||
        !readUninstallScript(cursor, script)) {
        entries.push_back("<unreadable uninstaller>");
        return entries;
    }
    for (UndoEntry* entry = script.undoLog.first(); entry; entry = entry->next) {
        std::string text = entry->className();
        switch (entry->kind()) {
        case DeleteRegValueUndo::kKind:
            text += std::string(": ") + static_cast<DeleteRegValueUndo*>(entry)->valueName.text();
            break;
        case DeleteShortcutUndo::kKind:
            text += std::string(": ") + static_cast<DeleteShortcutUndo*>(entry)->path.text();
            break;
        case RemoveFolderUndo::kKind:
            text += std::string(": ") + static_cast<RemoveFolderUndo*>(entry)->path.text();
            break;
        case RunProgramUndo::kKind:
            text += std::string(": ") + static_cast<RunProgramUndo*>(entry)->commandLine.text();
            break;
        case CallLibraryUndo::kKind:
            text += std::string(": ") + static_cast<CallLibraryUndo*>(entry)->argument.text();
            break;
        default: continue;  // the files of the payload
        }
        entries.push_back(text);
    }
    return entries;
}

class SystemActionsInstall : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(GetACP(), 1252u) << "the tests expect Wine's ANSI code page to be Windows-1252";
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        ASSERT_TRUE(fileExists(installerPath())) << installerPath() << " was not built";
        clear();
        // A value the installer deletes.
        ASSERT_TRUE(setRegistryString(HKEY_CURRENT_USER, kValuesKey, "Stale", "left by an earlier version"));
    }
    void TearDown() override
    {
        clear();
        CoUninitialize();
    }
    void clear()
    {
        deleteRegistryTree(HKEY_CURRENT_USER, kValuesKey);
        deleteRegistryTree(HKEY_LOCAL_MACHINE, kValuesKey);
        deleteRegistryTree(HKEY_LOCAL_MACHINE, kUninstallKey);
        removeInstalledTree(installFolder());
        removeInstalledTree(programGroupFolder());
    }
    static void removeInstalledTree(const std::string& folder)
    {
        for (const std::string& name : folderEntries(folder))
            DeleteFileA((folder + "\\" + name).c_str());
        RemoveDirectoryA(folder.c_str());
    }

    // A message box of the installer with this caption. The wizard frame is
    // none, though between two pages it holds only texts and buttons too
    // (and a quiet run shows it minimised).
    HWND waitForBox(const char* caption)
    {
        for (DWORD waited = 0; waited < kWindowTimeoutMs; waited += kPollMs) {
            HWND box = uiauto::waitForWindow(installer.processId(), "#32770", caption, kPollMs, true);
            if (box && uiauto::isMessageBox(box) && !GetDlgItem(box, IDC_BACK)) {
                uiauto::waitUntilMessageBoxFilled(box);
                return box;
            }
            Sleep(kPollMs);
        }
        return nullptr;
    }

    ::testing::AssertionResult start(const std::string& tail = "")
    {
        return startProgram(installer, installerPath(), tail);
    }

    // The question that follows the wizard after a program asked for a
    // restart, answered No; then the installer ends with 0.
    void declineRestart()
    {
        HWND box = waitForBox(kTitle);
        ASSERT_NE(box, nullptr) << "no restart question";
        EXPECT_EQ(uiauto::messageBoxCaption(box), kTitle);
        EXPECT_EQ(uiauto::messageBoxButtons(box), (std::vector<int>{IDYES, IDNO}));
        // Never Yes: the question would restart the whole prefix.
        ASSERT_TRUE(uiauto::answerMessageBox(box, IDNO));
        DWORD exitCode = 99;
        ASSERT_TRUE(installer.wait(kExitTimeoutMs, &exitCode)) << "the installer did not end";
        EXPECT_EQ(exitCode, 3010u) << "a restart needed and not done";
    }

    // The finish page's program that cannot be started: its prompt has no
    // owner, and while it is up neither the close box nor Cancel ends the
    // wizard under it. Ignore goes on with the rest.
    void ignoreMissingFinishProgram(HWND frame, HWND finishPage)
    {
        HWND box = waitForBox("Error");
        ASSERT_NE(box, nullptr) << "no prompt for the missing program";
        EXPECT_EQ(
            uiauto::messageBoxText(box),
            promptText("Cannot execute \"\"" + installed("missing.exe") + "\" missing.txt 0\"", ERROR_FILE_NOT_FOUND));
        EXPECT_EQ(GetWindow(box, GW_OWNER), nullptr);
        if (frame) {
            DWORD_PTR ignored = 0;
            SendMessageTimeoutA(frame, WM_SYSCOMMAND, SC_CLOSE, 0, SMTO_ABORTIFHUNG, uiauto::kMessageTimeoutMs,
                                &ignored);
            SendMessageTimeoutA(frame, WM_COMMAND, IDCANCEL, 0, SMTO_ABORTIFHUNG, uiauto::kMessageTimeoutMs, &ignored);
            EXPECT_TRUE(IsWindow(finishPage)) << "the finish page went away under its own programs";
            EXPECT_TRUE(IsWindow(box));
        }
        ASSERT_TRUE(uiauto::answerMessageBox(box, IDIGNORE));
    }

    void expectRegistryValues()
    {
        EXPECT_EQ(readRegistryValue(HKEY_CURRENT_USER, kValuesKey, "Folder").data, storedText(installFolder()));
        EXPECT_EQ(readRegistryValue(HKEY_CURRENT_USER, kValuesKey, "Answer").data, storedNumber(42));
        EXPECT_EQ(readRegistryValue(HKEY_CURRENT_USER, std::string(kValuesKey) + "\\Default", "").data,
                  storedText("the default"));
        EXPECT_FALSE(readRegistryValue(HKEY_CURRENT_USER, kValuesKey, "Stale").exists);
        const std::string redirected = std::string("Software\\Wow6432Node\\") + (kValuesKey + strlen("Software\\"));
        EXPECT_EQ(readRegistryValue(HKEY_LOCAL_MACHINE, redirected, "Machine", KEY_WOW64_64KEY).data,
                  storedText("yes"));
        EXPECT_FALSE(readRegistryValue(HKEY_LOCAL_MACHINE, kValuesKey, "Machine", KEY_WOW64_64KEY).exists);
    }

    void expectShortcut()
    {
        LinkContents link = readLink(programGroupFolder() + "\\Recorder.lnk");
        ASSERT_TRUE(link.loaded) << "no shortcut in " << programGroupFolder();
        EXPECT_EQ(link.target, installedProgram());
        EXPECT_EQ(link.arguments, "shortcut.txt 0");
        EXPECT_EQ(link.description, "Records how it was started");
        EXPECT_EQ(link.icon, installedProgram());
        EXPECT_EQ(link.iconIndex, 0);
        EXPECT_EQ(link.hotKey, kCtrlAltR);
    }

    // Every program and entry point of stage 1, as its record tells.
    void expectStageOneRecords()
    {
        EXPECT_EQ(waitForRecord(installed("run.txt"))["commandLine"], quotedCommand("run.txt 0"));
        Record inFolder = readRecord(installed("wait-2.txt"));
        EXPECT_EQ(inFolder["commandLine"], quotedCommand("wait-2.txt 0"));
        EXPECT_EQ(inFolder["folder"], installFolder());
        EXPECT_EQ(inFolder["show"], "1");
        EXPECT_EQ(readRecord(installed("wait-3.txt"))["show"], "none");
        for (const char* name : {"wait-6.txt", "wait-7.txt", "wait-8.txt", "wait-9.txt", "wait-11.txt"})
            EXPECT_TRUE(readRecord(installed(name)).exists) << name;

        const std::string cafe = "|0|caf\xE9";
        Record wide = readRecord(installed("call-4.txt"));
        EXPECT_EQ(wide["entry"], "EveryW");
        std::string argument = installed("call-4.txt") + cafe;
        std::wstring units(argument.begin(), argument.end() - 1);
        units += L'\u00E9';
        EXPECT_EQ(wide["argument"], hexUnits(units));
        EXPECT_EQ(wide["show"], "1");
        Record ansi = readRecord(installed("call-5.txt"));
        EXPECT_EQ(ansi["entry"], "AnsiAndPlainA");
        EXPECT_EQ(ansi["argument"], hexBytes(installed("call-5.txt") + cafe));
        EXPECT_EQ(readRecord(installed("call-10.txt"))["entry"], "PlainOnly");
        // Recorded for the uninstaller, not run now.
        EXPECT_FALSE(fileExists(installed("uninstall.txt")));
        EXPECT_FALSE(fileExists(installed("uninstall-call.txt")));
    }

    void expectFinishPrograms(bool ran)
    {
        if (ran) {
            EXPECT_TRUE(waitForRecord(installed("finish.txt")).exists);
            Record component = waitForRecord(installed("finish-component.txt"));
            EXPECT_EQ(component["show"], std::to_string(SW_SHOWMINIMIZED));
        } else {
            EXPECT_FALSE(fileExists(installed("finish.txt")));
            EXPECT_FALSE(fileExists(installed("finish-component.txt")));
        }
    }

    void expectUninstaller()
    {
        const std::string group = programGroupFolder();
        EXPECT_EQ(uninstallerEntries(installed("uninstall.exe")),
                  (std::vector<std::string>{
                      "CallLibraryUndo: " + installed("uninstall-call.txt") + "|0|bye",
                      "RunProgramUndo: " + quotedCommand("uninstall.txt 0"),
                      "DeleteShortcutUndo: " + group + "\\Recorder.lnk",
                      "RemoveFolderUndo: " + group,
                      "DeleteRegValueUndo: Machine",
                      "DeleteRegValueUndo: ",
                      "DeleteRegValueUndo: Answer",
                      "DeleteRegValueUndo: Folder",
                      "RemoveFolderUndo: " + installFolder(),
                  }));
    }

    uiauto::RunningProcess installer;
};

TEST_F(SystemActionsInstall, WizardShowsElevenStepsInNineRowsAndRunsTheFinishProgramsOnNext)
{
    ProgramHold hold("SlipwaySystemActionsHold");
    ASSERT_TRUE(hold.held());
    ASSERT_TRUE(start());
    HWND frame = waitForFrame(installer);
    ASSERT_NE(frame, nullptr) << "no wizard";
    ASSERT_TRUE(waitUntilLoaded(frame));
    HWND progress = nextUntilProgressPage(frame);
    ASSERT_NE(progress, nullptr) << "the wizard did not reach its progress page";

    // The last row ends; the tenth step runs without a row, the eleventh
    // (held) too, so the page is still up.
    ASSERT_TRUE(waitForMark(progress, 8)) << "the ninth row was never marked";
    const char* captions[] = {
        "Installing files",
        "Step 2: a program in its folder",
        "Step 3: a program that asks for a restart",
        "Step 4: a wide entry point",
        "Step 5: an ANSI entry point",
        "Step 6",
        "Step 7",
        "Step 8",
        "Step 9: the last row",
    };
    for (int row = 0; row < 9; ++row) {
        StepRow shown = stepRow(progress, row);
        EXPECT_TRUE(shown.visible) << "row " << row + 1;
        EXPECT_EQ(shown.caption, captions[row]);
        EXPECT_EQ(shown.mark, kDoneMark) << "row " << row + 1;
    }
    EXPECT_TRUE(waitForRecord(installed("call-10.txt")).exists) << "the tenth step did not run";
    EXPECT_FALSE(fileExists(installed("wait-11.txt")));
    EXPECT_TRUE(IsWindow(progress));
    hold.release();

    // Success moves on by itself to the finish page and its component box.
    HWND finish = waitForNewPage(frame, progress);
    ASSERT_TRUE(isFinishPage(finish)) << "the wizard did not reach its finish page";
    HWND box = GetDlgItem(finish, IDC_OPTION_BOX_1);
    EXPECT_TRUE(IsWindowVisible(box));
    EXPECT_EQ(uiauto::windowText(box), "Run the recorder once more");
    EXPECT_EQ(uiauto::checkState(box), BST_CHECKED);
    expectFinishPrograms(false);

    ASSERT_TRUE(pressNext(frame));
    ignoreMissingFinishProgram(frame, finish);
    declineRestart();

    expectRegistryValues();
    expectShortcut();
    expectStageOneRecords();
    expectFinishPrograms(true);
    expectUninstaller();
}

TEST_F(SystemActionsInstall, ClosingTheFinishPageRunsNoFinishProgram)
{
    ASSERT_TRUE(start());
    HWND frame = waitForFrame(installer);
    ASSERT_NE(frame, nullptr) << "no wizard";
    ASSERT_TRUE(waitUntilLoaded(frame));
    HWND progress = nextUntilProgressPage(frame);
    ASSERT_NE(progress, nullptr) << "the wizard did not reach its progress page";
    HWND finish = waitForNewPage(frame, progress);
    ASSERT_TRUE(isFinishPage(finish)) << "the wizard did not reach its finish page";

    // The close box of the frame, as a user clicks it.
    ASSERT_TRUE(PostMessageA(frame, WM_SYSCOMMAND, SC_CLOSE, 0));
    declineRestart();
    expectFinishPrograms(false);
    expectRegistryValues();
    expectShortcut();
    expectStageOneRecords();
}

TEST_F(SystemActionsInstall, PassiveInstallRunsEverythingAndStillAsksToRestart)
{
    ASSERT_TRUE(start("/passive"));
    // The finish page presses Next by itself: its programs run, and the one
    // that cannot be started still asks.
    ignoreMissingFinishProgram(nullptr, nullptr);
    declineRestart();
    expectRegistryValues();
    expectShortcut();
    expectStageOneRecords();
    expectFinishPrograms(true);
    expectUninstaller();
}

TEST_F(SystemActionsInstall, QuietInstallAsksNothingAndLeavesTheRestartToItsCaller)
{
    ASSERT_TRUE(start("/quiet"));
    // Nobody to ask: no finish program is started, so none can fail to
    // start, and the restart a step needs is left to whoever ran the setup.
    DWORD exitCode = 99;
    ASSERT_TRUE(installer.wait(kQuietRunTimeoutMs, &exitCode)) << "the quiet run waited for somebody";
    EXPECT_EQ(exitCode, 3010u) << "a restart needed and not done";
    expectRegistryValues();
    expectShortcut();
    expectStageOneRecords();
    expectFinishPrograms(false);
    expectUninstaller();
}

}  // namespace
