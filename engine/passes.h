// The passes that run a script's actions and an undo log's entries.
#pragma once

#include "engine/action_script.h"
#include "engine/undo_entry.h"

typedef void (*BeginStepFn)(WindowHandle page);
typedef void (*EndStepFn)(WindowHandle page, bool ok);

// componentSelected holds one byte per component, 1 = run its actions.
bool hasStage0Actions(const ActionScript& script, const uint8_t* componentSelected);
bool runStage0(const ActionScript& script, const uint8_t* componentSelected, UninstallScript& target, ExpandFn expand,
               WindowHandle page, uint32_t& bytesInstalled, bool& restartNeeded);
bool runStage1(const ActionScript& script, const uint8_t* componentSelected, UninstallScript& target, ExpandFn expand,
               WindowHandle page, uint32_t& bytesInstalled, bool& restartNeeded, BeginStepFn beginStep,
               EndStepFn endStep);

// Both walk the log newest first; the callbacks may be null. They are the
// uninstaller's passes: rollback-only entries are passed over.
uint32_t runCustomSteps(const UndoLog& log, WindowHandle page, bool& restartNeeded, BeginStepFn beginStep,
                        EndStepFn endStep);
uint32_t runReversals(const UndoLog& log, WindowHandle page, bool& restartNeeded, BeginStepFn beginStep,
                      EndStepFn endStep);

// Takes a failed installation back: the custom steps, then the reversals
// with the rollback-only entries, newest first, leaving the files that only
// the uninstaller would remove.
void rollBack(const UndoLog& log, WindowHandle page, bool& restartNeeded);
// After a successful installation: the rollback-only entries let go of what
// they kept.
void commitRollbackEntries(const UndoLog& log);
