// Earlier installations of the product: found under the system's Uninstall
// key by the names the package lists, and removed as the first step of the
// installation that replaces them.
#pragma once

#include "format/action_script.h"
#include "format/earlier_installation.h"
#include "format/execution_context.h"
#include "format/pointer_list.h"

typedef PointerList<EarlierInstallation> EarlierInstallations;

// Every name of the package's list that has an uninstall command, in list
// order, into `found` (emptied first). In silent mode the first name's
// folder becomes the install folder (unless /dir= named one) and every
// command gets the unattended switch, so that one that runs asks nothing.
// True when any was found.
bool findEarlierInstallations(const ActionScript& script, EarlierInstallations& found);

// The removal, inside the installation whose undo log is context.undoLog:
// one of ours (its uninstaller carries an uninstall package) is undone
// here, every change kept for the rollback; any other uninstaller is run
// and waited for. Returns kUndoContinue, or what stopped the removal.
uint32_t removeEarlierInstallation(EarlierInstallation& earlier, ExecutionContext& context);

// Once the installation has succeeded: the earlier entry, its uninstaller
// file and its emptied folders go; folders the new version uses are handed
// to `successor`, the new uninstall log.
void completeEarlierRemoval(const EarlierInstallation& earlier, UndoLog& successor);
