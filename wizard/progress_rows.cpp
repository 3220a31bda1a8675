#include "wizard/progress_rows.h"

#include "platform/win32_handles.h"
#include "wizard/step_rows.h"

namespace {

UniqueGdiObject markFont;
UniqueGdiObject boldFont;

HFONT pageFont(HWND page)
{
    return reinterpret_cast<HFONT>(SendMessageA(page, WM_GETFONT, 0, 0));
}

// One row control in dialog units, 10 high, as the page's template would
// have made it, under the same identifier, in the given font.
HWND makeRowControl(HWND page, int id, int left, int top, int right, bool visible, HFONT font)
{
    RECT box = {left, top, right, top + 10};
    MapDialogRect(page, &box);
    HINSTANCE module = reinterpret_cast<HINSTANCE>(GetWindowLongA(page, GWL_HINSTANCE));
    HWND control = CreateWindowExA(0, "Static", "", WS_CHILD | (visible ? WS_VISIBLE : 0), box.left, box.top,
                                   box.right - box.left, box.bottom - box.top, page,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), module, nullptr);
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return control;
}

void createProgressFonts(HWND page)
{
    markFont.reset(CreateFontA(24, 0, 0, 0, 0, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                               CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, "Wingdings"));
    LOGFONTA caption = {};
    HFONT captionFont = pageFont(page);
    if (!captionFont)
        captionFont = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    GetObjectA(captionFont, sizeof caption, &caption);
    caption.lfWeight = FW_BOLD;
    boldFont.reset(CreateFontIndirectA(&caption));
    setStepRowBoldFont(static_cast<HFONT>(boldFont.get()));
}

}  // namespace

void destroyProgressFonts()
{
    setStepRowBoldFont(nullptr);
    boldFont.reset();
    markFont.reset();
}

void showStepRows(HWND page, const char* const* captions, int count)
{
    createProgressFonts(page);
    // The rows are made here rather than in the page's template, where nine
    // of them took 800 bytes of every installer: a mark (Wingdings, bigger)
    // and a caption each, one row every 11 dialog units, mark before
    // caption. Rows the run has no step for stay hidden.
    HFONT captionFont = pageFont(page);
    for (int row = 0; row < kStepRowCount; ++row) {
        int top = 16 + 11 * row;
        bool used = row < count;
        makeRowControl(page, stepMarkId(row), 13, top, 25, used, static_cast<HFONT>(markFont.get()));
        HWND caption = makeRowControl(page, stepCaptionId(row), 36, top + 3, 321, used, captionFont);
        if (used)
            SetWindowTextA(caption, captions[row]);
    }
}
