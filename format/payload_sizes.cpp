#include "format/payload_sizes.h"

#include "format/action.h"
#include "format/action_script.h"
#include "format/byte_sink.h"
#include "format/streamed_pool.h"

#include <string.h>

namespace {

const char kTag[4] = {'L', 'E', 'N', 'S'};

// The streamed write-file actions of the script, in list order (the main
// list, then each component's), handed to `visit` one by one. Not a
// template: the stub carries one walk for both of its uses.
void visitStreamedWrites(ActionScript& script, void (*visit)(WriteFileAction&, void*), void* context)
{
    for (uint32_t list = 0; list <= script.components.count(); ++list) {
        ActionList& actions = list == 0 ? script.mainActions : script.components[list - 1]->actions;
        for (Action* action : actions.actions)
            if (action->kind() == WriteFileAction::kKind) {
                auto* write = static_cast<WriteFileAction*>(action);
                if (write->dataRef.streamed())
                    visit(*write, context);
            }
    }
}

// The contents items the records name: the table must cover them exactly.
struct ItemRange {
    uint32_t first = UINT32_MAX;
    uint32_t last = 0;
    const uint8_t* lengths = nullptr;
};

void widenRange(WriteFileAction& write, void* context)
{
    auto& range = *static_cast<ItemRange*>(context);
    uint32_t item = write.dataRef.item;
    range.first = item < range.first ? item : range.first;
    range.last = item > range.last ? item : range.last;
}

void takeLength(WriteFileAction& write, void* context)
{
    auto& range = *static_cast<ItemRange*>(context);
    if (!write.dataRef.sizeKnown)
        write.dataRef.size = loadU32(range.lengths + size_t(write.dataRef.item - range.first) * 4);
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
    ItemRange range;
    visitStreamedWrites(script, widenRange, &range);
    if (range.first == UINT32_MAX || range.first == 0)
        return false;
    // Bounded before anything is read: the length the table must have for
    // these items, which no other item is likely to have.
    uint64_t expected = sizeof kTag + (uint64_t(range.last - range.first) + 1) * 4;
    uint32_t length = 0;
    Bytes table;
    if (!pool.itemLength(range.first - 1, length) || length != expected || !pool.readItem(range.first - 1, table) ||
        memcmp(table.data(), kTag, sizeof kTag) != 0)
        return false;
    range.lengths = table.data() + sizeof kTag;
    visitStreamedWrites(script, takeLength, &range);
    return true;
}
