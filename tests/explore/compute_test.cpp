// The explorer's computation on the threads: every column where it belongs,
// the same bits on one thread or several, in waves or in one pass.
#include <gtest/gtest.h>
#include <oneapi/tbb/task_arena.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <climits>
#include <cmath>
#include <stdexcept>
#include <vector>

#include "core/numeric/maps.h"
#include "explore/bifurcation_compute.h"
#include "explore/bifurcation_engine.h"
#include "explore/parallel.h"

namespace corvane::explore {
namespace {

ColumnData computeOn(int threads, const View& view, int columns, int rows) {
    tbb::task_arena arena(threads);
    ColumnData data;
    arena.execute([&] { computeView(view, columns, rows, data); });
    return data;
}

void expectSameBits(const ColumnData& a, const ColumnData& b) {
    ASSERT_EQ(a.columns, b.columns);
    ASSERT_EQ(a.rows, b.rows);
    for (int bin = 0; bin < a.rows; ++bin) {
        for (int c = 0; c < a.columns; ++c) {
            ASSERT_EQ(a.count(c, bin), b.count(c, bin)) << "column " << c << " bin " << bin;
        }
    }
    EXPECT_EQ(a.densestOf, b.densestOf);
    for (int c = 0; c < a.columns; ++c) {
        const auto& x = a.outcomes[std::size_t(c)];
        const auto& y = b.outcomes[std::size_t(c)];
        EXPECT_EQ(std::bit_cast<std::uint64_t>(x.lyapunov),
                  std::bit_cast<std::uint64_t>(y.lyapunov))
            << c;
        EXPECT_EQ(x.period, y.period) << c;
        EXPECT_EQ(x.escaped, y.escaped) << c;
        EXPECT_EQ(x.leftRange, y.leftRange) << c;
    }
}

View small(int map) {
    View v = startView(Map::fromChoice(map));
    v.transient = 300;
    v.kept = 700;
    return v;
}

TEST(ExploreCompute, ParallelForHandsOutEveryPieceOnceAtMostGrainLong) {
    struct Case {
        int begin, end, grain;
    };
    const Case cases[] = {{0, 0, 1},
                          {3, 2, 1},
                          {0, 1, 1},
                          {0, 10, 3},
                          {5, 100, 7},
                          {-10, 10, 4},
                          {0, 50, 0},
                          {0, 5, 100},
                          {INT_MAX - 5, INT_MAX, 2},
                          {INT_MIN, INT_MIN + 9, INT_MAX}};
    for (const Case& c : cases) {
        const long long length = std::max(0LL, (long long)c.end - c.begin);
        std::vector<std::atomic<int>> hits(static_cast<std::size_t>(length));
        std::atomic<bool> tooLong{false};
        parallelFor(c.begin, c.end, c.grain, [&](int from, int to) {
            if ((long long)to - from > std::max(c.grain, 1) || to <= from) tooLong = true;
            for (long long i = from; i < to; ++i) ++hits[std::size_t(i - c.begin)];
        });
        EXPECT_FALSE(tooLong) << c.begin << " " << c.end << " " << c.grain;
        EXPECT_TRUE(std::all_of(hits.begin(), hits.end(), [](const auto& h) { return h == 1; }))
            << c.begin << " " << c.end << " " << c.grain;
    }
}

TEST(ExploreCompute, ParallelForThrowsAPiecesExceptionAfterAllStopped) {
    std::atomic<int> ran{0};
    EXPECT_THROW(parallelFor(0, 64, 1,
                             [&](int from, int) {
                                 ++ran;
                                 if (from == 17) throw std::runtime_error("piece 17");
                             }),
                 std::runtime_error);
    // Usable again at once.
    std::atomic<int> again{0};
    parallelFor(0, 64, 1, [&](int from, int to) { again += to - from; });
    EXPECT_EQ(again, 64);
    EXPECT_GE(ran, 1);
}

TEST(ExploreCompute, SameBitsOnOneTwoAndFourThreads) {
    for (int map : {1, 2}) {
        const View v = small(map);
        const ColumnData one = computeOn(1, v, 203, 90);
        for (int threads : {2, 4}) {
            SCOPED_TRACE(testing::Message() << "map " << map << ", threads " << threads);
            const ColumnData many = computeOn(threads, v, 203, 90);
            expectSameBits(one, many);
            EXPECT_EQ(shade(one), shade(many));
        }
    }
}

TEST(ExploreCompute, SameBitsFromRunToRun) {
    const View v = small(1);
    expectSameBits(computeOn(2, v, 150, 64), computeOn(2, v, 150, 64));
}

TEST(ExploreCompute, WavesGiveWhatOnePassGives) {
    const View v = small(1);
    const ColumnData whole = computeOn(2, v, 130, 50);
    ColumnData waves(130, 50);
    tbb::task_arena arena(2);
    for (int first = 0; first < 130; first += 32) {
        arena.execute([&] { EXPECT_TRUE(computeColumnRange(v, 130, first, first + 32, waves)); });
    }
    expectSameBits(whole, waves);
}

// Each column is the plain orbit at the a of its centre, counted into the
// bins of its x; the picture's row b holds bin b.
TEST(ExploreCompute, EveryColumnIsTheOrbitAtItsCentre) {
    View v = small(1);
    v.aMin = 3.4;
    v.aMax = 3.9;
    v.xMin = 0.3;
    v.xMax = 0.95;
    const int columns = 37, rows = 41;
    const ColumnData data = computeOn(2, v, columns, rows);
    for (int c : {0, 5, 17, 36}) {
        const double a = v.aMin + (v.aMax - v.aMin) * ((c + 0.5) / columns);
        std::vector<std::uint32_t> want(rows);
        double x = v.x0;
        for (int n = 0; n < v.transient; ++n) x = f1(a, x);
        for (int n = 0; n < v.kept; ++n) {
            x = f1(a, x);
            const double bin = (x - v.xMin) * (rows / (v.xMax - v.xMin));
            if (bin >= 0 && bin < rows) ++want[std::size_t(bin)];
        }
        std::uint32_t most = 0;
        for (int b = 0; b < rows; ++b) {
            EXPECT_EQ(data.count(c, b), want[std::size_t(b)]) << c << " " << b;
            most = std::max(most, want[std::size_t(b)]);
        }
        EXPECT_EQ(data.densestOf[std::size_t(c)], most);
    }
}

TEST(ExploreCompute, CountsEveryStepAndStopsWhenAsked) {
    const View v = small(2);
    ColumnData data(64, 30);
    std::atomic<std::int64_t> steps{0};
    tbb::task_arena arena(2);
    arena.execute([&] { EXPECT_TRUE(computeColumnRange(v, 64, 0, 64, data, {}, &steps)); });
    EXPECT_EQ(steps.load(), 64 * (v.transient + v.kept));
    bool stopped = false;
    arena.execute([&] { stopped = !computeColumnRange(v, 64, 0, 64, data, [] { return true; }); });
    EXPECT_TRUE(stopped);
}

TEST(ExploreCompute, ShadeTopRowIsTheTopOfTheView) {
    View v = small(1);
    v.aMin = 2.7;  // a fixed point 1 − 1/a below 0.65 for every column
    v.aMax = 2.8;
    const ColumnData data = computeOn(1, v, 8, 10);
    const std::vector<std::uint8_t> image = shade(data);
    for (int c = 0; c < 8; ++c) {
        const double a = 2.7 + 0.1 * ((c + 0.5) / 8);
        const int bin = int((1 - 1 / a) * 10);
        EXPECT_EQ(image[std::size_t((9 - bin) * 8 + c)], 0) << c;  // all K in one pixel
        EXPECT_EQ(image[std::size_t(0 * 8 + c)], 255) << c;
    }
}

// The window keeps its picture's memory from view to view, and only the rows
// with counts are written: a dense picture followed by a sparse one, or by
// one that stops part-way, must show nothing of the earlier one.
TEST(ExploreCompute, AReusedPictureShowsNothingOfTheLastOne) {
    View chaotic = small(1);
    chaotic.aMin = 3.9;
    chaotic.aMax = 4.0;
    View fixedPoint = small(1);
    fixedPoint.aMin = 2.6;
    fixedPoint.aMax = 2.8;
    for (const int columns : {64, 37}) {  // whole tiles, and a partial last tile
        SCOPED_TRACE(columns);
        tbb::task_arena arena(2);
        ColumnData reused;
        arena.execute([&] { computeView(chaotic, columns, 120, reused); });
        arena.execute([&] { computeView(fixedPoint, columns, 120, reused); });
        const ColumnData fresh = computeOn(2, fixedPoint, columns, 120);
        expectSameBits(reused, fresh);
        EXPECT_EQ(shade(reused), shade(fresh));
        int filledPixels = 0;
        for (int c = 0; c < columns; ++c) {
            for (int b = 0; b < 120; ++b) filledPixels += reused.count(c, b) != 0;
        }
        EXPECT_EQ(filledPixels, columns);  // one fixed point a column
    }
}

TEST(ExploreCompute, StartViewsAreTheMapsInterestingRanges) {
    const View f1 = startView(Map::logistic());
    EXPECT_EQ(f1.map, Map::logistic());
    EXPECT_EQ(f1.x0, 0.5);
    EXPECT_EQ(f1.transient, 1000);
    EXPECT_EQ(f1.kept, 1000);
    const View f2 = startView(Map::sine());
    EXPECT_EQ(f2.map, Map::sine());
    EXPECT_NEAR(f2.x0, 0.7286, 1e-4);
    EXPECT_EQ(startView(Map()).map, Map::logistic());
}

// The engine hands out only the newest computation, finished, equal to the
// same view computed in one pass.
bool waitFinished(const BifurcationEngine& engine, std::uint64_t generation,
                  BifurcationEngine::Snapshot& last) {
    for (int i = 0; i < 20000; ++i) {
        last = engine.poll();
        EXPECT_EQ(last.generation, generation);
        if (last.finished) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return false;
}

TEST(ExploreEngine, FinishesWithTheWholePicture) {
    BifurcationEngine engine(2);
    const View v = small(1);
    const std::uint64_t g = engine.start(v, 120, 40);
    BifurcationEngine::Snapshot s;
    ASSERT_TRUE(waitFinished(engine, g, s));
    EXPECT_EQ(s.columnsDone, 120);
    EXPECT_EQ(s.fractionDone, 1.0);
    expectSameBits(*s.data, computeOn(1, v, 120, 40));
}

TEST(ExploreEngine, ANewerViewStopsTheOlderOne) {
    BifurcationEngine engine(2);
    View slow = small(1);
    slow.aMin = 3.9;  // chaotic: no cycles to skip
    slow.aMax = 4.0;
    slow.kept = 100'000'000;
    engine.start(slow, 200, 50);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const View quick = small(2);
    const std::uint64_t g = engine.start(quick, 64, 20);
    BifurcationEngine::Snapshot s;
    ASSERT_TRUE(waitFinished(engine, g, s));
    expectSameBits(*s.data, computeOn(1, quick, 64, 20));
}

TEST(ExploreEngine, CancelLeavesNothingToShow) {
    BifurcationEngine engine(2);
    View slow = small(1);
    slow.kept = 100'000'000;
    slow.aMin = 3.9;
    engine.start(slow, 100, 20);
    engine.cancel();
    const BifurcationEngine::Snapshot s = engine.poll();
    EXPECT_FALSE(s.data);
    EXPECT_EQ(s.columnsDone, 0);
}

}  // namespace
}  // namespace corvane::explore
