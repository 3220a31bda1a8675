#include "engine/passes.h"

namespace {

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

bool runStage0(const ActionScript& script, const uint8_t* componentSelected, UninstallScript& target, ExpandFn expand,
               WindowHandle page, uint32_t& bytesInstalled, bool& restartNeeded)
{
    return forEachSelectedAction(script, componentSelected, [&](Action& action) {
        return action.stage() != kFileStage || action.execute(target, expand, page, bytesInstalled, restartNeeded);
    });
}

bool runStage1(const ActionScript& script, const uint8_t* componentSelected, UninstallScript& target, ExpandFn expand,
               WindowHandle page, uint32_t& bytesInstalled, bool& restartNeeded, BeginStepFn beginStep,
               EndStepFn endStep)
{
    return forEachSelectedAction(script, componentSelected, [&](Action& action) {
        if (action.stage() != kProgramStage)
            return true;
        const char* caption = action.caption();
        if (caption && beginStep)
            beginStep(page);
        bool ok = action.execute(target, expand, page, bytesInstalled, restartNeeded);
        if (caption && endStep)
            endStep(page, ok);
        return ok;
    });
}

namespace {

enum class UndoPass { Uninstall, Rollback };

bool takesPart(const UndoEntry& entry, UndoPass pass)
{
    return pass == UndoPass::Rollback ? !entry.uninstallOnly : !entry.isRollbackOnly();
}

uint32_t customSteps(const UndoLog& log, UndoPass pass, WindowHandle page, bool& restartNeeded,
                     BeginStepFn beginStep, EndStepFn endStep)
{
    for (UndoEntry* entry = log.first(); entry; entry = entry->next) {
        if (entry->isReversal() || !takesPart(*entry, pass))
            continue;
        const char* caption = entry->caption();
        if (caption && beginStep)
            beginStep(page);
        uint32_t result = entry->undo(page, restartNeeded);
        if (caption && endStep)
            endStep(page, result == kUndoContinue);
        if (result != kUndoContinue)
            return result;
    }
    return kUndoContinue;
}

uint32_t reversals(const UndoLog& log, UndoPass pass, WindowHandle page, bool& restartNeeded, BeginStepFn beginStep,
                   EndStepFn endStep)
{
    if (beginStep)
        beginStep(page);
    uint32_t result = kUndoContinue;
    for (UndoEntry* entry = log.first(); entry && result == kUndoContinue; entry = entry->next) {
        if (entry->isReversal() && takesPart(*entry, pass))
            result = entry->undo(page, restartNeeded);
    }
    if (endStep)
        endStep(page, result == kUndoContinue);
    return result;
}

}  // namespace

uint32_t runCustomSteps(const UndoLog& log, WindowHandle page, bool& restartNeeded, BeginStepFn beginStep,
                        EndStepFn endStep)
{
    return customSteps(log, UndoPass::Uninstall, page, restartNeeded, beginStep, endStep);
}

uint32_t runReversals(const UndoLog& log, WindowHandle page, bool& restartNeeded, BeginStepFn beginStep,
                      EndStepFn endStep)
{
    return reversals(log, UndoPass::Uninstall, page, restartNeeded, beginStep, endStep);
}

void rollBack(const UndoLog& log, WindowHandle page, bool& restartNeeded)
{
    customSteps(log, UndoPass::Rollback, page, restartNeeded, nullptr, nullptr);
    reversals(log, UndoPass::Rollback, page, restartNeeded, nullptr, nullptr);
}

void commitRollbackEntries(const UndoLog& log)
{
    for (UndoEntry* entry = log.first(); entry; entry = entry->next)
        if (entry->isRollbackOnly())
            entry->commit();
}
