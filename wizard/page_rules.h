// The install sequence's rules: which pages a run skips, where Back and
// Next lead, and what Next is called and the hint line says on the way.
// Portable: the rules read only what they are handed, so the host tests
// check them; wizard/page_sequence.h applies them to the run and the frame.
#pragma once

#include "format/install_script.h"
#include "format/action_script.h"

#include <stdint.h>

// The install wizard's pages in the order they are shown; End closes it.
enum class InstallPage : uint8_t {
    Welcome,
    License,
    PreviousVersion,
    Components,
    Folders,
    Progress,
    Finish,
    End,
};

// The page behind `page`; End has none and is its own.
InstallPage followingPage(InstallPage page);
// The page before `page`; Welcome has none and is its own.
InstallPage precedingPage(InstallPage page);

// Asked only when a walk reaches the earlier-installation page: the stub's search reads the registry and, in
// silent mode, takes over the earlier installation's folder, so it must run
// no more often, and no earlier, than the walk needs it.
class EarlierInstallationSearch {
public:
    // True when an earlier installation is registered.
    virtual bool found() = 0;

protected:
    ~EarlierInstallationSearch() = default;
};

// What the rules read of a run.
struct SequenceFacts {
    const InstallScript* install = nullptr;  // null: no licence, default captions, no hints
    const ActionScript* actions = nullptr;   // null until block 1 is loaded
    uint32_t isWow64 = 0;
    uint32_t osClass = 0;
    uint32_t activePageFlags = 0;
    const char* finishPageText = nullptr;  // null reads as empty
    bool noUninstall = false;
    EarlierInstallationSearch* earlierInstallation = nullptr;  // never null
};

bool isPageSkipped(InstallPage page, const SequenceFacts& facts);

// Where Next leads and what goes with it. The texts are the packaged ones,
// their path variables not yet expanded.
struct NextPageChoice {
    InstallPage page = InstallPage::End;
    const char* nextCaption = nullptr;  // null: the caption the first page gave Next
    const char* hint = nullptr;         // null: the hint line stays as it is
};

// The first page from `from` on that is not skipped, with the caption and
// hint that announce it: installing before the progress page, finishing
// before the end, the general hint otherwise.
NextPageChoice chooseNextPage(InstallPage from, const SequenceFacts& facts);

// The page Back leads to from `current`: the nearest earlier page that is
// not skipped. Welcome for the welcome page itself.
InstallPage chooseBackPage(InstallPage current, const SequenceFacts& facts);

// The OR of the page flags of the main list and of every component that is
// placed on a page or selected (`selected`: one byte per component, 1 =
// selected; null or short reads as not selected).
uint32_t activePageFlags(const ActionScript& script, const uint8_t* selected, uint32_t selectedCount);
