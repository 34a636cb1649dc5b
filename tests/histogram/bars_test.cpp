// Bars narrower than a screen column are merged per column: the merged
// drawing must paint the same pixels as one rectangle per bar would.
//
// Model of the screen used here, that of the real surface at 96 dpi: x and y
// go to pixel p(t) = ⌊t / 15 + 0.5⌋, and a filled rectangle covers the pixels
// p(x1)..p(x2) by p(y1)..p(y2), both ends included.
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

// The scripted desktop's pixels: 15 twips wide, as at 96 dots per inch.
constexpr double kPixel = 15;

double pixel(double t) { return std::floor(t / 15 + 0.5); }

// The pixels covered by the rectangles drawn into it. Each rectangle stands
// on the x-axis, so it covers in each of its columns a run of rows through
// the axis's row; the runs of a column join into one, its rows lo..hi.
class PixelWindow : public FakeWindow {
public:
    struct Rows {
        double lo, hi;
        bool operator==(const Rows&) const = default;
    };

    // The x-axis from `left` to `right` at `bottom`.
    PixelWindow(FakePlatform& owner, double left, double right, double bottom)
        : FakeWindow(owner, "Pixels"),
          axisFrom_(pixel(std::min(left, right))),
          axisTo_(pixel(std::max(left, right))),
          bottom_(bottom) {}

    void Box(double x1, double y1, double x2, double y2, bool filled) override {
        ++boxes;
        EXPECT_TRUE(filled);
        EXPECT_EQ(y2, bottom_);
        if (!std::isfinite(x1) || !std::isfinite(x2) || !std::isfinite(y1)) {
            ADD_FAILURE() << "a rectangle from " << x1 << " to " << x2;
            return;
        }
        const double from = std::min(pixel(x1), pixel(x2));
        const double to = std::max(pixel(x1), pixel(x2));
        const Rows rows{std::min(pixel(y1), pixel(y2)), std::max(pixel(y1), pixel(y2))};
        const double axis = pixel(bottom_);
        // What lies on the axis's row within the axis adds nothing (the
        // empty bars of the single drawing).
        if (rows.lo == axis && rows.hi == axis && from >= axisFrom_ && to <= axisTo_) return;
        ASSERT_LT(to - from, 100000);
        for (double k = from; k <= to; ++k) {
            const auto [it, added] = cover.try_emplace(static_cast<std::int64_t>(k), rows);
            if (!added) {
                it->second.lo = std::min(it->second.lo, rows.lo);
                it->second.hi = std::max(it->second.hi, rows.hi);
            }
        }
    }

    std::map<std::int64_t, Rows> cover;  // pixel column → rows covered
    std::int64_t boxes = 0;

private:
    double axisFrom_, axisTo_;
    double bottom_;
};

struct Layout {
    const char* name;
    double left, right, shift;
};

// A panel of the histogram window and the chart of the zoom window, as the
// scripted desktop lays them out, and a chart narrower than its margin, whose
// bars run leftwards from the y-axis.
const Layout kLayouts[] = {
    {"panel", 946.44, 946.44 + 8604, 500},
    {"zoom", 2064, 2064 + 23220, 1000},
    {"cramped", 946.44, 946.44 + 300, 500},
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

void expectSamePixels(std::int32_t m, const Layout& layout, double maxY, double density,
                      std::uint64_t seed) {
    SCOPED_TRACE(std::string(layout.name) + ", m = " + std::to_string(m) +
                 ", maximum = " + std::to_string(maxY));
    FakePlatform ui;
    const double bottom = 8367;
    const double top = 2391;
    const BinCounters counts = randomCounts(m, seed, density);
    const double barWidth = ((layout.right - layout.left) - layout.shift) * (1.0 / m);
    ASSERT_TRUE(barsMerge(barWidth, kPixel));
    const double scale = maxY != 0 ? maxY : counts.maxBelow(m);
    const BarFrame frame{layout.left, bottom, top + layout.shift, (top - bottom) + layout.shift,
                         barWidth,    scale};

    PixelWindow single(ui, layout.left, layout.right, bottom);
    if (m <= 1000000 && barWidth >= 0) {
        drawEveryBar(single, counts, m, frame);
        EXPECT_EQ(single.boxes, m);
    } else {
        // Otherwise only the non-empty bars are drawn one by one, exactly as
        // drawEveryBar would draw them: the empty ones lie on the axis (or,
        // when the bars run leftwards, on its line extended, which the merged
        // drawing leaves blank like every empty bin).
        counts.forEachNonEmpty(m, [&](std::int32_t i, std::int32_t c) {
            single.Box(layout.left + static_cast<double>(i) * barWidth, barTop(frame, c),
                       layout.left + static_cast<double>(std::int64_t{i} + 1) * barWidth, bottom,
                       true);
        });
    }
    PixelWindow merged(ui, layout.left, layout.right, bottom);
    drawBarColumns(merged, counts, m, frame);

    ASSERT_FALSE(single.cover.empty());
    EXPECT_TRUE(merged.cover == single.cover)
        << merged.cover.size() << " columns covered instead of " << single.cover.size();
    // One rectangle per column covered at most.
    EXPECT_LE(merged.boxes, static_cast<std::int64_t>(merged.cover.size()));
}

TEST(HistogramBars, MergedColumnsGiveThePixelsOfSingleBars) {
    std::uint64_t seed = 1;
    for (const auto& layout : kLayouts) {
        for (std::int32_t m : {401, 1700, 1999, 7919, 49999, 400000, 1000000}) {
            if (!(((layout.right - layout.left) - layout.shift) / m < kPixel)) continue;
            for (double density : {1.0, 0.3, 0.01}) {
                expectSamePixels(m, layout, 0, density, ++seed);
            }
        }
    }
}

TEST(HistogramBars, MergedColumnsGiveThePixelsForHugeM) {
    std::uint64_t seed = 100;
    for (const auto& layout : kLayouts) {
        for (std::int32_t m : {10000000, 999999937, 2000000000, 2147483647}) {
            expectSamePixels(m, layout, 0, 0.5, ++seed);
        }
    }
}

TEST(HistogramBars, MergedColumnsGiveThePixelsWithATypedMaximum) {
    // Below the largest count (bars rise above the scale), above it, and
    // negative (bars hang below the x-axis).
    for (double maxY : {3.0, 500.0, -7.0}) {
        expectSamePixels(49999, kLayouts[0], maxY, 0.5, 42);
        expectSamePixels(2000000000, kLayouts[1], maxY, 0.5, 43);
        expectSamePixels(7919, kLayouts[2], maxY, 0.5, 44);
    }
}

// The merged drawing takes the runs of bars inside one column in a single
// step; the rectangles must be exactly those of the rule applied column by
// column, which this reference does literally for every non-empty bar: each
// column gets the largest count of the bars whose columns p(x1)..p(x2) hold
// it, neighbouring columns of the same count make one rectangle from the
// centre of the first to that of the last, in the order of the bars.
std::vector<DrawOp> columnByColumn(const BinCounters& counts, std::int32_t m,
                                   const BarFrame& frame) {
    std::map<double, std::int32_t> tallest;
    counts.forEachNonEmpty(m, [&](std::int32_t i, std::int32_t count) {
        const double x1 = frame.left + static_cast<double>(i) * frame.barWidth;
        const double x2 = frame.left + static_cast<double>(std::int64_t{i} + 1) * frame.barWidth;
        for (double k = std::min(pixel(x1), pixel(x2)); k <= std::max(pixel(x1), pixel(x2)); ++k) {
            tallest[k] = std::max(tallest[k], count);
        }
    });
    std::vector<std::pair<double, std::int32_t>> columns(tallest.begin(), tallest.end());
    if (frame.barWidth < 0) std::reverse(columns.begin(), columns.end());
    std::vector<DrawOp> out;
    for (std::size_t j = 0; j < columns.size();) {
        std::size_t last = j;
        while (last + 1 < columns.size() && columns[last + 1].second == columns[j].second &&
               std::abs(columns[last + 1].first - columns[last].first) == 1) {
            ++last;
        }
        out.push_back(DrawOp{DrawOp::Kind::Box, columns[j].first * 15,
                             barTop(frame, columns[j].second), columns[last].first * 15,
                             frame.bottom, "", true});
        j = last + 1;
    }
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

TEST(HistogramBars, MergedRectanglesAreExactlyThoseOfTheColumnRule) {
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
        const auto expected = columnByColumn(counts, c.m, frame);
        ASSERT_FALSE(expected.empty());
        EXPECT_TRUE(sameOps(merged.boxes, expected))
            << merged.boxes.size() << " rectangles instead of " << expected.size();
        // Each edge is the centre of a column, which the surface rounds to
        // that very column.
        for (const auto& b : merged.boxes) {
            for (double x : {b.x1, b.x2}) EXPECT_EQ(pixel(x) * 15, x);
        }
        // The same pass finds the largest count of the drawn bins.
        EXPECT_EQ(mergeBarColumns(counts, c.m, c.left, barWidth, kPixel).largest, counts.maxBelow(c.m));
    }
}

TEST(HistogramBars, UpperCounterIsNeverMerged) {
    for (std::int32_t m : {1000, 2000000000}) {
        BinCounters counts;
        counts.reset(m, 10);
        counts.add(m);  // only the upper counter holds something
        counts.finish();
        const BarColumns columns = mergeBarColumns(counts, m, 946.44, 8104.0 / m, kPixel);
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
    const auto widest = static_cast<std::int32_t>(std::floor(width / kPixel));
    ASSERT_GE(width / widest, kPixel);
    ASSERT_LT(width / (widest + 1), kPixel);

    addFromMain("1", std::to_string(widest));
    EXPECT_EQ(bars(form3(), c).size(), static_cast<std::size_t>(widest));

    addFromMain("1", std::to_string(widest + 1));
    // Bin 0 alone, over the columns of its two edges.
    const Chart c2 = panel(2);
    const double barWidth = width * (1.0 / (widest + 1));
    std::vector<DrawOp> merged;
    for (const auto& op : form3().picture(DrawOp::Kind::Box)) {
        if (op.y2 == c2.bottom && op.x1 >= c2.left - kPixel && op.x1 <= c2.right) {
            merged.push_back(op);
        }
    }
    ASSERT_EQ(merged.size(), 1u);
    EXPECT_EQ(merged[0].x1, pixel(c2.left) * 15);
    EXPECT_EQ(merged[0].x2, pixel(c2.left + barWidth) * 15);
    EXPECT_DOUBLE_EQ(merged[0].y1, c2.top + 500);
}

}  // namespace
}  // namespace corvane::testing
