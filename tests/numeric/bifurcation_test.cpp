#include "core/numeric/bifurcation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numeric>
#include <vector>

#include "core/numeric/maps.h"

namespace corvane::bifurcation {
namespace {

const double kInf = std::numeric_limits<double>::infinity();

// One column at a time, one plain step after the other, the logarithms summed
// one by one: what the kernel must agree with.
struct Reference {
    std::vector<std::uint32_t> counts;
    bool escaped = false;
    bool left = false;
    double lyapunov = 0;
    int period = 0;
};

double slopeByHand(int map, double a, double x) {
    if (map == 1) return a - 2 * a * x;
    const double t = kPi * x;
    return a * (2 * x * std::sin(t) + x * x * kPi * std::cos(t));
}

Reference reference(const OrbitSetup& s, double a) {
    const int map = s.map.kind() == Map::Kind::Sine ? 2 : 1;
    Reference r;
    r.counts.assign(static_cast<std::size_t>(s.rows), 0);
    double x = s.x0;
    r.left = !(x >= 0 && x <= 1);
    for (std::int64_t n = 0; n < s.transient; ++n) {
        x = applyMap(map, a, x);
        r.left = r.left || x < 0 || x > 1;
    }
    std::vector<double> kept;
    double sum = 0;
    bool zero = false;
    for (std::int64_t n = 0; n < s.kept && std::isfinite(x); ++n) {
        x = applyMap(map, a, x);
        r.left = r.left || x < 0 || x > 1;
        const double bin = (x - s.xMin) * (s.rows / (s.xMax - s.xMin));
        if (bin >= 0 && bin < s.rows) ++r.counts[static_cast<std::size_t>(bin)];
        const double d = std::fabs(slopeByHand(map, a, x));
        zero = zero || d == 0;
        sum += std::log(d);
        kept.push_back(x);
    }
    r.escaped = !std::isfinite(x);
    r.left = r.left || r.escaped;
    if (s.kept == 0) {
        r.lyapunov = std::numeric_limits<double>::quiet_NaN();
    } else if (r.escaped) {
        r.lyapunov = kInf;
    } else if (zero) {
        r.lyapunov = -kInf;
    } else {
        r.lyapunov = sum / static_cast<double>(s.kept);
    }
    if (!r.escaped) {
        const std::size_t w = std::min<std::size_t>(kept.size(), kTailLength);
        r.period = periodOf(std::span(kept).last(w));
    }
    return r;
}

struct Columns {
    std::vector<std::uint32_t> counts;  // the bins of every column, without scratch
    std::vector<ColumnOutcome> outcomes;
};

// Columns a[0..) computed in groups of `group`.
Columns compute(const OrbitSetup& s, const std::vector<double>& a, std::size_t group) {
    Columns c;
    const std::size_t stride = std::size_t(s.rows) + 1;
    std::vector<std::uint32_t> counts(a.size() * stride, 0);
    c.outcomes.resize(a.size());
    for (std::size_t i = 0; i < a.size(); i += group) {
        const std::size_t n = std::min(group, a.size() - i);
        const Bins bins{counts.data() + i * stride, std::ptrdiff_t(stride), 1};
        EXPECT_TRUE(computeColumns(s, std::span(a).subspan(i, n), bins,
                                   std::span(c.outcomes).subspan(i, n)));
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        c.counts.insert(c.counts.end(), counts.begin() + std::ptrdiff_t(i * stride),
                        counts.begin() + std::ptrdiff_t(i * stride + std::size_t(s.rows)));
    }
    return c;
}

std::vector<double> spread(double lo, double hi, int n) {
    std::vector<double> a;
    for (int i = 0; i < n; ++i) a.push_back(columnA(lo, hi, i, n));
    return a;
}

void expectLyapunovNear(double got, double want, const char* what) {
    if (std::isnan(want)) {
        EXPECT_TRUE(std::isnan(got)) << what;
    } else if (std::isinf(want)) {
        EXPECT_EQ(got, want) << what;
    } else {
        EXPECT_NEAR(got, want, 1e-12 * std::max(1.0, std::fabs(want))) << what;
    }
}

struct KernelCase {
    const char* name;
    int map;
    double aMin, aMax;
    int columns;
    double x0;
    std::int64_t transient, kept;
    double xMin, xMax;
    int rows;
};

class KernelAgainstReference : public testing::TestWithParam<KernelCase> {};

TEST_P(KernelAgainstReference, CountsOutcomesAndLyapunovAgree) {
    const KernelCase& k = GetParam();
    OrbitSetup s;
    s.map = Map::fromChoice(k.map);
    s.x0 = k.x0;
    s.transient = k.transient;
    s.kept = k.kept;
    s.xMin = k.xMin;
    s.xMax = k.xMax;
    s.rows = k.rows;
    const std::vector<double> a = spread(k.aMin, k.aMax, k.columns);
    const Columns got = compute(s, a, kLanes);
    for (std::size_t i = 0; i < a.size(); ++i) {
        const Reference want = reference(s, a[i]);
        SCOPED_TRACE(testing::Message() << "a = " << a[i]);
        const std::vector<std::uint32_t> column(
            got.counts.begin() + static_cast<std::ptrdiff_t>(i * k.rows),
            got.counts.begin() + static_cast<std::ptrdiff_t>((i + 1) * k.rows));
        ASSERT_EQ(column, want.counts);
        EXPECT_EQ(got.outcomes[i].escaped, want.escaped);
        EXPECT_EQ(got.outcomes[i].leftRange, want.left);
        EXPECT_EQ(got.outcomes[i].period, want.period);
        expectLyapunovNear(got.outcomes[i].lyapunov, want.lyapunov, "lyapunov");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Views, KernelAgainstReference,
    testing::Values(KernelCase{"f1Start", 1, 2.5, 4.0, 53, 0.5, 300, 500, 0, 1, 97},
                    KernelCase{"f1ChunkBoundaries", 1, 3.4, 3.99, 17, 0.5, 4097, 8200, 0, 1, 64},
                    KernelCase{"f1Escapes", 1, 3.9, 4.6, 21, 0.5, 10, 200, -1, 2, 50},
                    KernelCase{"f1ZoomedWindow", 1, 3.8284, 3.8415, 40, 0.5, 1000, 1000, 0.14, 0.18,
                               80},
                    KernelCase{"f1NoKept", 1, 2.5, 4.0, 5, 0.5, 100, 0, 0, 1, 10},
                    KernelCase{"f1OneKept", 1, 2.5, 4.0, 5, 0.2, 0, 1, 0, 1, 10},
                    KernelCase{"f1NegativeA", 1, -2.0, -1.0, 9, 0.3, 100, 300, -1, 1, 40},
                    KernelCase{"f2Start", 2, 1.5, 2.6, 47, 0.7285, 300, 500, 0, 1, 73},
                    KernelCase{"f2Escapes", 2, 2.4, 3.5, 19, 0.7285, 50, 400, 0, 1, 30},
                    KernelCase{"f2FromZero", 2, 1.5, 2.6, 7, 0.0, 10, 100, 0, 1, 20}),
    [](const testing::TestParamInfo<KernelCase>& info) { return std::string(info.param.name); });

TEST(Kernel, GroupingNeverChangesAColumn) {
    OrbitSetup s;
    s.map = Map::logistic();
    s.transient = 200;
    s.kept = 700;
    s.rows = 120;
    const std::vector<double> a = spread(2.9, 4.1, 37);
    const Columns byLanes = compute(s, a, kLanes);
    for (std::size_t group : {std::size_t{1}, std::size_t{5}, std::size_t{13}}) {
        const Columns other = compute(s, a, group);
        EXPECT_EQ(other.counts, byLanes.counts) << group;
        for (std::size_t i = 0; i < a.size(); ++i) {
            // A group skips the repeats of exact cycles only when all its
            // orbits repeat, so λ's rounding may differ with the grouping.
            expectLyapunovNear(other.outcomes[i].lyapunov, byLanes.outcomes[i].lyapunov,
                               "lyapunov");
            EXPECT_EQ(other.outcomes[i].period, byLanes.outcomes[i].period);
            EXPECT_EQ(other.outcomes[i].escaped, byLanes.outcomes[i].escaped);
        }
    }
}

// A picture counts row by row (bin b of column i at b·width + i), with the
// groups side by side; the counts are the same as column by column, and
// what was in the picture before does not matter.
TEST(Kernel, RowMajorPictureHoldsTheSameCounts) {
    OrbitSetup s;
    s.map = Map::logistic();
    s.transient = 100;
    s.kept = 900;
    s.rows = 40;
    const int width = 2 * kLanes + 5;
    const std::vector<double> a = spread(2.9, 4.0, width);
    const Columns byColumn = compute(s, a, kLanes);
    std::vector<std::uint32_t> picture(std::size_t(width) * (s.rows + 1), 0xdeadbeef);
    std::vector<ColumnOutcome> out(a.size());
    for (int i = 0; i < width; i += kLanes) {
        const int n = std::min(kLanes, width - i);
        ASSERT_TRUE(computeColumns(s, std::span(a).subspan(std::size_t(i), std::size_t(n)),
                                   Bins{picture.data() + i, 1, width},
                                   std::span(out).subspan(std::size_t(i), std::size_t(n))));
    }
    for (int i = 0; i < width; ++i) {
        for (int b = 0; b < s.rows; ++b) {
            ASSERT_EQ(picture[std::size_t(b * width + i)],
                      byColumn.counts[std::size_t(i * s.rows + b)])
                << i << " " << b;
        }
    }
}

ColumnOutcome single(int map, double a, std::int64_t transient, std::int64_t kept, double x0 = -1) {
    OrbitSetup s;
    s.map = Map::fromChoice(map);
    s.x0 = x0 < 0 ? s.map.startX0() : x0;
    s.transient = transient;
    s.kept = kept;
    ColumnOutcome o;
    const double as[] = {a};
    EXPECT_TRUE(computeColumns(s, as, Bins{}, std::span(&o, 1)));
    return o;
}

// λ of an attracting cycle is the mean of ln|f′| over the cycle; for f1's
// fixed point 1 − 1/a that is ln|2 − a|, for its 2-cycle ½·ln|4 + 2a − a²|.
TEST(Lyapunov, AnalyticValuesOfF1) {
    struct Row {
        double a;
        double lambda;
    };
    const Row rows[] = {
        {1.5, std::log(0.5)},
        {2.5, std::log(0.5)},
        {2.8, std::log(0.8)},
        {3.2, 0.5 * std::log(std::fabs(4 + 2 * 3.2 - 3.2 * 3.2))},
        {3.4, 0.5 * std::log(std::fabs(4 + 2 * 3.4 - 3.4 * 3.4))},
    };
    for (const Row& r : rows) {
        const ColumnOutcome o = single(1, r.a, 5000, 10000);
        EXPECT_NEAR(o.lyapunov, r.lambda, 1e-9) << r.a;
        EXPECT_FALSE(o.escaped);
    }
}

TEST(Lyapunov, FullyChaoticF1IsLnTwo) {
    const ColumnOutcome o = single(1, 4.0, 1000, 1'000'000, 0.2);
    EXPECT_NEAR(o.lyapunov, std::log(2.0), 0.01);
    EXPECT_EQ(o.period, 0);
}

TEST(Lyapunov, SuperstableOrbitIsMinusInfinity) {
    // At a = 2 the critical point is the fixed point: f′(0.5) = 0 exactly.
    const ColumnOutcome o = single(1, 2.0, 0, 10);
    EXPECT_EQ(o.lyapunov, -kInf);
    EXPECT_EQ(o.period, 1);
}

TEST(Lyapunov, F2FixedPointAgainstADifferenceQuotient) {
    // The upper fixed point of f2 solves a·x·sin(πx) = 1, where x·sin(πx)
    // falls from its top near 0.646 to 0 at 1; found here by bisection, its
    // slope by a central difference of f2 itself.
    for (double a : {1.8, 1.95}) {
        double lo = 0.65, hi = 1.0;
        for (int i = 0; i < 200; ++i) {
            const double mid = 0.5 * (lo + hi);
            (a * mid * std::sin(kPi * mid) > 1 ? lo : hi) = mid;
        }
        const double h = 1e-6;
        const double slope = (f2(a, lo + h) - f2(a, lo - h)) / (2 * h);
        ASSERT_LT(std::fabs(slope), 1.0) << "the fixed point attracts at " << a;
        const ColumnOutcome o = single(2, a, 20000, 5000);
        EXPECT_NEAR(o.lyapunov, std::log(std::fabs(slope)), 1e-6) << a;
        EXPECT_EQ(o.period, 1);
    }
}

TEST(Lyapunov, EscapedOrbitIsPlusInfinityAndNoKeptMeansNone) {
    const ColumnOutcome escaped = single(1, 4.5, 0, 1000);
    EXPECT_TRUE(escaped.escaped);
    EXPECT_EQ(escaped.lyapunov, kInf);
    EXPECT_EQ(escaped.period, 0);
    EXPECT_TRUE(std::isnan(single(1, 3.0, 10, 0).lyapunov));
}

// Beyond a ≈ 2.5 the top of f2 lies above 1: the orbit leaves [0, 1], then
// settles on 0 from below or, further out, becomes non-finite.
TEST(Escape, F2AboveTheRangeLeavesTheUnitIntervalForGood) {
    struct Row {
        double a;
        bool left, escaped;
    };
    const Row rows[] = {{2.0, false, false}, {2.3, false, false}, {2.4, false, false},
                        {2.55, true, false}, {2.6, true, false},  {2.65, true, false},
                        {2.9, true, true},   {3.5, true, true}};
    for (const Row& r : rows) {
        const ColumnOutcome o = single(2, r.a, 1000, 1000);
        EXPECT_EQ(o.leftRange, r.left) << r.a;
        EXPECT_EQ(o.escaped, r.escaped) << r.a;
        if (r.escaped) {
            EXPECT_EQ(o.lyapunov, kInf) << r.a;
        }
    }
}

TEST(Period, OfF1AcrossTheCascadeAndWindows) {
    struct Row {
        double a;
        int period;
    };
    const Row rows[] = {{2.8, 1},  {3.2, 2},  {3.5, 4}, {3.55, 8}, {3.565, 16},
                        {3.74, 5}, {3.83, 3}, {3.9, 0}, {3.99, 0}};
    for (const Row& r : rows) {
        EXPECT_EQ(single(1, r.a, 100000, 1000).period, r.period) << r.a;
    }
}

TEST(Period, NeedsTwoCyclesWithinTheTolerance) {
    EXPECT_EQ(periodOf(std::vector<double>{}), 0);
    EXPECT_EQ(periodOf(std::vector<double>{0.3}), 0);
    EXPECT_EQ(periodOf(std::vector<double>{0.3, 0.3}), 1);
    EXPECT_EQ(periodOf(std::vector<double>{0.3, 0.7, 0.3}), 0);  // one cycle only
    EXPECT_EQ(periodOf(std::vector<double>{0.3, 0.7, 0.3, 0.7}), 2);
    EXPECT_EQ(periodOf(std::vector<double>{0.3, 0.3 + 0.9e-9, 0.3}), 1);
    EXPECT_EQ(periodOf(std::vector<double>{0.3, 0.3 + 1.1e-9, 0.3, 0.3 + 1.1e-9}), 2);
    // A cycle longer than kMaxPeriod is chaos as far as the explorer tells.
    std::vector<double> long_;
    for (int i = 0; i < 2 * (kMaxPeriod + 1); ++i) long_.push_back((i % (kMaxPeriod + 1)) * 0.01);
    EXPECT_EQ(periodOf(long_), 0);
    long_.resize(2 * kMaxPeriod);
    for (int i = 0; i < 2 * kMaxPeriod; ++i) long_[i] = (i % kMaxPeriod) * 0.01;
    EXPECT_EQ(periodOf(long_), kMaxPeriod);
}

TEST(Kernel, KeepGoingSeesEveryStepAndCanStop) {
    OrbitSetup s;
    s.transient = 5000;
    s.kept = 9000;
    s.rows = 10;
    const std::vector<double> a = spread(3.0, 3.5, 3);
    std::vector<std::uint32_t> counts(3 * 11);
    const Bins bins{counts.data(), 11, 1};
    std::vector<ColumnOutcome> out(3);
    std::int64_t steps = 0;
    EXPECT_TRUE(computeColumns(s, a, bins, out, [&](std::int64_t n) {
        steps += n;
        return true;
    }));
    EXPECT_EQ(steps, 3 * (5000 + 9000));
    int calls = 0;
    EXPECT_FALSE(computeColumns(s, a, bins, out, [&](std::int64_t) { return ++calls < 2; }));
    EXPECT_EQ(calls, 2);
}

TEST(Kernel, VisitKeptSeesExactlyTheCountedIterates) {
    OrbitSetup s;
    s.transient = 100;
    s.kept = 3000;
    s.rows = 50;
    s.xMin = 0.3;
    s.xMax = 0.9;
    for (double a : {3.3, 3.7, 3.99, 4.3}) {
        std::vector<std::uint32_t> counts(51);
        ColumnOutcome o;
        const double as[] = {a};
        ASSERT_TRUE(computeColumns(s, as, Bins{counts.data(), 51, 1}, std::span(&o, 1)));
        counts.pop_back();  // the scratch entry
        std::vector<std::uint32_t> visited(50);
        visitKept(s, a, [&](double x) {
            ++visited[static_cast<std::size_t>((x - s.xMin) * (s.rows / (s.xMax - s.xMin)))];
        });
        EXPECT_EQ(visited, counts) << a;
    }
}

TEST(ColumnA, IsTheColumnsCentre) {
    EXPECT_EQ(columnA(0, 10, 0, 10), 0.5);
    EXPECT_EQ(columnA(0, 10, 9, 10), 9.5);
    EXPECT_EQ(columnA(2.5, 4, 0, 1), 3.25);
}

}  // namespace
}  // namespace corvane::bifurcation
