#include "engine/action_script.h"

#include <new>

const char* const kActionScriptTextNames[kActionScriptTextCount] = {
    "previousVersionText", "removingPreviousText", "progressHint",         "readyToInstallHint",
    "readyToRemoveHint",   "successText",          "failureText",          "finishHint",
    "filesStepCaption",    "uninstallKeyName",     "uninstallValues",      "uninstallerPath",
    "uninstallTitle",      "uninstallWelcomeText", "uninstallSuccessText", "removeFilesStepCaption",
    "uninstallFailureText",
};

namespace {

template <typename Script, typename Field>
Field* textOf(Script& s, int index)
{
    Field* texts[kActionScriptTextCount] = {
        &s.previousVersionText, &s.removingPreviousText, &s.progressHint,         &s.readyToInstallHint,
        &s.readyToRemoveHint,   &s.successText,          &s.failureText,          &s.finishHint,
        &s.filesStepCaption,    &s.uninstallKeyName,     &s.uninstallValues,      &s.uninstallerPath,
        &s.uninstallTitle,      &s.uninstallWelcomeText, &s.uninstallSuccessText, &s.removeFilesStepCaption,
        &s.uninstallFailureText,
    };
    return index >= 0 && index < kActionScriptTextCount ? texts[index] : nullptr;
}

}  // namespace

Bytes* actionScriptText(ActionScript& script, int index)
{
    return textOf<ActionScript, Bytes>(script, index);
}

const Bytes* actionScriptText(const ActionScript& script, int index)
{
    return textOf<const ActionScript, const Bytes>(script, index);
}

bool readActionList(ByteCursor& cursor, ActionList& out)
{
    out.pageFlags = cursor.readU32();
    while (cursor.readU32() != 0) {
        uint32_t kind = cursor.readU32();
        Action* action = createAction(kind);
        if (!action)
            continue;  // an unknown kind has no fields: the next u32 is a marker
        if (!cursor.spend(kRecordMemoryCharge) || !action->read(cursor)) {
            delete action;
            return false;
        }
        if (!out.actions.push(action))
            return false;
    }
    return !cursor.failed();
}

bool readComponent(ByteCursor& cursor, Component& out)
{
    out.placement = cursor.readU32();
    out.offeredMask[0] = cursor.readU32();
    out.changeableMask[0] = cursor.readU32();
    out.defaultMask[0] = cursor.readU32();
    out.offeredMask[1] = cursor.readU32();
    out.changeableMask[1] = cursor.readU32();
    out.defaultMask[1] = cursor.readU32();
    cursor.readString(out.name);
    cursor.readString(out.description);
    return !cursor.failed() && readActionList(cursor, out.actions);
}

bool readActionScript(ByteCursor& cursor, ActionScript& out)
{
    if (!readActionList(cursor, out.mainActions))
        return false;
    while (cursor.readU32() != 0) {
        Component* component = cursor.spend(sizeof(Component) + kRecordMemoryCharge) ? new (std::nothrow) Component
                                                                                      : nullptr;
        if (!component)
            return false;
        if (!readComponent(cursor, *component)) {
            delete component;
            return false;
        }
        if (!out.components.push(component))
            return false;
    }
    for (int i = 0; i < kActionScriptTextCount; ++i)
        cursor.readString(*actionScriptText(out, i));
    return !cursor.failed();
}

bool serializeActionList(const ActionList& list, ByteSink& sink)
{
    sink.appendU32(list.pageFlags);
    for (const Action* action : list.actions) {
        sink.appendU32(1);
        action->serialize(sink);
    }
    sink.appendU32(0);
    return !sink.failed();
}

bool serializeActionScript(const ActionScript& script, ByteSink& sink)
{
    serializeActionList(script.mainActions, sink);
    for (const Component* component : script.components) {
        sink.appendU32(1);
        sink.appendU32(component->placement);
        sink.appendU32(component->offeredMask[0]);
        sink.appendU32(component->changeableMask[0]);
        sink.appendU32(component->defaultMask[0]);
        sink.appendU32(component->offeredMask[1]);
        sink.appendU32(component->changeableMask[1]);
        sink.appendU32(component->defaultMask[1]);
        sink.addString(component->name.data(), component->name.size());
        sink.addString(component->description.data(), component->description.size());
        serializeActionList(component->actions, sink);
    }
    sink.appendU32(0);
    for (int i = 0; i < kActionScriptTextCount; ++i) {
        const Bytes& text = *actionScriptText(script, i);
        sink.addString(text.data(), text.size());
    }
    return !sink.failed();
}
