#include "wizard/component_entries.h"

bool componentEntryData(const Component& component, uint32_t position, uint32_t isWow64, uint32_t osClass,
                        uint32_t* itemData)
{
    if (component.placement != kPlacementList || !maskHolds(component.offeredMask, isWow64, osClass))
        return false;
    bool changeable = maskHolds(component.changeableMask, isWow64, osClass);
    *itemData = position | (changeable ? kChangeableEntry : 0);
    return true;
}

bool entrySelected(uint32_t itemData, const uint8_t* selected, uint32_t count)
{
    uint32_t position = entryPosition(itemData);
    return selected && position < count && selected[position] != 0;
}

bool toggleEntrySelection(uint32_t itemData, uint8_t* selected, uint32_t count)
{
    uint32_t position = entryPosition(itemData);
    if (!entryChangeable(itemData) || !selected || position >= count)
        return false;
    selected[position] = selected[position] ? 0 : 1;
    return true;
}

const char* entryDescription(const ActionScript& script, uint32_t itemData)
{
    uint32_t position = entryPosition(itemData);
    return position < script.components.count() ? script.components[position]->description.text() : "";
}

bool anyComponentSelected(const uint8_t* selected, uint32_t count)
{
    for (uint32_t i = 0; selected && i < count; ++i)
        if (selected[i])
            return true;
    return false;
}

EntryBox checkSquareOf(const EntryBox& entry)
{
    EntryBox square;
    square.left = entry.left + 1;
    square.top = entry.top + 1;
    square.bottom = entry.bottom - 1;
    square.right = square.left + (square.bottom - square.top);
    return square;
}

EntryBox entryTextOf(const EntryBox& entry)
{
    EntryBox text = {entry.left + 1, entry.top + 1, entry.right - 1, entry.bottom - 1};
    text.left = checkSquareOf(entry).right + (text.bottom - text.top) / 4;
    return text;
}
