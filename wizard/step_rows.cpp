#include "wizard/step_rows.h"

namespace {

// Rows run one at a time, so one remembered font serves every row.
HFONT stepBoldFont = nullptr;
HFONT savedStepFont = nullptr;

// Wingdings: 0xFC is a check mark, 0xFB a cross.
const char kSuccessMark[] = "\xFC";
const char kFailureMark[] = "\xFB";

// The row of the running step: rows run one at a time, in order, and a row
// is done once its mark is set. Only the worker thread moves it on; the
// page starts it over (setStepRowBoldFont) before the worker starts.
int runningRow = 0;

int currentRow()
{
    return runningRow < kStepRowCount ? runningRow : -1;
}

}  // namespace

void setStepRowBoldFont(HFONT boldFont)
{
    stepBoldFont = boldFont;
    runningRow = 0;
}

void beginStep(HWND page)
{
    int row = currentRow();
    if (row < 0)
        return;
    HWND caption = GetDlgItem(page, stepCaptionId(row));
    savedStepFont = reinterpret_cast<HFONT>(SendMessageA(caption, WM_GETFONT, 0, 0));
    SendMessageA(caption, WM_SETFONT, reinterpret_cast<WPARAM>(stepBoldFont), TRUE);
}

void endStep(HWND page, bool ok)
{
    int row = currentRow();
    if (row < 0)
        return;
    HWND caption = GetDlgItem(page, stepCaptionId(row));
    SendMessageA(caption, WM_SETFONT, reinterpret_cast<WPARAM>(savedStepFont), TRUE);
    SetDlgItemTextA(page, stepMarkId(row), ok ? kSuccessMark : kFailureMark);
    ++runningRow;
}
