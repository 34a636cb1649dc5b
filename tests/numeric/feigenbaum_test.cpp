#include "core/numeric/feigenbaum.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "core/numeric/maps.h"

namespace corvane::feigenbaum {
namespace {

// Feigenbaum's constants to more digits than any double estimate reaches.
constexpr double kDelta = 4.669201609102990;
constexpr double kAlpha = -2.502907875095892;

// --- An independent reference in long double ---------------------------------------
// The same maps with the same shortened π, each operation in long double
// (64-bit significand); its own critical point, its own extrapolation and
// the secant method instead of Newton's, so that it shares no code and no
// rounding with the search.

using LD = long double;

LD mapL(int map, LD a, LD x) {
    if (map == 1) return (a * x) * (1 - x);
    return ((a * x) * x) * std::sin(static_cast<LD>(kPi) * x);
}

LD criticalL(int map) {
    if (map == 1) return 0.5L;
    const LD pi = static_cast<LD>(kPi);
    LD lo = 0.5L, hi = 1;
    for (int i = 0; i < 100; ++i) {
        const LD mid = (lo + hi) / 2;
        (2 * std::sin(pi * mid) + (pi * mid) * std::cos(pi * mid) > 0 ? lo : hi) = mid;
    }
    return (lo + hi) / 2;
}

LD gL(int map, LD a, int n, LD c) {
    LD x = c;
    for (std::int64_t j = 0; j < (std::int64_t{1} << n); ++j) x = mapL(map, a, x);
    return x - c;
}

LD secant(int map, int n, LD c, LD a0, LD a1) {
    LD g0 = gL(map, a0, n, c), g1 = gL(map, a1, n, c);
    for (int k = 0; k < 60 && g1 != g0; ++k) {
        const LD a2 = a1 - g1 * (a1 - a0) / (g1 - g0);
        a0 = a1;
        g0 = g1;
        a1 = a2;
        g1 = gL(map, a1, n, c);
        if (std::fabs(a1 - a0) < 1e-18L * a1) break;
    }
    return a1;
}

struct Reference {
    std::vector<LD> s, d;
};

// s_0 … s_most and d_n in long double.
Reference reference(int map, int most) {
    Reference r;
    const LD c = criticalL(map);
    r.s.push_back(c / mapL(map, 1, c));  // f(c) = c, f linear in a
    r.d.push_back(0);
    // s_1: bisection on the first change of sign of f²(c) − c above s_0.
    LD lo = r.s[0] + 0.01L, hi = lo;
    while (gL(map, hi, 1, c) * gL(map, lo, 1, c) > 0) hi += 0.01L;
    lo = hi - 0.01L;
    for (int i = 0; i < 80; ++i) {
        const LD mid = (lo + hi) / 2;
        (gL(map, mid, 1, c) * gL(map, lo, 1, c) > 0 ? lo : hi) = mid;
    }
    r.s.push_back((lo + hi) / 2);
    for (int n = 2; n <= most; ++n) {
        const LD gap = r.s[n - 1] - r.s[n - 2];
        const LD ratio = n >= 3 ? (r.s[n - 2] - r.s[n - 3]) / gap : 4.7L;
        const LD start = r.s[n - 1] + gap / ratio;
        r.s.push_back(secant(map, n, c, start, start + gap * 1e-3L));
    }
    for (int n = 1; n <= most; ++n) {
        LD x = c;
        for (std::int64_t j = 0; j < (std::int64_t{1} << (n - 1)); ++j) x = mapL(map, r.s[n], x);
        r.d.push_back(x - c);
    }
    return r;
}

// Long double resolves the ratios to n = 14 and beyond.
constexpr int kReferenceMost = 14;

const Reference& referenceOf(int map) {
    static const Reference r1 = reference(1, kReferenceMost);
    static const Reference r2 = reference(2, kReferenceMost);
    return map == 2 ? r2 : r1;
}

// --- The search against the reference ----------------------------------------------

TEST(FeigenbaumSearch, LogisticMapsKnownSuperstableParameters) {
    const Outcome out = search(Map::fromChoice(1), 12);
    ASSERT_GE(out.rows.size(), 3u);
    EXPECT_EQ(out.rows[0].s, 2.0);
    EXPECT_NEAR(out.rows[1].s, 1 + std::sqrt(5.0), 4e-15);
    EXPECT_NEAR(out.rows[2].s, 3.4985616993277016, 4e-15);
    EXPECT_NEAR(out.rows[1].d, (1 + std::sqrt(5.0)) / 4 - 0.5, 1e-15);
    EXPECT_EQ(out.c, 0.5);
}

class BothMaps : public ::testing::TestWithParam<int> {};

TEST_P(BothMaps, EveryResolvedRowAgreesWithLongDoubleWithinItsUncertainty) {
    const int map = GetParam();
    const Reference& ref = referenceOf(map);
    const Outcome out = search(Map::fromChoice(map), kReferenceMost);
    ASSERT_GE(out.rows.size(), 11u);
    int resolved = 0;
    for (const Row& row : out.rows) {
        SCOPED_TRACE(::testing::Message() << "map " << map << " n " << row.n);
        if (row.status == Status::Failed) continue;
        const auto n = static_cast<std::size_t>(row.n);
        EXPECT_LE(std::fabs(static_cast<LD>(row.s) - ref.s[n]), row.uncertainty);
        if (row.status != Status::Resolved || row.n < 2) continue;
        ++resolved;
        const LD delta = (ref.s[n - 1] - ref.s[n - 2]) / (ref.s[n] - ref.s[n - 1]);
        EXPECT_LE(std::fabs(row.delta - delta), row.deltaUncertainty);
        EXPECT_LE(row.deltaUncertainty, kDeltaTolerance * row.delta);
        const LD alpha = ref.d[n - 1] / ref.d[n];
        EXPECT_LE(std::fabs(row.alpha - alpha), row.alphaUncertainty);
    }
    // n = 2 … 10 at least, as the table promises.
    EXPECT_GE(resolved, 9);
    for (int n = 0; n <= 10; ++n) {
        EXPECT_EQ(out.rows[static_cast<std::size_t>(n)].status, Status::Resolved) << n;
    }
}

TEST_P(BothMaps, EstimatesConvergeToFeigenbaumsConstantsWithinTheirClaimedError) {
    const Outcome out = search(Map::fromChoice(GetParam()), 16);
    ASSERT_GE(out.deltaRow, 8);
    EXPECT_LE(std::fabs(out.delta - kDelta), out.deltaError);
    EXPECT_LE(std::fabs(out.alpha - kAlpha), out.alphaError);
    // Good to four decimals at least.
    EXPECT_LT(out.deltaError, 5e-5);
    EXPECT_LT(out.alphaError, 5e-4);
    // The δ_n approach δ: each of the later ones closer than the first.
    const double first = std::fabs(out.rows[2].delta - kDelta);
    for (int n = 6; n <= out.deltaRow; ++n) {
        EXPECT_LT(std::fabs(out.rows[static_cast<std::size_t>(n)].delta - kDelta), first / 10) << n;
    }
}

INSTANTIATE_TEST_SUITE_P(Maps, BothMaps, ::testing::Values(1, 2));

TEST(FeigenbaumSearch, TheTwoMapsAgreeToTheAccuracyClaimed) {
    const Outcome f1 = search(Map::fromChoice(1), 16);
    const Outcome f2 = search(Map::fromChoice(2), 16);
    EXPECT_LE(std::fabs(f1.delta - f2.delta), f1.deltaError + f2.deltaError);
    EXPECT_LE(std::fabs(f1.alpha - f2.alpha), f1.alphaError + f2.alphaError);
    // And row by row the two δ_n come together as n grows.
    for (int n = 6; n <= 10; ++n) {
        const auto i = static_cast<std::size_t>(n);
        EXPECT_LT(std::fabs(f1.rows[i].delta - f2.rows[i].delta),
                  std::fabs(f1.rows[i - 2].delta - f2.rows[i - 2].delta))
            << n;
    }
    // Different maps, different superstable parameters.
    EXPECT_GT(std::fabs(f1.rows[5].s - f2.rows[5].s), 1);
}

// --- Where precision gives out --------------------------------------------------------

TEST_P(BothMaps, NoRowGivesNoiseAndTheSearchStopsWhereGapsAreLost) {
    const Outcome out = search(Map::fromChoice(GetParam()), kMostN);
    ASSERT_FALSE(out.rows.empty());
    const Row& last = out.rows.back();
    // The gaps shrink by δ a row, to rounding size well before n = 24.
    EXPECT_EQ(last.status, Status::Failed);
    EXPECT_LT(last.n, kMostN);
    EXPECT_NE(last.failure, Failure::None);
    bool imprecise = false;
    for (const Row& row : out.rows) {
        if (row.n < 3 || row.status == Status::Failed) continue;
        const auto i = static_cast<std::size_t>(row.n);
        const double raw = out.rows[i - 1].gap / row.gap;
        // From n = 9 on the ratios lie within 1e-4 of δ: where the plain
        // ratio of the doubles has gone further astray, no δ is given.
        if (row.n >= 9 && std::fabs(raw - kDelta) > 1e-3) {
            EXPECT_TRUE(std::isnan(row.delta)) << row.n;
        }
        // Once imprecise, never resolved again.
        if (row.status == Status::Imprecise) imprecise = true;
        if (imprecise) {
            EXPECT_EQ(row.status, Status::Imprecise) << row.n;
        }
        if (row.status == Status::Imprecise) {
            EXPECT_TRUE(std::isnan(row.delta) && std::isnan(row.alpha)) << row.n;
            EXPECT_GE(row.n, 11);
        }
    }
    EXPECT_TRUE(imprecise);
}

TEST(FeigenbaumSearch, CancelledFromTheProgressCallback) {
    int calls = 0;
    const Outcome out = search(Map::fromChoice(1), 16, [&](const std::vector<Row>& rows, std::int64_t evaluations) {
        ++calls;
        EXPECT_EQ(rows.size(), static_cast<std::size_t>(calls));
        EXPECT_GT(evaluations, 0);
        return rows.size() < 6;
    });
    EXPECT_TRUE(out.cancelled);
    EXPECT_EQ(out.rows.size(), 6u);
    EXPECT_EQ(calls, 6);
}

TEST(FeigenbaumSearch, MostNIsKeptWithinItsRange) {
    EXPECT_EQ(search(Map::fromChoice(1), 0).rows.size(), 3u);
    EXPECT_EQ(search(Map::fromChoice(2), -5).rows.size(), 3u);
    EXPECT_EQ(search(Map::fromChoice(7), 2).map, Map::logistic());
}

TEST(FeigenbaumJudge, EachRuleRejectsTheRootItIsFor) {
    // Rows 4 and 5 of f1 as the search finds them, then one thing wrong.
    const Outcome out = search(Map::fromChoice(1), 6);
    const Row previous = out.rows[4];
    const Row good = out.rows[5];
    const double lo = previous.s, hi = previous.s + previous.gap;
    ASSERT_EQ(judge(good, previous, lo, hi), Failure::None);
    struct Case {
        const char* what;
        void (*spoil)(Row&, const Row&);
        Failure expected;
    };
    const Case cases[] = {
        {"below s_(n-1)", [](Row& r, const Row& p) { r.s = p.s - 1e-3; }, Failure::OutsideBracket},
        {"beyond the next gap", [](Row& r, const Row& p) { r.s = p.s + 1.5 * p.gap; },
         Failure::OutsideBracket},
        {"gap of 100 ulps", [](Row& r, const Row&) { r.gap = 100 * 0x1p-52 * r.s; },
         Failure::GapUnresolved},
        {"gap under 4 U", [](Row& r, const Row&) { r.uncertainty = r.gap / 3; },
         Failure::GapUnresolved},
        {"d of the same sign", [](Row& r, const Row&) { r.d = -r.d; }, Failure::WrongCycle},
        {"d lost in its noise", [](Row& r, const Row&) { r.dUncertainty = std::fabs(r.d); },
         Failure::WrongCycle},
        {"d zero", [](Row& r, const Row&) { r.d = 0; }, Failure::WrongCycle},
        {"s not a number", [](Row& r, const Row&) { r.s = std::nan(""); }, Failure::OutsideBracket},
    };
    for (const Case& c : cases) {
        Row row = good;
        c.spoil(row, previous);
        EXPECT_EQ(judge(row, previous, lo, hi), c.expected) << c.what;
    }
    // Row 1 has no bracket and no sign to alternate with.
    EXPECT_EQ(judge(out.rows[1], out.rows[0], 0, 0), Failure::None);
}

TEST(FeigenbaumGrade, DeltaIsGivenOnlyWithinTheTolerance) {
    const Outcome out = search(Map::fromChoice(1), 6);
    const Row q = out.rows[3], p = out.rows[4];
    Row row = out.rows[5];
    grade(row, p, q);
    EXPECT_EQ(row.status, Status::Resolved);
    EXPECT_EQ(row.delta, p.gap / row.gap);
    EXPECT_EQ(row.alpha, p.d / row.d);
    EXPECT_GT(row.deltaUncertainty, 0);
    // The same gaps with roots uncertain enough to move δ_n by more than
    // the tolerance allows.
    Row blurred = out.rows[5];
    blurred.uncertainty = 2 * kDeltaTolerance * blurred.gap;
    grade(blurred, p, q);
    EXPECT_EQ(blurred.status, Status::Imprecise);
    EXPECT_TRUE(std::isnan(blurred.delta));
    EXPECT_TRUE(std::isnan(blurred.alpha));
}

// --- The pieces --------------------------------------------------------------------

TEST(FeigenbaumEvaluate, SlopeInAIsTheDerivativeOfTheOrbit) {
    struct Case {
        int map;
        double a;
        int n;
    };
    const Case cases[] = {{1, 3.3, 0}, {1, 3.3, 1}, {1, 3.52, 3}, {1, 3.569, 6},
                          {2, 2.0, 0}, {2, 2.1, 2}, {2, 2.16, 5}};
    for (const Case& k : cases) {
        SCOPED_TRACE(::testing::Message() << "map " << k.map << " a " << k.a << " n " << k.n);
        const LD c = criticalL(k.map);
        const LD h = 1e-7L;
        const LD numeric = (gL(k.map, k.a + h, k.n, c) - gL(k.map, k.a - h, k.n, c)) / (2 * h);
        const Evaluation v = evaluate(Map::fromChoice(k.map), k.a, k.n, static_cast<double>(c));
        EXPECT_NEAR(v.slope, static_cast<double>(numeric), 1e-6 * std::fabs(v.slope) + 1e-9);
        EXPECT_NEAR(v.g, static_cast<double>(gL(k.map, k.a, k.n, c)), v.error + 1e-15);
        EXPECT_GT(v.error, 0);
    }
}

TEST(FeigenbaumNewton, ConvergesQuadraticallyFromNearbyAndStaysInItsBracket) {
    const Reference& ref = referenceOf(1);
    for (int n = 2; n <= 9; ++n) {
        const auto i = static_cast<std::size_t>(n);
        const double s = static_cast<double>(ref.s[i]);
        const double gap = static_cast<double>(ref.s[i] - ref.s[i - 1]);
        // A tenth of the gap off: quadratic convergence needs a handful of
        // steps where linear would need dozens.
        const NewtonOutcome near = newton(Map::fromChoice(1), n, 0.5, s + 0.1 * gap);
        EXPECT_TRUE(near.converged) << n;
        EXPECT_LE(near.steps, 7) << n;
        EXPECT_LE(std::fabs(near.root - s), near.uncertainty) << n;
        // Started beyond the bracket, kept inside it.
        const double lo = s - 0.5 * gap, hi = s + 0.2 * gap;
        const NewtonOutcome kept = newton(Map::fromChoice(1), n, 0.5, s + 0.9 * gap, lo, hi);
        EXPECT_TRUE(kept.converged) << n;
        EXPECT_NEAR(kept.root, s, kept.uncertainty) << n;
    }
}

TEST(FeigenbaumNewton, GivesUpWhereTheSlopeVanishes) {
    // From x = 0 the orbit stays at 0 whatever a is: g and its slope are
    // both 0 and Newton has no step to take.
    const NewtonOutcome out = newton(Map::fromChoice(2), 3, 0.0, 2.0);
    EXPECT_FALSE(out.converged);
    EXPECT_TRUE(std::isnan(out.root));
}

}  // namespace
}  // namespace corvane::feigenbaum
