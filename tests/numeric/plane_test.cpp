#include "core/numeric/plane.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "core/numeric/bifurcation.h"
#include "core/numeric/cobweb.h"
#include "core/numeric/maps.h"

namespace corvane::plane {
namespace {

std::shared_ptr<const PlaneCode> made(const PlaneMap& map,
                                      custom::Compiler compiler = custom::Compiler::Native) {
    PlaneCode::Made m = PlaneCode::make(map, compiler);
    EXPECT_TRUE(m.code) << m.error;
    return m.code;
}

PointOutcome at(const PlaneCode& code, const Orbit& orbit, double p, double q) {
    PointOutcome o;
    EXPECT_TRUE(computePoints(code, orbit, std::span(&p, 1), std::span(&q, 1), std::span(&o, 1)));
    return o;
}

// Equal exponents: both infinite alike, or within `tolerance`.
void expectExponent(double got, double want, double tolerance) {
    if (std::isinf(want)) {
        EXPECT_EQ(got, want);
    } else {
        EXPECT_NEAR(got, want, tolerance);
    }
}

PlaneMap forcing(const Map& map, const std::string& sequence) {
    PlaneMap m;
    m.map = map;
    m.sequence = sequence;
    return m;
}

// λ of the forced orbit step by step, as a student would write it: the
// letters in turn, ln|f′| summed over the kept steps.
double plainLyapunov(int mapChoice, const std::string& sequence, double A, double B,
                     const Orbit& orbit) {
    double x = orbit.x0;
    std::int64_t n = 0;
    auto aOf = [&](std::int64_t i) { return sequence[std::size_t(i) % sequence.size()] == 'A' ? A : B; };
    for (; n < orbit.transient; ++n) x = applyMap(mapChoice, aOf(n), x);
    double sum = 0;
    for (std::int64_t k = 0; k < orbit.kept; ++k, ++n) {
        const double a = aOf(n);
        const double slope = mapChoice == 1
                                 ? a * (1 - 2 * x)
                                 : a * x * (2 * std::sin(kPi * x) + kPi * x * std::cos(kPi * x));
        sum += std::log(std::fabs(slope));
        x = applyMap(mapChoice, a, x);
    }
    return sum / static_cast<double>(orbit.kept);
}

TEST(PlaneKernel, LyapunovAgreesWithAPlainComputation) {
    struct Case {
        int map;
        const char* sequence;
        double A, B;
    };
    const Case cases[] = {
        {1, "AB", 3.2, 3.8},   {1, "AB", 3.5, 3.6},    {1, "AB", 2.5, 3.9},  {1, "AB", 3.9, 3.9},
        {1, "AABAB", 3.4, 3.85}, {1, "BBBBA", 3.0, 3.7}, {2, "AB", 2.2, 2.5}, {2, "ABB", 1.8, 2.4},
    };
    for (const Case& c : cases) {
        const Orbit orbit{c.map == 1 ? 0.5 : 0.8, 1000, 1000};
        auto code = made(forcing(Map::fromChoice(c.map), c.sequence));
        const PointOutcome o = at(*code, orbit, c.A, c.B);
        SCOPED_TRACE(std::string(c.sequence) + " at " + std::to_string(c.A) + ", " +
                     std::to_string(c.B));
        EXPECT_FALSE(o.escaped);
        expectExponent(o.lyapunov, plainLyapunov(c.map, c.sequence, c.A, c.B, orbit), 1e-12);
    }
}

// A sequence of A alone is the map itself: its plane along p is the
// explorer's λ along a, whose kept iterates begin one step later.
TEST(PlaneKernel, ConstantSequenceIsTheExplorersLyapunovExponent) {
    for (const Map& map : {Map::logistic(), Map::sine()}) {
        auto code = made(forcing(map, "A"));
        const Orbit orbit{0.8, 1000, 1000};
        bifurcation::OrbitSetup setup;
        setup.map = map;
        setup.x0 = orbit.x0;
        setup.transient = orbit.transient - 1;
        setup.kept = orbit.kept;
        std::vector<double> a;
        for (int i = 0; i < 16; ++i) a.push_back((map.kind() == Map::Kind::Sine ? 1.5 : 2.9) + 0.07 * i);
        std::vector<bifurcation::ColumnOutcome> columns(a.size());
        ASSERT_TRUE(bifurcation::computeColumns(setup, a, bifurcation::Bins{}, columns));
        std::vector<double> q(a.size(), 0.0);
        std::vector<PointOutcome> points(a.size());
        ASSERT_TRUE(computePoints(*code, orbit, a, q, points));
        for (std::size_t i = 0; i < a.size(); ++i) {
            SCOPED_TRACE(map.caption() + " at a = " + std::to_string(a[i]));
            expectExponent(points[i].lyapunov, columns[i].lyapunov, 1e-12);
            EXPECT_EQ(points[i].period, columns[i].period);
        }
    }
}

TEST(PlaneKernel, EdgesOfTheExponent) {
    const Orbit orbit{0.5, 1000, 1000};
    auto f1 = made(forcing(Map::logistic(), "A"));
    // Superstable: f′(1/2) = 0 at a = 2 from x0 = 1/2.
    EXPECT_EQ(at(*f1, orbit, 2.0, 0).lyapunov, -INFINITY);
    // Beyond 4 the orbit leaves [0, 1] and escapes.
    const PointOutcome out = at(*f1, orbit, 4.5, 0);
    EXPECT_TRUE(out.escaped);
    EXPECT_EQ(out.lyapunov, INFINITY);
    // Periods count passes: the 2-cycle of a = 3.2 is one pass of "AB".
    EXPECT_EQ(at(*f1, orbit, 3.2, 0).period, 2);
    EXPECT_EQ(at(*made(forcing(Map::logistic(), "AB")), orbit, 3.2, 3.2).period, 1);
    // A formula whose slope overflows the product within a block is folded
    // factor by factor: |f′| = 1e200 at every step gives λ = ln 1e200.
    auto big = made({Mode::TwoParameter, {}, "", "x*1e200 - floor(x*1e200) + a*0 + b*0"});
    EXPECT_NEAR(at(*big, {0.3, 10, 100}, 0, 0).lyapunov, 200 * std::log(10.0), 1e-9);
}

TEST(PlaneKernel, MachineCodeAndTreeGiveTheSameBits) {
    const PlaneMap maps[] = {
        forcing(Map::logistic(), "AABAB"),
        forcing(Map::sine(), "AB"),
        {Mode::TwoParameter, {}, "", ""},
        {Mode::TwoParameter, {}, "", "a - x*x + b*sin(x)"},
    };
    for (const PlaneMap& map : maps) {
        auto native = made(map);
        auto tree = made(map, custom::Compiler::Tree);
        Grid grid{0.2, 3.9, 0.1, 3.0, 19, 3};
        std::vector<PointOutcome> a(57), b(57);
        const Orbit orbit{0.4, 200, 300};
        ASSERT_TRUE(computeRows(*native, orbit, grid, 0, 3, a));
        ASSERT_TRUE(computeRows(*tree, orbit, grid, 0, 3, b));
        for (std::size_t i = 0; i < a.size(); ++i) {
            SCOPED_TRACE(planeCaption(map) + ", point " + std::to_string(i));
            EXPECT_EQ(std::bit_cast<std::uint64_t>(a[i].lyapunov),
                      std::bit_cast<std::uint64_t>(b[i].lyapunov));
            EXPECT_EQ(a[i].period, b[i].period);
            EXPECT_EQ(std::isnan(a[i].winding), std::isnan(b[i].winding));
            if (!std::isnan(a[i].winding)) {
                EXPECT_EQ(a[i].winding, b[i].winding);
            }
        }
    }
}

TEST(PlaneKernel, CircleMapWindingNumbers) {
    auto circle = made({Mode::TwoParameter, {}, "", ""});
    const Orbit orbit{0.1, 2000, 6000};
    struct Case {
        double omega, K, winding, tolerance;
        int period;
    };
    const Case cases[] = {
        {0.5, 0.5, 0.5, 1e-12, 2},        // the 1/2 tongue, by symmetry
        {0.0, 0.8, 0.0, 1e-12, 1},        // locked at rest
        {0.343, 0.9, 1.0 / 3, 1e-12, 3},  // inside the 1/3 tongue
        {0.02, 0.9, 0.0, 1e-12, 1},       // the 0/1 tongue reaches Ω = K/2π
        {0.3819660112501051, 0.0, 0.3819660112501051, 1e-12, 0},  // a rigid rotation
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("Ω = " + std::to_string(c.omega) + ", K = " + std::to_string(c.K));
        const PointOutcome o = at(*circle, orbit, c.omega, c.K);
        EXPECT_NEAR(o.winding, c.winding, c.tolerance);
        EXPECT_EQ(o.period, c.period);
        if (c.K == 0) {
            EXPECT_EQ(o.lyapunov, 0);
        }
        if (c.period > 0) {
            EXPECT_LT(o.lyapunov, 0);
        }
    }
}

// The cobweb of one pass at (A, B) finds, as a fixed point, the forced
// cycle the plane's orbit settled on.
TEST(PlaneKernel, OnePassMapHasThePlanesCycleAsAFixedPoint) {
    const PlaneMap map = forcing(Map::logistic(), "AB");
    auto code = made(map);
    const double A = 3.1, B = 3.4;
    const PointOutcome o = at(*code, {0.5, 1000, 1000}, A, B);
    ASSERT_EQ(o.period, 1);
    const Map pass = passMap(map, B, {2, 4});
    EXPECT_NE(pass.caption().find("sequence AB, one pass at B = 3.4"), std::string::npos);
    // The plane's orbit, stepped plainly, and the one-pass map's fixed points.
    double x = 0.5;
    for (int n = 0; n < 2000; ++n) x = f1(n % 2 == 0 ? A : B, x);
    cobweb::CurveOptions options;
    cobweb::Curve curve;
    cobweb::sampleCurve(pass, A, 1, options, curve);
    cobweb::PeriodicPoints points;
    cobweb::findPeriodicPoints(pass, A, 1, curve, points);
    bool found = false;
    for (const cobweb::PeriodicPoint& p : points.points) {
        if (std::fabs(p.x - x) < 1e-9) {
            found = true;
            EXPECT_TRUE(p.stable);
            // (f_B∘f_A)′ = f′(B, f_A(x)) · f′(A, x).
            EXPECT_NEAR(p.slope, B * (1 - 2 * f1(A, x)) * A * (1 - 2 * x), 1e-9);
        }
    }
    EXPECT_TRUE(found) << "the plane's cycle point " << x;
    EXPECT_NEAR(pass.stepper().value(A, x), f1(B, f1(A, x)), 1e-15);
}

TEST(PlaneKernel, SequencesAndFormulasRefused) {
    EXPECT_EQ(readSequence(" ab a "), "ABA");
    EXPECT_FALSE(readSequence(""));
    EXPECT_FALSE(readSequence("ABC"));
    EXPECT_FALSE(readSequence(std::string(65, 'A')));
    EXPECT_TRUE(readSequence(std::string(64, 'B')));
    EXPECT_FALSE(PlaneCode::make(forcing(Map::logistic(), "AXB")).code);
    const PlaneCode::Made bad = PlaneCode::make({Mode::TwoParameter, {}, "", "a*x + c"});
    EXPECT_FALSE(bad.code);
    EXPECT_NE(bad.error.find("c"), std::string::npos) << bad.error;
    // A formula in x and a alone still has a forcing plane; b is only for
    // maps of two parameters.
    EXPECT_FALSE(custom::CustomMap::compile("a*x*b").map);
    // A pass too long to compile runs as its tree, and says why.
    std::string longFormula = "a";
    for (int i = 0; i < 200; ++i) longFormula += "*x";
    const auto formula = Map::formula(custom::CustomMap::compile(longFormula).map, {0, 1}, {0, 1}, 0.5);
    auto slow = made(forcing(formula, std::string(64, 'A')));
    EXPECT_FALSE(slow->code().isNative());
    EXPECT_NE(slow->nativeRefusal().find("more than are compiled"), std::string::npos);
}

}  // namespace
}  // namespace corvane::plane
