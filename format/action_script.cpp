#include "format/action_script.h"

#include <memory>
#include <new>
#include <utility>

bool readActionList(ByteCursor& cursor, ActionList& out)
{
    out.pageFlags = cursor.readU32();
    while (cursor.readU32() != 0) {
        uint32_t kind = cursor.readU32();
        std::unique_ptr<Action> action(createAction(kind));
        if (!action)
            continue;  // an unknown kind has no fields: the next u32 is a marker
        if (!cursor.spend(kRecordMemoryCharge) || !action->read(cursor) || !out.actions.push(std::move(action)))
            return false;
    }
    return !cursor.failed();
}

bool readComponent(ByteCursor& cursor, Component& out)
{
    return readFields(cursor, out) && readActionList(cursor, out.actions);
}

bool readActionScript(ByteCursor& cursor, ActionScript& out)
{
    if (!readActionList(cursor, out.mainActions))
        return false;
    while (cursor.readU32() != 0) {
        if (!cursor.spend(sizeof(Component) + kRecordMemoryCharge))
            return false;
        std::unique_ptr<Component> component(new (std::nothrow) Component);
        if (!component || !readComponent(cursor, *component) || !out.components.push(std::move(component)))
            return false;
    }
    readFields(cursor, static_cast<ActionScriptTexts&>(out));
    out.upgradeRules = cursor.readU32();
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
        writeFields(*component, sink);
        serializeActionList(component->actions, sink);
    }
    sink.appendU32(0);
    writeFields(static_cast<const ActionScriptTexts&>(script), sink);
    sink.appendU32(script.upgradeRules);
    return !sink.failed();
}
