#include "wizard/progress_display.h"

#include "engine/page_link.h"
#include "engine/progress_meter.h"
#include "format/field_limits.h"
#include "platform/system_services.h"
#include "resources/resource_ids.h"
#include "wizard/step_rows.h"

#include <commctrl.h>

namespace {

// Under the ninth row and above the hint line (at 119), in dialog units.
constexpr int kBarTop = 98;
constexpr int kBarBottom = 107;
constexpr int kItemTop = 109;
constexpr int kItemBottom = 118;

}  // namespace

void ProgressDisplay::show(HWND page, ItemNameFn itemName)
{
    page_ = page;
    itemName_ = itemName;
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(page, WM_GETFONT, 0, 0));
    // The stub's templates hold no common control: the class is registered
    // before the bar is made.
    WNDCLASSA barClass;
    commonControlClassInfo(PROGRESS_CLASSA, &barClass);
    bar_ = makePageControl(page, PROGRESS_CLASSA, IDC_PROGRESS_BAR, WS_VISIBLE, 0, kBarTop, 321, kBarBottom, font);
    SendMessageA(bar_, PBM_SETRANGE, 0, MAKELPARAM(0, kProgressRange));
    // A path too long for the line loses its middle, not its file name.
    makePageControl(page, "Static", IDC_PROGRESS_ITEM, WS_VISIBLE | SS_PATHELLIPSIS | SS_NOPREFIX, 0, kItemTop, 321,
                    kItemBottom, font);
}

bool ProgressDisplay::handle(UINT message, WPARAM wParam)
{
    if (message == WM_PROGRESS_MOVED) {
        SendMessageA(bar_, PBM_SETPOS, wParam, 0);
        return true;
    }
    if (message != WM_ITEM_BEGUN)
        return false;
    char name[kExpandedPathSize];
    if (itemName_ && itemName_(uint32_t(wParam), name, sizeof name))
        SetDlgItemTextA(page_, IDC_PROGRESS_ITEM, name);
    return true;
}
