// The progress bar's meter: positions that only rise, reach the end, move
// within one big file, and reports bounded by the bar's positions whatever
// the number of files or the size of the run.
#include "engine/progress_meter.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

WindowHandle const kPage = reinterpret_cast<WindowHandle>(0x5678);

// What the meter reported, in order: positions and items.
struct Reports {
    std::vector<uint32_t> positions;
    std::vector<uint32_t> items;
    bool wrongPage = false;
};
Reports reports;

void moved(WindowHandle page, uint32_t position)
{
    reports.wrongPage |= page != kPage;
    reports.positions.push_back(position);
}

void itemBegun(WindowHandle page, uint32_t item)
{
    reports.wrongPage |= page != kPage;
    reports.items.push_back(item);
}

ProgressMeter reportingMeter(uint32_t bytes, uint32_t steps)
{
    reports = Reports();
    ProgressMeter meter(bytes, steps);
    meter.page = kPage;
    meter.moved = moved;
    meter.itemBegun = itemBegun;
    return meter;
}

// Each report higher than the one before, none past `limit` (the end of
// the bar for positions).
::testing::AssertionResult onlyRising(const std::vector<uint32_t>& positions, uint32_t limit = kProgressRange)
{
    for (size_t i = 0; i < positions.size(); ++i) {
        if (positions[i] > limit)
            return ::testing::AssertionFailure() << "report " << positions[i] << " past " << limit;
        if (i > 0 && positions[i] <= positions[i - 1])
            return ::testing::AssertionFailure() << positions[i] << " after " << positions[i - 1];
    }
    return ::testing::AssertionSuccess();
}

}  // namespace

TEST(ScaledShare, SharesTheSpanInProportionUpTo32BitTotals)
{
    EXPECT_EQ(scaledShare(0, 100, 1000), 0u);
    EXPECT_EQ(scaledShare(50, 100, 1000), 500u);
    EXPECT_EQ(scaledShare(100, 100, 1000), 1000u);
    // Past the total counts as the total; nothing to do counts as done.
    EXPECT_EQ(scaledShare(150, 100, 1000), 1000u);
    EXPECT_EQ(scaledShare(0, 0, 1000), 1000u);
    // Totals whose product with the span would overflow 32 bits.
    EXPECT_EQ(scaledShare(0xFFFFFFFFu, 0xFFFFFFFFu, 1000), 1000u);
    EXPECT_EQ(scaledShare(0x80000000u, 0xFFFFFFFFu, 1000), 500u);
    EXPECT_EQ(scaledShare(1u << 30, 1u << 31, 1000), 500u);
    EXPECT_EQ(scaledShare(0xFFFFFFFFu - (1u << 20), 0xFFFFFFFFu, 1000), 999u);
}

TEST(ProgressMeter, AGigabyteFileMovesTheBarChunkByChunkAndReachesTheEnd)
{
    const uint32_t kGiB = 1u << 30;
    const uint32_t kChunk = 64 * 1024;
    ProgressMeter meter = reportingMeter(kGiB, 0);
    meter.beginItem(0);
    for (uint32_t written = 0; written < kGiB; written += kChunk) {
        meter.bytesWritten(kChunk);
        if (written == kGiB / 2)
            EXPECT_EQ(meter.position(), 500u) << "the bar stands still within the file";
    }
    meter.fileDone(kGiB);
    EXPECT_EQ(meter.position(), kProgressRange);
    EXPECT_TRUE(onlyRising(reports.positions));
    // Every position once: a report per move of the bar, not per chunk.
    EXPECT_EQ(reports.positions.size(), size_t(kProgressRange));
    EXPECT_EQ(reports.items, std::vector<uint32_t>{0});
    EXPECT_FALSE(reports.wrongPage);
}

TEST(ProgressMeter, FilesCountTheirPackagedBytesOnceWhateverTheChunksCounted)
{
    ProgressMeter meter = reportingMeter(4000, 0);
    // Held contents: no chunk counted.
    meter.beginItem(0);
    meter.fileDone(1000);
    EXPECT_EQ(meter.position(), 250u);
    // A streamed file: its chunks, then its whole size, counted once.
    meter.beginItem(3);
    meter.bytesWritten(500);
    EXPECT_EQ(meter.position(), 375u);
    meter.bytesWritten(500);
    meter.fileDone(1000);
    EXPECT_EQ(meter.position(), 500u);
    // A file stopped halfway and then written again from its start moves
    // nothing back.
    meter.beginItem(4);
    meter.bytesWritten(1000);
    meter.beginItem(4);
    meter.bytesWritten(400);
    EXPECT_EQ(meter.position(), 750u);
    meter.bytesWritten(600);
    meter.fileDone(1000);
    meter.beginItem(7);
    meter.fileDone(1000);
    EXPECT_EQ(meter.position(), kProgressRange);
    EXPECT_TRUE(onlyRising(reports.positions));
}

TEST(ProgressMeter, StepsTakeTheirShareBesideTheFilesAndFinishFillsTheBar)
{
    ProgressMeter meter = reportingMeter(1000000, 2);
    // Earlier installation removed, files written, one program of two run.
    meter.stepDone();
    uint32_t afterFirstStep = meter.position();
    EXPECT_GT(afterFirstStep, 0u);
    meter.beginItem(0);
    meter.fileDone(1000000);
    EXPECT_LT(meter.position(), kProgressRange) << "the steps left have no share";
    meter.stepDone();
    EXPECT_EQ(meter.position(), kProgressRange);
    meter.finish();
    EXPECT_TRUE(onlyRising(reports.positions));
    EXPECT_EQ(reports.positions.back(), kProgressRange);

    // Steps without files fill the bar alone; a finish without any counts.
    meter = reportingMeter(0, 4);
    for (int step = 1; step <= 4; ++step) {
        meter.stepDone();
        EXPECT_EQ(meter.position(), step * kProgressRange / 4);
    }
    meter = reportingMeter(0, 0);
    meter.finish();
    EXPECT_EQ(reports.positions, std::vector<uint32_t>{kProgressRange});
}

TEST(ProgressMeter, ManySmallItemsReportAtMostOneNamePerPositionOfTheBar)
{
    // 20000 files of 10 bytes, then 5000 undo entries: far more items than
    // positions.
    ProgressMeter meter = reportingMeter(200000, 0);
    for (uint32_t file = 0; file < 20000; ++file) {
        meter.beginItem(file);
        meter.bytesWritten(10);
        meter.fileDone(10);
    }
    EXPECT_EQ(meter.position(), kProgressRange);
    EXPECT_LE(reports.items.size(), size_t(kProgressRange) + 1);
    EXPECT_EQ(reports.items.front(), 0u) << "the first file is named at once";
    EXPECT_TRUE(onlyRising(reports.items, 19999)) << "names come in the order of the files";

    meter = reportingMeter(0, 5000);
    for (uint32_t entry = 0; entry < 5000; ++entry) {
        meter.beginItem(entry);
        meter.stepDone();
    }
    EXPECT_EQ(meter.position(), kProgressRange);
    EXPECT_TRUE(onlyRising(reports.positions));
    EXPECT_LE(reports.items.size(), size_t(kProgressRange) + 1);
}

TEST(ProgressMeter, ANameWaitingForTheBarsMoveIsReportedWithIt)
{
    ProgressMeter meter = reportingMeter(1000, 0);
    meter.beginItem(0);  // shown at position 0
    meter.beginItem(1);  // still position 0: waits
    EXPECT_EQ(reports.items, std::vector<uint32_t>{0});
    meter.bytesWritten(1);
    EXPECT_EQ(reports.items, (std::vector<uint32_t>{0, 1}));
    EXPECT_EQ(reports.positions, std::vector<uint32_t>{1});
}

TEST(ProgressMeter, CountsWithoutCallbacks)
{
    ProgressMeter meter(100, 1);
    meter.beginItem(0);
    meter.bytesWritten(100);
    meter.fileDone(100);
    meter.stepDone();
    EXPECT_EQ(meter.position(), kProgressRange);
}
