#include "engine/progress_meter.h"

namespace {

// Each step is worth this many positions when the run writes files too, and
// the steps together at most half the bar: the files are most of the wait.
constexpr uint32_t kStepPositions = 50;

// Totals are shifted down until a product with the span fits 32 bits.
constexpr uint32_t kLargestScaledTotal = 0xFFFFFFFFu / kProgressRange;

}  // namespace

uint32_t scaledShare(uint32_t done, uint32_t total, uint32_t span)
{
    if (total == 0)
        return span;
    if (done > total)
        done = total;
    while (total > kLargestScaledTotal) {
        total >>= 1;
        done >>= 1;
    }
    return done * span / total;
}

ProgressMeter::ProgressMeter(uint32_t bytes, uint32_t steps) : bytes_(bytes), steps_(steps)
{
    if (steps == 0)
        stepsSpan_ = 0;
    else if (bytes == 0)
        stepsSpan_ = kProgressRange;
    else
        stepsSpan_ = steps < kProgressRange / 2 / kStepPositions ? steps * kStepPositions : kProgressRange / 2;
}

uint32_t ProgressMeter::measured() const
{
    uint32_t steps = steps_ ? scaledShare(stepsDone_, steps_, stepsSpan_) : 0;
    uint32_t written = filesDone_ + inFile_;
    if (written < filesDone_)  // more than 4 GiB counted: the files are done
        written = bytes_;
    uint32_t files = bytes_ ? scaledShare(written, bytes_, kProgressRange - stepsSpan_) : 0;
    return steps + files;
}

void ProgressMeter::update(uint32_t position)
{
    if (position <= shown_)
        return;
    shown_ = position;
    if (moved)
        moved(page, position);
    if (item_ != shownItem_) {
        shownItem_ = item_;
        itemShownAt_ = position;
        if (itemBegun)
            itemBegun(page, item_);
    }
}

void ProgressMeter::beginItem(uint32_t item)
{
    item_ = item;
    inFile_ = 0;
    // Shown at once unless an item was shown at this position already: then
    // with the bar's next move.
    if (itemShownAt_ == shown_)
        return;
    shownItem_ = item;
    itemShownAt_ = shown_;
    if (itemBegun)
        itemBegun(page, item);
}

void ProgressMeter::bytesWritten(uint32_t size)
{
    inFile_ += size;
    update(measured());
}

void ProgressMeter::fileDone(uint32_t packagedBytes)
{
    inFile_ = 0;
    filesDone_ += packagedBytes;
    if (filesDone_ < packagedBytes)
        filesDone_ = bytes_;
    update(measured());
}

void ProgressMeter::stepDone()
{
    ++stepsDone_;
    update(measured());
}

void ProgressMeter::finish()
{
    update(kProgressRange);
}
