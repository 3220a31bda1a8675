#include "wizard/option_boxes.h"

#include "state/run_state.h"
#include "resources/resource_ids.h"

void offerOptionBoxes(HWND page, ComponentPlacement placement)
{
    const ActionScript& script = *runState.actionScript;
    const int boxes[] = {IDC_OPTION_BOX_1, IDC_OPTION_BOX_2};
    int used = 0;
    for (uint32_t i = 0; i < script.components.count() && used < 2; ++i) {
        const Component* component = script.components[i];
        if (component->placement != placement)
            continue;
        HWND box = GetDlgItem(page, boxes[used++]);
        SetWindowTextA(box, component->name.text());
        SetWindowLongPtrA(box, GWLP_USERDATA, LONG_PTR(i));
        bool ticked = runState.componentSelected && i < runState.componentCount && runState.componentSelected[i];
        SendMessageA(box, BM_SETCHECK, ticked ? BST_CHECKED : BST_UNCHECKED, 0);
        EnableWindow(box, maskHolds(component->changeableMask, runState.isWow64, runState.osClass));
        ShowWindow(box, SW_SHOW);
    }
}

bool recordOptionBoxClick(WPARAM wParam, LPARAM lParam)
{
    int id = LOWORD(wParam);
    if ((id != IDC_OPTION_BOX_1 && id != IDC_OPTION_BOX_2) || HIWORD(wParam) != BN_CLICKED)
        return false;
    HWND box = reinterpret_cast<HWND>(lParam);
    uint32_t index = uint32_t(GetWindowLongPtrA(box, GWLP_USERDATA));
    if (runState.componentSelected && index < runState.componentCount)
        runState.componentSelected[index] = SendMessageA(box, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
    return true;
}
