// The folder page whole, through the wizard of an installer built by
// `slipway` from tests/windows/packages/folder_page: both rows, the boxes
// of its components (a greyed one, none for the third), Next on the
// component page kept by a selected folder-page component, and Browse: it
// opens at the nearest existing ancestor, the drive root and another
// folder give the folder with the product's own name, the computer itself
// cannot be chosen, a folder too long for the name is refused with a word
// to the user, and the product is installed in the chosen folder and
// uninstalled from there. A quiet run passes both pages by itself.
#include "support/component_list.h"
#include "support/file_steps.h"
#include "support/folder_browser.h"
#include "support/installer_wizard.h"
#include "support/machine_state.h"
#include "support/registry_values.h"
#include "support/stub_runs.h"
#include "support/wizard_driver.h"
#include "uiauto/ui_automation.h"

#include "resources/resource_ids.h"
#include "uiauto/time_limits.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const char kPackage[] = "folder_page";
const char kKeyName[] = "SlipwayFolderPageTest";
// The install folder's parts below Program Files, which does exist: the
// product's own sub-path, which Browse keeps.
const char kParent[] = "SlipwayMissingParent";
const char kLeaf[] = "Slipway Folder Test";
const std::string kSubPath = std::string(kParent) + "\\" + kLeaf;

const char kTitle[] = "Folder Page Setup";
const char kNextText[] = "&Next >";
const char kInstallText[] = "&Install";

constexpr DWORD kRunTimeoutMs = timeLimitMs(120000);

bool makeFolder(const std::string& folder)
{
    return CreateDirectoryA(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

// A folder 160 to 200 characters deep and its one child, 245
// characters in all: the child with a backslash and the leaf does not fit
// 259 characters, though each folder alone does.
bool makeDeepFolders(const std::string& base, std::string& deep, std::string& child)
{
    deep = base;
    if (!makeFolder(deep))
        return false;
    while (deep.size() < 160) {
        deep += "\\" + std::string(40, 'd');
        if (!makeFolder(deep))
            return false;
    }
    child = deep + "\\" + std::string(245 - deep.size() - 1, 'c');
    return makeFolder(child);
}

bool isChecked(HWND box)
{
    return uiauto::checkState(box) == BST_CHECKED;
}

// A click is posted: waits until the box shows its outcome.
bool waitForCheck(HWND box, bool checked)
{
    for (int waited = 0; waited < 250 && isChecked(box) != checked; ++waited)
        Sleep(20);
    return isChecked(box) == checked;
}

bool isReadOnly(HWND edit)
{
    return (GetWindowLongA(edit, GWL_STYLE) & ES_READONLY) != 0;
}

class FolderPageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(GetFileAttributesA(installer.c_str()), INVALID_FILE_ATTRIBUTES) << installer << " was not built";
        removeTestFolders();
    }

    void TearDown() override { removeTestFolders(); }

    void removeTestFolders()
    {
        removeInstalledTree(apps);
        removeInstalledTree(deepBase);
    }

    // The root of Program Files' drive, with its backslash.
    static std::string rootFolder() { return programFilesFolder().substr(0, 3); }

    // The install folder the package gives: its parent does not exist.
    std::string defaultFolder() const { return product.at(kLeaf); }

    std::string readyToInstallHint(const std::string& folder) const
    {
        return "Press Install to install into " + folder + ".";
    }

    void startWizard()
    {
        ASSERT_TRUE(startProgram(setup, installer, ""));
        frame = waitForFrame(setup);
        ASSERT_NE(frame, nullptr) << "the wizard frame did not appear";
        ASSERT_TRUE(waitUntilLoaded(frame));
    }

    HWND openBrowser(HWND page)
    {
        settleFolderAccessTimes(uiauto::windowText(GetDlgItem(page, IDC_FOLDER_EDIT)));
        if (!uiauto::pressButton(page, IDC_BROWSE))
            return nullptr;
        return waitForFolderBrowser(setup.processId(), frame);
    }

    // Presses one of the browser's buttons and waits until it has closed.
    void closeBrowser(HWND browser, int buttonId)
    {
        ASSERT_TRUE(uiauto::pressButton(browser, buttonId));
        ASSERT_TRUE(uiauto::waitForWindowGone(browser, uiauto::kCloseTimeoutMs)) << "the browser stayed open";
    }

    const std::string installer = testInstallerPath(kPackage);
    // Removed before and after, so the install folder's parent is missing.
    InstalledProduct product{kParent, {kKeyName}};
    // Below Program Files, which the browser's tree shows whatever the
    // prefix hides.
    const std::string apps = programFilesFolder() + "\\SlipwayApps";
    const std::string deepBase = programFilesFolder() + "\\SlipwayDeep";
    uiauto::RunningProcess setup;
    HWND frame = nullptr;
};

TEST_F(FolderPageTest, RowsBoxesAndBrowseDecideWhereTheProductGoes)
{
    ASSERT_TRUE(makeFolder(apps));
    ASSERT_TRUE(makeFolder(apps + "\\Child"));
    std::string deep, deepChild;
    ASSERT_TRUE(makeDeepFolders(deepBase, deep, deepChild));
    // The user's folders are there before and stay after.
    const MachineState before = machineState();
    ASSERT_NO_FATAL_FAILURE(startWizard());

    // The component page: the folder page always comes, as components are
    // placed on it; unticking the only entry keeps Next, as one of them is
    // selected.
    HWND page = pressAndWaitForPage(frame, IDC_NEXT, PageKind::Components);
    ASSERT_NE(page, nullptr);
    HWND list = GetDlgItem(page, IDC_COMPONENT_LIST);
    EXPECT_EQ(listEntries(list), (std::vector<ListEntry>{{"Optional tools", 0x80000000u}}));
    EXPECT_TRUE(waitForNextCaption(frame, kNextText));
    ASSERT_TRUE(pressSpace(list));
    EXPECT_FALSE(lookAtSquare(frame, list, 0).ticked);
    EXPECT_TRUE(viewFrame(frame).next.enabled) << "a selected folder-page component keeps Next";

    // Both rows, read-only, and the boxes of the first two folder-page
    // components; the third has none.
    HWND folders = pressAndWaitForPage(frame, IDC_NEXT, PageKind::Folders);
    ASSERT_NE(folders, nullptr);
    HWND groupEdit = GetDlgItem(folders, IDC_GROUP_EDIT);
    HWND folderEdit = GetDlgItem(folders, IDC_FOLDER_EDIT);
    HWND box1 = GetDlgItem(folders, IDC_OPTION_BOX_1);
    HWND box2 = GetDlgItem(folders, IDC_OPTION_BOX_2);
    for (int id : {IDC_GROUP_LABEL, IDC_GROUP_EDIT, IDC_FOLDER_LABEL, IDC_FOLDER_EDIT, IDC_BROWSE})
        EXPECT_TRUE(IsWindowVisible(GetDlgItem(folders, id))) << "control " << id;
    EXPECT_EQ(uiauto::windowText(GetDlgItem(folders, IDC_GROUP_LABEL)), "Shortcuts go to this group:");
    EXPECT_EQ(uiauto::windowText(groupEdit), "Slipway Folder Page");
    EXPECT_EQ(uiauto::windowText(GetDlgItem(folders, IDC_FOLDER_LABEL)), "Install into this folder:");
    EXPECT_EQ(uiauto::windowText(folderEdit), defaultFolder());
    EXPECT_EQ(uiauto::windowText(GetDlgItem(folders, IDC_BROWSE)), "B&rowse...");
    EXPECT_TRUE(isReadOnly(groupEdit));
    EXPECT_TRUE(isReadOnly(folderEdit));
    EXPECT_EQ(uiauto::windowText(box1), "Desktop note");
    EXPECT_TRUE(IsWindowVisible(box1) && IsWindowEnabled(box1) && isChecked(box1));
    EXPECT_EQ(uiauto::windowText(box2), "Fixed option");
    EXPECT_TRUE(IsWindowVisible(box2) && !IsWindowEnabled(box2) && !isChecked(box2)) << "the fixed box is greyed";
    EXPECT_EQ(uiauto::findControlByText(folders, "Button", "Third option"), nullptr);
    EXPECT_TRUE(waitForNextCaption(frame, kInstallText));
    EXPECT_EQ(hintLine(folders), readyToInstallHint(defaultFolder()));
    saveScreenshot(frame, "folder-page-1-rows-and-boxes");

    // Unticked, nothing at all is selected: back on the component page Next
    // waits for a tick.
    ASSERT_TRUE(uiauto::pressButton(box1));
    EXPECT_TRUE(waitForCheck(box1, false));
    page = pressAndWaitForPage(frame, IDC_BACK, PageKind::Components);
    ASSERT_NE(page, nullptr);
    list = GetDlgItem(page, IDC_COMPONENT_LIST);
    EXPECT_FALSE(viewFrame(frame).next.enabled) << "nothing is selected";
    ASSERT_TRUE(pressSpace(list));
    EXPECT_TRUE(viewFrame(frame).next.enabled);
    ASSERT_TRUE(pressSpace(list));
    EXPECT_FALSE(viewFrame(frame).next.enabled);
    ASSERT_TRUE(pressSpace(list));
    EXPECT_TRUE(viewFrame(frame).next.enabled);

    // The box's tick survived; tick it again.
    folders = pressAndWaitForPage(frame, IDC_NEXT, PageKind::Folders);
    ASSERT_NE(folders, nullptr);
    folderEdit = GetDlgItem(folders, IDC_FOLDER_EDIT);
    box1 = GetDlgItem(folders, IDC_OPTION_BOX_1);
    EXPECT_FALSE(isChecked(box1));
    ASSERT_TRUE(uiauto::pressButton(box1));
    EXPECT_TRUE(waitForCheck(box1, true));

    // Browse opens at Program Files, the nearest existing ancestor; its
    // caption names the folder the product would go to: there, the folder
    // as it is, which OK keeps.
    HWND browser = openBrowser(folders);
    ASSERT_NE(browser, nullptr) << "Browse showed no folder browser";
    EXPECT_TRUE(waitForBrowserCaption(browser, defaultFolder())) << uiauto::windowText(browser);
    EXPECT_TRUE(browserOkEnabled(browser));
    saveScreenshot(browser, "folder-page-2-browser");
    ASSERT_NO_FATAL_FAILURE(closeBrowser(browser, IDOK));
    EXPECT_EQ(uiauto::windowText(folderEdit), defaultFolder()) << "OK without a change moved the folder";
    EXPECT_EQ(hintLine(folders), readyToInstallHint(defaultFolder()));

    // Up to the drive root: the sub-path below it, with no second backslash.
    const std::string root = rootFolder();
    browser = openBrowser(folders);
    ASSERT_NE(browser, nullptr);
    EXPECT_TRUE(waitForBrowserCaption(browser, defaultFolder()));
    EXPECT_TRUE(pressUntil(browser, VK_LEFT, [&] { return uiauto::windowText(browser) == root + kSubPath; }))
        << uiauto::windowText(browser);
    ASSERT_NO_FATAL_FAILURE(closeBrowser(browser, IDOK));
    EXPECT_TRUE(waitForText(folderEdit, root + kSubPath));
    // The hint names the folder the product now goes to.
    EXPECT_TRUE(waitForText(GetDlgItem(folders, IDC_HINT), readyToInstallHint(root + kSubPath))) << hintLine(folders);

    // Opened again at that root: above it the computer has no folder of the
    // file system, so it cannot be chosen. Cancel changes nothing.
    browser = openBrowser(folders);
    ASSERT_NE(browser, nullptr);
    EXPECT_TRUE(waitForBrowserCaption(browser, root + kSubPath));
    EXPECT_TRUE(pressUntil(browser, VK_LEFT, [&] { return !browserOkEnabled(browser); }));
    EXPECT_EQ(uiauto::windowText(browser).find(kLeaf), std::string::npos) << uiauto::windowText(browser);
    ASSERT_NO_FATAL_FAILURE(closeBrowser(browser, IDCANCEL));
    EXPECT_EQ(uiauto::windowText(folderEdit), root + kSubPath);

    // A folder too long for the sub-path: chosen, it is refused and the user
    // is told why; the page and its folder stay. The edit is set here to
    // open the browser beside it, with the product's name for sub-path.
    ASSERT_TRUE(uiauto::setWindowText(folderEdit, (deep + "\\" + kLeaf).c_str()));
    browser = openBrowser(folders);
    ASSERT_NE(browser, nullptr);
    EXPECT_TRUE(waitForBrowserCaption(browser, deep + "\\" + kLeaf));
    EXPECT_TRUE(pressUntil(browser, VK_RIGHT, [&] {
        return uiauto::windowText(browser).find(kLeaf) == std::string::npos && browserOkEnabled(browser);
    })) << "the deep folder's child was not selected";
    ASSERT_NO_FATAL_FAILURE(closeBrowser(browser, IDOK));
    HWND box = waitForPrompt(setup.processId());
    ASSERT_NE(box, nullptr) << "the user was not told why the folder was refused";
    EXPECT_EQ(uiauto::messageBoxText(box), "The installation folder would be longer than 259 characters:\n\n" +
                                               deepChild + "\\" + kLeaf +
                                               "\n\nPlease choose a folder with a shorter path.");
    EXPECT_EQ(uiauto::messageBoxCaption(box), kTitle);
    saveScreenshot(box, "folder-page-3-folder-too-long");
    ASSERT_TRUE(uiauto::answerMessageBox(box, IDOK));
    EXPECT_EQ(currentPage(frame), folders);
    EXPECT_EQ(uiauto::windowText(folderEdit), deep + "\\" + kLeaf);

    // Another folder: the browser opens at the nearest folder that exists,
    // and the product goes below the folder chosen with all of its sub-path.
    const std::string vendorPath = std::string("Vendor\\") + kLeaf;
    ASSERT_TRUE(uiauto::setWindowText(folderEdit, (apps + "\\Child\\" + vendorPath).c_str()));
    browser = openBrowser(folders);
    ASSERT_NE(browser, nullptr);
    EXPECT_TRUE(waitForBrowserCaption(browser, apps + "\\Child\\" + vendorPath)) << uiauto::windowText(browser);
    const std::string chosen = apps + "\\" + vendorPath;
    EXPECT_TRUE(pressUntil(browser, VK_LEFT, [&] { return uiauto::windowText(browser) == chosen; }))
        << uiauto::windowText(browser);
    ASSERT_NO_FATAL_FAILURE(closeBrowser(browser, IDOK));
    EXPECT_TRUE(waitForText(folderEdit, chosen));
    EXPECT_TRUE(waitForText(GetDlgItem(folders, IDC_HINT), readyToInstallHint(chosen)));

    ASSERT_TRUE(uiauto::pressButton(frame, IDC_NEXT));
    ASSERT_NE(waitUntilPageKind(frame, PageKind::Finish), nullptr);
    ASSERT_TRUE(waitForNextEnabled(frame));
    ASSERT_TRUE(uiauto::pressButton(frame, IDC_NEXT));
    DWORD exitCode = 99;
    ASSERT_TRUE(setup.wait(kExitTimeoutMs, &exitCode)) << "the wizard did not end";
    EXPECT_EQ(exitCode, 0u);

    // In the chosen folder: the ticked list entry and box; not the fixed
    // box's component nor the third's, which kept their loaded selection.
    EXPECT_EQ(treeFiles(chosen),
              (std::vector<std::string>{"note\\note.txt", "readme.txt", "tools\\tool.dat", "uninstall.exe"}));
    EXPECT_FALSE(fileExists(product.folder()));

    ASSERT_TRUE(runRegisteredUninstaller(kKeyName, "/passive"));
    EXPECT_FALSE(fileExists(chosen));
    EXPECT_TRUE(fileExists(apps)) << "the folder the user chose is not the uninstaller's";
    EXPECT_FALSE(registryKeyExists(HKEY_LOCAL_MACHINE, uninstallKeyPath(kKeyName), KEY_WOW64_32KEY));
    // The user's own values are left out: the shell's browser keeps its
    // settings there.
    const MachineState after = machineState();
    EXPECT_EQ(after.programFiles, before.programFiles);
    EXPECT_EQ(after.startMenu, before.startMenu);
    EXPECT_EQ(after.machineValues, before.machineValues);
}

TEST_F(FolderPageTest, QuietRunPassesBothPagesByItself)
{
    ASSERT_TRUE(startProgram(setup, installer, "/quiet"));
    DWORD exitCode = 99;
    ASSERT_TRUE(setup.wait(kRunTimeoutMs, &exitCode)) << "the quiet run did not end";
    EXPECT_EQ(exitCode, 0u);
    EXPECT_EQ(treeFiles(defaultFolder()),
              (std::vector<std::string>{"note\\note.txt", "readme.txt", "tools\\tool.dat", "uninstall.exe"}));
}

}  // namespace
