// The passes that run a script's actions and an undo log's entries, and the
// plan of the step rows they mark.
#pragma once

#include "format/action_script.h"
#include "format/execution_context.h"
#include "format/undo_entry.h"

// A progress page has rows for this many steps; a run with more marks the
// first ones.
constexpr int kStepRowLimit = 9;

// What a run will show, planned by the same walk that runs it: the captions
// of its step rows in the order the run marks them, and what an
// installation's progress bar counts: the packaged bytes its file stage
// writes and its programs and libraries (a removal's bar counts the entries
// of its log). The captions point into the script and live as long as it does.
struct StepPlan {
    const char* captions[kStepRowLimit];
    int count = 0;
    uint32_t packagedBytes = 0;
    uint32_t steps = 0;
};

// Adds a row for a step that runs before the installation's own (the
// removal of an earlier installation); rows beyond the limit are left out.
void addStepRow(StepPlan& plan, const char* caption);

// componentSelected holds one byte per component, 1 = run its actions.
bool hasStage0Actions(const ActionScript& script, const uint8_t* componentSelected);
// An installation's rows, behind those `plan` has already: one for the
// whole file stage (stage 0) when it has anything to do, then one for every
// captioned action of stage 1.
StepPlan planInstallation(const ActionScript& script, const uint8_t* componentSelected, StepPlan plan = StepPlan());
// The action that a run's progress events number `ordinal`: its place in
// the walk over the main list and the selected components. Null past the end.
const Action* selectedActionAt(const ActionScript& script, const uint8_t* componentSelected, uint32_t ordinal);
// Runs stage 0 and, once it succeeded, stage 1, marking the planned rows
// from `firstRow` on and counting the bytes and steps on the context's
// meter. The user's cancel stops stage 0 before the next file (the file
// being written stops itself) and sets the context's `cancelled`. False
// when an action or the user stopped the installation.
bool runInstallation(const ActionScript& script, const uint8_t* componentSelected, ExecutionContext& context,
                     int firstRow = 0);

// A removal's rows: one for every captioned custom step, newest first, then
// one for the reversals as a whole, under `reversalsCaption`.
StepPlan planRemoval(const UndoLog& log, const char* reversalsCaption);
// The entry that a removal's progress events number `ordinal`: its place in
// the log, newest first. Null past the end.
const UndoEntry* undoEntryAt(const UndoLog& log, uint32_t ordinal);
// Both walk the log newest first, marking the planned rows and counting
// each entry on the context's meter. They are the uninstaller's passes:
// rollback-only entries are passed over.
uint32_t runCustomSteps(const UndoLog& log, ExecutionContext& context);
uint32_t runReversals(const UndoLog& log, ExecutionContext& context);

// Takes a failed installation back: the custom steps, then the reversals
// with the rollback-only entries, newest first, leaving the files that only
// the uninstaller would remove. It marks no rows and drops the context's
// meter: the rows and the bar show the installation that failed.
void rollBack(const UndoLog& log, ExecutionContext& context);
// After a successful installation: the rollback-only entries let go of what
// they kept.
void commitRollbackEntries(const UndoLog& log);
