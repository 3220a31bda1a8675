// The component page: the components the user may choose, each an entry of
// an owner-drawn list with a check square before its name, and below the
// list the description of the current entry. Ticking writes the component's
// selection; the page flags, and with them whether the folder page comes,
// follow at once.
#include "state/run_state.h"
#include "resources/resource_ids.h"
#include "uninstall/path_variables_win32.h"
#include "wizard/component_entries.h"
#include "wizard/page_sequence.h"
#include "wizard/pages.h"
#include "platform/theme_library.h"
#include "wizard/wizard_frame.h"

#include <vsstyle.h>
#include "platform/import_slots.h"

SLIPWAY_IMPORT_SLOT(DrawFocusRect, 8);
SLIPWAY_IMPORT_SLOT(DrawFrameControl, 16);
SLIPWAY_IMPORT_SLOT(DrawTextA, 20);
SLIPWAY_IMPORT_SLOT(FillRect, 12);
SLIPWAY_IMPORT_SLOT(GetCursorPos, 4);
SLIPWAY_IMPORT_SLOT(SetBkMode, 8);

namespace {

// The check boxes' theme while the page exists; one page exists at a time.
UniqueTheme buttonTheme;

RECT rectOf(const EntryBox& box)
{
    RECT rect = {box.left, box.top, box.right, box.bottom};
    return rect;
}

EntryBox boxOf(const RECT& rect)
{
    EntryBox box;
    box.left = rect.left;
    box.top = rect.top;
    box.right = rect.right;
    box.bottom = rect.bottom;
    return box;
}

// The rectangle of a list entry; false for an index the list does not hold.
bool entryRect(HWND list, int index, EntryBox& box)
{
    RECT rect;
    if (SendMessageA(list, LB_GETITEMRECT, WPARAM(index), reinterpret_cast<LPARAM>(&rect)) == LB_ERR)
        return false;
    box = boxOf(rect);
    return true;
}

void fillList(HWND list)
{
    const ActionScript& script = *runState.actionScript;
    for (uint32_t position = 0; position < script.components.count(); ++position) {
        const Component& component = *script.components[position];
        uint32_t itemData;
        if (!componentEntryData(component, position, runState.isWow64, runState.osClass, &itemData))
            continue;
        LRESULT index = SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(component.name.text()));
        if (index >= 0)
            SendMessageA(list, LB_SETITEMDATA, WPARAM(index), LPARAM(itemData));
    }
    SendMessageA(list, LB_SETCURSEL, 0, 0);
}

void updateNextEnabled(HWND page)
{
    setNextEnabled(page, anyComponentSelected(runState.componentSelected.get(), runState.componentCount));
}

// Where Next leads, its caption and the hint line follow the selection: a
// ticked component may need the folder page.
void offerNextForSelection(HWND page)
{
    offerNextPage(page, InstallPage::Folders, HintLine::Update);
    updateNextEnabled(page);
}

// Index -1: the current entry.
void toggleComponent(HWND page, HWND list, int index)
{
    if (index == -1)
        index = int(SendMessageA(list, LB_GETCURSEL, 0, 0));
    if (index < 0 || index >= int(SendMessageA(list, LB_GETCOUNT, 0, 0)))
        return;
    uint32_t itemData = uint32_t(SendMessageA(list, LB_GETITEMDATA, WPARAM(index), 0));
    if (!toggleEntrySelection(itemData, runState.componentSelected.get(), runState.componentCount))
        return;
    runState.activePageFlags = computeActivePageFlags();
    EntryBox entry;
    if (entryRect(list, index, entry)) {
        RECT square = rectOf(checkSquareOf(entry));
        InvalidateRect(list, &square, TRUE);
    }
    offerNextForSelection(page);
}

// A press of the left button on the list: toggles the entry when it lands
// on the entry's check square. A press elsewhere only selects.
bool toggleOnSquarePress(HWND page, HWND list)
{
    POINT point;
    if (!GetCursorPosSlot(&point))
        return false;
    MapWindowPoints(nullptr, list, &point, 1);
    LRESULT hit = SendMessageA(list, LB_ITEMFROMPOINT, 0, MAKELPARAM(point.x, point.y));
    if (HIWORD(hit) != 0)
        return false;
    int index = LOWORD(hit);
    EntryBox entry;
    if (!entryRect(list, index, entry) || !checkSquareOf(entry).contains(point.x, point.y))
        return false;
    toggleComponent(page, list, index);
    return true;
}

void showDescription(HWND page, HWND list)
{
    LRESULT index = SendMessageA(list, LB_GETCURSEL, 0, 0);
    const char* description = "";
    if (index >= 0)
        description =
            entryDescription(*runState.actionScript, uint32_t(SendMessageA(list, LB_GETITEMDATA, WPARAM(index), 0)));
    setDlgItemTextExpanded(page, IDC_COMPONENT_DESCRIPTION, description);
}

void drawCheckSquare(HDC dc, const RECT& square, bool ticked, bool enabled)
{
    if (HTHEME theme = buttonTheme.get()) {
        int state = enabled ? (ticked ? CBS_CHECKEDNORMAL : CBS_UNCHECKEDNORMAL)
                            : (ticked ? CBS_CHECKEDDISABLED : CBS_UNCHECKEDDISABLED);
        themeLibrary()->drawThemeBackground(theme, dc, BP_CHECKBOX, state, &square, nullptr);
        return;
    }
    DrawFrameControlSlot(dc, const_cast<RECT*>(&square), DFC_BUTTON,
                         DFCS_BUTTONCHECK | (ticked ? DFCS_CHECKED : 0) | (enabled ? 0 : DFCS_INACTIVE));
}

void drawEntry(const DRAWITEMSTRUCT& item)
{
    HDC dc = item.hDC;
    bool selected = (item.itemState & ODS_SELECTED) != 0;
    // A colour index plus one stands for the system's own brush of that colour.
    FillRectSlot(dc, &item.rcItem, reinterpret_cast<HBRUSH>(INT_PTR((selected ? COLOR_HIGHLIGHT : COLOR_WINDOW) + 1)));
    if (int(item.itemID) >= 0) {
        COLORREF previous = SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
        SetBkModeSlot(dc, TRANSPARENT);
        uint32_t itemData = uint32_t(item.itemData);
        EntryBox entry = boxOf(item.rcItem);
        drawCheckSquare(dc, rectOf(checkSquareOf(entry)),
                        entrySelected(itemData, runState.componentSelected.get(), runState.componentCount),
                        entryChangeable(itemData));
        // The name from the script, whatever its length: the list's copy
        // would need a buffer of its own.
        uint32_t position = entryPosition(itemData);
        const ActionScript& script = *runState.actionScript;
        const char* name = position < script.components.count() ? script.components[position]->name.text() : "";
        RECT text = rectOf(entryTextOf(entry));
        DrawTextASlot(dc, name, -1, &text, DT_SINGLELINE | DT_VCENTER | DT_BOTTOM | DT_NOPREFIX | DT_END_ELLIPSIS);
        SetTextColor(dc, previous);
    }
    if (item.itemState & ODS_FOCUS)
        DrawFocusRectSlot(dc, &item.rcItem);
}

void initialise(HWND page)
{
    HWND list = GetDlgItem(page, IDC_COMPONENT_LIST);
    buttonTheme = openActiveTheme(page, L"Button");
    setDlgItemTextExpanded(page, IDC_COMPONENTS_LABEL, runState.installScript->componentsLabel.textOrNull());
    fillList(list);
    offerBackPage(page, InstallPage::Components);
    offerNextForSelection(page);
    // The first entry's description, once the page is up.
    PostMessageA(page, WM_COMMAND, MAKEWPARAM(IDC_COMPONENT_LIST, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
}

}  // namespace

INT_PTR CALLBACK componentPageProcedure(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    HWND list = GetDlgItem(page, IDC_COMPONENT_LIST);
    switch (message) {
    case WM_INITDIALOG: initialise(page); return TRUE;
    case WM_DRAWITEM:
        if (wParam != IDC_COMPONENT_LIST)
            return FALSE;
        drawEntry(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return TRUE;
    case WM_VKEYTOITEM:
        // Space toggles on its key press: Windows sends WM_CHARTOITEM only
        // for lists without strings, but the keys of every list that wants
        // keyboard input.
        if (LOWORD(wParam) != VK_SPACE)
            return -1;
        toggleComponent(page, list, -1);
        return -2;
    case WM_CHARTOITEM:
        // The space that follows the key is taken, so a list that does send
        // characters neither toggles twice nor searches for a name.
        return LOWORD(wParam) == ' ' ? -2 : -1;
    case WM_COMMAND:
        if (LOWORD(wParam) != IDC_COMPONENT_LIST)
            return FALSE;
        if (HIWORD(wParam) == LBN_DBLCLK)
            toggleComponent(page, list, -1);
        else if (HIWORD(wParam) == LBN_SELCHANGE)
            showDescription(page, list);
        return TRUE;
    case WM_SETCURSOR:
        if (reinterpret_cast<HWND>(wParam) == list && LOWORD(lParam) == HTCLIENT && HIWORD(lParam) == WM_LBUTTONDOWN &&
            toggleOnSquarePress(page, list)) {
            SetWindowLongPtrA(page, DWLP_MSGRESULT, TRUE);
            return TRUE;
        }
        return FALSE;
    case WM_DESTROY: buttonTheme.reset(); return FALSE;
    default: return FALSE;
    }
}
