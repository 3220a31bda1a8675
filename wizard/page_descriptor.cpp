#include "wizard/page_descriptor.h"

#include "resources/resource_ids.h"
#include "wizard/pages.h"

const PageDescriptor WelcomePage = {nullptr, IDD_PAGE_TEXT, welcomePageProcedure};
const PageDescriptor LicensePage = {nullptr, IDD_PAGE_LICENSE, licensePageProcedure};
const PageDescriptor PreviousVersionPage = {nullptr, IDD_PAGE_TEXT, previousVersionPageProcedure};
const PageDescriptor RemovePreviousPage = {nullptr, IDD_PAGE_TEXT, removePreviousPageProcedure};
const PageDescriptor ComponentPage = {nullptr, IDD_PAGE_COMPONENTS, componentPageProcedure};
const PageDescriptor FolderPage = {nullptr, IDD_PAGE_FOLDERS, folderPageProcedure};
const PageDescriptor ProgressPage = {nullptr, IDD_PAGE_PROGRESS, progressPageProcedure};
const PageDescriptor FinishPage = {nullptr, IDD_PAGE_FINISH, finishPageProcedure};
const PageDescriptor EndOfWizard = {nullptr, 0, nullptr};

const PageDescriptor UninstallWelcomePage = {nullptr, IDD_PAGE_TEXT, uninstallWelcomePageProcedure};
const PageDescriptor UninstallProgressPage = {nullptr, IDD_PAGE_PROGRESS, uninstallProgressPageProcedure};
const PageDescriptor UninstallFinishPage = {nullptr, IDD_PAGE_TEXT, uninstallFinishPageProcedure};

namespace {

// In the order of InstallPage.
const PageDescriptor* const kInstallSequence[] = {
    &WelcomePage, &LicensePage, &PreviousVersionPage, &RemovePreviousPage, &ComponentPage,
    &FolderPage,  &ProgressPage, &FinishPage,         &EndOfWizard,
};
static_assert(sizeof kInstallSequence / sizeof kInstallSequence[0] == size_t(InstallPage::End) + 1,
              "one descriptor for every install page");

}  // namespace

const PageDescriptor* installPageDescriptor(InstallPage page)
{
    return kInstallSequence[uint8_t(page)];
}
