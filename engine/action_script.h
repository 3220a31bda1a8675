// Block 1 of an install package: the main action list, the optional
// components with their own lists, and seventeen texts.
#pragma once

#include "app/bytes.h"
#include "engine/action.h"
#include "engine/pointer_list.h"

#include <stdint.h>

// pageFlags bits: the lists use the Start-menu group, the install folder.
constexpr uint32_t kPageFlagProgramGroup = 1;
constexpr uint32_t kPageFlagInstallFolder = 2;

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

struct Component {
    uint32_t placement = kPlacementList;
    // [0] for 32-bit Windows, [1] for 64-bit; a mask holds when
    // mask[isWow64] & osClass is nonzero.
    uint32_t offeredMask[2] = {};
    uint32_t changeableMask[2] = {};
    uint32_t defaultMask[2] = {};
    Bytes name;
    Bytes description;
    ActionList actions;
};

struct ActionScript {
    ActionList mainActions;
    PointerList<Component> components;

    Bytes previousVersionText;
    Bytes removingPreviousText;
    Bytes progressHint;
    Bytes readyToInstallHint;
    Bytes readyToRemoveHint;
    Bytes successText;
    Bytes failureText;
    Bytes finishHint;
    Bytes filesStepCaption;
    Bytes uninstallKeyName;  // NUL-terminated names ended by an empty one
    Bytes uninstallValues;   // (name, value) pairs ended by an empty name
    Bytes uninstallerPath;
    Bytes uninstallTitle;
    Bytes uninstallWelcomeText;
    Bytes uninstallSuccessText;
    Bytes removeFilesStepCaption;
    Bytes uninstallFailureText;
};

constexpr int kActionScriptTextCount = 17;
Bytes* actionScriptText(ActionScript& script, int index);
const Bytes* actionScriptText(const ActionScript& script, int index);
// The texts' names in stream order, for describing a script.
extern const char* const kActionScriptTextNames[kActionScriptTextCount];

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
