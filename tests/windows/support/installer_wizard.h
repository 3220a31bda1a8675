// Driving an installer's wizard from outside, as a user would: which page
// shows, its step rows, and the frame's buttons.
#pragma once

#include <windows.h>

#include <string>

// The page on show: the visible dialog child of the frame, or null.
HWND currentPage(HWND frame);
// Waits until a page other than `previous` shows; null when none does in time.
HWND waitForNewPage(HWND frame, HWND previous);

bool isProgressPage(HWND page);
bool isFinishPage(HWND page);

// Presses the frame's Next button once it is enabled; false when it never
// is (or the frame went away).
bool pressNext(HWND frame);

// Presses Next on every page until the progress page shows; null when the
// wizard went elsewhere.
HWND nextUntilProgressPage(HWND frame);

// Presses Next on every page until the finish page shows, however briefly a
// small installation's progress page stood between; null when the wizard
// went elsewhere or the installation did not end in time.
HWND nextUntilFinishPage(HWND frame);

// A step row of a progress page: its caption, and its mark as shown
// ("" while the step has not ended, the Wingdings check or cross after).
struct StepRow {
    bool visible = false;
    std::string caption;
    std::string mark;
};
StepRow stepRow(HWND page, int row);  // row 0 to 8

// The Wingdings characters of the marks, as uiauto reads them (UTF-8 of the
// Windows-1252 characters 0xFC and 0xFB).
extern const char kDoneMark[];
extern const char kFailedMark[];

// Waits until the row's mark is set; false when it is not in time.
bool waitForMark(HWND page, int row);

// The progress bar of a progress page, read from outside as a user's tools
// would (PBM_GETRANGE, PBM_GETPOS), and the line under it that names the
// file at hand. `exists` is false when the page has no bar (or is gone).
struct ProgressBarView {
    bool exists = false;
    bool visible = false;
    int low = 0, high = 0, position = 0;
    std::string item;
};
ProgressBarView progressBar(HWND page);
