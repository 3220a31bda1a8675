// The progress bar of a run, counted by its worker: positions 0 to
// kProgressRange, moved by the packaged bytes written and by the steps done
// (each step a share of the bar). The meter reports a position only when the
// bar moves and the item at hand (a file written, an entry undone) at most
// once per position, so the page gets about two events per position of the
// bar whatever the size of the run. Portable: the host tests count with it.
#pragma once

#include "format/execution_context.h"

#include <stdint.h>

constexpr uint32_t kProgressRange = 1000;

// The bar moved to `position`; the item numbered `item` began (the page
// looks up what it names: the position of an action in the selected lists,
// or of an entry in the undo log).
typedef void (*ProgressMovedFn)(WindowHandle page, uint32_t position);
typedef void (*ItemBegunFn)(WindowHandle page, uint32_t item);

// `span` positions shared in proportion to `done` of `total`, in 32-bit
// arithmetic for totals up to 4 GiB; `done` past `total` counts as `total`.
uint32_t scaledShare(uint32_t done, uint32_t total, uint32_t span);

class ProgressMeter {
public:
    // A run that writes `bytes` packaged bytes and takes `steps` other steps.
    ProgressMeter(uint32_t bytes, uint32_t steps);

    // Where the reports go; a meter without callbacks only counts.
    WindowHandle page = nullptr;
    ProgressMovedFn moved = nullptr;
    ItemBegunFn itemBegun = nullptr;

    void beginItem(uint32_t item);
    // Bytes of the file at hand written, as they are.
    void bytesWritten(uint32_t size);
    // The file at hand is done with its packaged bytes, however many of them
    // bytesWritten counted (held contents, a copy, a file skipped).
    void fileDone(uint32_t packagedBytes);
    void stepDone();
    // The run succeeded: the bar is full.
    void finish();

    uint32_t position() const { return shown_; }

private:
    uint32_t measured() const;
    void update(uint32_t position);

    uint32_t bytes_;
    uint32_t steps_;
    uint32_t stepsSpan_;  // the positions the steps take together
    uint32_t filesDone_ = 0;
    uint32_t inFile_ = 0;
    uint32_t stepsDone_ = 0;
    uint32_t shown_ = 0;
    uint32_t item_ = kNoItem;
    uint32_t shownItem_ = kNoItem;
    uint32_t itemShownAt_ = kNoItem;  // the position when an item was last shown
    static constexpr uint32_t kNoItem = 0xFFFFFFFFu;
};

// The worker's calls, for a context that may have no meter.
inline void beginProgressItem(const ExecutionContext& context, uint32_t item)
{
    if (context.progress)
        context.progress->beginItem(item);
}
inline void progressStepDone(const ExecutionContext& context)
{
    if (context.progress)
        context.progress->stepDone();
}
