// The component page's list as a user meets it, from outside the installer:
// its entries, their check squares as the screen shows them, and the
// keyboard and mouse that toggle them.
#pragma once

#include <windows.h>

#include <stdint.h>

#include <string>
#include <vector>

struct ListEntry {
    std::string text;
    uint32_t itemData = 0;
    bool operator==(const ListEntry& other) const { return text == other.text && itemData == other.itemData; }
};
void PrintTo(const ListEntry& entry, std::ostream* out);

std::vector<ListEntry> listEntries(HWND list);
// The current entry, -1 for none.
int currentEntry(HWND list);

// Waits until the list's current entry is `index`.
bool waitForCurrentEntry(HWND list, int index);

// An entry's check square as drawn: ticked when a mark lies in it, greyed
// when its inside is not the window colour of an entry the user may change.
struct SquareLook {
    bool read = false;  // false: the screen could not be read
    bool ticked = false;
    bool greyed = false;
};
SquareLook lookAtSquare(HWND frame, HWND list, int index);

// The centre of an entry's check square and of its name, on the screen.
POINT squareCentre(HWND list, int index);
POINT nameCentre(HWND list, int index);

// Space on the list, as the key and the character that follows it.
bool pressSpace(HWND list);

// Waits until the frame's Next button reads `caption`; false when it does
// not in time.
bool waitForNextCaption(HWND frame, const std::string& caption);
// Waits until a window's text reads `text`; false when it does not in time.
bool waitForText(HWND window, const std::string& text);
