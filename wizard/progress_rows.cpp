#include "wizard/progress_rows.h"

#include "platform/win32_handles.h"
#include "wizard/step_rows.h"

namespace {

UniqueGdiObject markFont;
UniqueGdiObject boldFont;

void createProgressFonts(HWND page)
{
    markFont.reset(CreateFontA(24, 0, 0, 0, 0, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                               CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, "Wingdings"));
    LOGFONTA caption = {};
    HFONT captionFont = reinterpret_cast<HFONT>(SendDlgItemMessageA(page, kStepCaptionIds[0], WM_GETFONT, 0, 0));
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
    for (int row = 0; row < kStepRowCount; ++row) {
        HWND mark = GetDlgItem(page, kStepMarkIds[row]);
        HWND caption = GetDlgItem(page, kStepCaptionIds[row]);
        if (row < count) {
            SendMessageA(mark, WM_SETFONT, reinterpret_cast<WPARAM>(markFont.get()), FALSE);
            SetWindowTextA(caption, captions[row]);
        } else {
            ShowWindow(mark, SW_HIDE);
            ShowWindow(caption, SW_HIDE);
        }
    }
}
