// The two check boxes (1011 and 1012) that the folder page and the finish
// page give the first two components of their placement.
#pragma once

#include "format/action_script.h"

#include <windows.h>

// Gives the first two components of the placement, in list order, a box
// each: their name as it is stored, their position as the box's user data,
// ticked when selected, enabled when the user may change them. Boxes without
// a component stay hidden; components beyond the second get none.
void offerOptionBoxes(HWND page, ComponentPlacement placement);

// A WM_COMMAND of the page: when it comes from one of the boxes, records
// the box's tick as its component's selection and answers true.
bool recordOptionBoxClick(WPARAM wParam, LPARAM lParam);
