#include "core/numeric/custom_map.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "core/numeric/bifurcation.h"
#include "core/numeric/cobweb.h"
#include "core/numeric/maps.h"

namespace corvane::custom {
namespace {

struct Refused {
    const char* formula;
    const char* message;
    int column;
};

TEST(CustomMap, RefusedFormulasSayWhatAndWhere) {
    const Refused table[] = {
        {"", "the formula is empty", 0},
        {"   ", "the formula is empty", 0},
        {"a*sni(x)", "unknown function 'sni' at column 3", 3},
        {"a*sin(x) + b", "unknown name 'b' at column 12", 12},
        {"a*sin (x)", "'sin' must be followed directly by '(' at column 3", 3},
        {"a*x*(1-x", "missing closing parenthesis at column 9", 9},
        {"a*x)", "unexpected parenthesis ')' at column 4", 4},
        {"2*a", "the formula has no x", 0},
        {"pi", "the formula has no x", 0},
        {"x+", "the formula ends too early at column 3", 3},
        {"x**2", "unexpected operator '*' at column 3", 3},
        {"3x", "unexpected 'x' (an operator missing before it?) at column 2", 2},
        {"x ? 1", "'?' without its ':'", 0},
        {"x = 3", "'=' is no operator here (for equality write '==') at column 3", 3},
        {"_pi*x", "unknown name '_pi' at column 1", 1},
        {"log2(x)", "unknown function 'log2' at column 1", 1},
        {"1e400*x", "invalid number '1e400' at column 1", 1},
        {"min(x)", "too few arguments for 'min' at column 6", 6},
        {"sin(x, a)", "too many arguments for 'sin' at column 9", 9},
        // A decimal comma would make muparser read two formulas (2, then
        // 5*x) and keep the last.
        {"2,5*x", "decimals take a point, not a comma: 2.5, not 2,5 at column 2", 2},
        {"x, a", "a comma separates only the arguments of min and max at column 2", 2},
        {"sin(0,5*x)",
         "too many arguments for 'sin' (decimals take a point, not a comma: 2.5, not 2,5) at "
         "column 10",
         10},
    };
    for (const Refused& r : table) {
        SCOPED_TRACE(r.formula);
        const CustomMap::Compiled c = CustomMap::compile(r.formula);
        EXPECT_EQ(c.map, nullptr);
        EXPECT_EQ(c.error, r.message);
        EXPECT_EQ(c.column, r.column);
    }
}

TEST(CustomMap, AcceptedFormulasAndTheirValues) {
    struct Accepted {
        const char* formula;
        double a, x, value;
    };
    const Accepted table[] = {
        {"a*x*(1-x)", 4, 0.5, 1.0},
        {"  a*x*(1-x)  ", 3, 0.25, 0.5625},
        {"x < 0.5 ? 2*a*x : 2*a*(1-x)", 1, 0.25, 0.5},
        {"x < 0.5 ? 2*a*x : 2*a*(1-x)", 1, 0.75, 0.5},
        {"2*a*min(x,1-x)", 1, 0.75, 0.5},
        {"max(x, a)", 0.2, 0.1, 0.2},
        {"log(e)*x", 0, 3, 3},
        {"log10(100)*x", 0, 3, 6},
        {"abs(x-1)+floor(2.5)+ceil(0.5)", 0, 0.5, 3.5},
        {"sqrt(x)", 0, 16, 4},
        {"-x^2", 0, 3, -9},   // the power binds more tightly than the sign
        {"2^x^2", 0, 2, 16},  // and from the right
        {"exp(0)*x + sinh(0) + cosh(0) + tanh(0) + asin(0) + acos(1) + atan(0) + tan(0)", 0, 1, 2},
        {"a*sin(pi*x)", 1, 0.5, std::sin(kPi * 0.5)},
        {"x != 1 && x >= 0 || x == 7", 0, 7, 1},
    };
    for (const Accepted& t : table) {
        SCOPED_TRACE(t.formula);
        const CustomMap::Compiled c = CustomMap::compile(t.formula);
        ASSERT_NE(c.map, nullptr) << c.error;
        EXPECT_TRUE(c.error.empty());
        EXPECT_EQ(c.map->value(t.a, t.x), t.value);
    }
    EXPECT_EQ(CustomMap::compile("  a*x  ").map->formula(), "a*x");
}

TEST(CustomMap, PiIsTheShortenedConstantOfTheBuiltInMaps) {
    const auto m = CustomMap::compile("pi + 0*x").map;
    const Map fm = Map::formula(m, {0, 4}, {0, 1}, 0.5);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->value(0, 0), kPi);
    EXPECT_EQ(CustomMap::compile("e + 0*x").map->value(0, 0), std::exp(1.0));
    // Written with two multiplications, the formula is f2 bit for bit.
    const auto f = CustomMap::compile("a*x*x*sin(pi*x)").map;
    for (double x : {0.1, 0.33, 0.7286, 0.9}) EXPECT_EQ(f->value(2.3, x), f2(2.3, x));
}

TEST(CustomMap, NonFiniteValuesAreAccepted) {
    const auto m = CustomMap::compile("log(x) * a/x").map;
    const Map fm = Map::formula(m, {0, 4}, {0, 1}, 0.5);
    ASSERT_NE(m, nullptr);
    EXPECT_TRUE(std::isinf(m->value(1, 0)));
    EXPECT_TRUE(std::isnan(m->value(1, -1)));
}

TEST(CustomMap, BulkValuesEqualOneAtATime) {
    for (const Example& e : examples()) {
        SCOPED_TRACE(e.formula);
        const auto m = CustomMap::compile(e.formula).map;
        const Map fm = Map::formula(m, {0, 4}, {0, 1}, 0.5);
        ASSERT_NE(m, nullptr);
        std::vector<double> a, x, out(300);
        for (int i = 0; i < 300; ++i) {
            a.push_back(e.aMin + (e.aMax - e.aMin) * i / 299.0);
            x.push_back(e.xMin + (e.xMax - e.xMin) * ((i * 37) % 300) / 299.0);
        }
        Evaluator f = m->evaluator();
        f.values(a, x, out);
        for (int i = 0; i < 300; ++i) {
            const double one = f.value(a[std::size_t(i)], x[std::size_t(i)]);
            if (std::isnan(one)) {
                EXPECT_TRUE(std::isnan(out[std::size_t(i)]));
            } else {
                EXPECT_EQ(out[std::size_t(i)], one) << i;
            }
        }
    }
}

TEST(CustomMap, EveryExampleCompilesWithItsStartInRange) {
    ASSERT_EQ(examples().size(), 5u);
    for (const Example& e : examples()) {
        SCOPED_TRACE(e.name);
        const CustomMap::Compiled c = CustomMap::compile(e.formula);
        ASSERT_NE(c.map, nullptr) << c.error;
        EXPECT_LT(e.aMin, e.aMax);
        EXPECT_LT(e.xMin, e.xMax);
        EXPECT_TRUE(std::isfinite(c.map->value(0.5 * (e.aMin + e.aMax), e.x0)));
    }
}

// --- The derivative ---------------------------------------------------------

TEST(CustomDerivative, ValueAndSlopeInOnePassEqualEachAlone) {
    for (const char* formula : {"a*x*(1-x)", "a*sin(pi*x)", "x < 0.5 ? 2*a*x : 2*a*(1-x)"}) {
        SCOPED_TRACE(formula);
        Evaluator f = CustomMap::compile(formula).map->evaluator();
        for (double x : {0.1, 0.3, 0.7}) {
            double slope = 0;
            EXPECT_EQ(f.valueAndSlope(0.9, x, slope), f.value(0.9, x));
            EXPECT_EQ(slope, f.slope(0.9, x));
        }
    }
}

// --- Agreement with the built-in f1 -------------------------------------------

TEST(CustomAgreement, ColumnsEqualTheBuiltInKernelsForTheLogisticFormula) {
    const auto m = CustomMap::compile("a*x*(1-x)").map;
    const Map fm = Map::formula(m, {0, 4}, {0, 1}, 0.5);
    bifurcation::OrbitSetup setup;
    setup.map = Map::logistic();
    setup.rows = 50;
    setup.transient = 300;
    setup.kept = 500;
    std::vector<double> a;
    for (int i = 0; i < 16; ++i) a.push_back(bifurcation::columnA(2.8, 4.0, i, 16));
    const std::size_t size = std::size_t(16 * (setup.rows + 1));
    std::vector<std::uint32_t> builtin(size), custom(size);
    std::vector<bifurcation::ColumnOutcome> bo(16), co(16);
    ASSERT_TRUE(bifurcation::computeColumns(setup, a, {builtin.data(), setup.rows + 1, 1}, bo));
    setup.map = fm;
    ASSERT_TRUE(bifurcation::computeColumns(setup, a, {custom.data(), setup.rows + 1, 1}, co));
    for (int i = 0; i < 16; ++i) {
        SCOPED_TRACE(i);
        for (int b = 0; b < setup.rows; ++b) {
            EXPECT_EQ(custom[std::size_t(i * (setup.rows + 1) + b)],
                      builtin[std::size_t(i * (setup.rows + 1) + b)]);
        }
        EXPECT_EQ(co[std::size_t(i)].period, bo[std::size_t(i)].period);
        EXPECT_EQ(co[std::size_t(i)].escaped, bo[std::size_t(i)].escaped);
        EXPECT_NEAR(co[std::size_t(i)].lyapunov, bo[std::size_t(i)].lyapunov, 1e-9);
    }
}

TEST(CustomColumns, EscapingOrbitsAndSkippedCyclesAsInTheKernel) {
    // x·a with a > 1 grows without bound; a = 0.5 dies to 0 (a fixed point,
    // its whole cycles skipped).
    const auto m = CustomMap::compile("a*x").map;
    const Map fm = Map::formula(m, {0, 4}, {0, 1}, 0.5);
    bifurcation::OrbitSetup setup;
    setup.x0 = 0.5;
    setup.rows = 10;
    setup.transient = 2000;
    setup.kept = 100000;
    const std::vector<double> a{2.0, 0.5};
    std::vector<std::uint32_t> counts(std::size_t(2 * 11));
    std::vector<bifurcation::ColumnOutcome> out(2);
    std::int64_t steps = 0;
    setup.map = fm;
    ASSERT_TRUE(bifurcation::computeColumns(setup, a, {counts.data(), 11, 1}, out, [&](std::int64_t n) {
        steps += n;
        return true;
    }));
    EXPECT_TRUE(out[0].escaped);
    EXPECT_TRUE(std::isinf(out[0].lyapunov) && out[0].lyapunov > 0);
    EXPECT_FALSE(out[1].escaped);
    EXPECT_EQ(out[1].period, 1);
    EXPECT_EQ(counts[11 + 0], 100000u);  // every kept iterate is 0
    EXPECT_NEAR(out[1].lyapunov, std::log(0.5), 1e-12);
    EXPECT_GT(steps, 0);
    // Stopping is obeyed.
    EXPECT_FALSE(bifurcation::computeColumns(setup, a, {counts.data(), 11, 1}, out,
                                [](std::int64_t) { return false; }));
}

TEST(CustomColumns, VisitKeptMatchesTheCounts) {
    const auto m = CustomMap::compile("x < 0.5 ? 2*a*x : 2*a*(1-x)").map;
    const Map fm = Map::formula(m, {0, 4}, {0, 1}, 0.5);
    bifurcation::OrbitSetup setup;
    setup.x0 = 0.3;
    setup.rows = 20;
    setup.transient = 10;
    setup.kept = 200;
    std::vector<std::uint32_t> counts(21);
    std::vector<bifurcation::ColumnOutcome> out(1);
    const std::vector<double> a{0.9};
    setup.map = fm;
    ASSERT_TRUE(bifurcation::computeColumns(setup, a, {counts.data(), 21, 1}, out));
    std::uint32_t inView = 0;
    for (int b = 0; b < 20; ++b) inView += counts[std::size_t(b)];
    std::uint32_t visited = 0;
    bifurcation::visitKept(setup, 0.9, [&](double) { ++visited; });
    EXPECT_EQ(visited, inView);
}

// --- The cobweb of a formula ---------------------------------------------------

TEST(CustomCobweb, LogisticFormulaHasTheBuiltInGraphPointsAndOrbit) {
    const auto m = CustomMap::compile("a*x*(1-x)").map;
    const Map fm = Map::formula(m, {0, 4}, {0, 1}, 0.5);
    for (int k : {1, 2, 3}) {
        SCOPED_TRACE(k);
        cobweb::Curve builtin, formula;
        cobweb::sampleCurve(Map::logistic(), 3.83, k, {}, builtin);
        cobweb::sampleCurve(fm, 3.83, k, {}, formula);
        ASSERT_EQ(formula.x, builtin.x);
        EXPECT_EQ(formula.y, builtin.y);  // the values bit for bit
        cobweb::PeriodicPoints bp, fp;
        cobweb::findPeriodicPoints(Map::logistic(), 3.83, k, builtin, bp);
        cobweb::findPeriodicPoints(fm, 3.83, k, formula, fp);
        ASSERT_EQ(fp.points.size(), bp.points.size());
        for (std::size_t i = 0; i < bp.points.size(); ++i) {
            EXPECT_NEAR(fp.points[i].x, bp.points[i].x, 1e-12);
            EXPECT_NEAR(fp.points[i].slope, bp.points[i].slope, 1e-9);
            EXPECT_EQ(fp.points[i].stable, bp.points[i].stable);
            EXPECT_EQ(fp.points[i].period, bp.points[i].period);
        }
    }
    cobweb::Orbit builtin, formula;
    cobweb::orbitOf(Map::logistic(), 3.83, 1, 0.2, 1000, builtin);
    cobweb::orbitOf(fm, 3.83, 1, 0.2, 1000, formula);
    EXPECT_EQ(formula.x, builtin.x);
}

TEST(CustomCobweb, TentMapsStaircaseStopsWhereTheOrbitLeaves) {
    // 2·a·min(x, 1 − x) at a = 1.5 throws x = 0.5 to 1.5, out of the picture.
    const auto m = CustomMap::compile("2*a*min(x,1-x)").map;
    const Map fm = Map::formula(m, {0, 4}, {0, 1}, 0.5);
    cobweb::Orbit orbit;
    cobweb::orbitOf(fm, 1.5, 1, 0.5, 10, orbit);
    EXPECT_EQ(orbit.stoppedAt, 1);
    EXPECT_EQ(orbit.lastValue, 1.5);
    // The tent's points of period 1 at a = 1: 0 and 2/3, unstable (slope ±2).
    cobweb::Curve curve;
    cobweb::sampleCurve(fm, 1, 1, {}, curve);
    cobweb::PeriodicPoints points;
    cobweb::findPeriodicPoints(fm, 1, 1, curve, points);
    ASSERT_EQ(points.points.size(), 2u);
    EXPECT_NEAR(points.points[1].x, 2.0 / 3, 1e-12);
    EXPECT_EQ(points.points[1].slope, -2);
    EXPECT_FALSE(points.points[1].stable);
}

}  // namespace
}  // namespace corvane::custom
