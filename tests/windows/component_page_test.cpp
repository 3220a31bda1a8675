// The component page whole, through the wizard of an installer built by
// `slipway` from tests/windows/packages/component_page: its entries and
// their item data, a fixed component that Space, a double click and a press
// on its square all leave ticked and greyed, the three ways to toggle the
// others, the folder page coming and going with a component's page flags
// (the Next caption and the hint line with it), the description following
// the selection, ticks surviving Back and Next, and only the ticked
// components installed and uninstalled again.
#include "support/component_list.h"
#include "support/file_steps.h"
#include "support/installer_wizard.h"
#include "support/machine_state.h"
#include "support/stub_runs.h"
#include "support/wizard_driver.h"
#include "uiauto/ui_automation.h"

#include "resources/resource_ids.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const char kPackage[] = "component_page";
const char kKeyName[] = "SlipwayComponentPageTest";

// The package's texts, as its manifest gives them.
const char kNextText[] = "&Next >";
const char kInstallText[] = "&Install";
const char kHintText[] = "Press Next to go on.";
const char kLongName[] = "Samples with a name so long that the list has to cut it short with an ellipsis at its end";

constexpr int kCore = 0;
constexpr int kDocumentation = 1;
constexpr int kSamples = 2;

::testing::AssertionResult looksLike(const SquareLook& look, bool ticked, bool greyed)
{
    if (look.read && look.ticked == ticked && look.greyed == greyed)
        return ::testing::AssertionSuccess();
    ::testing::AssertionResult failure = ::testing::AssertionFailure();
    failure << "the square looks ";
    if (!look.read)
        return failure << "like nothing: the screen could not be read";
    return failure << (look.ticked ? "ticked" : "not ticked") << (look.greyed ? " and greyed" : "");
}

class ComponentPageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(GetFileAttributesA(installer.c_str()), INVALID_FILE_ATTRIBUTES) << installer << " was not built";
    }

    std::string readyToInstallHint() const { return "Press Install to install into " + product.folder() + "."; }

    SquareLook look(int index) { return lookAtSquare(frame, list, index); }

    // Next's caption and the hint line while the folder page is to come, or
    // while Next starts the installation.
    void expectFolderPageAhead(HWND page, bool ahead)
    {
        EXPECT_TRUE(waitForNextCaption(frame, ahead ? kNextText : kInstallText));
        EXPECT_TRUE(waitForText(GetDlgItem(page, IDC_HINT), ahead ? kHintText : readyToInstallHint()))
            << hintLine(page);
        EXPECT_TRUE(viewFrame(frame).next.enabled);
    }

    const std::string installer = testInstallerPath(kPackage);
    InstalledProduct product{"Slipway Component Page", {kKeyName}};
    uiauto::RunningProcess setup;
    HWND frame = nullptr;
    HWND list = nullptr;
};

TEST_F(ComponentPageTest, TicksChooseTheComponentsAndTheFolderPage)
{
    const MachineState before = machineState();
    ASSERT_TRUE(startProgram(setup, installer, ""));
    frame = waitForFrame(setup);
    ASSERT_NE(frame, nullptr) << "the wizard frame did not appear";
    ASSERT_TRUE(waitUntilLoaded(frame));
    HWND page = pressAndWaitForPage(frame, IDC_NEXT, PageKind::Components);
    ASSERT_NE(page, nullptr) << "Next on the welcome page did not lead to the component page";
    list = GetDlgItem(page, IDC_COMPONENT_LIST);
    HWND description = GetDlgItem(page, IDC_COMPONENT_DESCRIPTION);

    // The never offered component is no entry, and the entries after it
    // carry their own positions; the top bit marks those the user may change.
    EXPECT_EQ(listEntries(list),
              (std::vector<ListEntry>{
                  {"Core files", 0x00000000u}, {"Documentation", 0x80000002u}, {kLongName, 0x80000003u}}));
    EXPECT_EQ(uiauto::windowText(GetDlgItem(page, IDC_COMPONENTS_LABEL)), "Choose what to install:");
    EXPECT_EQ(currentEntry(list), kCore);
    EXPECT_TRUE(waitForText(description, "Always installed, in " + product.at("core") + "."));
    expectFolderPageAhead(page, false);
    EXPECT_TRUE(looksLike(look(kCore), true, true));
    EXPECT_TRUE(looksLike(look(kDocumentation), false, false));
    EXPECT_TRUE(looksLike(look(kSamples), true, false));

    // A press on a square toggles its entry and selects it. Documentation
    // asks for the Start-menu group: the folder page comes.
    ASSERT_TRUE(uiauto::clickAt(squareCentre(list, kDocumentation)));
    expectFolderPageAhead(page, true);
    EXPECT_TRUE(waitForText(description, "The guide, in " + product.at("docs") + "."));
    EXPECT_EQ(currentEntry(list), kDocumentation) << "a press on a square also selects its entry";
    EXPECT_TRUE(looksLike(look(kDocumentation), true, false));

    // The fixed entry: Space, a double click on its name and a press on its
    // square change nothing. The wizard judges a press by where the cursor
    // is when it takes the press, so the cursor moves on only to a place
    // that toggles nothing: Documentation's name, whose press selects it
    // once the presses before it have been taken.
    ASSERT_TRUE(uiauto::sendKey(list, VK_UP));
    ASSERT_EQ(currentEntry(list), kCore);
    ASSERT_TRUE(pressSpace(list));
    ASSERT_TRUE(uiauto::clickAt(nameCentre(list, kCore), 2));
    ASSERT_TRUE(uiauto::clickAt(squareCentre(list, kCore)));
    ASSERT_TRUE(uiauto::clickAt(nameCentre(list, kDocumentation)));
    EXPECT_TRUE(waitForCurrentEntry(list, kDocumentation));
    EXPECT_TRUE(looksLike(look(kCore), true, true)) << "the fixed entry changed";
    EXPECT_TRUE(looksLike(look(kDocumentation), true, false));
    expectFolderPageAhead(page, true);

    // Space and a double click on the name toggle it too.
    ASSERT_TRUE(pressSpace(list));
    expectFolderPageAhead(page, false);
    EXPECT_TRUE(looksLike(look(kDocumentation), false, false));
    ASSERT_TRUE(uiauto::clickAt(nameCentre(list, kDocumentation), 2));
    expectFolderPageAhead(page, true);
    EXPECT_TRUE(looksLike(look(kDocumentation), true, false));

    // The keyboard moves the selection, and the description follows.
    ASSERT_TRUE(uiauto::sendKey(list, VK_DOWN));
    EXPECT_EQ(currentEntry(list), kSamples);
    EXPECT_TRUE(waitForText(description, "Samples to start from."));
    ASSERT_TRUE(pressSpace(list));
    EXPECT_TRUE(looksLike(look(kSamples), false, false));
    // The fixed component still counts for Next.
    EXPECT_TRUE(viewFrame(frame).next.enabled);
    saveScreenshot(frame, "component-page-1-list");

    // The folder page shows the Start-menu row only, as the flags ask.
    HWND folders = pressAndWaitForPage(frame, IDC_NEXT, PageKind::Folders);
    ASSERT_NE(folders, nullptr) << "the ticked component's folder page did not come";
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(folders, IDC_GROUP_LABEL)));
    EXPECT_EQ(uiauto::windowText(GetDlgItem(folders, IDC_GROUP_LABEL)), "Shortcuts go to this group:");
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(folders, IDC_GROUP_EDIT)));
    EXPECT_EQ(uiauto::windowText(GetDlgItem(folders, IDC_GROUP_EDIT)), "Slipway Component Page");
    for (int id : {IDC_FOLDER_LABEL, IDC_FOLDER_EDIT, IDC_BROWSE, IDC_OPTION_BOX_1, IDC_OPTION_BOX_2})
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(folders, id))) << "control " << id;
    EXPECT_TRUE(waitForNextCaption(frame, kInstallText));
    EXPECT_EQ(hintLine(folders), readyToInstallHint());
    saveScreenshot(frame, "component-page-2-folder-page-group-row");

    // Back: the ticks are as they were left.
    page = pressAndWaitForPage(frame, IDC_BACK, PageKind::Components);
    ASSERT_NE(page, nullptr);
    list = GetDlgItem(page, IDC_COMPONENT_LIST);
    expectFolderPageAhead(page, true);
    EXPECT_TRUE(looksLike(look(kCore), true, true));
    EXPECT_TRUE(looksLike(look(kDocumentation), true, false));
    EXPECT_TRUE(looksLike(look(kSamples), false, false));

    ASSERT_NE(pressAndWaitForPage(frame, IDC_NEXT, PageKind::Folders), nullptr);
    HWND folderPage = currentPage(frame);
    ASSERT_TRUE(uiauto::pressButton(frame, IDC_NEXT));
    HWND next = waitForNewPage(frame, folderPage);
    ASSERT_TRUE(pageKind(next) == PageKind::Progress || pageKind(next) == PageKind::Finish)
        << pageKindName(pageKind(next));
    ASSERT_NE(waitUntilPageKind(frame, PageKind::Finish), nullptr);
    ASSERT_TRUE(waitForNextEnabled(frame));
    ASSERT_TRUE(uiauto::pressButton(frame, IDC_NEXT));
    DWORD exitCode = 99;
    ASSERT_TRUE(setup.wait(kExitTimeoutMs, &exitCode)) << "the wizard did not end";
    EXPECT_EQ(exitCode, 0u);

    // Only the ticked components' files, the fixed one's among them.
    EXPECT_EQ(treeFiles(product.folder()),
              (std::vector<std::string>{"core\\core.dat", "docs\\guide.txt", "readme.txt", "uninstall.exe"}));

    // The uninstaller removes exactly what was installed.
    ASSERT_TRUE(runRegisteredUninstaller(kKeyName, "/passive"));
    EXPECT_FALSE(fileExists(product.folder()));
    expectSameState(before, machineState());
}

}  // namespace
