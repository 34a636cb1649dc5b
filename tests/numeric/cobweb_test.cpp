#include "core/numeric/cobweb.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>
#include <vector>

#include "core/numeric/bifurcation.h"
#include "core/numeric/maps.h"

namespace corvane::cobweb {
namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();

Curve curveOf(int map, double a, int k, CurveOptions options = {}) {
    Curve c;
    sampleCurve(Map::fromChoice(map), a, k, options, c);
    return c;
}

PeriodicPoints pointsOf(int map, double a, int k) {
    PeriodicPoints p;
    findPeriodicPoints(Map::fromChoice(map), a, k, curveOf(map, a, k), p);
    return p;
}

// --- f^k and its slope ----------------------------------------------------------

TEST(CobwebSlope, ValuesAreTheMapsOwnAndSlopesTheChainRule) {
    struct Case {
        int map;
        double a;
        int k;
        double x;
    };
    const Case cases[] = {{1, 3.2, 1, 0.3},  {1, 3.9, 7, 0.123}, {1, 4.0, 12, 0.7},
                          {2, 2.2, 1, 0.4},  {2, 2.3, 5, 0.9},   {2, 1.7, 3, 0.25},
                          {1, 2.5, 64, 0.2}, {2, 2.5, 0, 0.6}};
    for (const Case& c : cases) {
        const Point p = iterateWithSlope(Map::fromChoice(c.map), c.a, c.k, c.x);
        // The value bit for bit as maps.h gives it.
        EXPECT_EQ(p.y, iterateMap(c.map, c.a, c.k, c.x)) << c.map << " " << c.a << " " << c.k;
        double slope = 1, x = c.x;
        for (int j = 0; j < c.k; ++j) {
            slope *= Map::fromChoice(c.map).stepper().slope(c.a, x);
            x = applyMap(c.map, c.a, x);
        }
        EXPECT_DOUBLE_EQ(p.slope, slope) << c.map << " " << c.a << " " << c.k;
    }
}

TEST(CobwebSlope, AgreesWithDifferenceQuotients) {
    for (int map : {1, 2}) {
        for (int k : {1, 2, 3}) {
            for (double x : {0.15, 0.4, 0.85}) {
                const double a = map == 1 ? 3.3 : 2.1;
                const double h = 1e-6;
                const double quotient =
                    (iterateMap(map, a, k, x + h) - iterateMap(map, a, k, x - h)) / (2 * h);
                EXPECT_NEAR(iterateWithSlope(Map::fromChoice(map), a, k, x).slope, quotient,
                            1e-6 * std::max(1.0, std::fabs(quotient)))
                    << map << " " << k << " " << x;
            }
        }
    }
}

// --- The curve --------------------------------------------------------------------

TEST(CobwebCurve, SamplesRunFromZeroToOneInOrderOnTheGraphWithTheirSlopes) {
    // Gentle and deep refinements, the budget's cut-off among them: every
    // sample holds f^k and its slope exactly as one orbit computes them,
    // however the refinement evaluated and moved it.
    struct Case {
        int map;
        double a;
        int k;
        std::int64_t budget;
    };
    for (const Case& t :
         {Case{1, 3.7, 5, 4'000'000}, Case{2, 2.3, 5, 4'000'000}, Case{1, 4.0, 12, 4'000'000},
          Case{2, 2.3, 12, 4'000'000}, Case{1, 4.0, 40, 1'000'000}}) {
        CurveOptions options;
        options.evaluationBudget = t.budget;
        const Curve c = curveOf(t.map, t.a, t.k, options);
        SCOPED_TRACE(testing::Message() << "map " << t.map << ", a = " << t.a << ", k = " << t.k);
        ASSERT_GE(c.size(), 1025u);
        EXPECT_EQ(c.budgetReached, t.budget < 4'000'000);
        ASSERT_EQ(c.y.size(), c.size());
        ASSERT_EQ(c.slope.size(), c.size());
        EXPECT_EQ(c.x.front(), 0.0);
        EXPECT_EQ(c.x.back(), 1.0);
        for (std::size_t i = 0; i < c.size(); ++i) {
            if (i > 0) {
                ASSERT_LT(c.x[i - 1], c.x[i]) << i;
            }
            const Point p = iterateWithSlope(Map::fromChoice(t.map), t.a, t.k, c.x[i]);
            ASSERT_EQ(c.y[i], p.y) << i;
            ASSERT_EQ(c.slope[i], p.slope) << i;
        }
    }
}

TEST(CobwebCurve, GentleGraphKeepsTheStartingGrid) {
    // f1 at a = 3 is one parabola: nothing to refine.
    const Curve c = curveOf(1, 3.0, 1);
    EXPECT_EQ(c.size(), 1025u);
    EXPECT_FALSE(c.budgetReached);
}

// f1 at a = 4 is conjugate to doubling: with x = sin²(πθ), f1^k(x) =
// sin²(2^k·πθ). Its humps lie between the zeros x = sin²(πm/2^k) and each
// reaches 1 at θ = (2m + 1)/2^(k+1).
double zeroOfF1At4(int k, int m) {
    const double s = std::sin(std::numbers::pi * m / std::ldexp(1.0, k));
    return s * s;
}

TEST(CobwebCurve, EveryHumpOfTheTwelfthIterateAtFourReachesTheTop) {
    const int k = 12;
    const Curve c = curveOf(1, 4.0, k);
    EXPECT_FALSE(c.budgetReached);
    const int humps = 1 << (k - 1);
    ASSERT_EQ(humps, 2048);
    std::size_t i = 0;
    int low = 0;
    for (int m = 0; m < humps; ++m) {
        const double from = zeroOfF1At4(k, m), to = zeroOfF1At4(k, m + 1);
        while (i < c.size() && c.x[i] <= from) ++i;
        double top = -1;
        for (; i < c.size() && c.x[i] < to; ++i) top = std::max(top, c.y[i]);
        if (top < 0.999) ++low;
        EXPECT_GE(top, 0.999) << "hump " << m << " between " << from << " and " << to;
        if (low > 5) break;
    }
    // Far fewer samples than a uniform grid fine enough for the narrowest hump.
    EXPECT_LT(c.size(), 300'000u);

    // The picture keeps them: per pixel column, the highest sample of the
    // column survives, so every column a hump lies in reaches 0.999.
    for (int columns : {400, 1000, 1920}) {
        std::vector<double> xs, ys;
        reduceToColumns(c, columns, xs, ys);
        EXPECT_LE(xs.size(), 4u * columns);
        std::vector<double> top(static_cast<std::size_t>(columns), -1);
        for (std::size_t j = 0; j < xs.size(); ++j) {
            const auto col = std::min(columns - 1, static_cast<int>(xs[j] * columns));
            top[static_cast<std::size_t>(col)] =
                std::max(top[static_cast<std::size_t>(col)], ys[j]);
        }
        int missing = 0;
        for (int m = 0; m < humps; ++m) {
            // The hump's peak, and the column it falls in.
            const double s = std::sin(std::numbers::pi * (2 * m + 1) / std::ldexp(1.0, k + 1));
            const auto col = std::min(columns - 1, static_cast<int>(s * s * columns));
            if (top[static_cast<std::size_t>(col)] < 0.999) ++missing;
        }
        EXPECT_EQ(missing, 0) << columns << " columns";
    }
}

TEST(CobwebCurve, ChaoticHighIteratesStopAtTheBudgetSpreadAcrossTheSpan) {
    // f1^k steep everywhere: the budget runs out with every interval still
    // wanting cuts, and what is left of it goes to all of them alike (the
    // graph as fine on the right as on the left).
    struct Case {
        double a;
        int k;
        std::int64_t budget;
    };
    for (const Case& t : {Case{4.0, 64, 2'000'000}, Case{3.9, 64, 4'000'000},
                          Case{4.0, 40, 1'000'000}, Case{3.9, 24, 300'000}}) {
        SCOPED_TRACE(testing::Message() << "a = " << t.a << ", k = " << t.k);
        CurveOptions options;
        options.evaluationBudget = t.budget;
        const Curve c = curveOf(1, t.a, t.k, options);
        EXPECT_TRUE(c.budgetReached);
        EXPECT_LE(c.size() * static_cast<std::size_t>(t.k), static_cast<std::size_t>(t.budget));
        EXPECT_GE(c.size(), 1025u);
        for (int third = 0; third < 3; ++third) {
            const auto in = std::count_if(c.x.begin(), c.x.end(), [&](double x) {
                return x >= third / 3.0 && x < (third + 1) / 3.0;
            });
            EXPECT_GE(4 * in, static_cast<std::ptrdiff_t>(c.size())) << "third " << third;
        }
    }
}

TEST(CobwebCurve, EscapingOrbitsLeaveNonFiniteSamplesAlone) {
    // f1 beyond 4 throws most of [0, 1] to −∞ within a few steps.
    const Curve c = curveOf(1, 5.0, 40);
    EXPECT_FALSE(c.budgetReached);
    EXPECT_TRUE(std::any_of(c.y.begin(), c.y.end(), [](double y) { return !std::isfinite(y); }));
}

TEST(CobwebCurve, HintsAreThoseOfAPlainScanOfTheFinishedCurve) {
    struct Case {
        int map;
        double a;
        int k;
    };
    const Case cases[] = {
        {1, 3.2, 2}, {1, 4.0, 12}, {2, 2.3, 3}, {1, 1 + std::sqrt(8.0), 3}, {1, 5.0, 40}};
    for (const Case& c : cases) {
        const Curve curve = curveOf(c.map, c.a, c.k);
        // g = f^k(x) − x zero at a sample, changing sign before the next,
        // or turning back towards zero between them (g·(s − 1) < 0 at the
        // first and > 0 at the next).
        std::vector<std::uint32_t> expected;
        for (std::size_t i = 0; i < curve.size(); ++i) {
            const double g = curve.y[i] - curve.x[i];
            bool hint = g == 0;
            if (i + 1 < curve.size()) {
                const double next = curve.y[i + 1] - curve.x[i + 1];
                hint = hint || g * next < 0 ||
                       (g * (curve.slope[i] - 1) < 0 && g * (curve.slope[i + 1] - 1) > 0);
            }
            if (hint) expected.push_back(static_cast<std::uint32_t>(i));
        }
        EXPECT_FALSE(expected.empty());
        EXPECT_EQ(curve.crossingHints, expected) << c.map << " " << c.a << " " << c.k;
    }
}

TEST(CobwebCurve, HintsMarkZerosSignChangesAndTurnsTowardsZero) {
    Curve c;
    // g = y − x: 0 at x = 0; −0.1, −0.1 (slope of g turning back: a hump
    // of g below zero); +0.2 (a change of sign); +0.3 (nothing).
    c.x = {0.0, 0.2, 0.4, 0.6, 0.8};
    c.y = {0.0, 0.1, 0.3, 0.8, 1.1};
    c.slope = {0.5, 2.0, 0.5, 1.5, 1.5};
    markCrossingHints(c);
    EXPECT_EQ(c.crossingHints, (std::vector<std::uint32_t>{0, 1, 2}));
}

TEST(CobwebReduce, KeepsFirstLowestHighestLastOfEachColumn) {
    Curve c;
    c.x = {0.0, 0.1, 0.2, 0.3, 0.4, 0.6, 0.7, 0.9};
    c.y = {0.5, 0.9, 0.1, 0.4, 0.3, 0.6, 0.6, 0.2};
    c.slope.assign(c.x.size(), 0);
    std::vector<double> xs, ys;
    reduceToColumns(c, 2, xs, ys);
    // Column 0: first 0.0, highest 0.1, lowest 0.2, last 0.4 (0.3 dropped).
    // Column 1: first 0.6, highest 0.6 (the same), lowest 0.9 = last.
    EXPECT_EQ(xs, (std::vector<double>{0.0, 0.1, 0.2, 0.4, 0.6, 0.9}));
    EXPECT_EQ(ys, (std::vector<double>{0.5, 0.9, 0.1, 0.3, 0.6, 0.2}));
    reduceToColumns(c, 0, xs, ys);
    EXPECT_TRUE(xs.empty());
}

// --- Periodic points ----------------------------------------------------------------

struct Expected {
    double x;
    double slope;
    int period;
};

void expectPoints(const PeriodicPoints& found, const std::vector<Expected>& expected,
                  const char* what) {
    ASSERT_EQ(found.points.size(), expected.size()) << what;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const PeriodicPoint& p = found.points[i];
        EXPECT_NEAR(p.x, expected[i].x, 1e-12) << what << " point " << i;
        EXPECT_NEAR(p.slope, expected[i].slope, 1e-9) << what << " point " << i;
        EXPECT_EQ(p.stable, std::fabs(expected[i].slope) < 1) << what << " point " << i;
        EXPECT_EQ(p.period, expected[i].period) << what << " point " << i;
    }
    EXPECT_FALSE(found.truncated);
}

TEST(CobwebPeriodicPoints, FixedPointsOfTheLogisticMap) {
    // f1(x) = x at 0 (slope a) and at 1 − 1/a (slope 2 − a) when a > 1.
    for (double a : {0.5, 0.9, 1.5, 2.8, 3.2, 3.9, 4.0}) {
        std::vector<Expected> expected = {{0, a, 1}};
        if (a > 1) expected.push_back({1 - 1 / a, 2 - a, 1});
        expectPoints(pointsOf(1, a, 1), expected, "f1");
    }
}

TEST(CobwebPeriodicPoints, SecondIterateOfTheLogisticMapAt3Point2) {
    // The fixed points with slope squared, and the 2-cycle
    // x± = ((a + 1) ± √((a + 1)(a − 3))) / (2a), whose slope is
    // f1′(x+)·f1′(x−) = −a² + 2a + 4.
    const double a = 3.2;
    const double root = std::sqrt((a + 1) * (a - 3));
    const double lo = ((a + 1) - root) / (2 * a), hi = ((a + 1) + root) / (2 * a);
    const double fixed = 1 - 1 / a;
    const double cycle = -a * a + 2 * a + 4;
    expectPoints(pointsOf(1, a, 2),
                 {{0, a * a, 1}, {lo, cycle, 2}, {fixed, (2 - a) * (2 - a), 1}, {hi, cycle, 2}},
                 "f1^2 at 3.2");
}

TEST(CobwebPeriodicPoints, FixedPointsOfTheSineMap) {
    // f2(x) = x at 0 and where a·x·sin(πx) = 1, found here by plain halving.
    for (double a : {1.9, 2.2, 2.45}) {
        auto h = [a](double x) { return (a * x) * std::sin(kPi * x) - 1; };
        std::vector<double> roots;
        const int grid = 1000;
        for (int i = 0; i < grid; ++i) {
            double lo = double(i) / grid, hi = double(i + 1) / grid;
            if ((h(lo) > 0) == (h(hi) > 0)) continue;
            for (int j = 0; j < 100; ++j) {
                const double mid = 0.5 * (lo + hi);
                ((h(mid) > 0) == (h(lo) > 0) ? lo : hi) = mid;
            }
            roots.push_back(lo);
        }
        ASSERT_EQ(roots.size(), 2u) << a;
        std::vector<Expected> expected = {{0, 0, 1}};
        for (double r : roots) expected.push_back({r, Map::sine().stepper().slope(a, r), 1});
        const PeriodicPoints found = pointsOf(2, a, 1);
        // The slope at 0 is exactly 0 (superstable).
        expectPoints(found, expected, "f2");
    }
}

TEST(CobwebPeriodicPoints, AllPointsOfPeriodTwelveAtFour) {
    // With x = sin²(πθ): 2^12·θ = ±θ (mod 1), θ in [0, 1/2]: θ = m/4095 for
    // m = 0 … 2047 and θ = m/4097 for m = 1 … 2048.
    std::vector<double> expected;
    for (int m = 0; m <= 2047; ++m)
        expected.push_back(std::pow(std::sin(std::numbers::pi * m / 4095), 2));
    for (int m = 1; m <= 2048; ++m)
        expected.push_back(std::pow(std::sin(std::numbers::pi * m / 4097), 2));
    std::sort(expected.begin(), expected.end());
    const PeriodicPoints found = pointsOf(1, 4.0, 12);
    ASSERT_EQ(found.points.size(), 4096u);
    int far = 0;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        if (!(std::fabs(found.points[i].x - expected[i]) < 1e-9)) ++far;
        EXPECT_FALSE(found.points[i].stable);
    }
    EXPECT_EQ(far, 0);
    // The two fixed points have period 1, the 2-cycle period 2.
    EXPECT_EQ(std::count_if(found.points.begin(), found.points.end(),
                            [](const PeriodicPoint& p) { return p.period == 1; }),
              2);
    EXPECT_EQ(std::count_if(found.points.begin(), found.points.end(),
                            [](const PeriodicPoint& p) { return p.period == 2; }),
              2);
}

TEST(CobwebPeriodicPoints, CloseCrossingsJustPastTheBirthOfPeriodThree) {
    // Just above a = 1 + √8 the two 3-cycles are born together, their points
    // in close pairs: 2 fixed points and 6 of period 3.
    const double a = 1 + std::sqrt(8.0) + 1e-7;
    const PeriodicPoints found = pointsOf(1, a, 3);
    ASSERT_EQ(found.points.size(), 8u);
    int three = 0, stable = 0;
    for (const PeriodicPoint& p : found.points) {
        EXPECT_LT(std::fabs(iterateMap(1, a, 3, p.x) - p.x), 1e-12);
        three += p.period == 3;
        stable += p.stable;
    }
    EXPECT_EQ(three, 6);
    EXPECT_EQ(stable, 3);  // the stable 3-cycle, slope just below 1
}

TEST(CobwebPeriodicPoints, TheListStopsAtItsLength) {
    PeriodicPoints p;
    findPeriodicPoints(Map::fromChoice(1), 4.0, 12, curveOf(1, 4.0, 12), p, 100);
    EXPECT_EQ(p.points.size(), 100u);
    EXPECT_TRUE(p.truncated);
}

// --- Orbit and staircase ----------------------------------------------------------------

TEST(CobwebOrbit, StepsOfTheIterate) {
    Orbit o;
    orbitOf(Map::fromChoice(1), 3.7, 3, 0.2, 10, o);
    ASSERT_EQ(o.x.size(), 11u);
    EXPECT_EQ(o.steps(), 10);
    EXPECT_EQ(o.stoppedAt, 0);
    double x = 0.2;
    for (std::size_t j = 1; j < o.x.size(); ++j) {
        x = iterateMap(1, 3.7, 3, x);
        EXPECT_EQ(o.x[j], x);
    }
}

TEST(CobwebOrbit, StopsWhereItLeavesThePicture) {
    struct Case {
        int map;
        double a;
        double x0;
        std::int64_t stoppedAt;
        bool finite;
    };
    // f1 at 4.5 from 0.5: 1.125 (still shown), then −0.6328125.
    const Case cases[] = {{1, 4.5, 0.5, 2, true}, {1, 3.0, kNaN, 1, false}, {1, 4.0, 0.5, 0, true}};
    for (const Case& c : cases) {
        Orbit o;
        orbitOf(Map::fromChoice(c.map), c.a, 1, c.x0, 50, o);
        EXPECT_EQ(o.stoppedAt, c.stoppedAt) << c.a << " " << c.x0;
        if (c.stoppedAt > 0) {
            EXPECT_EQ(o.steps(), c.stoppedAt - 1);
            EXPECT_EQ(std::isfinite(o.lastValue), c.finite);
        }
    }
    Orbit o;
    orbitOf(Map::fromChoice(1), 4.5, 1, 0.5, 50, o);
    EXPECT_EQ(o.lastValue, -0.6328125);
}

// --- Another span of x -------------------------------------------------------------

TEST(CobwebSpan, TheGraphTheColumnsAndTheOrbitFollowTheSpan) {
    struct Case {
        double from, to;
    };
    const Case cases[] = {{0, 1}, {-0.5, 1.5}, {-1, 1.5}, {0.2, 0.3}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "[" << c.from << ", " << c.to << "]");
        const Span span{c.from, c.to};
        CurveOptions options;
        options.span = span;
        const Curve curve = curveOf(1, 3.7, 2, options);
        EXPECT_EQ(curve.x.front(), c.from);
        EXPECT_EQ(curve.x.back(), c.to);
        for (std::size_t i = 0; i < curve.size(); ++i) {
            if (i > 0) {
                ASSERT_LT(curve.x[i - 1], curve.x[i]);
            }
            ASSERT_EQ(curve.y[i], iterateMap(1, 3.7, 2, curve.x[i]));
        }
        // Each column holds the samples of its own stretch of the span.
        std::vector<double> xs, ys;
        const int columns = 300;
        reduceToColumns(curve, columns, xs, ys, span);
        EXPECT_LE(xs.size(), 4u * columns);
        EXPECT_EQ(xs.front(), c.from);
        EXPECT_EQ(xs.back(), c.to);
        EXPECT_TRUE(std::is_sorted(xs.begin(), xs.end()));
        // The picture's range: a quarter of the span's width either way.
        EXPECT_DOUBLE_EQ(span.bottom(), c.from - (c.to - c.from) / 4);
        EXPECT_DOUBLE_EQ(span.top(), c.to + (c.to - c.from) / 4);
    }
    // [0, 1] is the default, sample for sample.
    CurveOptions unit;
    unit.span = {0, 1};
    const Curve given = curveOf(1, 4.0, 7, unit), implied = curveOf(1, 4.0, 7);
    EXPECT_EQ(given.x, implied.x);
    EXPECT_EQ(given.y, implied.y);
    EXPECT_EQ(Span{}.bottom(), -0.25);
    EXPECT_EQ(Span{}.top(), 1.25);
}

TEST(CobwebSpan, AnOrbitStopsOnlyWhereItLeavesTheSpansPicture) {
    // f1 at 4.5 from 0.5: 1.125, then −0.6328125, then beyond −2.
    struct Case {
        Span span;
        std::int64_t stoppedAt;
    };
    const Case cases[] = {{{0, 1}, 2}, {{-1, 1.5}, 3}, {{0.2, 0.3}, 1}, {{-100, 100}, 0}};
    for (const Case& c : cases) {
        Orbit o;
        orbitOf(Map::fromChoice(1), 4.5, 1, 0.5, 4, o, c.span);
        EXPECT_EQ(o.stoppedAt, c.stoppedAt) << c.span.from << " " << c.span.to;
    }
}

TEST(CobwebStaircase, TwoSegmentsAStepFromTheAxisUp) {
    const std::vector<double> orbit = {0.2, 0.6, 0.7};
    std::vector<Segment> s;
    staircase(orbit, s);
    ASSERT_EQ(s.size(), 4u);
    auto same = [](const Segment& a, const Segment& b) {
        return a.x1 == b.x1 && a.y1 == b.y1 && a.x2 == b.x2 && a.y2 == b.y2;
    };
    EXPECT_TRUE(same(s[0], {0.2, 0.0, 0.2, 0.6}));  // up from the axis to the graph
    EXPECT_TRUE(same(s[1], {0.2, 0.6, 0.6, 0.6}));  // across to the diagonal
    EXPECT_TRUE(same(s[2], {0.6, 0.6, 0.6, 0.7}));  // up to the graph
    EXPECT_TRUE(same(s[3], {0.6, 0.7, 0.7, 0.7}));  // across to the diagonal
    // Up from another height: the foot of a span the axis is not in.
    staircase(orbit, s, 0.1);
    EXPECT_TRUE(same(s[0], {0.2, 0.1, 0.2, 0.6}));
    EXPECT_TRUE(same(s[2], {0.6, 0.6, 0.6, 0.7}));
    staircase(std::vector<double>{0.2}, s);
    EXPECT_TRUE(s.empty());
}

TEST(CobwebStaircase, EachStepAddsOneVerticalAndOneHorizontal) {
    Orbit o;
    std::vector<Segment> s;
    for (std::int64_t n = 0; n <= 30; ++n) {
        orbitOf(Map::fromChoice(1), 3.9, 1, 0.3, n, o);
        staircase(o.x, s);
        ASSERT_EQ(s.size(), static_cast<std::size_t>(2 * n));
        if (n == 0) continue;
        const Segment& v = s[s.size() - 2];
        const Segment& h = s.back();
        EXPECT_EQ(v.x1, v.x2);  // vertical
        EXPECT_EQ(h.y1, h.y2);  // horizontal
        EXPECT_EQ(h.x2, h.y2);  // ends on the diagonal
        EXPECT_EQ(h.x2, o.x.back());
    }
}

TEST(CobwebTail, PeriodOfTheOrbitsTail) {
    struct Case {
        double a;
        int k;
        int period;
    };
    const Case cases[] = {{2.8, 1, 1}, {3.2, 1, 2}, {3.2, 2, 1}, {3.5, 1, 4},
                          {3.5, 2, 2}, {3.5, 4, 1}, {4.0, 1, 0}, {3.83, 1, 3}};
    for (const Case& c : cases) {
        Orbit o;
        orbitOf(Map::fromChoice(1), c.a, c.k, 0.3, 2000, o);
        EXPECT_EQ(tailPeriod(o.x), c.period) << c.a << " k=" << c.k;
    }
    EXPECT_EQ(tailPeriod(std::vector<double>{0.5}), 0);  // too short to tell
}

}  // namespace
}  // namespace corvane::cobweb
