#include "engine/passes.h"

#include "engine/progress_meter.h"

namespace {

void report(const ExecutionContext& context, const char* pass, const char* name, const char* caption, uint32_t result)
{
    if (context.report)
        context.report(pass, name, caption, result);
}

void beginRow(const ExecutionContext& context, int row)
{
    if (context.stepBegun)
        context.stepBegun(context.page, row);
}

void endRow(const ExecutionContext& context, int row, bool ok)
{
    if (context.stepEnded)
        context.stepEnded(context.page, row, ok);
}

bool executeReported(Action& action, ExecutionContext& context)
{
    bool ok = action.execute(context);
    report(context, "install", action.className(), action.caption(), ok ? 0 : 1);
    return ok;
}

// The actions of the main list and of each selected component, in list
// order: every pass over a script walks them so.
class SelectedActions {
public:
    SelectedActions(const ActionScript& script, const uint8_t* componentSelected)
        : script_(script), selected_(componentSelected)
    {
    }

    // The next action; null once the last list is done.
    Action* next()
    {
        while (list_ <= script_.components.count()) {
            const ActionList& list = list_ == 0 ? script_.mainActions : script_.components[list_ - 1]->actions;
            bool selected = list_ == 0 || (selected_ && selected_[list_ - 1]);
            if (selected && index_ < list.actions.count()) {
                ++ordinal_;
                return list.actions[index_++];
            }
            ++list_;
            index_ = 0;
        }
        return nullptr;
    }

    // The place of the action next() returned last in the walk, from 0: the
    // number the page is told, which it looks up with selectedActionAt.
    uint32_t ordinal() const { return ordinal_ - 1; }

private:
    const ActionScript& script_;
    const uint8_t* selected_;
    uint32_t list_ = 0;  // 0 the main list, then the components from 1
    uint32_t index_ = 0;
    uint32_t ordinal_ = 0;
};

// The caption of a stage 1 action's own row; null for an action that runs
// in no row, as every action of the other stages does.
const char* programRowCaption(const Action& action)
{
    return action.stage() == kProgramStage ? action.caption() : nullptr;
}

// The user cancelled the file writes: the installation stops as cancelled.
bool stoppedByUser(ExecutionContext& context)
{
    if (!context.stopAsked())
        return false;
    context.cancelled = true;
    return true;
}

// The bytes of the package that the action writes out.
uint32_t packagedBytes(const Action& action)
{
    if (action.kind() != WriteFileAction::kKind)
        return 0;
    return static_cast<const WriteFileAction&>(action).dataSize();
}

}  // namespace

void addStepRow(StepPlan& plan, const char* caption)
{
    if (plan.count < kStepRowLimit)
        plan.captions[plan.count++] = caption;
}

bool hasStage0Actions(const ActionScript& script, const uint8_t* componentSelected)
{
    SelectedActions actions(script, componentSelected);
    while (Action* action = actions.next())
        if (action->stage() == kFileStage)
            return true;
    return false;
}

StepPlan planInstallation(const ActionScript& script, const uint8_t* componentSelected, StepPlan plan)
{
    if (hasStage0Actions(script, componentSelected))
        addStepRow(plan, script.filesStepCaption.text());
    SelectedActions actions(script, componentSelected);
    while (Action* action = actions.next()) {
        plan.packagedBytes += packagedBytes(*action);
        if (action->stage() == kProgramStage)
            ++plan.steps;
        if (const char* caption = programRowCaption(*action))
            addStepRow(plan, caption);
    }
    return plan;
}

const Action* selectedActionAt(const ActionScript& script, const uint8_t* componentSelected, uint32_t ordinal)
{
    SelectedActions actions(script, componentSelected);
    while (Action* action = actions.next())
        if (actions.ordinal() == ordinal)
            return action;
    return nullptr;
}

bool runInstallation(const ActionScript& script, const uint8_t* componentSelected, ExecutionContext& context,
                     int firstRow)
{
    int row = firstRow;
    if (hasStage0Actions(script, componentSelected)) {
        bool ok = true;
        beginRow(context, row);
        SelectedActions files(script, componentSelected);
        while (Action* action = files.next()) {
            if (action->stage() != kFileStage)
                continue;
            ok = !stoppedByUser(context);
            if (!ok)
                break;
            uint32_t bytes = packagedBytes(*action);
            if (action->kind() == WriteFileAction::kKind)
                beginProgressItem(context, files.ordinal());
            ok = executeReported(*action, context);
            if (!ok)
                break;
            if (context.progress && bytes)
                context.progress->fileDone(bytes);
        }
        // A cancel that came as the last file was written still stops
        // the installation before its programs run.
        ok = ok && !stoppedByUser(context);
        endRow(context, row++, ok);
        if (!ok)
            return false;
    }
    SelectedActions programs(script, componentSelected);
    while (Action* action = programs.next()) {
        if (action->stage() != kProgramStage)
            continue;
        bool ownRow = programRowCaption(*action) != nullptr;
        if (ownRow)
            beginRow(context, row);
        bool ok = executeReported(*action, context);
        if (ownRow)
            endRow(context, row++, ok);
        if (!ok)
            return false;
        progressStepDone(context);
    }
    return true;
}

namespace {

// The uninstaller's passes mark their rows; a rollback runs unmarked.
enum class UndoPass { Uninstall, Rollback };

uint32_t undoReported(UndoEntry& entry, UndoPass pass, ExecutionContext& context)
{
    uint32_t result = entry.undo(context);
    report(context, pass == UndoPass::Rollback ? "rollback" : "uninstall", entry.className(), entry.caption(), result);
    return result;
}

bool takesPart(const UndoEntry& entry, UndoPass pass)
{
    return pass == UndoPass::Rollback ? !entry.uninstallOnly : !entry.isRollbackOnly();
}

// The caption of a custom step's own row in the uninstaller's passes. Only
// the custom steps (programs and libraries) have captions: no reversal and no
// rollback-only entry runs in a row of its own.
const char* customRowCaption(const UndoEntry& entry)
{
    return entry.caption();
}

// The reversals' row comes after every custom step's.
int reversalsRow(const UndoLog& log)
{
    int row = 0;
    for (UndoEntry* entry = log.first(); entry; entry = entry->next)
        if (customRowCaption(*entry))
            ++row;
    return row;
}

// An entry counted on the context's bar.
uint32_t undoCounted(UndoEntry& entry, uint32_t ordinal, UndoPass pass, ExecutionContext& context)
{
    beginProgressItem(context, ordinal);
    uint32_t result = undoReported(entry, pass, context);
    if (result == kUndoContinue)
        progressStepDone(context);
    return result;
}

uint32_t customSteps(const UndoLog& log, UndoPass pass, ExecutionContext& context)
{
    int row = 0;
    uint32_t ordinal = 0;
    for (UndoEntry* entry = log.first(); entry; entry = entry->next, ++ordinal) {
        if (entry->isReversal() || !takesPart(*entry, pass))
            continue;
        bool ownRow = pass == UndoPass::Uninstall && customRowCaption(*entry) != nullptr;
        if (ownRow)
            beginRow(context, row);
        uint32_t result = undoCounted(*entry, ordinal, pass, context);
        if (ownRow)
            endRow(context, row++, result == kUndoContinue);
        if (result != kUndoContinue)
            return result;
    }
    return kUndoContinue;
}

uint32_t reversals(const UndoLog& log, UndoPass pass, ExecutionContext& context)
{
    bool ownRow = pass == UndoPass::Uninstall;
    int row = ownRow ? reversalsRow(log) : 0;
    if (ownRow)
        beginRow(context, row);
    uint32_t result = kUndoContinue;
    uint32_t ordinal = 0;
    for (UndoEntry* entry = log.first(); entry && result == kUndoContinue; entry = entry->next, ++ordinal) {
        if (entry->isReversal() && takesPart(*entry, pass))
            result = undoCounted(*entry, ordinal, pass, context);
    }
    if (ownRow)
        endRow(context, row, result == kUndoContinue);
    return result;
}

}  // namespace

StepPlan planRemoval(const UndoLog& log, const char* reversalsCaption)
{
    StepPlan plan;
    for (UndoEntry* entry = log.first(); entry; entry = entry->next)
        if (const char* caption = customRowCaption(*entry))
            addStepRow(plan, caption);
    addStepRow(plan, reversalsCaption);
    return plan;
}

const UndoEntry* undoEntryAt(const UndoLog& log, uint32_t ordinal)
{
    const UndoEntry* entry = log.first();
    for (; entry && ordinal; --ordinal)
        entry = entry->next;
    return entry;
}

uint32_t runCustomSteps(const UndoLog& log, ExecutionContext& context)
{
    return customSteps(log, UndoPass::Uninstall, context);
}

uint32_t runReversals(const UndoLog& log, ExecutionContext& context)
{
    return reversals(log, UndoPass::Uninstall, context);
}

void rollBack(const UndoLog& log, ExecutionContext& context)
{
    // The bar, like the rows, shows the installation that failed.
    context.progress = nullptr;
    customSteps(log, UndoPass::Rollback, context);
    reversals(log, UndoPass::Rollback, context);
}

void commitRollbackEntries(const UndoLog& log)
{
    for (UndoEntry* entry = log.first(); entry; entry = entry->next)
        if (entry->isRollbackOnly())
            entry->commit();
}
