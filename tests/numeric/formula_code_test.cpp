// The machine code of a formula against its tree, muparser and calculus.
#include "core/numeric/formula_code.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "core/numeric/bifurcation.h"
#include "core/numeric/custom_map.h"
#include "core/numeric/maps.h"

namespace corvane::custom {
namespace {

std::shared_ptr<const CustomMap> compiled(const std::string& formula,
                                          Compiler compiler = Compiler::Native) {
    auto c = CustomMap::compile(formula, compiler);
    EXPECT_NE(c.map, nullptr) << formula << ": " << c.error;
    return c.map;
}

bool sameBits(double u, double w) {
    return std::bit_cast<std::uint64_t>(u) == std::bit_cast<std::uint64_t>(w) ||
           (std::isnan(u) && std::isnan(w));
}

// A formula of the language at random: every operator, function and
// constant, nested a few levels.
std::string randomFormula(std::mt19937& random, int depth) {
    auto pick = [&](int n) { return int(random() % unsigned(n)); };
    if (depth <= 0 || pick(4) == 0) {
        const char* leaves[] = {"x", "a", "x", "0.5", "2", "pi", "e", "1.5e-1", "3"};
        return leaves[pick(9)];
    }
    const std::string u = randomFormula(random, depth - 1);
    const std::string w = randomFormula(random, depth - 1);
    switch (pick(8)) {
        case 0: {
            const char* ops[] = {"+", "-", "*", "/", "^"};
            return "(" + u + ")" + ops[pick(5)] + "(" + w + ")";
        }
        case 1: {
            const char* ops[] = {"+", "-", "*", "/"};
            return u + ops[pick(4)] + w;  // precedence as written
        }
        case 2: {
            const char* fns[] = {"sin",  "cos", "tan", "asin",  "acos", "atan", "sinh",  "cosh",
                                 "tanh", "exp", "log", "log10", "sqrt", "abs",  "floor", "ceil"};
            return std::string(fns[pick(16)]) + "(" + u + ")";
        }
        case 3:
            return std::string(pick(2) ? "min(" : "max(") + u + ", " + w + ")";
        case 4: {
            const char* cmps[] = {"<", ">", "<=", ">=", "==", "!=", "&&", "||"};
            return "(" + u + cmps[pick(8)] + w + ")";
        }
        case 5:
            return "(" + u + " < " + w + " ? " + w + " : " + u + ")";
        case 6:
            return "-(" + u + ")^2";
        default:
            return u + "*x";
    }
}

const double kAs[] = {-1.3, 0, 0.5, 2.7, 3.83};
const double kXs[] = {-0.7, 0, 0.1, 0.5, 0.77, 1, 2.5};

TEST(FormulaCode, MachineCodeTreeAndMuparserAgreeOnRandomFormulas) {
    std::mt19937 random(20261209);
    int native = 0;
    int accepted = 0;
    for (int i = 0; i < 120; ++i) {
        const std::string f = randomFormula(random, 4) + " + x";
        SCOPED_TRACE(f);
        const auto code = compiled(f);
        const auto tree = compiled(f, Compiler::Tree);
        if (!code || !tree) continue;
        ++accepted;
        native += code->code().isNative();
        Reference reference(f);
        for (double a : kAs) {
            for (double x : kXs) {
                double ds = 0, dt = 0, ps = 0, pt = 0;
                const double v = code->code().valueAndSlope(a, x, ds);
                ASSERT_TRUE(sameBits(v, tree->code().valueAndSlope(a, x, dt)));
                ASSERT_TRUE(sameBits(ds, dt)) << a << ", " << x;
                code->code().valueAndParameterSlope(a, x, ps);
                tree->code().valueAndParameterSlope(a, x, pt);
                ASSERT_TRUE(sameBits(ps, pt)) << a << ", " << x;
                ASSERT_TRUE(sameBits(code->code().value(a, x), v));
                ASSERT_TRUE(sameBits(v, reference.value(a, x))) << a << ", " << x;
            }
        }
    }
    EXPECT_EQ(native, accepted) << "every formula compiled to machine code";
}

TEST(FormulaCode, ExactDerivativesAgainstAHighOrderDifference) {
    // Smooth where evaluated: the exact slope equals the five-point
    // difference to its truncation.
    const char* formulas[] = {"a*x*(1-x)",
                              "a*x*x*sin(pi*x)",
                              "a*sin(pi*x)",
                              "exp(-6.2*x^2)+a",
                              "a*x*(1-x*x)",
                              "sqrt(x)*a",
                              "log(x)*tanh(a*x)",
                              "atan(x)/x + cos(a*x)",
                              "2^(-x)*a",
                              "(1+x)^0.5 - x/(a+x)",
                              "x^a",
                              "tan(x) + asin(x/2)*a",
                              "acos(x/3)*sinh(a) + cosh(x)",
                              "log10(x+a+2)*a",
                              "x^x",
                              "2^-x*a"};
    for (const char* f : formulas) {
        SCOPED_TRACE(f);
        const auto m = compiled(f);
        if (!m) continue;
        const FormulaCode& c = m->code();
        for (double a : {0.6, 1.7, 3.3}) {
            for (double x : {0.05, 0.3, 0.61, 0.95}) {
                const double h = 1e-3;
                auto fd = [&](auto g) {
                    return (-g(2 * h) + 8 * g(h) - 8 * g(-h) + g(-2 * h)) / (12 * h);
                };
                const double dx = fd([&](double t) { return c.value(a, x + t); });
                const double da = fd([&](double t) { return c.value(a + t, x); });
                double slope = 0, parameterSlope = 0;
                c.valueAndSlope(a, x, slope);
                c.valueAndParameterSlope(a, x, parameterSlope);
                EXPECT_NEAR(slope, dx, 1e-7 * std::max(1.0, std::fabs(dx))) << a << ", " << x;
                EXPECT_NEAR(parameterSlope, da, 1e-7 * std::max(1.0, std::fabs(da)))
                    << a << ", " << x;
            }
        }
    }
}

TEST(FormulaCode, AtKinksTheSlopeOfTheBranchTaken) {
    struct Case {
        const char* formula;
        double a, x, slope;
    };
    const Case table[] = {
        {"x < 0.5 ? 2*a*x : 2*a*(1-x)", 0.8, 0.2, 1.6},
        {"x < 0.5 ? 2*a*x : 2*a*(1-x)", 0.8, 0.5, -1.6},  // at the kink: the branch taken
        {"2*a*min(x, 1-x)", 0.8, 0.7, -1.6},
        {"2*a*min(x, 1-x)", 0.8, 0.5, 1.6},  // min(u, w) is u unless w < u
        {"max(x, 0.5)", 1, 0.25, 0},
        {"abs(x - 0.5)*a", 3, 0.25, -3},
        {"abs(x - 0.5)*a", 3, 0.5, 3},
        {"floor(3*x)/3 + x", 0, 0.4, 1},
        {"x > 0.3 && x < 0.6 ? x*x : x", 0, 0.5, 1},
    };
    for (const Case& c : table) {
        SCOPED_TRACE(c.formula);
        for (Compiler compiler : {Compiler::Native, Compiler::Tree}) {
            const auto m = compiled(c.formula, compiler);
            EXPECT_EQ(m->slope(c.a, c.x), c.slope) << c.x;
        }
    }
}

TEST(FormulaCode, TypedF1AndF2AreTheBuiltInMapsBitForBit) {
    const auto logistic = compiled("a*x*(1-x)");
    const auto sine = compiled("a*x*x*sin(pi*x)");
    ASSERT_TRUE(logistic->code().isNative());
    double x = 0.1234, y = x, u = 0.3, w = u;
    for (int n = 0; n < 5000; ++n) {
        x = f1(3.99, x);
        y = logistic->value(3.99, y);
        u = f2(2.3, u);
        w = sine->value(2.3, w);
        ASSERT_EQ(x, y) << n;
        ASSERT_EQ(u, w) << n;
    }
    // The slope by forward differentiation, a(1 − x) − ax, is the built-in
    // a(1 − 2x) to a rounding or two.
    for (double t : {0.0, 0.1, 0.5, 0.9}) {
        EXPECT_NEAR(logistic->slope(3.7, t), Map::logistic().stepper().slope(3.7, t), 1e-14);
        EXPECT_NEAR(sine->slope(2.3, t), Map::sine().stepper().slope(2.3, t), 1e-14);
    }
}

TEST(FormulaCode, LanesEqualTheScalarSteps) {
    // 16 orbits side by side, among them ones that escape (and stay
    // escaped, though the formula would bring ∞ back) and ones that leave
    // the range.
    const char* f = "abs(x) > 1e300 ? 0.5 : a*x*(1-x)";
    for (Compiler compiler : {Compiler::Native, Compiler::Tree}) {
        const auto m = compiled(f, compiler);
        const FormulaCode& c = m->code();
        double a[kCodeLanes], x[kCodeLanes], inside[kCodeLanes], next[kCodeLanes],
            product[kCodeLanes];
        for (int l = 0; l < kCodeLanes; ++l) {
            a[l] = l < 12 ? 2.5 + 0.125 * l : 6 + l;  // the last four escape
            x[l] = 0.3;
            inside[l] = 0.3;
            product[l] = 1;
            next[l] = c.value(a[l], x[l]);
        }
        const double range[2] = {0, 1};
        constexpr int kSteps = 40;
        std::vector<double> out(kSteps * kCodeLanes);
        c.advanceWithSlopes(a, x, next, inside, range, product, out.data(), kSteps);
        for (int l = 0; l < kCodeLanes; ++l) {
            SCOPED_TRACE(l);
            double y = 0.3, least = 0.3, p = 1;
            for (int n = 0; n < kSteps; ++n) {
                if (std::isfinite(y)) y = m->value(a[l], y);
                least = std::min({least, y - 0, 1 - y});
                if (std::isfinite(y)) p *= std::fabs(m->slope(a[l], y));
                ASSERT_TRUE(sameBits(out[std::size_t(n * kCodeLanes + l)], y)) << n;
            }
            EXPECT_TRUE(sameBits(x[l], y));
            EXPECT_EQ(inside[l] < 0, least < 0);
            if (std::isfinite(y)) {
                EXPECT_EQ(product[l], p);
            }
        }
    }
}

TEST(FormulaCode, TentExponentIsLnTwoA) {
    const auto m = compiled("x < 0.5 ? 2*a*x : 2*a*(1-x)");
    bifurcation::OrbitSetup setup;
    setup.map = Map::formula(m, {0, 1}, {0, 1}, 0.3);
    setup.x0 = 0.3;
    setup.transient = 1000;
    setup.kept = 1000;
    setup.lyapunov = true;
    std::vector<double> a;
    for (int i = 0; i < 16; ++i) a.push_back(0.52 + i * (0.99 - 0.52) / 15);
    std::vector<bifurcation::ColumnOutcome> out(16);
    ASSERT_TRUE(bifurcation::computeColumns(setup, a, {}, out));
    for (int i = 0; i < 16; ++i) {
        EXPECT_NEAR(out[std::size_t(i)].lyapunov, std::log(2 * a[std::size_t(i)]), 1e-13) << i;
    }
}

TEST(FormulaCode, GaussMapFixedPointAndSlopeAtMinusPointEight) {
    const auto m = compiled("exp(-6.2*x^2)+a");
    const double a = -0.8;
    // The orbit from x0 = −1 settles on the attracting fixed point (from 0
    // it falls on a 2-cycle); Newton with the exact slope polishes it.
    double x = -1;
    for (int i = 0; i < 200; ++i) x = m->value(a, x);
    for (int i = 0; i < 5; ++i) x -= (m->value(a, x) - x) / (m->slope(a, x) - 1);
    // Independently: bisection on exp(−6.2x²) − 0.8 − x over [−1, −0.5]
    // (two more fixed points, unstable, lie near −0.4 and 0.12).
    double lo = -1, hi = -0.5;
    for (int i = 0; i < 200; ++i) {
        const double mid = 0.5 * (lo + hi);
        (std::exp(-6.2 * mid * mid) - 0.8 - mid > 0 ? lo : hi) = mid;
    }
    EXPECT_NEAR(x, lo, 1e-14);
    EXPECT_NEAR(m->slope(a, x), -12.4 * x * std::exp(-6.2 * x * x), 1e-13);
    // Attracting: |f′| < 1.
    EXPECT_LT(std::fabs(m->slope(a, x)), 1);
}

TEST(FormulaCode, RefusalNamesWhyAndTheTreeRuns) {
    const auto m = compiled("a*x*(1-x)", Compiler::Tree);
    EXPECT_FALSE(m->code().isNative());
    EXPECT_FALSE(m->code().nativeRefusal().empty());
    EXPECT_EQ(m->value(3.9, 0.3), f1(3.9, 0.3));
    EXPECT_TRUE(compiled("a*x*(1-x)")->code().nativeRefusal().empty());
}

}  // namespace
}  // namespace corvane::custom
