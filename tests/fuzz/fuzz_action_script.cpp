// Block 1: any bytes as a decoded action block, read and written round.
#include "format/action_script.h"
#include "round_trip.h"

#include <utility>

namespace {

// Components, and actions of every list.
std::pair<uint32_t, uint32_t> itemCount(const ActionScript& script)
{
    uint32_t actions = script.mainActions.actions.count();
    for (const Component* component : script.components)
        actions += component->actions.actions.count();
    return {script.components.count(), actions};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    checkRoundTrip<ActionScript>(data, size, readActionScript, serializeActionScript, itemCount);
    return 0;
}
