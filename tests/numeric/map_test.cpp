// One Map value names a built-in map or a formula for every kernel: its
// slopes, its critical points, and the tools that follow a formula rather
// than falling back to the logistic map.
#include "core/numeric/map.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <string>

#include "core/numeric/bifurcation.h"
#include "core/numeric/csv.h"
#include "core/numeric/feigenbaum.h"
#include "core/numeric/invariant_density.h"
#include "core/numeric/maps.h"

namespace corvane {
namespace {

Map formula(const char* f, Interval a, Interval x = {0, 1}, double x0 = 0.3) {
    return Map::formula(custom::CustomMap::compile(f).map, a, x, x0);
}

bifurcation::ColumnOutcome column(const Map& map, double a, double x0) {
    bifurcation::OrbitSetup o;
    o.map = map;
    o.x0 = x0;
    o.transient = 1000;
    o.kept = 1000;
    bifurcation::ColumnOutcome out{};
    const std::array<double, 1> as{a};
    EXPECT_TRUE(bifurcation::computeColumns(o, as, {}, std::span(&out, 1)));
    return out;
}

TEST(MapSlope, BuiltInSlopesMatchADifferenceQuotient) {
    for (int choice : {1, 2}) {
        Map::Stepper f = Map::fromChoice(choice).stepper();
        for (double a : {2.0, 3.7}) {
            for (double x : {0.1, 0.33, 0.5, 0.72, 0.95}) {
                const double h = 1e-6;
                const double quotient =
                    (applyMap(choice, a, x + h) - applyMap(choice, a, x - h)) / (2 * h);
                EXPECT_NEAR(f.slope(a, x), quotient, 1e-7) << choice << " " << x;
            }
        }
    }
    EXPECT_EQ(Map::logistic().stepper().slope(3.3, 0.5), 0.0);
}

TEST(MapSlope, AtAKinkTheBranchTheOrbitIsOn) {
    // Within the difference's step of the kink the central difference would
    // mix both branches; the slope is the branch x lies on.
    struct Case {
        const char* formula;
        double x, slope;
    };
    const Case cases[] = {
        {"x < 0.5 ? 2*a*x : 2*a*(1-x)", 0.5 - 1e-7, 1.6},
        {"x < 0.5 ? 2*a*x : 2*a*(1-x)", 0.5 + 1e-7, -1.6},
        {"2*a*min(x,1-x)", 0.5 - 3e-6, 1.6},
        {"2*a*min(x,1-x)", 0.5 + 3e-6, -1.6},
        {"a*abs(x-0.25)", 0.25 + 1e-9, 0.8},
        {"a*abs(x-0.25)", 0.25 - 1e-9, -0.8},
    };
    for (const Case& c : cases) {
        Map::Stepper f = formula(c.formula, {0, 1}).stepper();
        EXPECT_NEAR(f.slope(0.8, c.x), c.slope, 1e-6) << c.formula << " at " << c.x;
    }
}

TEST(MapCriticalPoints, OfTheBuiltInMapsAndOfFormulas) {
    struct Case {
        Map map;
        std::vector<double> points;  // empty: none that stays put
    };
    const Case cases[] = {
        {Map::logistic(), {0.5}},
        {formula("a*x*(1-x)", {2.5, 4}), {0.5}},
        {formula("a*x*(1-x*x)", {1, 2.6}), {1 / std::sqrt(3.0)}},
        {formula("exp(-6.2*x^2)+a", {-1, 1}, {-1, 1.5}), {0}},
        // Kinks count: the tent's top.
        {formula("x < 0.5 ? 2*a*x : 2*a*(1-x)", {0, 1}), {0.5}},
        // A monotone map has none; the circle map's slope never changes sign.
        {formula("a*x", {0, 4}), {}},
        {formula("x + a - 0.5/pi*sin(2*pi*x) - floor(x + a - 0.5/pi*sin(2*pi*x))", {0, 1}), {}},
        // Two: a maximum and a minimum.
        {formula("a*sin(3*pi*x)", {0.5, 1}), {1.0 / 6, 0.5, 5.0 / 6}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.map.caption());
        const std::vector<double>& found = c.map.criticalPoints();
        ASSERT_EQ(found.size(), c.points.size());
        for (std::size_t i = 0; i < found.size(); ++i) EXPECT_NEAR(found[i], c.points[i], 1e-12);
    }
    EXPECT_NEAR(Map::sine().criticalPoints().front(), 0.7286, 1e-4);
}

TEST(MapLyapunov, TheTentFormulasLambdaIsLnTwoAOnEitherBranch) {
    // The central difference straddled the kink and pulled λ below zero
    // near a = 0.5.
    const Map tent = formula("x < 0.5 ? 2*a*x : 2*a*(1-x)", {0, 1});
    for (double a : {0.52, 0.55, 0.7, 0.9, 0.99}) {
        EXPECT_NEAR(column(tent, a, 0.3).lyapunov, std::log(2 * a), 1e-9) << a;
    }
}

TEST(MapVerdicts, NoPeriodWithNegativeLambdaIsNotChaosAndSlowApproachesNameTheirPoint) {
    // Between the period-16 and period-32 windows the orbit has not settled
    // within 1000 steps: no period, yet λ < 0.
    const bifurcation::ColumnOutcome slow = column(Map::logistic(), 3.5688, 0.5);
    EXPECT_EQ(slow.period, 0);
    EXPECT_LT(slow.lyapunov, 0);
    EXPECT_TRUE(std::isnan(slow.settling));
    // x ↦ x − x² creeps towards 0 like 1/n.
    const bifurcation::ColumnOutcome creeping = column(Map::logistic(), 1.0, 0.5);
    EXPECT_EQ(creeping.period, 0);
    EXPECT_NEAR(creeping.settling, 0, 1e-12);
    // A chaotic orbit closes in on nothing.
    EXPECT_TRUE(std::isnan(column(Map::logistic(), 3.9, 0.5).settling));
}

TEST(MapFeigenbaum, AFormulaIsSearchedFromItsOwnCriticalPoint) {
    // The sine map and the Gauss map have the logistic map's δ; neither is
    // the logistic map, whose s_n the search used to return.
    struct Case {
        Map map;
        double c, s1;
    };
    const Case cases[] = {
        {formula("a*sin(pi*x)", {0.6, 1}), 0.5, 0.777733766},
        {formula("exp(-6.2*x^2)+a", {-1, 1}, {-1, 1.5}, 0), 0, -0.822430957},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.map.caption());
        const feigenbaum::Outcome out = feigenbaum::search(c.map, 8);
        EXPECT_TRUE(out.refusal.empty());
        EXPECT_NEAR(out.c, c.c, 1e-12);
        ASSERT_GE(out.rows.size(), 8u);
        EXPECT_NEAR(out.rows[1].s, c.s1, 1e-8);
        EXPECT_NEAR(out.delta, 4.6692, 2e-3);
    }
    // No single critical point: said, and nothing searched.
    const feigenbaum::Outcome none = feigenbaum::search(formula("a*x", {0, 4}), 8);
    EXPECT_TRUE(none.rows.empty());
    EXPECT_NE(none.refusal.find("has no critical point"), std::string::npos) << none.refusal;
    const feigenbaum::Outcome three = feigenbaum::search(formula("a*sin(3*pi*x)", {0.5, 1}), 8);
    EXPECT_NE(three.refusal.find("has 3 critical points"), std::string::npos) << three.refusal;
}

TEST(MapDensity, AFormulasOrbitIsCountedOverItsOwnRangeAndNamedInTheFile) {
    // The Gauss map lives in [-1, 1.5]; counted as the logistic map it was
    // "period 1" with one bar at 0.
    const Map gauss = formula("exp(-6.2*x^2)+a", {-1, 1}, {-1, 1.5}, 0);
    density::Orbit s;
    s.map = gauss;
    s.a = -0.5;
    s.x0 = 0;
    s.transient = 1000;
    s.iterates = 100000;
    s.bins = 50;
    const density::Histogram h = *density::count(s);
    EXPECT_EQ(h.fate, density::Fate::Chaotic);
    EXPECT_GT(h.lyapunov, 0);
    EXPECT_EQ(h.counted, 100000);
    EXPECT_EQ(density::binLow(h, 0), -1);
    EXPECT_EQ(density::binHigh(h, 49), 1.5);
    // Negative iterates are counted, where [0, 1] would have lost them.
    std::int64_t negative = 0;
    for (std::int32_t j = 0; density::binHigh(h, j) <= 0; ++j) negative += h.counts[std::size_t(j)];
    EXPECT_GT(negative, 1000);
    EXPECT_EQ(h.outside, 0);
    std::string text;
    CsvWriter csv([&](std::string_view t) { text += t; });
    density::writeCsv(h, csv);
    EXPECT_NE(text.find("\n# map: f(x) = exp(-6.2*x^2)+a\n"), std::string::npos)
        << text.substr(0, 300);
    EXPECT_NE(text.find("bins = 50 from -1 to 1.5\n"), std::string::npos) << text.substr(0, 300);
}

TEST(MapFormula, LeavingTheFormulasRangeIsTold) {
    // The Gauss map's orbits stay in [-1, 1.5], though not in [0, 1].
    const Map gauss = formula("exp(-6.2*x^2)+a", {-1, 1}, {-1, 1.5}, 0);
    EXPECT_FALSE(column(gauss, -0.5, 0).leftRange);
    EXPECT_TRUE(column(formula("a*x", {0, 4}), 3, 0.5).leftRange);
}

}  // namespace
}  // namespace corvane
