// The earlier-installation page: says which version is installed and how
// this setup's version stands to it. Nothing is removed here: the
// installation removes it as its first step, once Install is pressed. A
// downgrade needs its box ticked, and in silent mode it needs the
// manifest's or the command line's leave, else the run ends here.
#include "format/product_version.h"
#include "format/stub_texts.h"
#include "format/unattended_rules.h"
#include "platform/run_log.h"
#include "resources/resource_ids.h"
#include "state/run_state.h"
#include "uninstall/path_variables_win32.h"
#include "wizard/page_sequence.h"
#include "wizard/pages.h"
#include "wizard/wizard_frame.h"

#include <string.h>
#include "platform/import_slots.h"

SLIPWAY_IMPORT_SLOT(MapDialogRect, 8);

namespace {

// The DisplayVersion this package registers, expanded; empty without one.
// A later pair replaces an earlier one, as it does in the entry.
void packagedVersion(const ActionScript& script, char* version, size_t size)
{
    version[0] = 0;
    for (TextList pairs(script.uninstallValues); !pairs.atEnd();) {
        const char* name = pairs.take();
        const char* value = pairs.take();
        if (!value)
            return;
        if (strcmp(name, "DisplayVersion") == 0)
            expandPathVariables(value, version, size);
    }
}

// The line under the package's text, and how the versions stand; `offered`
// (kEarlierVersionSize bytes) gets this package's version.
VersionChange describeEarlier(const EarlierInstallation& earlier, char* offered, char* line, size_t size)
{
    packagedVersion(*runState.actionScript, offered, kEarlierVersionSize);
    VersionChange change = versionChange(earlier.version, offered);
    const char* format = change == VersionChange::Upgrade     ? kEarlierUpgrade
                         : change == VersionChange::Reinstall ? kEarlierReinstall
                         : change == VersionChange::Downgrade ? kEarlierDowngrade
                                                              : kEarlierInstalled;
    formatTextOf(line, size, format, earlier.title, offered);
    return change;
}

// More than the page has room for: a text that long is cut.
void showPageText(HWND page, const char* line)
{
    char shown[2048];
    expandPathVariables(runState.actionScript->previousVersionText.text(), shown, sizeof shown - 600);
    size_t used = strlen(shown);
    formatTextOf(shown + used, sizeof shown - used, "\r\n\r\n%s", line);
    SetDlgItemTextA(page, IDC_PAGE_TEXT, shown);
}

// The box under a shortened text; Next waits for its tick. Out of line: in
// its caller's frame, past the page text's buffer, every store to the RECT
// took three bytes more.
__attribute__((noinline)) void askToConfirmDowngrade(HWND page)
{
    HWND box = GetDlgItem(page, IDC_CONFIRM_DOWNGRADE);
    SetWindowTextA(box, kConfirmDowngrade);
    ShowWindow(box, SW_SHOWNA);
    // Set member by member: at -Oz a brace-initialised RECT is copied from a
    // constant the compiler puts in .data, the image's only writable
    // initialised data, which then takes a 512-byte section of the file.
    RECT text = {};
    text.right = 321;
    text.bottom = 99;
    MapDialogRectSlot(page, &text);
    SetWindowPos(GetDlgItem(page, IDC_PAGE_TEXT), nullptr, 0, 0, text.right, text.bottom,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    setNextEnabled(page, false);
}

bool downgradeAllowed()
{
    return runState.allowDowngrade || (runState.actionScript->upgradeRules & kUpgradeAllowDowngrade) != 0;
}

void initialise(HWND page)
{
    offerBackPage(page, InstallPage::PreviousVersion);
    offerNextPage(page, InstallPage::Components, HintLine::Update);
    if (runState.earlierInstallations.count() == 0)
        return;
    const EarlierInstallation& earlier = *runState.earlierInstallations[0];
    char offered[kEarlierVersionSize];
    char line[512];
    VersionChange change = describeEarlier(earlier, offered, line, sizeof line);
    showPageText(page, line);
    runLog("Earlier installation found under %s: %s", earlier.keyName, earlier.title);
    if (change != VersionChange::Downgrade)
        return;
    if (!runState.silentMode) {
        askToConfirmDowngrade(page);
    } else if (!downgradeAllowed()) {
        // Nobody is there to confirm: the run ends before anything changed.
        runLog("Downgrade refused: %s is installed, newer than %s (/allowdowngrade allows it)", earlier.title, offered);
        runState.outcome = RunOutcome::DowngradeRefused;
        setNextTarget(page, installPageDescriptor(InstallPage::End));
    }
}

}  // namespace

INT_PTR CALLBACK previousVersionPageProcedure(HWND page, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_INITDIALOG) {
        initialise(page);
        return TRUE;
    }
    if (message == WM_COMMAND && LOWORD(wParam) == IDC_CONFIRM_DOWNGRADE && HIWORD(wParam) == BN_CLICKED) {
        HWND box = GetDlgItem(page, IDC_CONFIRM_DOWNGRADE);
        setNextEnabled(page, SendMessageA(box, BM_GETCHECK, 0, 0) == BST_CHECKED);
        return TRUE;
    }
    return FALSE;
}
