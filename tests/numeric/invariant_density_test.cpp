#include "core/numeric/invariant_density.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "core/numeric/bifurcation.h"
#include "core/numeric/maps.h"

namespace corvane::density {
namespace {

Histogram counted(const Orbit& s) {
    const std::optional<Histogram> h = count(s);
    EXPECT_TRUE(h.has_value());
    return h.value_or(Histogram{});
}

// The counts the closed form expects of bin j, by its exact integral.
double expected(const Histogram& h, std::int32_t j) {
    const auto m = static_cast<std::int32_t>(h.counts.size());
    return static_cast<double>(h.counted) * closedFormMass(binLow(m, j), binHigh(m, j));
}

TEST(InvariantDensity, TenMillionIteratesAtFourMatchTheClosedFormWithinTwoPercent) {
    Orbit s;
    s.map = Map::logistic();
    s.a = 4;
    s.x0 = 0.2;
    s.transient = 1000;
    s.iterates = 10'000'000;
    s.bins = 100;
    const Histogram h = counted(s);
    ASSERT_EQ(h.counts.size(), 100u);
    EXPECT_EQ(h.counted, s.iterates);
    EXPECT_EQ(h.outside, 0);
    EXPECT_EQ(h.fate, Fate::Chaotic);
    for (std::int32_t j = 0; j < 100; ++j) {
        const double e = expected(h, j);
        EXPECT_LT(std::fabs(h.counts[std::size_t(j)] - e) / e, 0.02) << "bin " << j;
    }
    const Fit fit = fitClosedForm(h);
    EXPECT_LT(fit.largestRelativeDeviation, 0.02);
    EXPECT_EQ(fit.degreesOfFreedom, 99);
    // A chain of the map is not a sample of independent draws, but its χ²
    // stays within a few times its degrees of freedom.
    EXPECT_LT(fit.chiSquare, 5.0 * 99);
}

TEST(InvariantDensity, TheMidpointValueWouldMissTheEndBinsByFarMoreThanTheIntegral) {
    // Bin [0, 0.01]: its average density is the integral over the width; the
    // value at its middle is some 30 % lower.
    const double average = closedFormMass(0, 0.01) / 0.01;
    EXPECT_NEAR(average, (2 / M_PI) * std::asin(0.1) / 0.01, 1e-12);
    EXPECT_GT(std::fabs(closedForm(0.005) - average) / average, 0.25);
}

TEST(InvariantDensity, ClosedFormMassesAddUpToOneAndAreSymmetric) {
    const std::int32_t m = 1000;
    double total = 0;
    for (std::int32_t j = 0; j < m; ++j) total += closedFormMass(binLow(m, j), binHigh(m, j));
    EXPECT_NEAR(total, 1.0, 1e-12);
    EXPECT_NEAR(closedFormMass(0, 0.3), closedFormMass(0.7, 1), 1e-15);
    EXPECT_DOUBLE_EQ(closedFormMass(0, 0.5), 0.5);
    // Small interior bins: the integral is close to the width times the value.
    EXPECT_NEAR(closedFormMass(0.4, 0.4001) / 0.0001, closedForm(0.40005), 1e-6);
    EXPECT_TRUE(closedFormKnown(Map::logistic(), 4));
    EXPECT_FALSE(closedFormKnown(Map::logistic(), 3.9999999999));
    EXPECT_FALSE(closedFormKnown(Map::sine(), 4));
}

struct FitCase {
    std::vector<std::int32_t> counts;
    std::vector<double> masses;
    double deviation;
    double chiSquare;
    std::int64_t dof;
};

TEST(InvariantDensity, FitComparesCountsWithExpectedCountsOfBinsThatCanHoldAny) {
    const FitCase cases[] = {
        {{50, 50}, {0.5, 0.5}, 0, 0, 1},
        {{60, 40}, {0.5, 0.5}, 0.2, 4, 1},
        // A bin of mass 0 counts neither in χ² nor in the degrees of freedom.
        {{30, 70, 0}, {0.25, 0.75, 0}, 0.2, 1 + 1.0 / 3, 1},
        {{10, 20, 30, 40}, {0.1, 0.2, 0.3, 0.4}, 0, 0, 3},
        {{}, {}, 0, 0, 0},
    };
    for (const FitCase& c : cases) {
        const Fit fit = fitCounts(c.counts, c.masses);
        EXPECT_NEAR(fit.largestRelativeDeviation, c.deviation, 1e-12);
        EXPECT_NEAR(fit.chiSquare, c.chiSquare, 1e-12);
        EXPECT_EQ(fit.degreesOfFreedom, c.dof);
    }
}

TEST(InvariantDensity, BarAreasAddUpToTheShareOfIteratesInTheUnitInterval) {
    Orbit s;
    s.a = 3.7;
    s.x0 = 0.3;
    s.iterates = 100'000;
    s.bins = 777;
    const Histogram h = counted(s);
    double area = 0;
    for (std::int32_t j = 0; j < s.bins; ++j)
        area += binDensity(h, j) * (binHigh(777, j) - binLow(777, j));
    EXPECT_NEAR(area, 1.0, 1e-9);
    EXPECT_EQ(binHigh(777, 776), 1.0);
    EXPECT_EQ(binLow(777, 0), 0.0);
}

// The same period as the explorer's column shows.
struct PeriodCase {
    int map;
    double a;
    double x0;
    Fate fate;
    int period;
};

TEST(InvariantDensity, NamesThePeriodAsTheDiagramsColumnDoes) {
    const double c2 = Map::sine().startX0();
    const PeriodCase cases[] = {
        {1, 2.8, 0.5, Fate::Periodic, 1}, {1, 3.2, 0.5, Fate::Periodic, 2},
        {1, 3.5, 0.5, Fate::Periodic, 4}, {1, 3.83, 0.5, Fate::Periodic, 3},
        {1, 3.9, 0.5, Fate::Chaotic, 0},  {2, 1.7, c2, Fate::Periodic, 1},
        {2, 2.25, c2, Fate::Chaotic, 0},  {1, 4.0, 0.5, Fate::UnstableCycle, 1},
        {2, 2.1, c2, Fate::Periodic, 2},
        // No period up to 64 with λ < 0: a long cycle not yet settled, not chaos.
        {1, 3.5688, 0.5, Fate::LongPeriod, 0},
        // Creeping towards the fixed point 0 (x ↦ x − x²): no repeat within
        // the tolerance, yet no chaos.
        {1, 1.0, 0.5, Fate::Converging, 0},
    };
    for (const PeriodCase& c : cases) {
        Orbit s;
        s.map = Map::fromChoice(c.map);
        s.a = c.a;
        s.x0 = c.x0;
        s.transient = 1000;
        s.iterates = 1000;
        s.bins = 100;
        const Histogram h = counted(s);
        bifurcation::OrbitSetup o;
        o.map = Map::fromChoice(c.map);
        o.x0 = c.x0;
        o.transient = 1000;
        o.kept = 1000;
        bifurcation::ColumnOutcome out{};
        const std::array<double, 1> a{c.a};
        ASSERT_TRUE(bifurcation::computeColumns(o, a, {}, std::span(&out, 1)));
        EXPECT_EQ(h.period, out.period) << c.map << " at " << c.a;
        EXPECT_EQ(h.fate, c.fate) << c.map << " at " << c.a;
        EXPECT_EQ(h.period, c.period) << c.map << " at " << c.a;
        if (c.fate == Fate::Periodic) {
            EXPECT_LE(std::fabs(h.multiplier), 1.0) << c.a;
        }
    }
}

TEST(InvariantDensity, FromTheCriticalPointAtFourTheOrbitFallsOntoTheUnstableFixedPointZero) {
    Orbit s;
    s.a = 4;
    s.x0 = 0.5;  // 0.5 → 1 → 0 → 0 …
    s.transient = 0;
    s.iterates = 1000;
    s.bins = 10;
    const Histogram h = counted(s);
    EXPECT_EQ(h.fate, Fate::UnstableCycle);
    EXPECT_EQ(h.period, 1);
    EXPECT_EQ(h.multiplier, 4.0);
    // The iterate 1 falls in the last bin, the rest on 0.
    EXPECT_EQ(h.counts[9], 1);
    EXPECT_EQ(h.counts[0], 999);
}

TEST(InvariantDensity, AnOrbitThatRunsOffIsEscapedWithItsIteratesOutsideCounted) {
    Orbit s;
    s.a = 5;
    s.x0 = 0.1;  // 0.45, then 1.2375 and on to −∞
    s.transient = 0;
    s.iterates = 1000;
    s.bins = 10;
    const Histogram h = counted(s);
    EXPECT_EQ(h.fate, Fate::Escaped);
    EXPECT_EQ(h.counted, 1);
    EXPECT_EQ(h.counts[4], 1);
    EXPECT_GT(h.outside, 2);
    EXPECT_FALSE(std::isfinite(h.lastIterate));
    EXPECT_EQ(count(Orbit{Map::logistic(), 5, 0.1, 100, 10, 10})->fate, Fate::Escaped);
}

TEST(InvariantDensity, EveryKeptIterateIsCountedWhateverTheSplitBeforeTheTail) {
    // The last kept iterates go through another path than the rest: the
    // histogram equals a plain count of the same orbit, for lengths around
    // the tail's.
    for (std::int64_t n : {1, 2, 127, 128, 129, 5000}) {
        Orbit s;
        s.a = 3.9;
        s.x0 = 0.3;
        s.transient = 17;
        s.iterates = n;
        s.bins = 50;
        const Histogram h = counted(s);
        std::vector<std::int32_t> plain(50, 0);
        double x = s.x0;
        for (int i = 0; i < 17; ++i) x = f1(s.a, x);
        for (std::int64_t i = 0; i < n; ++i) {
            x = f1(s.a, x);
            ++plain[std::size_t(std::min(49, int(x * 50)))];
        }
        EXPECT_EQ(h.counts, plain) << n;
        EXPECT_EQ(h.counted, n);
        EXPECT_EQ(h.lastIterate, x);
        if (n == 1) {
            EXPECT_EQ(h.fate, Fate::TooFewIterates);
        }
    }
}

TEST(InvariantDensity, BinsAreKeptWithinTheirRange) {
    EXPECT_EQ(count(Orbit{Map::logistic(), 3.9, 0.3, 0, 10, 3})->counts.size(), std::size_t(kMinBins));
    EXPECT_EQ(count(Orbit{Map::logistic(), 3.9, 0.3, 0, 10, 5'000'000})->counts.size(), std::size_t(kMaxBins));
}

TEST(InvariantDensity, AStopAbandonsTheCountAndIsAskedWithTheStepsDone) {
    std::vector<std::int64_t> asked;
    const auto stopSecond = [&](std::int64_t done) {
        asked.push_back(done);
        return asked.size() == 2;
    };
    EXPECT_FALSE(count(Orbit{Map::logistic(), 3.9, 0.3, 100'000, 10'000'000, 100}, stopSecond).has_value());
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0], 65536);
    EXPECT_EQ(asked[1], 100'000 + 65536);  // counted from the end of the transient
    asked.clear();
    EXPECT_TRUE(count(Orbit{Map::logistic(), 3.9, 0.3, 0, 200'000, 100}, [&](std::int64_t done) {
                    asked.push_back(done);
                    return false;
                }).has_value());
    EXPECT_EQ(asked.size(), 3u);
}

TEST(InvariantDensity, ColumnsShowTheMeanAndLargestOfTheirBins) {
    Orbit s;
    s.a = 4;
    s.x0 = 0.2;
    s.iterates = 200'000;
    s.bins = 1000;
    const Histogram h = counted(s);
    const std::vector<ColumnSummary> columns = summariseColumns(h, 300);
    ASSERT_EQ(columns.size(), 300u);
    // Column 1 covers bins 3, 4 and 5 (⌊1000/300⌋ = 3 to ⌊2000/300⌋ = 6).
    const double d3 = binDensity(h, 3), d4 = binDensity(h, 4), d5 = binDensity(h, 5);
    EXPECT_NEAR(columns[1].mean, (d3 + d4 + d5) / 3, 1e-12);
    EXPECT_EQ(columns[1].largest, std::max({d3, d4, d5}));
    // Fewer bins than columns: every column shows one bin.
    s.bins = 10;
    const Histogram coarse = counted(s);
    const std::vector<ColumnSummary> wide = summariseColumns(coarse, 25);
    EXPECT_EQ(wide[0].mean, binDensity(coarse, 0));
    EXPECT_EQ(wide[24].mean, binDensity(coarse, 9));
    EXPECT_EQ(wide[12].largest, binDensity(coarse, 4));
}

TEST(InvariantDensity, CsvHasOneRowPerBinAndTheClosedFormWhereItIsKnown) {
    for (double a : {4.0, 3.9}) {
        Orbit s;
        s.a = a;
        s.x0 = 0.2;
        s.iterates = 10'000;
        s.bins = 20;
        const Histogram h = counted(s);
        std::string text;
        CsvWriter out([&](std::string_view piece) { text += piece; });
        writeCsv(h, out);
        std::istringstream lines(text);
        std::string line;
        std::vector<std::string> rows;
        int comments = 0;
        while (std::getline(lines, line)) {
            if (line.rfind("# ", 0) == 0) {
                ++comments;
            } else {
                rows.push_back(line);
            }
        }
        ASSERT_EQ(rows.size(), 21u);
        const bool known = a == 4;
        EXPECT_EQ(rows[0],
                  known ? "x_low,x_high,count,density,closed_form" : "x_low,x_high,count,density");
        // The four lines every file begins with, the fate, and the fit.
        EXPECT_EQ(comments, known ? 6 : 5);
        // Bin 3, its edges as the counting forms them.
        const double lo = binLow(20, 3), hi = binHigh(20, 3);
        std::string expectedRow = csvNumber(lo) + "," + csvNumber(hi) + "," +
                                  std::to_string(h.counts[3]) + "," + csvNumber(binDensity(h, 3));
        if (known) expectedRow += "," + csvNumber(closedFormMass(lo, hi) / (hi - lo));
        EXPECT_EQ(rows[4], expectedRow);
        EXPECT_EQ(rows[20].substr(0, rows[20].find(',', rows[20].find(',') + 1)),
                  csvNumber(binLow(20, 19)) + ",1");
    }
}

}  // namespace
}  // namespace corvane::density
