#include "wizard/page_sequence.h"

#include "state/run_state.h"
#include "resources/resource_ids.h"
#include "uninstall/path_variables_win32.h"
#include "uninstall/earlier_installations.h"
#include "wizard/wizard_frame.h"

#include <string.h>

namespace {

class RegistryEarlierInstallationSearch final : public EarlierInstallationSearch {
public:
    bool found() override
    {
        const ActionScript* script = runState.actionScript.get();
        return script && findEarlierInstallations(*script, runState.earlierInstallations);
    }
};

// The run state as the rules read it. Built for each question: the
// selection, the flags and the finish text change as the run goes on.
SequenceFacts runFacts(EarlierInstallationSearch& search)
{
    SequenceFacts facts;
    facts.install = runState.installScript;
    facts.actions = runState.actionScript.get();
    facts.isWow64 = runState.isWow64;
    facts.osClass = runState.osClass;
    facts.activePageFlags = runState.activePageFlags;
    facts.finishPageText = runState.finishPageText;
    facts.noUninstall = runState.noUninstall != 0;
    facts.earlierInstallation = &search;
    return facts;
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

NextPageChoice nextPageInThisRun(InstallPage from)
{
    RegistryEarlierInstallationSearch search;
    return chooseNextPage(from, runFacts(search));
}

void showNextPageChoice(HWND page, const NextPageChoice& choice, HintLine hintLine)
{
    bool updateHint = hintLine == HintLine::Update;
    // Before the end there is nothing to cancel, but the close box still
    // ends the wizard.
    if (updateHint && choice.page == InstallPage::End)
        setBusy(page, false, true);
    if (choice.nextCaption) {
        char expanded[256];
        expandPathVariables(choice.nextCaption, expanded, sizeof expanded);
        setNextCaption(page, expanded);
    } else {
        setNextCaption(page, nullptr);
    }
    if (updateHint && choice.hint)
        updateHintLine(page, choice.hint);
}

void offerNextPage(HWND page, InstallPage from, HintLine hintLine)
{
    NextPageChoice choice = nextPageInThisRun(from);
    showNextPageChoice(page, choice, hintLine);
    setNextTarget(page, installPageDescriptor(choice.page));
}

void offerBackPage(HWND page, InstallPage current)
{
    RegistryEarlierInstallationSearch search;
    setBackTarget(page, installPageDescriptor(chooseBackPage(current, runFacts(search))));
}

uint32_t computeActivePageFlags()
{
    const ActionScript* script = runState.actionScript.get();
    if (!script)
        return 0;
    return activePageFlags(*script, runState.componentSelected.get(), runState.componentCount);
}
