// The progress bar of the progress pages (install and uninstall) and the line
// under it that names the file at hand, moved by the worker's progress events
// (WM_PROGRESS_MOVED, WM_ITEM_BEGUN of engine/page_link.h).
#pragma once

#include <windows.h>

#include <stddef.h>
#include <stdint.h>

// Writes into `name` what the line shows for the item a worker numbered
// `item` (engine/passes.h); false leaves the line as it is.
typedef bool (*ItemNameFn)(uint32_t item, char* name, size_t size);

// Owned by the page and used on its thread only.
class ProgressDisplay {
public:
    // Makes the bar, empty, and the line, blank, under the step rows.
    void show(HWND page, ItemNameFn itemName);
    // The two progress events; false for any other message.
    bool handle(UINT message, WPARAM wParam);

private:
    HWND page_ = nullptr;
    HWND bar_ = nullptr;
    ItemNameFn itemName_ = nullptr;
};
