#include "wizard/step_rows.h"

#include "engine/page_link.h"
#include "platform/import_slots.h"

SLIPWAY_IMPORT_SLOT(CreateFontA, 56);
SLIPWAY_IMPORT_SLOT(CreateFontIndirectA, 4);
SLIPWAY_IMPORT_SLOT(CreateWindowExA, 48);
SLIPWAY_IMPORT_SLOT(GetObjectA, 12);
SLIPWAY_IMPORT_SLOT(GetStockObject, 4);
SLIPWAY_IMPORT_SLOT(MapDialogRect, 8);

namespace {

// Wingdings: 0xFC is a check mark, 0xFB a cross.
const char kSuccessMark[] = "\xFC";
const char kFailureMark[] = "\xFB";

}  // namespace

HWND makePageControl(HWND page, const char* className, int id, DWORD style, int left, int top, int right, int bottom,
                     HFONT font)
{
    RECT box = {left, top, right, bottom};
    MapDialogRectSlot(page, &box);
    HINSTANCE module = reinterpret_cast<HINSTANCE>(GetWindowLongA(page, GWL_HINSTANCE));
    HWND control = CreateWindowExASlot(0, className, "", WS_CHILD | style, box.left, box.top, box.right - box.left,
                                       box.bottom - box.top, page, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                       module, nullptr);
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return control;
}

namespace {

// One row control, 10 dialog units high.
HWND makeRowControl(HWND page, int id, int left, int top, int right, bool visible, HFONT font)
{
    return makePageControl(page, "Static", id, visible ? WS_VISIBLE : 0, left, top, right, top + 10, font);
}

}  // namespace

void StepRows::show(HWND page, const StepPlan& plan)
{
    page_ = page;
    count_ = plan.count;
    captionFont_ = reinterpret_cast<HFONT>(SendMessageA(page, WM_GETFONT, 0, 0));
    markFont_.reset(CreateFontASlot(24, 0, 0, 0, 0, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                    CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, "Wingdings"));
    LOGFONTA bold = {};
    GetObjectASlot(captionFont_ ? captionFont_ : GetStockObjectSlot(DEFAULT_GUI_FONT), sizeof bold, &bold);
    bold.lfWeight = FW_BOLD;
    boldFont_.reset(CreateFontIndirectASlot(&bold));
    // The rows are made here rather than in the page's template, where nine
    // of them took 800 bytes of every installer: a mark (Wingdings, bigger)
    // and a caption each, one row every 10 dialog units above the progress
    // bar, mark before caption. Rows the run has no step for stay hidden.
    for (int row = 0; row < kStepRowCount; ++row) {
        int top = kFirstRowTop + kRowSpacing * row;
        bool used = row < count_;
        makeRowControl(page, stepMarkId(row), 13, top, 25, used, static_cast<HFONT>(markFont_.get()));
        HWND caption = makeRowControl(page, stepCaptionId(row), 36, top + 3, 321, used, captionFont_);
        if (used)
            SetWindowTextA(caption, plan.captions[row]);
    }
}

bool StepRows::handle(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_STEP_BEGUN && message != WM_STEP_ENDED)
        return false;
    int row = int(wParam);
    if (row < 0 || row >= count_)
        return true;
    bool begun = message == WM_STEP_BEGUN;
    HGDIOBJ font = begun ? boldFont_.get() : captionFont_;
    SendMessageA(GetDlgItem(page_, stepCaptionId(row)), WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    if (!begun)
        SetDlgItemTextA(page_, stepMarkId(row), lParam ? kSuccessMark : kFailureMark);
    return true;
}

void StepRows::release()
{
    boldFont_.reset();
    markFont_.reset();
    count_ = 0;
}
