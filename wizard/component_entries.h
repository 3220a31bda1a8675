// The component page's list as plain rules: which components are entries,
// what each entry carries as item data, what a toggle changes, and where an
// entry's check square and text lie. Portable, so the host tests check them;
// wizard/pages/component_page.cpp draws and drives the list with them.
#pragma once

#include "format/action_script.h"

#include <stdint.h>

// The top bit of an entry's item data: the user may change the entry. The
// low 31 bits are the component's position in the action script.
constexpr uint32_t kChangeableEntry = 0x80000000u;

// The item data of the component at `position`, when it is an entry of the
// list on this system (placed in the list and offered); false otherwise.
bool componentEntryData(const Component& component, uint32_t position, uint32_t isWow64, uint32_t osClass,
                        uint32_t* itemData);

inline uint32_t entryPosition(uint32_t itemData)
{
    return itemData & ~kChangeableEntry;
}

inline bool entryChangeable(uint32_t itemData)
{
    return (itemData & kChangeableEntry) != 0;
}

// Whether the entry's component is selected; a position outside the
// selection reads as not selected.
bool entrySelected(uint32_t itemData, const uint8_t* selected, uint32_t count);

// Flips the selection of the entry's component between 0 and 1. False, and
// nothing changed, when the user may not change the entry or its position
// lies outside the selection.
bool toggleEntrySelection(uint32_t itemData, uint8_t* selected, uint32_t count);

// The description of the entry's component; empty past the last component.
const char* entryDescription(const ActionScript& script, uint32_t itemData);

// True when any component, of whatever placement, is selected: Next is
// offered only then.
bool anyComponentSelected(const uint8_t* selected, uint32_t count);

// A rectangle in list client coordinates, right and bottom exclusive.
struct EntryBox {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    bool contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
};

// The check square of an entry: one pixel in from its top left corner, its
// side the entry's height less two.
EntryBox checkSquareOf(const EntryBox& entry);

// Where an entry's name is drawn: the entry less one pixel all round, from
// the square's right edge plus a quarter of that height on.
EntryBox entryTextOf(const EntryBox& entry);
