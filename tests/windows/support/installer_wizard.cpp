#include "support/installer_wizard.h"

#include "support/stub_runs.h"

#include "wizard/step_rows.h"
#include "resources/resource_ids.h"
#include "uiauto/ui_automation.h"
#include "uiauto/time_limits.h"

#include <commctrl.h>

namespace {

constexpr DWORD kPollMs = 20;
// A page may wait for a whole installation step.
constexpr DWORD kPageTimeoutMs = timeLimitMs(60000);

struct PageSearch {
    HWND frame;
    HWND page;
};

BOOL CALLBACK findVisiblePage(HWND child, LPARAM param)
{
    PageSearch& search = *reinterpret_cast<PageSearch*>(param);
    if (GetParent(child) == search.frame && IsWindowVisible(child) && uiauto::windowClassName(child) == "#32770") {
        search.page = child;
        return FALSE;
    }
    return TRUE;
}

bool childIs(HWND page, int id, const char* className)
{
    HWND child = GetDlgItem(page, id);
    return child && lstrcmpiA(uiauto::windowClassName(child).c_str(), className) == 0;
}

}  // namespace

const char kDoneMark[] = "\xC3\xBC";
const char kFailedMark[] = "\xC3\xBB";

HWND currentPage(HWND frame)
{
    PageSearch search{frame, nullptr};
    EnumChildWindows(frame, findVisiblePage, reinterpret_cast<LPARAM>(&search));
    return search.page;
}

HWND waitForNewPage(HWND frame, HWND previous)
{
    for (DWORD waited = 0; waited < kPageTimeoutMs && IsWindow(frame); waited += kPollMs) {
        HWND page = currentPage(frame);
        if (page && page != previous)
            return page;
        Sleep(kPollMs);
    }
    return nullptr;
}

bool isProgressPage(HWND page)
{
    return page && GetDlgItem(page, IDC_STEP_MARK_1) != nullptr;
}

bool isFinishPage(HWND page)
{
    return page && childIs(page, IDC_OPTION_BOX_1, "Button") && childIs(page, IDC_PAGE_TEXT, "Static");
}

bool pressNext(HWND frame)
{
    HWND next = GetDlgItem(frame, IDC_NEXT);
    for (DWORD waited = 0; waited < kPageTimeoutMs && IsWindow(frame); waited += kPollMs) {
        if (IsWindowEnabled(next))
            return uiauto::pressButton(next);
        Sleep(kPollMs);
    }
    return false;
}

HWND nextUntilProgressPage(HWND frame)
{
    HWND page = currentPage(frame);
    for (int pages = 0; pages < 8 && page; ++pages) {
        if (isProgressPage(page))
            return page;
        if (isFinishPage(page) || !pressNext(frame))
            return nullptr;
        page = waitForNewPage(frame, page);
    }
    return nullptr;
}

HWND nextUntilFinishPage(HWND frame)
{
    HWND page = currentPage(frame);
    for (int pages = 0; pages < 9 && page; ++pages) {
        if (isFinishPage(page))
            return page;
        if (!isProgressPage(page) && !pressNext(frame))
            return nullptr;
        page = waitForNewPage(frame, page);
    }
    return nullptr;
}

StepRow stepRow(HWND page, int row)
{
    StepRow out;
    HWND caption = GetDlgItem(page, stepCaptionId(row));
    HWND mark = GetDlgItem(page, stepMarkId(row));
    out.visible = caption && IsWindowVisible(caption) && mark && IsWindowVisible(mark);
    out.caption = uiauto::windowText(caption);
    out.mark = uiauto::windowText(mark);
    return out;
}

ProgressBarView progressBar(HWND page)
{
    ProgressBarView out;
    HWND bar = GetDlgItem(page, IDC_PROGRESS_BAR);
    if (!bar)
        return out;
    // Sent with a bound, as values only (the range's record would be a
    // pointer into this process): a page that went away answers nothing.
    auto ask = [bar](UINT message, WPARAM wParam, int& value) {
        DWORD_PTR answer = 0;
        if (!SendMessageTimeoutA(bar, message, wParam, 0, SMTO_ABORTIFHUNG, kPageTimeoutMs, &answer))
            return false;
        value = int(answer);
        return true;
    };
    out.exists = ask(PBM_GETRANGE, TRUE, out.low) && ask(PBM_GETRANGE, FALSE, out.high) &&
                 ask(PBM_GETPOS, 0, out.position);
    out.visible = IsWindowVisible(bar) != FALSE;
    out.item = uiauto::windowText(GetDlgItem(page, IDC_PROGRESS_ITEM));
    return out;
}

bool waitForMark(HWND page, int row)
{
    for (DWORD waited = 0; waited < kPageTimeoutMs && IsWindow(page); waited += kPollMs) {
        if (!stepRow(page, row).mark.empty())
            return true;
        Sleep(kPollMs);
    }
    return false;
}
