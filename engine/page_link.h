// The one channel from the worker threads to the wizard page that started
// them. A worker reports only by these events, each a message posted to the
// page and handled on the wizard's thread: the page owns everything it
// draws, and a worker touches no window. Every event carries values, never
// a pointer, so nothing it holds can go away before the page reads it. The
// wizard's pages handle them; a thread includes nothing of the wizard
// itself, so the engine and the uninstaller stay below the wizard.
//
// The one question a worker asks, the Abort/Retry/Ignore prompt, waits for
// its answer: it is sent rather than posted (WM_RETRY_PROMPT below).
#pragma once

#include <windows.h>

#include <stdint.h>

// The loading thread is done: wParam is the LoadingOutcome. The page waits,
// with Next and Back disabled, while the action block is read.
constexpr UINT WM_LOADING_DONE = WM_USER + 95;
enum class LoadingOutcome {
    Loaded,     // the action script is in the run state: the wizard moves on
    Extracted,  // extract-all mode wrote the files out: the wizard ends
    Damaged,    // the action block could not be read: say so, then end
};

// A step with a row of its own begins: wParam is its row, its place in the
// plan of the run (engine/passes.h). The page makes the row's caption bold.
constexpr UINT WM_STEP_BEGUN = WM_USER + 96;
// That step ended: wParam is its row, lParam 1 when it succeeded. The page
// gives the caption its font back and marks the row with a check or a cross.
constexpr UINT WM_STEP_ENDED = WM_USER + 97;
// The progress bar moved: wParam is its position of kProgressRange
// (engine/progress_meter.h), never less than the one before.
constexpr UINT WM_PROGRESS_MOVED = WM_USER + 98;
// The run came to a file or an entry whose name the page may show under the
// bar: wParam is its number (engine/passes.h, selectedActionAt and
// undoEntryAt), which the page looks up in the script of the run state.
constexpr UINT WM_ITEM_BEGUN = WM_USER + 93;

// The worker is done, its last event: wParam 1 = success; lParam holds the
// bits below.
constexpr UINT WM_INSTALL_DONE = WM_USER + 99;
constexpr LPARAM kDoneRestartNeeded = 1;
// The work was stopped by a program or entry point that answered 1602.
constexpr LPARAM kDoneCancelled = 2;
// The package turned out damaged while its files were written.
constexpr LPARAM kDoneDamagedPackage = 4;

// Worker to the wizard's frame (the root window of the prompt's owner), sent:
// lParam points at a RetryPrompt on the asking worker's stack, which stays
// there since the worker waits for the answer. The frame shows the box on
// its own thread (answerRetryPrompt, engine/ask_retry.h) and fills in the
// answer; a frame that is gone leaves it 0, which counts as Abort.
constexpr UINT WM_RETRY_PROMPT = WM_USER + 94;
struct RetryPrompt {
    HWND owner;
    const char* text;
    const char* title;
    int answer;
};

// Posted last by the loading thread: nothing of the run state may be touched
// after it, since the wizard may end at once.
inline void postLoadingDone(HWND page, LoadingOutcome outcome)
{
    PostMessageA(page, WM_LOADING_DONE, WPARAM(outcome), 0);
}

// The steps of a run, as its context reports them (format/execution_context.h).
inline void postStepBegun(HWND page, int row)
{
    PostMessageA(page, WM_STEP_BEGUN, WPARAM(row), 0);
}
inline void postStepEnded(HWND page, int row, bool ok)
{
    PostMessageA(page, WM_STEP_ENDED, WPARAM(row), ok ? 1 : 0);
}
// The progress meter's reports (engine/progress_meter.h).
inline void postProgressMoved(HWND page, uint32_t position)
{
    PostMessageA(page, WM_PROGRESS_MOVED, WPARAM(position), 0);
}
inline void postItemBegun(HWND page, uint32_t item)
{
    PostMessageA(page, WM_ITEM_BEGUN, WPARAM(item), 0);
}

// Posted last by the install and removal threads.
inline void postWorkDone(HWND page, bool ok, LPARAM done)
{
    PostMessageA(page, WM_INSTALL_DONE, ok ? 1 : 0, done);
}
