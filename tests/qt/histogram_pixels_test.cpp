// Bars narrower than a pixel are drawn one column at a time; on the real
// surface that must give exactly the pixels of drawing every bar.
#include <cmath>
#include <cstdint>
#include <vector>

#include "core/numeric/maps.h"
#include "tests/qt/qt_test_support.h"
#include "core/numeric/bin_counters.h"
#include "windows/histogram/histogram_bars.h"

namespace corvane::platform::testing {
namespace {

// Counts an orbit of f1 into m bins, the way the histogram window does.
BinCounters countOrbit(double a, double x0, std::int64_t n, std::int32_t m) {
    BinCounters counts;
    counts.reset(m, n);
    const double width = 1.0 / m;
    double x = x0;
    for (std::int64_t i = 0; i < n; ++i) {
        x = f1(a, x);
        if (x >= 0 && x <= 1) {
            std::int64_t j = static_cast<std::int64_t>(x * m);
            if (j > m) j = m;
            while (j > 0 && x < static_cast<double>(j) * width) --j;
            while (j < m && x >= static_cast<double>(j + 1) * width) ++j;
            counts.add(static_cast<std::int32_t>(j));
        }
    }
    counts.finish();
    return counts;
}

TEST(HistogramPixels, ColumnsGiveThePixelsOfEveryBar) {
    QtPlatform platform;
    // Whatever the density: a pixel is 15 twips at 96 dots per inch, 7.5 at 192.
    const double column = platform.surfaceTwipsPerPixel();
    struct Case {
        double a, x0;
        std::int64_t n;
        std::int32_t m;
        double left, width;  // chart, in twips
        std::int32_t maxY;   // typed maximum; 0: the largest count
    };
    const std::vector<Case> cases = {
        {4.0, 0.2, 20000, 1000, 600, 8000, 0},      // about 8 twips a bar
        {4.0, 0.2, 20000, 1777, 615.4, 8123.7, 0},  // edges off the pixel grid
        {3.9, 0.3, 50000, 10000, 600, 8000, 0},
        {3.7, 0.2, 30000, 65537, 1234.5, 9000, 0},
        {4.0, 0.1, 100000, 1000000, 600, 8000, 0},
        {3.99, 0.4, 5000, 2000000000, 600, 8000, 0},    // far fewer hits than bins
        {3.98, 0.31, 60000, 999983, 607.7, 8111.3, 0},  // left edge off the grid
        // A typed maximum below the largest count: bars rise above the scale
        // and out of the window.
        {4.0, 0.2, 40000, 3001, 622.1, 7999.9, 30},
        // A negative maximum: the bars hang below the x-axis.
        {3.8, 0.2, 20000, 4999, 611.6, 8005.5, -2000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.m);
        const BinCounters counts = countOrbit(c.a, c.x0, c.n, c.m);
        BarFrame frame;
        frame.left = c.left;
        frame.bottom = 7000;
        frame.scaleTop = 2000;
        frame.span = frame.scaleTop - frame.bottom;
        frame.barWidth = (c.width - 500) * (1.0 / c.m);
        frame.maxY = c.maxY != 0 ? c.maxY : counts.maxBelow(c.m);
        ASSERT_NE(frame.maxY, 0);
        // At a high density the widest of these bars are a pixel wide or more.
        if (!barsMerge(frame.barWidth, column)) continue;
        // Every bar as its own rectangle, over the x-axis as the histogram
        // draws it: the empty bars, of height 0, lie on the axis.
        auto everyBar = platform.createWindow("every");
        auto columns = platform.createWindow("columns");
        for (auto* w : {everyBar.get(), columns.get()}) {
            w->Line(frame.left, frame.bottom, frame.left + c.width, frame.bottom);
        }
        counts.forEachNonEmpty(c.m, [&](std::int32_t bin, std::int32_t count) {
            everyBar->Box(
                frame.left + static_cast<double>(bin) * frame.barWidth, barTop(frame, count),
                frame.left + static_cast<double>(bin + 1) * frame.barWidth, frame.bottom, true);
        });
        drawBarColumns(*columns, counts, c.m, frame);
        const QImage expected = qtWindow(*everyBar).image();
        const QImage actual = qtWindow(*columns).image();
        ASSERT_EQ(expected.size(), actual.size());
        int differing = 0;
        for (int y = 0; y < expected.height(); ++y) {
            for (int x = 0; x < expected.width(); ++x) {
                if (expected.pixel(x, y) != actual.pixel(x, y) && differing++ < 5) {
                    ADD_FAILURE() << "pixel " << x << ", " << y << " differs";
                }
            }
        }
        EXPECT_EQ(differing, 0);
        EXPECT_GT(countBlack(actual), 0);
        // The bars do reach out of the window, or below the axis.
        const int axisRow = static_cast<int>(std::floor(frame.bottom / column + 0.5));
        const int row = c.maxY < 0 ? axisRow + 1 : 0;
        if (c.maxY != 0) {
            int reached = 0;
            for (int x = 0; x < actual.width(); ++x) reached += isBlack(actual, x, row);
            EXPECT_GT(reached, 0);
        }
    }
}

}  // namespace
}  // namespace corvane::platform::testing
