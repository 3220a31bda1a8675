#include "wizard/page_sequence.h"

#include "app/run_state.h"
#include "resources/resource_ids.h"
#include "uninstall/path_variables_win32.h"
#include "wizard/earlier_installation.h"
#include "wizard/wizard_frame.h"

#include <string.h>

namespace {

bool hasListedComponent()
{
    const ActionScript* script = runState.actionScript.get();
    if (!script)
        return false;
    for (const Component* component : script->components)
        if (component->placement == kPlacementList &&
            maskHolds(component->offeredMask, runState.isWow64, runState.osClass))
            return true;
    return false;
}

bool hasFolderPageComponent()
{
    const ActionScript* script = runState.actionScript.get();
    if (!script)
        return false;
    for (const Component* component : script->components)
        if (component->placement == kPlacementFolderPage)
            return true;
    return false;
}

// Sets the hint line when it differs from what the control shows.
void updateHintLine(HWND page, const char* hint)
{
    char expanded[1024];
    expandPathVariables(hint, expanded, sizeof expanded);
    char current[1024];
    GetDlgItemTextA(page, IDC_HINT, current, sizeof current);
    if (strcmp(current, expanded) != 0)
        SetDlgItemTextA(page, IDC_HINT, expanded);
}

}  // namespace

uint32_t computeActivePageFlags()
{
    const ActionScript* script = runState.actionScript.get();
    if (!script)
        return 0;
    uint32_t flags = script->mainActions.pageFlags;
    for (uint32_t i = 0; i < script->components.count(); ++i) {
        const Component* component = script->components[i];
        bool selected = runState.componentSelected && i < runState.componentCount && runState.componentSelected[i];
        if (component->placement != kPlacementList || selected)
            flags |= component->actions.pageFlags;
    }
    return flags;
}

bool isPageSkipped(const PageDescriptor* page)
{
    if (page == &LicensePage)
        return !runState.installScript || *runState.installScript->licenseText.text() == 0;
    if (page == &PreviousVersionPage || page == &RemovePreviousPage)
        return runState.noUninstall || !findEarlierInstallation();
    if (page == &ComponentPage)
        return !hasListedComponent();
    if (page == &FolderPage)
        return (runState.activePageFlags & 3) == 0 && !hasFolderPageComponent();
    if (page == &FinishPage)
        return !runState.finishPageText || !*runState.finishPageText;
    return false;
}

const PageDescriptor* nextPage(HWND page, const PageDescriptor* from, bool updateHint)
{
    const PageDescriptor* d = from;
    while (d && isPageSkipped(d))
        d = followingPage(d);
    if (!d)
        d = &EndOfWizard;
    const InstallScript* install = runState.installScript;
    const ActionScript* actions = runState.actionScript.get();
    const char* caption = nullptr;
    const char* hint = updateHint && install ? install->hintText.text() : nullptr;
    if (d == &ProgressPage) {
        caption = install ? install->installText.text() : nullptr;
        hint = updateHint && actions ? actions->readyToInstallHint.text() : nullptr;
    } else if (d == &EndOfWizard) {
        if (updateHint)
            setBusy(page, false, true);
        caption = install ? install->finishText.text() : nullptr;
        hint = updateHint && actions ? actions->finishHint.text() : nullptr;
    }
    if (caption) {
        char expanded[256];
        expandPathVariables(caption, expanded, sizeof expanded);
        setNextCaption(page, expanded);
    } else {
        setNextCaption(page, nullptr);
    }
    if (hint)
        updateHintLine(page, hint);
    return d;
}

const PageDescriptor* previousPage(const PageDescriptor* from)
{
    const PageDescriptor* d = from;
    while (d && (d == &RemovePreviousPage || isPageSkipped(d))) {
        const PageDescriptor* before = precedingPage(d);
        if (!before)
            break;
        d = before;
    }
    return d;
}
