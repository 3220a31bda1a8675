#include "engine/passes.h"

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
            if (selected && index_ < list.actions.count())
                return list.actions[index_++];
            ++list_;
            index_ = 0;
        }
        return nullptr;
    }

private:
    const ActionScript& script_;
    const uint8_t* selected_;
    uint32_t list_ = 0;  // 0 the main list, then the components from 1
    uint32_t index_ = 0;
};

// The caption of a stage 1 action's own row; null for an action that runs
// in no row, as every action of the other stages does.
const char* programRowCaption(const Action& action)
{
    return action.stage() == kProgramStage ? action.caption() : nullptr;
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
        if (const char* caption = programRowCaption(*action))
            addStepRow(plan, caption);
    }
    return plan;
}

bool runInstallation(const ActionScript& script, const uint8_t* componentSelected, ExecutionContext& context,
                     int firstRow)
{
    int row = firstRow;
    if (hasStage0Actions(script, componentSelected)) {
        uint32_t total = planInstallation(script, componentSelected).packagedBytes;
        uint32_t written = 0;
        bool ok = true;
        beginRow(context, row);
        SelectedActions files(script, componentSelected);
        while (Action* action = files.next()) {
            if (action->stage() != kFileStage)
                continue;
            ok = executeReported(*action, context);
            if (!ok)
                break;
            if (uint32_t bytes = packagedBytes(*action)) {
                written += bytes;
                if (context.bytesDone)
                    context.bytesDone(context.page, written, total);
            }
        }
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

uint32_t customSteps(const UndoLog& log, UndoPass pass, ExecutionContext& context)
{
    int row = 0;
    for (UndoEntry* entry = log.first(); entry; entry = entry->next) {
        if (entry->isReversal() || !takesPart(*entry, pass))
            continue;
        bool ownRow = pass == UndoPass::Uninstall && customRowCaption(*entry) != nullptr;
        if (ownRow)
            beginRow(context, row);
        uint32_t result = undoReported(*entry, pass, context);
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
    for (UndoEntry* entry = log.first(); entry && result == kUndoContinue; entry = entry->next) {
        if (entry->isReversal() && takesPart(*entry, pass))
            result = undoReported(*entry, pass, context);
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
    customSteps(log, UndoPass::Rollback, context);
    reversals(log, UndoPass::Rollback, context);
}

void commitRollbackEntries(const UndoLog& log)
{
    for (UndoEntry* entry = log.first(); entry; entry = entry->next)
        if (entry->isRollbackOnly())
            entry->commit();
}
