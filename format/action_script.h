// Block 1 of an install package: the main action list, the optional
// components with their own lists, seventeen texts and the upgrade rules.
#pragma once

#include "format/bytes.h"
#include "format/action.h"
#include "format/named_codes.h"
#include "format/pointer_list.h"

#include <stdint.h>
#include <string.h>

// pageFlags bits: the lists use the Start-menu group, the install folder.
constexpr uint32_t kPageFlagProgramGroup = 1;
constexpr uint32_t kPageFlagInstallFolder = 2;
inline constexpr NamedCode kNamedPageFlags[] = {
    {"program_group", kPageFlagProgramGroup},
    {"install_folder", kPageFlagInstallFolder},
};

struct ActionList {
    uint32_t pageFlags = 0;
    PointerList<Action> actions;
};

// Where the user sees a component.
enum ComponentPlacement : uint32_t {
    kPlacementList = 0,        // an entry of the component page
    kPlacementFolderPage = 1,  // a check box of the folder page
    kPlacementFinishPage = 2,  // a check box of the finish page
};
inline constexpr NamedCode kNamedPlacements[] = {
    {"list", kPlacementList},
    {"folder_page", kPlacementFolderPage},
    {"finish_page", kPlacementFinishPage},
};

struct Component {
    // Every member starts as zero bytes (kPlacementList is 0): one fill
    // rather than a store per member.
    Component() { memset(static_cast<void*>(this), 0, sizeof(*this)); }
    static_assert(kPlacementList == 0, "the fill sets the first placement");

    uint32_t placement = kPlacementList;
    // [0] for 32-bit Windows, [1] for 64-bit; a mask holds when
    // mask[isWow64] & osClass is nonzero.
    uint32_t offeredMask[2] = {};
    uint32_t changeableMask[2] = {};
    uint32_t defaultMask[2] = {};
    Bytes name;
    Bytes description;
    ActionList actions;  // follows the fields in the stream

    template <typename Self, typename V>
    static void fields(Self& s, V& v)
    {
        v.number("placement", s.placement);
        v.number("offeredMask32", s.offeredMask[0], NumberForm::Hex);
        v.number("changeableMask32", s.changeableMask[0], NumberForm::Hex);
        v.number("defaultMask32", s.defaultMask[0], NumberForm::Hex);
        v.number("offeredMask64", s.offeredMask[1], NumberForm::Hex);
        v.number("changeableMask64", s.changeableMask[1], NumberForm::Hex);
        v.number("defaultMask64", s.defaultMask[1], NumberForm::Hex);
        v.text("name", s.name);
        v.text("description", s.description);
    }
};

// The seventeen texts that end block 1.
struct ActionScriptTexts {
    Bytes previousVersionText;
    Bytes removingPreviousText;
    Bytes progressHint;
    Bytes readyToInstallHint;
    Bytes readyToRemoveHint;
    Bytes successText;
    Bytes failureText;
    Bytes finishHint;
    Bytes filesStepCaption;
    Bytes uninstallKeyName;
    Bytes uninstallValues;
    Bytes uninstallerPath;
    Bytes uninstallTitle;
    Bytes uninstallWelcomeText;
    Bytes uninstallSuccessText;
    Bytes removeFilesStepCaption;
    Bytes uninstallFailureText;

    template <typename Self, typename V>
    static void fields(Self& s, V& v)
    {
        v.text("previousVersionText", s.previousVersionText);
        v.text("removingPreviousText", s.removingPreviousText);
        v.text("progressHint", s.progressHint);
        v.text("readyToInstallHint", s.readyToInstallHint);
        v.text("readyToRemoveHint", s.readyToRemoveHint);
        v.text("successText", s.successText);
        v.text("failureText", s.failureText);
        v.text("finishHint", s.finishHint);
        v.text("filesStepCaption", s.filesStepCaption);
        v.textList("uninstallKeyName", s.uninstallKeyName);
        v.textPairs("uninstallValues", s.uninstallValues, "name", "value");
        v.text("uninstallerPath", s.uninstallerPath);
        v.text("uninstallTitle", s.uninstallTitle);
        v.text("uninstallWelcomeText", s.uninstallWelcomeText);
        v.text("uninstallSuccessText", s.uninstallSuccessText);
        v.text("removeFilesStepCaption", s.removeFilesStepCaption);
        v.text("uninstallFailureText", s.uninstallFailureText);
    }
};

// upgradeRules bits: what an installation over an earlier version may do.
constexpr uint32_t kUpgradeAllowDowngrade = 1;  // install over a higher version without asking

// The main list, the components, the texts, then the upgrade rules.
struct ActionScript : ActionScriptTexts {
    // Every member starts as zero bytes: one fill rather than a store per
    // member, and none at all where the script comes from zeroed memory.
    ActionScript() { memset(static_cast<void*>(this), 0, sizeof(*this)); }

    ActionList mainActions;
    PointerList<Component> components;
    uint32_t upgradeRules = 0;
};

// Readers: false when the block is damaged (a read out of its bounds).
// A kind code outside 1 to 14 reads no fields and creates nothing.
bool readActionList(ByteCursor& cursor, ActionList& out);
bool readComponent(ByteCursor& cursor, Component& out);
bool readActionScript(ByteCursor& cursor, ActionScript& out);

bool serializeActionList(const ActionList& list, ByteSink& sink);
bool serializeActionScript(const ActionScript& script, ByteSink& sink);

// True when a mask holds for this system.
inline bool maskHolds(const uint32_t mask[2], uint32_t isWow64, uint32_t osClass)
{
    return (mask[isWow64 ? 1 : 0] & osClass) != 0;
}
