// The step rows of the progress pages (install and uninstall): a (mark,
// caption) pair of static controls for each step of the plan, marked as the
// worker's step events reach the page.
#pragma once

#include "engine/passes.h"
#include "platform/win32_handles.h"
#include "resources/resource_ids.h"

#include <windows.h>

constexpr int kStepRowCount = kStepRowLimit;
// Where the rows stand on the page, in dialog units: the ninth ends above
// the progress bar (wizard/progress_display.h).
constexpr int kFirstRowTop = 3;
constexpr int kRowSpacing = 10;
constexpr int stepMarkId(int row)
{
    return IDC_STEP_MARK_1 + row;
}
constexpr int stepCaptionId(int row)
{
    return IDC_STEP_CAPTION_1 + row;
}

// A control made on a page at run time as its template would have made it:
// the box in dialog units, the identifier, the font.
HWND makePageControl(HWND page, const char* className, int id, DWORD style, int left, int top, int right, int bottom,
                     HFONT font);

// A progress page's rows and the fonts they are drawn in, owned by the page
// from its WM_INITDIALOG to its WM_DESTROY and used on its thread only.
class StepRows {
public:
    // Makes the rows on `page`, with the Wingdings mark font and the bold
    // caption font: the plan's captions (as planned, not expanded) in the
    // first rows, the rest hidden.
    void show(HWND page, const StepPlan& plan);
    // WM_STEP_BEGUN and WM_STEP_ENDED (engine/page_link.h): the row of a step
    // that begins is bold; one that ended gets its font back and a check
    // mark or a cross. False for any other message. Rows past the plan's are
    // let pass.
    bool handle(UINT message, WPARAM wParam, LPARAM lParam);
    // The fonts go with the page.
    void release();

private:
    HWND page_ = nullptr;
    int count_ = 0;
    HFONT captionFont_ = nullptr;
    UniqueGdiObject markFont_;
    UniqueGdiObject boldFont_;
};
