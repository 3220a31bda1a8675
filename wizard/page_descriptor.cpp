#include "wizard/page_descriptor.h"

#include "resources/resource_ids.h"
#include "wizard/pages.h"

const PageDescriptor WelcomePage = {nullptr, IDD_PAGE_TEXT, welcomePageProcedure, WhenSilent::Stays};
const PageDescriptor LicensePage = {nullptr, IDD_PAGE_LICENSE, licensePageProcedure, WhenSilent::PressesNext};
const PageDescriptor PreviousVersionPage = {nullptr, IDD_PAGE_TEXT, previousVersionPageProcedure,
                                            WhenSilent::PressesNext};
const PageDescriptor ComponentPage = {nullptr, IDD_PAGE_COMPONENTS, componentPageProcedure, WhenSilent::PressesNext};
const PageDescriptor FolderPage = {nullptr, IDD_PAGE_FOLDERS, folderPageProcedure, WhenSilent::PressesNext};
const PageDescriptor ProgressPage = {nullptr, IDD_PAGE_PROGRESS, progressPageProcedure, WhenSilent::Stays};
const PageDescriptor FinishPage = {nullptr, IDD_PAGE_FINISH, finishPageProcedure, WhenSilent::PressesNext};
const PageDescriptor EndOfWizard = {nullptr, 0, nullptr, WhenSilent::Stays};

const PageDescriptor UninstallWelcomePage = {nullptr, IDD_PAGE_TEXT, uninstallWelcomePageProcedure,
                                             WhenSilent::PressesNext};
const PageDescriptor UninstallProgressPage = {nullptr, IDD_PAGE_PROGRESS, uninstallProgressPageProcedure,
                                              WhenSilent::Stays};
const PageDescriptor UninstallFinishPage = {nullptr, IDD_PAGE_TEXT, uninstallFinishPageProcedure,
                                            WhenSilent::PressesNext};

namespace {

// In the order of InstallPage.
const PageDescriptor* const kInstallSequence[] = {
    &WelcomePage, &LicensePage,  &PreviousVersionPage, &ComponentPage,
    &FolderPage,  &ProgressPage, &FinishPage,          &EndOfWizard,
};
static_assert(sizeof kInstallSequence / sizeof kInstallSequence[0] == size_t(InstallPage::End) + 1,
              "one descriptor for every install page");

}  // namespace

const PageDescriptor* installPageDescriptor(InstallPage page)
{
    return kInstallSequence[uint8_t(page)];
}
