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

const PageDescriptor* const kInstallSequence[] = {
    &WelcomePage, &LicensePage, &PreviousVersionPage, &RemovePreviousPage, &ComponentPage,
    &FolderPage,  &ProgressPage, &FinishPage,         &EndOfWizard,
};
constexpr int kInstallSequenceLength = sizeof kInstallSequence / sizeof kInstallSequence[0];

int positionOf(const PageDescriptor* page)
{
    for (int i = 0; i < kInstallSequenceLength; ++i)
        if (kInstallSequence[i] == page)
            return i;
    return -1;
}

}  // namespace

const PageDescriptor* followingPage(const PageDescriptor* page)
{
    int i = positionOf(page);
    return i >= 0 && i + 1 < kInstallSequenceLength ? kInstallSequence[i + 1] : nullptr;
}

const PageDescriptor* precedingPage(const PageDescriptor* page)
{
    int i = positionOf(page);
    return i > 0 ? kInstallSequence[i - 1] : nullptr;
}
