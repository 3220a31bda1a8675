#include "wizard/step_rows.h"

#include "resources/resource_ids.h"

const int kStepMarkIds[kStepRowCount] = {
    IDC_STEP_MARK_1, IDC_STEP_MARK_2, IDC_STEP_MARK_3, IDC_STEP_MARK_4, IDC_STEP_MARK_5,
    IDC_STEP_MARK_6, IDC_STEP_MARK_7, IDC_STEP_MARK_8, IDC_STEP_MARK_9,
};
const int kStepCaptionIds[kStepRowCount] = {
    IDC_STEP_CAPTION_1, IDC_STEP_CAPTION_2, IDC_STEP_CAPTION_3, IDC_STEP_CAPTION_4, IDC_STEP_CAPTION_5,
    IDC_STEP_CAPTION_6, IDC_STEP_CAPTION_7, IDC_STEP_CAPTION_8, IDC_STEP_CAPTION_9,
};

namespace {

// Rows run one at a time, so one remembered font serves every row.
HFONT stepBoldFont = nullptr;
HFONT savedStepFont = nullptr;

// Wingdings: 0xFC is a check mark, 0xFB a cross.
const char kSuccessMark[] = "\xFC";
const char kFailureMark[] = "\xFB";

int currentRow(HWND page)
{
    for (int row = 0; row < kStepRowCount; ++row) {
        HWND mark = GetDlgItem(page, kStepMarkIds[row]);
        if (mark && GetWindowTextLengthA(mark) == 0)
            return row;
    }
    return -1;
}

}  // namespace

void setStepRowBoldFont(HFONT boldFont)
{
    stepBoldFont = boldFont;
}

void beginStep(HWND page)
{
    int row = currentRow(page);
    if (row < 0)
        return;
    HWND caption = GetDlgItem(page, kStepCaptionIds[row]);
    savedStepFont = reinterpret_cast<HFONT>(SendMessageA(caption, WM_GETFONT, 0, 0));
    SendMessageA(caption, WM_SETFONT, reinterpret_cast<WPARAM>(stepBoldFont), TRUE);
}

void endStep(HWND page, bool ok)
{
    int row = currentRow(page);
    if (row < 0)
        return;
    HWND caption = GetDlgItem(page, kStepCaptionIds[row]);
    SendMessageA(caption, WM_SETFONT, reinterpret_cast<WPARAM>(savedStepFont), TRUE);
    SetDlgItemTextA(page, kStepMarkIds[row], ok ? kSuccessMark : kFailureMark);
}
