// Bars narrower than a screen column are merged per column: the merged
// drawing must reach the same columns to the same heights as one rectangle
// per bar would.
//
// Model of the screen used here: columns of 15 twips from the surface's left
// edge; a rectangle from x1 to x2 covers every column whose inside it
// overlaps (one column at least), up to its top. Rectangles of height 0 lie
// on the x-axis and cover nothing the axis does not.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "tests/histogram/histogram_test.h"
#include "windows/histogram/histogram_bars.h"

namespace corvane::testing {
namespace {

class ColumnWindow : public FakeWindow {
public:
    ColumnWindow(FakePlatform& owner, double bottom)
        : FakeWindow(owner, "Columns"), bottom_(bottom) {}

    void Box(double x1, double y1, double x2, double y2, bool filled) override {
        ++boxes;
        EXPECT_TRUE(filled);
        EXPECT_EQ(y2, bottom_);
        EXPECT_TRUE(std::isfinite(x1) && std::isfinite(x2) && std::isfinite(y1));
        if (y1 == bottom_) return;
        const double lo = std::min(x1, x2);
        const double hi = std::max(x1, x2);
        const auto first = static_cast<std::int64_t>(std::floor(lo / 15));
        const auto last = std::max(first, static_cast<std::int64_t>(std::ceil(hi / 15)) - 1);
        for (std::int64_t c = first; c <= last; ++c) {
            auto it = columns.find(c);
            // The top farthest from the axis (bars may hang below it when the
            // maximum is negative).
            if (it == columns.end() || std::abs(y1 - bottom_) > std::abs(it->second - bottom_)) {
                columns[c] = y1;
            }
        }
    }

    std::map<std::int64_t, double> columns;  // column → top reached
    std::int64_t boxes = 0;

private:
    double bottom_;
};

struct Layout {
    const char* name;
    double left, right, shift;
};

// A panel of the histogram window and the chart of the zoom window, as the
// scripted desktop lays them out.
const Layout kLayouts[] = {
    {"panel", 946.44, 946.44 + 8604, 500},
    {"zoom", 2064, 2064 + 23220, 1000},
};

BinCounters randomCounts(std::int32_t m, std::uint64_t seed, double density) {
    std::mt19937_64 rng(seed);
    BinCounters c;
    c.reset(m, 1000000);
    std::uniform_real_distribution<double> unit(0, 1);
    std::uniform_int_distribution<int> count(1, 12);
    const std::int64_t visits = std::min<std::int64_t>(m, 400000);
    std::uniform_int_distribution<std::int32_t> anywhere(0, m);
    for (std::int64_t v = 0; v < visits; ++v) {
        if (unit(rng) > density) continue;
        // Runs of neighbouring bins and scattered ones.
        const std::int32_t b = m <= 400000 ? static_cast<std::int32_t>(v) : anywhere(rng) / 3 * 3;
        for (int n = count(rng); n > 0; --n) c.add(b);
        if (unit(rng) < 0.01) {
            for (int n = 0; n < 200; ++n) c.add(b);  // a spike
        }
    }
    c.finish();
    return c;
}

void expectSameColumns(std::int32_t m, const Layout& layout, double maxY, double density,
                       std::uint64_t seed) {
    SCOPED_TRACE(std::string(layout.name) + ", m = " + std::to_string(m) +
                 ", maximum = " + std::to_string(maxY));
    FakePlatform ui;
    const double bottom = 8367;
    const double top = 2391;
    const BinCounters counts = randomCounts(m, seed, density);
    const double barWidth = ((layout.right - layout.left) - layout.shift) * (1.0 / m);
    ASSERT_LT(barWidth, kMinBarTwips);
    const double scale = maxY != 0 ? maxY : counts.maxBelow(m);
    const BarFrame frame{layout.left, bottom, top + layout.shift, (top - bottom) + layout.shift,
                         barWidth,    scale};

    ColumnWindow single(ui, bottom);
    if (m <= 1000000) {
        drawEveryBar(single, counts, m, frame);
        EXPECT_EQ(single.boxes, m);
    } else {
        // Beyond that only the non-empty bars are drawn one by one, exactly
        // as drawEveryBar would draw them; the empty ones cover nothing.
        counts.forEachNonEmpty(m, [&](std::int32_t i, std::int32_t c) {
            single.Box(layout.left + static_cast<double>(i) * barWidth, barTop(frame, c),
                       layout.left + static_cast<double>(std::int64_t{i} + 1) * barWidth, bottom,
                       true);
        });
    }
    ColumnWindow merged(ui, bottom);
    drawBarColumns(merged, counts, m, frame);

    ASSERT_FALSE(single.columns.empty());
    EXPECT_EQ(merged.columns, single.columns);
    // One rectangle per column reached at most.
    EXPECT_LE(merged.boxes, static_cast<std::int64_t>(merged.columns.size()));
}

TEST(HistogramBars, MergedColumnsMatchSingleBars) {
    std::uint64_t seed = 1;
    for (const auto& layout : kLayouts) {
        for (std::int32_t m : {1700, 1999, 7919, 49999, 400000, 1000000}) {
            for (double density : {1.0, 0.3, 0.01}) {
                expectSameColumns(m, layout, 0, density, ++seed);
            }
        }
    }
}

TEST(HistogramBars, MergedColumnsMatchForHugeM) {
    std::uint64_t seed = 100;
    for (const auto& layout : kLayouts) {
        for (std::int32_t m : {2000000000, 2147483647})
            expectSameColumns(m, layout, 0, 0.5, ++seed);
    }
}

TEST(HistogramBars, MergedColumnsMatchWithATypedMaximum) {
    for (double maxY : {3.0, 500.0, -7.0}) {
        expectSameColumns(49999, kLayouts[0], maxY, 0.5, 42);
        expectSameColumns(2000000000, kLayouts[1], maxY, 0.5, 43);
    }
}

// The merged drawing takes the runs of bars inside one column in a single
// step; the rectangles must be exactly those of the rule applied bar by bar,
// which this reference applies literally to every non-empty bar.
std::vector<DrawOp> barByBarColumns(const BinCounters& counts, std::int32_t m,
                                    const BarFrame& frame) {
    std::vector<DrawOp> out;
    bool open = false;
    double column = 0, from = 0, to = 0;
    std::int32_t tallest = 0;
    const auto flush = [&] {
        if (open) {
            out.push_back(DrawOp{DrawOp::Kind::Box, from, barTop(frame, tallest), to, frame.bottom,
                                 "", true});
        }
        open = false;
    };
    counts.forEachNonEmpty(m, [&](std::int32_t i, std::int32_t count) {
        const double x1 = frame.left + static_cast<double>(i) * frame.barWidth;
        const double x2 = frame.left + static_cast<double>(std::int64_t{i} + 1) * frame.barWidth;
        const double first = std::floor(x1 / 15);
        const double last = std::max(first, std::ceil(x2 / 15) - 1);
        for (double k = first; k <= last; ++k) {
            const double lo = std::max(x1, k * 15);
            const double hi = std::min(x2, (k + 1) * 15);
            if (open && k == column) {
                to = std::max(to, hi);
                tallest = std::max(tallest, count);
            } else {
                flush();
                open = true, column = k, from = lo, to = hi, tallest = count;
            }
        }
    });
    flush();
    return out;
}

class BoxRecorder : public FakeWindow {
public:
    explicit BoxRecorder(FakePlatform& owner) : FakeWindow(owner, "Boxes") {}
    void Box(double x1, double y1, double x2, double y2, bool filled) override {
        boxes.push_back(DrawOp{DrawOp::Kind::Box, x1, y1, x2, y2, "", filled});
    }
    std::vector<DrawOp> boxes;
};

struct ExactCase {
    const char* name;
    double left, width;  // of the m bars together
    std::int32_t m;
    double density;
};

TEST(HistogramBars, MergedRectanglesAreExactlyThoseOfTheBarByBarRule) {
    const ExactCase cases[] = {
        // Bars just below a column wide, a few per column, many per column.
        {"panel", 946.44, 8104, 541, 1.0},
        {"panel", 946.44, 8104, 600, 0.5},
        {"panel", 946.44, 8104, 1000, 1.0},
        {"panel", 946.44, 8104, 7919, 0.3},
        {"zoom", 2064, 22220, 49999, 1.0},
        {"zoom", 2064, 22220, 1000000, 0.7},
        {"panel", 946.44, 8104, 1000000, 0.01},
        // Counters in a table.
        {"panel", 946.44, 8104, 10000000, 0.5},
        {"zoom", 2064, 22220, 2000000000, 0.5},
        {"panel", 946.44, 8104, 2147483647, 1.0},
        // Left edge on a column edge; a chart too small for its margin
        // (the bars run leftwards) and one with no width at all.
        {"aligned", 1500, 4500, 3000, 1.0},
        {"aligned", 1500, 4500, 123457, 1.0},
        {"backwards", 1000, -400, 70001, 1.0},
        {"flat", 1000, 0, 5000, 1.0},
    };
    std::uint64_t seed = 500;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name) + ", m = " + std::to_string(c.m));
        FakePlatform ui;
        const BinCounters counts = randomCounts(c.m, ++seed, c.density);
        const double barWidth = c.width * (1.0 / c.m);
        const double bottom = 8367;
        const BarFrame frame{c.left, bottom, 2891, 2891 - bottom, barWidth, 500};
        BoxRecorder merged(ui);
        drawBarColumns(merged, counts, c.m, frame);
        const auto expected = barByBarColumns(counts, c.m, frame);
        ASSERT_FALSE(expected.empty());
        EXPECT_TRUE(sameOps(merged.boxes, expected))
            << merged.boxes.size() << " rectangles instead of " << expected.size();
        // The same pass finds the largest count of the drawn bins.
        EXPECT_EQ(mergeBarColumns(counts, c.m, c.left, barWidth).largest, counts.maxBelow(c.m));
    }
}

TEST(HistogramBars, UpperCounterIsNeverMerged) {
    for (std::int32_t m : {1000, 2000000000}) {
        BinCounters counts;
        counts.reset(m, 10);
        counts.add(m);  // only the upper counter holds something
        counts.finish();
        const BarColumns columns = mergeBarColumns(counts, m, 946.44, 8104.0 / m);
        EXPECT_TRUE(columns.columns.empty()) << m;
        EXPECT_EQ(columns.largest, 0) << m;
    }
}

// Through the window: bars of 15 twips or more are drawn one by one, the
// empty ones too; narrower ones only where something was counted.
class HistogramBarWidth : public HistogramTest {};

TEST_F(HistogramBarWidth, ThresholdBetweenSingleAndMergedBars) {
    setSlot(1, 4, 0.5, 3);  // iterates 1, 0, 0: only bin 0 holds something
    const Chart c = panel(1);
    const double width = (c.right - c.left) - 500;
    const auto widest = static_cast<std::int32_t>(std::floor(width / kMinBarTwips));
    ASSERT_GE(width / widest, kMinBarTwips);
    ASSERT_LT(width / (widest + 1), kMinBarTwips);

    addFromMain("1", std::to_string(widest));
    EXPECT_EQ(bars(form3(), c).size(), static_cast<std::size_t>(widest));

    addFromMain("1", std::to_string(widest + 1));
    // Bin 0 alone, cut at the column edge it straddles.
    const Chart c2 = panel(2);
    const auto merged = bars(form3(), c2);
    ASSERT_GE(merged.size(), 1u);
    ASSERT_LE(merged.size(), 2u);
    EXPECT_DOUBLE_EQ(merged.front().x1, c2.left);
    EXPECT_DOUBLE_EQ(merged.back().x2, c2.left + width / (widest + 1));
    for (const auto& b : merged) {
        EXPECT_DOUBLE_EQ(b.y1, c2.top + 500);
        EXPECT_LE(b.x2 - b.x1, kColumnTwips);
    }
}

}  // namespace
}  // namespace corvane::testing
