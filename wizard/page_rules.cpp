#include "wizard/page_rules.h"

namespace {

bool hasListedComponent(const SequenceFacts& facts)
{
    if (!facts.actions)
        return false;
    for (const Component* component : facts.actions->components)
        if (component->placement == kPlacementList && maskHolds(component->offeredMask, facts.isWow64, facts.osClass))
            return true;
    return false;
}

bool hasFolderPageComponent(const SequenceFacts& facts)
{
    if (!facts.actions)
        return false;
    for (const Component* component : facts.actions->components)
        if (component->placement == kPlacementFolderPage)
            return true;
    return false;
}

}  // namespace

InstallPage followingPage(InstallPage page)
{
    return page == InstallPage::End ? page : InstallPage(uint8_t(page) + 1);
}

InstallPage precedingPage(InstallPage page)
{
    return page == InstallPage::Welcome ? page : InstallPage(uint8_t(page) - 1);
}

bool isPageSkipped(InstallPage page, const SequenceFacts& facts)
{
    switch (page) {
    case InstallPage::License: return !facts.install || *facts.install->licenseText.text() == 0;
    case InstallPage::PreviousVersion: return facts.noUninstall || !facts.earlierInstallation->found();
    case InstallPage::Components: return !hasListedComponent(facts);
    case InstallPage::Folders:
        return (facts.activePageFlags & (kPageFlagProgramGroup | kPageFlagInstallFolder)) == 0 &&
               !hasFolderPageComponent(facts);
    case InstallPage::Finish: return !facts.finishPageText || !*facts.finishPageText;
    default: return false;
    }
}

NextPageChoice chooseNextPage(InstallPage from, const SequenceFacts& facts)
{
    NextPageChoice choice;
    InstallPage page = from;
    while (page != InstallPage::End && isPageSkipped(page, facts))
        page = followingPage(page);
    choice.page = page;
    const InstallScript* install = facts.install;
    const ActionScript* actions = facts.actions;
    if (page == InstallPage::Progress) {
        choice.nextCaption = install ? install->installText.text() : nullptr;
        choice.hint = actions ? actions->readyToInstallHint.text() : nullptr;
    } else if (page == InstallPage::End) {
        choice.nextCaption = install ? install->finishText.text() : nullptr;
        choice.hint = actions ? actions->finishHint.text() : nullptr;
    } else {
        choice.hint = install ? install->hintText.text() : nullptr;
    }
    return choice;
}

InstallPage chooseBackPage(InstallPage current, const SequenceFacts& facts)
{
    InstallPage page = precedingPage(current);
    while (page != InstallPage::Welcome && isPageSkipped(page, facts))
        page = precedingPage(page);
    return page;
}

uint32_t activePageFlags(const ActionScript& script, const uint8_t* selected, uint32_t selectedCount)
{
    uint32_t flags = script.mainActions.pageFlags;
    for (uint32_t i = 0; i < script.components.count(); ++i) {
        const Component* component = script.components[i];
        bool isSelected = selected && i < selectedCount && selected[i];
        if (component->placement != kPlacementList || isSelected)
            flags |= component->actions.pageFlags;
    }
    return flags;
}
