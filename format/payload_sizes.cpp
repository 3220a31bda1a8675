#include "format/payload_sizes.h"

#include "format/action.h"
#include "format/action_script.h"
#include "format/byte_sink.h"
#include "format/streamed_pool.h"

#include <string.h>

namespace {

const char kTag[4] = {'L', 'E', 'N', 'S'};

// Calls `visit` with every streamed write-file action of the script, in
// list order: the main list, then each component's.
template <typename Visit>
void forEachStreamedWrite(ActionScript& script, Visit visit)
{
    auto walk = [&](ActionList& list) {
        for (Action* action : list.actions)
            if (action->kind() == WriteFileAction::kKind) {
                auto* write = static_cast<WriteFileAction*>(action);
                if (write->dataRef.streamed())
                    visit(*write);
            }
    };
    walk(script.mainActions);
    for (Component* component : script.components)
        walk(component->actions);
}

}  // namespace

bool addPayloadSizeTable(ByteSink& sink, ContentsLengthFn lengthOf, void* context)
{
    uint32_t count = sink.payloadCount();
    if (count == 0)
        return true;
    Bytes table;
    if (count > (UINT32_MAX - sizeof kTag) / 4 || !table.resize(sizeof kTag + size_t(count) * 4))
        return false;
    memcpy(table.data(), kTag, sizeof kTag);
    for (uint32_t i = 0; i < count; ++i)
        storeU32(table.data() + sizeof kTag + size_t(i) * 4, lengthOf(context, sink.payloadAt(i)));
    return sink.addUnnamedItem(table.data(), table.size());
}

bool applyPayloadSizeTable(StreamedPool& pool, ActionScript& script)
{
    // The contents items the records name, which the table must cover
    // exactly: it stands just before the first of them.
    uint32_t first = UINT32_MAX, last = 0;
    forEachStreamedWrite(script, [&](WriteFileAction& write) {
        first = write.dataRef.item < first ? write.dataRef.item : first;
        last = write.dataRef.item > last ? write.dataRef.item : last;
    });
    if (first == UINT32_MAX || first == 0)
        return false;
    // Bounded before anything is read: the length the table must have for
    // these items, which no other item is likely to have.
    uint64_t expected = sizeof kTag + (uint64_t(last - first) + 1) * 4;
    uint32_t length = 0;
    Bytes table;
    if (!pool.itemLength(first - 1, length) || length != expected || !pool.readItem(first - 1, table) ||
        memcmp(table.data(), kTag, sizeof kTag) != 0)
        return false;
    forEachStreamedWrite(script, [&](WriteFileAction& write) {
        if (!write.dataRef.sizeKnown)
            write.dataRef.size = loadU32(table.data() + sizeof kTag + size_t(write.dataRef.item - first) * 4);
    });
    return true;
}
