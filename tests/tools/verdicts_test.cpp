// What the hover and the density pane say of an orbit: one rule for both.
#include "core/tools/verdicts.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace corvane::tools {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(ColumnVerdict, ChaoticOnlyWherelambdaIsPositive) {
    struct Case {
        bifurcation::ColumnOutcome outcome;
        std::int64_t kept;
        const char* said;
    };
    const Case cases[] = {
        {{false, false, 0.41, 0, kNaN}, 1000, "chaotic, \u03bb = 0.41"},
        {{false, false, -0.004, 0, kNaN}, 1000,
         "periodic, period above 64, or still converging, \u03bb = -0.004"},
        {{false, false, -0.0013, 0, 8.9e-16}, 1000, "converging to 0, \u03bb = -0.0013"},
        {{false, false, -0.7, 3, kNaN}, 1000, "period 3, \u03bb = -0.7"},
        {{false, false, kNaN, 0, kNaN}, 1000, "no period up to 64, \u03bb = -"},
        {{false, false, kNaN, 0, kNaN}, 1, "too few kept steps for a period, \u03bb = -"},
        {{true, true, INFINITY, 0, kNaN}, 1000, "escaped (the orbit is no longer finite), \u03bb = -"},
        {{false, true, -INFINITY, 1, kNaN}, 1000, "period 1, the orbit left [-1, 1.5], \u03bb = -inf"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(columnVerdict(c.outcome, c.kept, {-1, 1.5}), c.said);
    }
}

TEST(FateText, TellsThePathOntoAnUnstableCycleAndWhetherItWasExact) {
    density::Histogram h;
    h.range = {0, 1};
    h.fate = density::Fate::UnstableCycle;
    h.period = 1;
    h.lastIterate = 0;
    h.multiplier = 4;
    h.arrival = {0.5, 1, 0};
    h.exactArrival = true;
    EXPECT_EQ(fateText(h),
              "In exact arithmetic 0.5 \u2192 1 \u2192 0, and 0 is a fixed point (unstable, "
              "slope 4): the orbit stays there, so there is no density to show. Choose "
              "another x0.");
    h.exactArrival = false;
    EXPECT_EQ(fateText(h).rfind("The orbit 0.5 \u2192 1 \u2192 0 landed exactly on the fixed point 0", 0),
              0u)
        << fateText(h);
    h.fate = density::Fate::LongPeriod;
    h.lyapunov = -0.0031;
    EXPECT_EQ(fateText(h),
              "No period up to 64 and \u03bb = -0.0031 \u2264 0: periodic with a longer period, "
              "or still converging.");
    // A logistic step is exact only where no operation rounds.
    EXPECT_TRUE(density::exactLogisticPath(4, {0.5, 1, 0}));
    EXPECT_FALSE(density::exactLogisticPath(3.9, {0.3, 3.9 * 0.3 * 0.7}));
}

}  // namespace
}  // namespace corvane::tools
