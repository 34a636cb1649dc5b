// Counting orbits into bins and drawing the histogram of a panel.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "core/numeric/maps.h"
#include "tests/histogram/histogram_test.h"

namespace corvane::testing {
namespace {

class HistogramCounting : public HistogramTest {
protected:
    std::int64_t total(std::int32_t m) {
        std::int64_t sum = 0;
        for (std::int32_t i = 0; i <= m; ++i) sum += f3().binCounts.at(i);
        return sum;
    }
};

TEST_F(HistogramCounting, ExactOneAndZeros) {
    // f1, a = 4, x0 = 0.5: the iterates are 1, 0, 0.
    plot(1, "4", "0.5", "3");
    addFromMain("1", "10");
    EXPECT_EQ(f3().binCounts.size(), 11);
    EXPECT_EQ(f3().binCounts.at(0), 2);
    EXPECT_EQ(f3().binCounts.at(10), 1);
    EXPECT_EQ(total(10), 3);
    EXPECT_EQ(f3().binWidth, 1.0 / 10);

    const Chart c = panel(1);
    const auto b = bars(form3(), c);
    ASSERT_EQ(b.size(), 10u);
    const double barWidth = ((c.right - c.left) - 500) * (1.0 / 10);
    for (int i = 0; i < 10; ++i) {
        EXPECT_TRUE(b[i].filled);
        EXPECT_DOUBLE_EQ(b[i].x1, c.left + i * barWidth);
        EXPECT_DOUBLE_EQ(b[i].x2, c.left + (i + 1) * barWidth);
        EXPECT_EQ(b[i].y2, c.bottom);
        // Bin 0 reaches the top of the scale; the others have no height.
        EXPECT_DOUBLE_EQ(b[i].y1, i == 0 ? c.top + 500 : c.bottom) << i;
    }
    EXPECT_EQ(scaleLabel(form3(), "1: a = "), "2");
}

TEST_F(HistogramCounting, AxesLabelsAndTicks) {
    plot(1, "4", "0.5", "3");
    addFromMain("1", "10");
    const Chart c = panel(1);
    const double s = 500;
    auto printed = form3().picture(DrawOp::Kind::Print);
    ASSERT_EQ(printed.size(), 6u);  // legend, X, 0, maximum, 0, 1
    EXPECT_EQ(printed[1].text, "X");
    EXPECT_DOUBLE_EQ(printed[1].x1, c.right - 100);
    EXPECT_DOUBLE_EQ(printed[1].y1, c.bottom + 20);
    EXPECT_EQ(printed[2].text, "0");
    EXPECT_DOUBLE_EQ(printed[2].x1, (c.left - 50) - 100);
    EXPECT_DOUBLE_EQ(printed[2].y1, c.bottom - 100);
    EXPECT_EQ(printed[3].text, "2");
    EXPECT_DOUBLE_EQ(printed[3].x1, (c.left - 100) - 100);
    EXPECT_DOUBLE_EQ(printed[3].y1, (s + c.top) - 100);
    EXPECT_EQ(printed[4].text, "0");
    EXPECT_DOUBLE_EQ(printed[4].x1, c.left - 50);
    EXPECT_DOUBLE_EQ(printed[4].y1, c.bottom + 20);
    EXPECT_EQ(printed[5].text, "1");
    EXPECT_DOUBLE_EQ(printed[5].x1, (c.right - s) - 50);
    const auto lines = form3().picture(DrawOp::Kind::Line);
    ASSERT_EQ(lines.size(), 4u);
    // The two axes, the tick at x = 1 and the tick at the top of the scale.
    EXPECT_DOUBLE_EQ(lines[0].x2, c.right);
    EXPECT_DOUBLE_EQ(lines[1].y2, c.top);
    EXPECT_DOUBLE_EQ(lines[2].x1, c.right - s);
    EXPECT_DOUBLE_EQ(lines[2].y1, c.bottom + 20);
    EXPECT_DOUBLE_EQ(lines[2].y2, c.bottom - 30);
    EXPECT_DOUBLE_EQ(lines[3].x1, c.left - 20);
    EXPECT_DOUBLE_EQ(lines[3].x2, c.left + 30);
    EXPECT_DOUBLE_EQ(lines[3].y1, c.top + s);
    // Order: legend, axes and labels, then the bars.
    const auto all = form3().picture();
    EXPECT_EQ(all.front().kind, DrawOp::Kind::Print);
    EXPECT_EQ(all.back().kind, DrawOp::Kind::Box);
}

TEST_F(HistogramCounting, PointThreeFallsIntoBinTwo) {
    ASSERT_EQ(f1(1.2, 0.5), 0.3);  // the iterate is the double 0.3 itself
    setSlot(1, 1.2, 0.5, 1);
    addFromMain("1", "10");
    EXPECT_EQ(f3().binCounts.at(2), 1);
    EXPECT_EQ(f3().binCounts.at(3), 0);

    // The reference bisection does the same.
    f3().binCounts.reset(10, 1);
    std::int32_t lo = 0;
    f3().findBin(0.3, lo, 10);
    EXPECT_EQ(f3().binCounts.at(2), 1);
    EXPECT_EQ(lo, 0);  // the search went left
    lo = 0;
    f3().findBin(0.75, lo, 10);
    EXPECT_EQ(f3().binCounts.at(7), 1);
    EXPECT_EQ(lo, 6);  // raised on the way right
    lo = 0;
    f3().findBin(1.0, lo, 10);
    EXPECT_EQ(f3().binCounts.at(10), 1);
}

TEST_F(HistogramCounting, OneBinSpansTheWholeAxis) {
    plot(1, "4", "0.5", "3");
    addFromMain("1", "1");
    EXPECT_EQ(f3().binCounts.at(0), 2);
    EXPECT_EQ(f3().binCounts.at(1), 1);
    const Chart c = panel(1);
    const auto b = bars(form3(), c);
    ASSERT_EQ(b.size(), 1u);
    EXPECT_DOUBLE_EQ(b[0].x1, c.left);
    EXPECT_DOUBLE_EQ(b[0].x2, c.right - 500);
    EXPECT_DOUBLE_EQ(b[0].y1, c.top + 500);
}

TEST_F(HistogramCounting, OrbitThatLeavesTheIntervalGoesOnFromOutside) {
    // f2, a = 3, x0 = 0.46 leaves [0, 1] at the second iterate and comes back
    // at the fourth.
    std::vector<double> xs;
    double x = 0.46;
    for (int n = 0; n < 6; ++n) xs.push_back(x = f2(3, x));
    ASSERT_GT(xs[1], 1);
    ASSERT_LT(xs[2], 0);
    for (int n : {0, 3, 4, 5}) ASSERT_TRUE(xs[n] >= 0 && xs[n] < 1) << n;
    setSlot(1, 3, 0.46, 6);
    chooseMap(2);
    addFromMain("1", "10");
    EXPECT_EQ(total(10), 4);
    for (int n : {0, 3, 4, 5}) {
        EXPECT_GE(f3().binCounts.at(static_cast<std::int32_t>(xs[n] * 10)), 1) << xs[n];
    }
}

TEST_F(HistogramCounting, OnceAboveOneTheLogisticOrbitIsNeverCountedAgain) {
    // a = 4.5, x0 = 0.1: 0.405, then above 1, then negative for ever.
    setSlot(1, 4.5, 0.1, 50);
    addFromMain("1", "10");
    EXPECT_EQ(total(10), 1);
    EXPECT_EQ(f3().binCounts.at(4), 1);
}

TEST_F(HistogramCounting, CountingStopsAtTheFirstIterateThatIsNotFinite) {
    // The orbit runs off to minus infinity within a few dozen steps; the
    // count stops there instead of going on for two billion iterates, so the
    // progress poll at step 1000 never comes.
    setSlot(1, 4.5, 0.1, 2147483647);
    m().progressMask = 0;
    ui.cancelAtStep(1000);
    addFromMain("1", "10");
    EXPECT_EQ(f3().histCount, 1);
    EXPECT_EQ(total(10), 1);
    EXPECT_TRUE(form3().allFinite());
}

TEST_F(HistogramCounting, NothingCountedDrawsTheAxesWithZeroAtTheTop) {
    setSlot(1, 4.5, 0.5, 20);  // 1.125 and then negative: nothing inside
    setSlot(2, 3.9, 0.2, 0);   // no iterates at all
    addFromMain("1", "10");
    addHistogram("2", "10");
    EXPECT_EQ(f3().histCount, 2);
    EXPECT_TRUE(form3().picture(DrawOp::Kind::Box).empty());
    EXPECT_EQ(scaleLabel(form3(), "1: a = "), "0");
    EXPECT_EQ(scaleLabel(form3(), "2: a = "), "0");
    EXPECT_EQ(form3().picture(DrawOp::Kind::Line).size(), 8u);
    EXPECT_TRUE(form3().allFinite());
}

TEST_F(HistogramCounting, MapSwitchedAfterPlottingCountsTheNewMap) {
    plot(1, "3.9", "0.2", "40");
    chooseMap(2);
    addFromMain("1", "7");
    std::vector<std::int64_t> expected(8, 0);
    double x = 0.2;
    for (int n = 0; n < 40; ++n) {
        x = f2(3.9, x);
        if (x >= 0 && x <= 1) {
            std::int32_t lo = 0;
            ++expected[bisectBin(x, lo, 7, 1.0 / 7)];
        }
    }
    for (std::int32_t i = 0; i <= 7; ++i) EXPECT_EQ(f3().binCounts.at(i), expected[i]) << i;
}

TEST_F(HistogramCounting, TwoBillionBinsForAThousandIterates) {
    plot(1, "3.9", "0.2", "1000");
    addFromMain("1", "2000000000");
    EXPECT_EQ(f3().histCount, 1);
    EXPECT_FALSE(f3().binCounts.dense());
    EXPECT_LE(f3().binCounts.storedBins(), 1000);
    std::int64_t sum = 0;
    f3().binCounts.forEachNonEmpty(2000000001, [&](std::int32_t, std::int32_t n) { sum += n; });
    EXPECT_EQ(sum, 1000);
    EXPECT_EQ(legends(form3()),
              std::vector<std::string>{"1: a = 3.9, x0 = 0.2, n = 1000, m = 2000000000"});
    // Drawn per column: at most one rectangle per column of the axis.
    const Chart c = panel(1);
    const auto b = bars(form3(), c);
    EXPECT_GE(b.size(), 1u);
    EXPECT_LE(b.size(), static_cast<std::size_t>((c.right - c.left) / 15) + 2);
    for (const auto& r : b) {
        EXPECT_GE(r.x1, c.left);
        EXPECT_LE(r.x2, c.right - 500);
        EXPECT_LT(r.y1, c.bottom);
    }
    EXPECT_TRUE(form3().allFinite());
}

TEST_F(HistogramCounting, LargestMAndLongOrbit) {
    setSlot(1, 3.99, 0.3, 200000);
    addFromMain("1", "2147483647");
    EXPECT_EQ(f3().histCount, 1);
    EXPECT_FALSE(f3().binCounts.dense());
    EXPECT_LE(f3().binCounts.storedBins(), 200000);
    EXPECT_FALSE(form3().picture(DrawOp::Kind::Box).empty());
}

TEST_F(HistogramCounting, NoMemoryForTheCountersAddsNothing) {
    setSlot(1, 3.9, 0.2, 100);
    setSlot(2, 3.99, 0.3, 1000);
    addFromMain("1", "10");
    const auto picture = form3().picture();
    f3().maxStoredBins = 50;
    addHistogram("2", "2000000000");
    EXPECT_EQ(ui.messages(),
              std::vector<std::string>{"Not enough memory for this number of bins."});
    EXPECT_EQ(f3().histCount, 1);
    EXPECT_EQ(f3().histBinCount[1], 0);
    EXPECT_TRUE(sameOps(form3().picture(), picture));
    // A plain array of counters is not limited that way.
    addHistogram("2", "1000");
    EXPECT_EQ(f3().histCount, 2);
}

// The table takes the bins in batches, but a table out of room is still
// reported exactly when a bin-by-bin count would report it: before a later
// cancel, not after an earlier one.
TEST_F(HistogramCounting, NoMemoryAndCancelKeepTheirOrder) {
    // f1 at a = 3.99 over two billion bins: every iterate a bin of its own
    // (checked below), so the 51st, 201st iterate is the 51st, 201st bin.
    std::vector<std::int32_t> seen;
    double x = 0.3;
    for (int n = 0; n < 256; ++n) {
        x = f1(3.99, x);
        seen.push_back(locateBin(x, 2000000000, 1.0 / 2000000000));
    }
    std::sort(seen.begin(), seen.end());
    ASSERT_EQ(std::unique(seen.begin(), seen.end()), seen.end());

    struct Case {
        std::int64_t room;      // most different bins the table holds
        std::int64_t cancelAt;  // polls every 128 iterates
        bool noMemory;          // else cancelled
    };
    for (const Case& c :
         {Case{50, 128, true}, Case{200, 128, false}, Case{200, 256, true}, Case{50, 1, true}}) {
        SCOPED_TRACE("room " + std::to_string(c.room) + ", cancel at " +
                     std::to_string(c.cancelAt));
        ui.clearDialogs();
        m().funcChoice = 1;
        m().curA = 3.99;
        m().curX0 = 0.3;
        m().curN = 1000;
        m().progressMask = 127;
        f3().maxStoredBins = c.room;
        ui.cancelAtStep(c.cancelAt);
        f3().binCount = 2000000000;
        EXPECT_FALSE(f3().countBins());
        EXPECT_EQ(ui.messages().size(), c.noMemory ? 1u : 0u);
        ui.cancelAtStep(std::nullopt);
    }
}

TEST_F(HistogramCounting, ProgressIsPolledUnderItsCaption) {
    setSlot(1, 3.9, 0.2, 100);
    addFromMain("1", "10");
    EXPECT_EQ(ui.progressCaptions().back(), "Histogram");
}

}  // namespace
}  // namespace corvane::testing
