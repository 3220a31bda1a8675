// What a run of install actions or undo entries carries from step to step:
// where the undo entries go, how package texts expand, the page that owns
// the questions and step rows, and what the run has found out so far.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <atomic>

// A window handle without windows.h: the same type as HWND.
typedef struct HWND__* WindowHandle;

// Expands the path variables of `source` into `output` of `outputSize` bytes.
typedef bool (*ExpandFn)(const char* source, char* output, size_t outputSize);

// What a run tells the page as it goes; each may be null. A step with a row
// of its own begins and ends in that row, its place in the plan that the
// passes made of the run (engine/passes.h).
typedef void (*StepBegunFn)(WindowHandle page, int row);
typedef void (*StepEndedFn)(WindowHandle page, int row, bool ok);

// Told of every action and undo entry a pass carried out, for the run's
// log: the pass ("install", "uninstall", "rollback"), the class name, the
// step's caption or null, and the result (0 done, else failed or stopped).
typedef void (*ReportFn)(const char* pass, const char* name, const char* caption, uint32_t result);

class UndoLog;
class StreamedPool;
class ProgressMeter;

struct ExecutionContext {
    // Where actions record what undoes them. Only installing needs one: the
    // uninstaller's passes carry out entries and record none.
    UndoLog* undoLog = nullptr;
    ExpandFn expand = nullptr;
    // Owner of every question a step asks, and of the step rows; may be null.
    WindowHandle page = nullptr;
    StepBegunFn stepBegun = nullptr;
    StepEndedFn stepEnded = nullptr;
    ReportFn report = nullptr;
    // Counts the bytes written and the steps done for the page's bar
    // (engine/progress_meter.h); null when nobody shows one.
    ProgressMeter* progress = nullptr;
    // Set by the wizard's thread when the user cancels the file writes: the
    // writes stop at the next chunk or file. Null when nothing can stop them.
    const std::atomic<bool>* stopRequested = nullptr;
    // Grows with every file written, for the size the Uninstall entry shows.
    uint32_t bytesInstalled = 0;
    // Set by a program or entry point that answered 3010; never cleared.
    bool restartNeeded = false;
    // Set by a program or entry point that answered 1602: the user cancelled.
    bool cancelled = false;
    // Where files' contents are decoded from as they are written; null when
    // every action holds its own.
    StreamedPool* payload = nullptr;
    // Set when the package turned out damaged in the middle of the run.
    bool damagedPackage = false;

    bool stopAsked() const { return stopRequested && stopRequested->load(std::memory_order_relaxed); }
};
