#include "engine/passes.h"

namespace {

void report(const ExecutionContext& context, const char* pass, const char* name, const char* caption, uint32_t result)
{
    if (context.report)
        context.report(pass, name, caption, result);
}

bool executeReported(Action& action, ExecutionContext& context)
{
    bool ok = action.execute(context);
    report(context, "install", action.className(), action.caption(), ok ? 0 : 1);
    return ok;
}

// Calls `visit` for every action of the main list and of each selected
// component, in list order, until it returns false.
template <typename Visit>
bool forEachSelectedAction(const ActionScript& script, const uint8_t* componentSelected, Visit visit)
{
    for (Action* action : script.mainActions.actions)
        if (!visit(*action))
            return false;
    for (uint32_t i = 0; i < script.components.count(); ++i) {
        if (!componentSelected || !componentSelected[i])
            continue;
        for (Action* action : script.components[i]->actions.actions)
            if (!visit(*action))
                return false;
    }
    return true;
}

}  // namespace

bool hasStage0Actions(const ActionScript& script, const uint8_t* componentSelected)
{
    bool found = false;
    forEachSelectedAction(script, componentSelected, [&](Action& action) {
        found = action.stage() == kFileStage;
        return !found;
    });
    return found;
}

bool runStage0(const ActionScript& script, const uint8_t* componentSelected, ExecutionContext& context)
{
    return forEachSelectedAction(script, componentSelected, [&](Action& action) {
        return action.stage() != kFileStage || executeReported(action, context);
    });
}

bool runStage1(const ActionScript& script, const uint8_t* componentSelected, ExecutionContext& context)
{
    return forEachSelectedAction(script, componentSelected, [&](Action& action) {
        if (action.stage() != kProgramStage)
            return true;
        const char* caption = action.caption();
        if (caption && context.beginStep)
            context.beginStep(context.page);
        bool ok = executeReported(action, context);
        if (caption && context.endStep)
            context.endStep(context.page, ok);
        return ok;
    });
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

void beginRow(const ExecutionContext& context, UndoPass pass)
{
    if (pass == UndoPass::Uninstall && context.beginStep)
        context.beginStep(context.page);
}

void endRow(const ExecutionContext& context, UndoPass pass, bool ok)
{
    if (pass == UndoPass::Uninstall && context.endStep)
        context.endStep(context.page, ok);
}

uint32_t customSteps(const UndoLog& log, UndoPass pass, ExecutionContext& context)
{
    for (UndoEntry* entry = log.first(); entry; entry = entry->next) {
        if (entry->isReversal() || !takesPart(*entry, pass))
            continue;
        bool ownRow = entry->caption() != nullptr;
        if (ownRow)
            beginRow(context, pass);
        uint32_t result = undoReported(*entry, pass, context);
        if (ownRow)
            endRow(context, pass, result == kUndoContinue);
        if (result != kUndoContinue)
            return result;
    }
    return kUndoContinue;
}

uint32_t reversals(const UndoLog& log, UndoPass pass, ExecutionContext& context)
{
    beginRow(context, pass);
    uint32_t result = kUndoContinue;
    for (UndoEntry* entry = log.first(); entry && result == kUndoContinue; entry = entry->next) {
        if (entry->isReversal() && takesPart(*entry, pass))
            result = undoReported(*entry, pass, context);
    }
    endRow(context, pass, result == kUndoContinue);
    return result;
}

}  // namespace

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
