// The plain kernels the windows share: orbit stepping as plotted, bin
// counting and the merging of narrow bars, against simple references.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <vector>

#include "core/numeric/bar_columns.h"
#include "core/numeric/bin_count.h"
#include "core/numeric/bin_counters.h"
#include "core/numeric/maps.h"
#include "core/numeric/orbit.h"

namespace corvane {
namespace {

struct Recorded {
    std::vector<std::pair<std::int64_t, double>> points;
    void put(std::int64_t n, double y) { points.emplace_back(n, y); }
};

// The stretches the windows draw with and the one-point-at-a-time loop the
// export uses give the same points and stop at the same step.
TEST(OrbitKernels, StretchesAndSinglePointsAgree) {
    struct Case {
        int map;
        double a, x0;
        std::int64_t N;
        std::int64_t lastDrawn;  // -1: all N
    };
    const Case cases[] = {
        {1, 3.9, 0.2, 5000, -1}, {2, 2.3, 0.6, 3000, -1}, {1, 4, 0.3, 1000, -1},
        {1, 5, 0.5, 10, 1},      {2, 5, 0.7, 10, 0},
    };
    const OrbitChart chart{9000, 4000};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.a);
        const auto step = [&](double x) { return applyMap(c.map, c.a, x); };
        Recorded stretched;
        double x = c.x0;
        std::int64_t drawn = c.N;
        for (std::int64_t n = 1; n <= c.N; ++n) {
            const std::int64_t last = n + std::min(c.N - n, kStretch - 1);
            const OrbitStretch s = orbitStretch(step, x, n, last, 1023, chart, stretched);
            x = s.x;
            n = s.n;
            if (s.offChart) {
                drawn = n - 1;
                break;
            }
        }
        std::vector<std::pair<std::int64_t, double>> single;
        const PlottedOrbitEnd end = forEachPlottedPoint(
            step, c.x0, c.N, chart, 1023,
            [&](std::int64_t n, double, double placed) { single.emplace_back(n, placed); },
            [](std::int64_t) { return false; });
        EXPECT_EQ(end.lastDrawn, drawn);
        EXPECT_EQ(end.offChart, c.lastDrawn >= 0);
        if (c.lastDrawn >= 0) {
            EXPECT_EQ(drawn, c.lastDrawn);
        }
        EXPECT_EQ(single, stretched.points);
    }
}

TEST(OrbitKernels, APollCanStopTheOrbit) {
    std::int64_t points = 0;
    const PlottedOrbitEnd end = forEachPlottedPoint(
        [](double x) { return f1(3.7, x); }, 0.2, 100000, OrbitChart{9000, 4000}, 1023,
        [&](std::int64_t, double, double) { ++points; },
        [](std::int64_t n) { return n >= 4096; });
    EXPECT_TRUE(end.stopped);
    EXPECT_EQ(end.lastDrawn, 4096);
    EXPECT_EQ(points, 4096);
}

// Counting into the plain array and into the table give what the bisection
// over the bin edges gives, iterate by iterate.
TEST(BinKernels, CountingAgreesWithTheBisection) {
    for (const std::int32_t m : {1, 7, 1000, 5000000, 2000000000}) {
        SCOPED_TRACE(m);
        const std::int64_t N = 20000;
        BinCounters counts;
        counts.reset(m, N);
        const double width = 1.0 / m;
        ASSERT_TRUE(countOrbitInto(
            counts, [](double x) { return f1(3.99, x); }, 0.3, N, m, width, 4095,
            [](std::int64_t) { return false; }));
        counts.finish();
        std::map<std::int32_t, std::int32_t> expected;
        double x = 0.3;
        for (std::int64_t n = 1; n <= N; ++n) {
            x = f1(3.99, x);
            std::int32_t lo = 0;
            ++expected[bisectBin(x, lo, m, width)];
        }
        for (const auto& [bin, count] : expected) EXPECT_EQ(counts.at(bin), count) << bin;
    }
}

// Merged per pixel column of any width: each column gets the tallest bar
// that reaches into it.
TEST(BarKernels, ColumnsTakeTheTallestBarAtAnyPixelWidth) {
    for (const double column : {15.0, 7.5, 10.0}) {
        SCOPED_TRACE(column);
        const std::int32_t m = 3001;
        BinCounters counts;
        counts.reset(m, 100000);
        double x = 0.2;
        for (int n = 0; n < 100000; ++n) {
            x = f1(4, x);
            std::int32_t lo = 0;
            counts.add(bisectBin(x, lo, m, 1.0 / m));
        }
        counts.finish();
        const double left = 612.3;
        const double width = 7123.4 / m;
        ASSERT_TRUE(barsMerge(width, column));
        const BarColumns merged = mergeBarColumns(counts, m, left, width, column);
        // The reference: every bar onto the columns its edges round to.
        std::map<std::int64_t, std::int32_t> tallest;
        for (std::int32_t i = 0; i < m; ++i) {
            if (counts.at(i) == 0) continue;
            const auto first = static_cast<std::int64_t>(std::floor(barEdge(left, width, i) / column + 0.5));
            const auto last = static_cast<std::int64_t>(std::floor(barEdge(left, width, i + 1) / column + 0.5));
            for (std::int64_t p = first; p <= last; ++p) tallest[p] = std::max(tallest[p], counts.at(i));
        }
        std::map<std::int64_t, std::int32_t> got;
        for (const BarColumn& c : merged.columns) {
            const auto from = static_cast<std::int64_t>(std::floor(c.from / column + 0.5));
            const auto to = static_cast<std::int64_t>(std::floor(c.to / column + 0.5));
            EXPECT_EQ(c.from, static_cast<double>(from) * column);  // column centres
            for (std::int64_t p = from; p <= to; ++p) got[p] = std::max(got[p], c.tallest);
        }
        EXPECT_EQ(got, tallest);
        EXPECT_EQ(merged.largest, counts.maxBelow(m));
    }
}

}  // namespace
}  // namespace corvane
