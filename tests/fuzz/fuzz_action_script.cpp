// Block 1: any bytes as a decoded action block. Whatever the reader accepts
// must serialize, read back, and serialize to the very same bytes again.
#include "app/byte_cursor.h"
#include "engine/action_script.h"
#include "engine/byte_sink.h"

#include <string.h>

#include <memory>

namespace {

// The cursor's item table is large; one serves every run.
ByteCursor& sharedCursor()
{
    static ByteCursor* cursor = new ByteCursor;
    return *cursor;
}

bool read(const uint8_t* data, size_t size, ActionScript& out)
{
    ByteCursor& cursor = sharedCursor();
    return cursor.attach(data, size) && readActionScript(cursor, out);
}

bool serialize(const ActionScript& script, Bytes& out)
{
    ByteSink sink;
    return serializeActionScript(script, sink) && sink.flatten(out);
}

uint32_t actionCount(const ActionScript& script)
{
    uint32_t count = script.mainActions.actions.count();
    for (const Component* component : script.components)
        count += component->actions.actions.count();
    return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ActionScript script;
    if (!read(data, size, script))
        return 0;
    // Distinct items never outnumber the indices the input could name, so
    // writing what was read cannot hit the pool's limit.
    Bytes first;
    if (!serialize(script, first))
        __builtin_trap();
    ActionScript again;
    if (!read(first.data(), first.size(), again))
        __builtin_trap();
    if (again.components.count() != script.components.count() || actionCount(again) != actionCount(script))
        __builtin_trap();
    Bytes second;
    if (!serialize(again, second) || second.size() != first.size() ||
        memcmp(second.data(), first.data(), first.size()) != 0)
        __builtin_trap();
    return 0;
}
