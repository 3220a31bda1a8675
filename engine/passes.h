// The passes that run a script's actions and an undo log's entries.
#pragma once

#include "format/action_script.h"
#include "format/execution_context.h"
#include "format/undo_entry.h"

// componentSelected holds one byte per component, 1 = run its actions.
bool hasStage0Actions(const ActionScript& script, const uint8_t* componentSelected);
// Stage 0 marks no rows of its own: the caller gives it one row as a whole.
bool runStage0(const ActionScript& script, const uint8_t* componentSelected, ExecutionContext& context);
// Every captioned action of stage 1 gets a row of its own.
bool runStage1(const ActionScript& script, const uint8_t* componentSelected, ExecutionContext& context);

// Both walk the log newest first, marking rows through the context's
// callbacks. They are the uninstaller's passes: rollback-only entries are
// passed over.
uint32_t runCustomSteps(const UndoLog& log, ExecutionContext& context);
uint32_t runReversals(const UndoLog& log, ExecutionContext& context);

// Takes a failed installation back: the custom steps, then the reversals
// with the rollback-only entries, newest first, leaving the files that only
// the uninstaller would remove. It marks no rows, whatever callbacks the
// context holds: the rows show the installation that failed.
void rollBack(const UndoLog& log, ExecutionContext& context);
// After a successful installation: the rollback-only entries let go of what
// they kept.
void commitRollbackEntries(const UndoLog& log);
