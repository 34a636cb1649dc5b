// The quick bin search against the bisection over the bin edges, and the
// counters in both of their forms.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <map>
#include <new>
#include <random>
#include <vector>

#include "core/numeric/bin_counters.h"

namespace corvane {
namespace {

std::int32_t bisect(double x, std::int32_t m) {
    std::int32_t lo = 0;
    return bisectBin(x, lo, m, 1.0 / m);
}

// The bin each value must land in: j·w <= x < (j + 1)·w with the products as
// doubles, counter m for x at or above m·w. Checked by brute force over a
// window of candidate bins, independently of both searches.
std::int32_t bruteBin(double x, std::int32_t m) {
    const double w = 1.0 / m;
    const std::int64_t centre = static_cast<std::int64_t>(x * m);
    for (std::int64_t j = std::max<std::int64_t>(0, centre - 3);
         j <= std::min<std::int64_t>(m, centre + 3); ++j) {
        const bool above = x >= static_cast<double>(j) * w;
        const bool below = j == m || x < static_cast<double>(j + 1) * w;
        if (above && below) return static_cast<std::int32_t>(j);
    }
    ADD_FAILURE() << "no bin for " << x << " with m = " << m;
    return -1;
}

TEST(BinSearch, BisectionPutsPointThreeIntoBinTwoOfTen) {
    EXPECT_GT(3 * (1.0 / 10), 0.3);  // why it is not bin 3
    EXPECT_EQ(bisect(0.3, 10), 2);
    EXPECT_EQ(locateBin(0.3, 10, 1.0 / 10), 2);
}

TEST(BinSearch, EndsOfTheInterval) {
    for (std::int32_t m : {1, 3, 7, 10, 1000, 49999, 1000000, 2147483647}) {
        const double w = 1.0 / m;
        EXPECT_EQ(bisect(0.0, m), 0) << m;
        EXPECT_EQ(locateBin(0.0, m, w), 0) << m;
        EXPECT_EQ(bisect(1.0, m), m) << m;  // 1 is the upper counter's
        EXPECT_EQ(locateBin(1.0, m, w), m) << m;
        const double tiny = std::nextafter(0.0, 1.0);
        EXPECT_EQ(locateBin(tiny, m, w), bisect(tiny, m)) << m;
        const double belowOne = std::nextafter(1.0, 0.0);
        EXPECT_EQ(locateBin(belowOne, m, w), bisect(belowOne, m)) << m;
    }
}

TEST(BinSearch, BisectionMatchesTheBinEdges) {
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (std::int32_t m : {1, 3, 7, 10, 1000, 2147483647}) {
        for (int i = 0; i < 2000; ++i) {
            const double x = unit(rng);
            EXPECT_EQ(bisect(x, m), bruteBin(x, m)) << x << " m = " << m;
        }
    }
}

// Every edge j·w of the bins, and the doubles right next to it.
void expectSameBinAroundEdge(std::int64_t j, std::int32_t m) {
    const double w = 1.0 / m;
    const double e = static_cast<double>(j) * w;
    for (double x : {std::nextafter(e, -1.0), e, std::nextafter(e, 2.0)}) {
        if (!(x >= 0 && x <= 1)) continue;
        ASSERT_EQ(locateBin(x, m, w), bisect(x, m)) << "x = " << x << ", m = " << m;
    }
}

TEST(BinSearch, QuickSearchAgreesOnAllEdges) {
    for (std::int32_t m : {1, 3, 7, 10, 1000, 49999, 1000000}) {
        for (std::int64_t j = 0; j <= m; ++j) expectSameBinAroundEdge(j, m);
    }
}

TEST(BinSearch, QuickSearchAgreesOnEdgesOfTheLargestM) {
    const std::int32_t m = 2147483647;
    std::mt19937_64 rng(11);
    std::uniform_int_distribution<std::int64_t> bin(0, m);
    for (int i = 0; i < 200000; ++i) expectSameBinAroundEdge(bin(rng), m);
    for (std::int64_t j = 0; j < 1000; ++j) expectSameBinAroundEdge(j, m);
    for (std::int64_t j = m - 1000; j <= m; ++j) expectSameBinAroundEdge(j, m);
}

TEST(BinSearch, QuickSearchAgreesOnRandomDoubles) {
    std::mt19937_64 rng(5);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    // Also values spread over all binades: random bit patterns below 1.
    std::uniform_int_distribution<std::uint64_t> bits(0, 0x3FF0000000000000ull);
    for (std::int32_t m : {1, 3, 7, 10, 1000, 49999, 1000000, 2147483647}) {
        const double w = 1.0 / m;
        for (int i = 0; i < 100000; ++i) {
            const double x = unit(rng);
            ASSERT_EQ(locateBin(x, m, w), bisect(x, m)) << "x = " << x << ", m = " << m;
            double y;
            const std::uint64_t b = bits(rng);
            std::memcpy(&y, &b, sizeof y);
            ASSERT_EQ(locateBin(y, m, w), bisect(y, m)) << "x = " << y << ", m = " << m;
        }
    }
}

// The quick search takes ⌊x·m⌋ as it is while the fraction of x·m keeps
// 2^-18 away from an integer, and checks against the edges otherwise: values
// on both sides of that margin, and much closer to the edges, for the
// largest m, where the roundings are widest.
TEST(BinSearch, QuickSearchAgreesAroundItsMargin) {
    std::mt19937_64 rng(13);
    for (std::int32_t m : {3, 1000, 1000000, 2147483647}) {
        const double w = 1.0 / m;
        std::uniform_int_distribution<std::int64_t> bin(0, m - 1);
        for (int i = 0; i < 20000; ++i) {
            const double j = static_cast<double>(bin(rng));
            for (double d : {0x1p-16, 0x1p-18, 0x1p-20, 0x1p-24, 0x1p-30}) {
                for (double g : {j + d, j + 1 - d}) {
                    const double x0 = g / m;
                    for (double x : {std::nextafter(x0, 0.0), x0, std::nextafter(x0, 1.0)}) {
                        if (!(x >= 0 && x <= 1)) continue;
                        ASSERT_EQ(locateBin(x, m, w), bisect(x, m)) << "x = " << x << ", m = " << m;
                    }
                }
            }
        }
    }
}

// Outside [0, 1] the count never asks, but the search still gives a bin:
// 0 below the interval (and for NaN), counter m at or above m·binWidth.
TEST(BinSearch, ValuesOutsideTheIntervalStayInTheCounters) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (std::int32_t m : {1, 10, 2147483647}) {
        const double w = 1.0 / m;
        for (double x : {-inf, -1.0, -0.0, std::nextafter(0.0, -1.0), nan}) {
            EXPECT_EQ(locateBin(x, m, w), 0) << x << ", m = " << m;
        }
        for (double x : {std::nextafter(1.0, 2.0), 2.0, inf}) {
            EXPECT_EQ(locateBin(x, m, w), m) << x << ", m = " << m;
            std::int32_t lo = 0;
            EXPECT_EQ(bisectBin(x, lo, m, w), m) << x << ", m = " << m;
        }
    }
}

TEST(BinCounters, SmallMIsAPlainArray) {
    BinCounters c;
    c.reset(10, 3);
    EXPECT_TRUE(c.dense());
    EXPECT_EQ(c.size(), 11);
    c.add(0);
    c.add(0);
    c.add(10);
    c.finish();
    EXPECT_EQ(c.at(0), 2);
    EXPECT_EQ(c.at(10), 1);
    EXPECT_EQ(c.at(5), 0);
    EXPECT_EQ(c.maxBelow(10), 2);
    EXPECT_EQ(c.maxBelow(0), 0);
}

TEST(BinCounters, HugeMHoldsOnlyTheBinsHit) {
    BinCounters c;
    c.reset(2000000000, 1000);
    EXPECT_FALSE(c.dense());
    std::map<std::int32_t, std::int32_t> expected;
    std::mt19937_64 rng(3);
    std::uniform_int_distribution<std::int32_t> bin(0, 2000000000);
    for (int i = 0; i < 5000; ++i) {
        // Neighbouring and repeated bins as well as scattered ones.
        const std::int32_t b = i % 3 == 0 ? 1999999999 - i % 7 : bin(rng);
        c.add(b);
        ++expected[b];
    }
    EXPECT_EQ(c.storedBins(), static_cast<std::int64_t>(expected.size()));
    for (const auto& [b, n] : expected) ASSERT_EQ(c.at(b), n) << b;  // while still a table
    c.finish();
    std::vector<std::pair<std::int32_t, std::int32_t>> seen;
    c.forEachNonEmpty(2000000000, [&](std::int32_t b, std::int32_t n) { seen.emplace_back(b, n); });
    std::vector<std::pair<std::int32_t, std::int32_t>> want;
    std::int32_t largest = 0;
    for (const auto& [b, n] : expected) {
        if (b < 2000000000) want.emplace_back(b, n), largest = std::max(largest, n);
    }
    EXPECT_EQ(seen, want);  // in rising order, the upper counter left out
    EXPECT_EQ(c.maxBelow(2000000000), largest);
    for (const auto& [b, n] : expected) ASSERT_EQ(c.at(b), n) << b;  // once sorted
    EXPECT_EQ(c.at(12345), expected.count(12345) ? expected[12345] : 0);
}

TEST(BinCounters, LongOrbitOverAModerateMGetsAPlainArray) {
    BinCounters c;
    c.reset(10000000, 40000000);
    EXPECT_TRUE(c.dense());
    c.reset(10000000, 1000);
    EXPECT_FALSE(c.dense());
    c.reset(200000000, 2000000000);  // a plain array would take 800 MB
    EXPECT_FALSE(c.dense());
}

// The count hands the table its bins in batches: the same counters as one
// add() each, bins outside 0..m ignored either way.
TEST(BinCounters, BatchesCountLikeSingleAdds) {
    for (std::int32_t m : {10, 1000, 2000000000}) {
        std::mt19937_64 rng(static_cast<std::uint64_t>(m));
        std::uniform_int_distribution<std::int32_t> anywhere(-2, m);
        std::vector<std::int32_t> bins;
        for (int i = 0; i < 20000; ++i) bins.push_back(i % 5 == 0 ? m - i % 3 : anywhere(rng));
        bins.push_back(m + 1);
        BinCounters one, batched;
        one.reset(m, 20000);
        batched.reset(m, 20000);
        for (std::int32_t b : bins) one.add(b);
        for (std::size_t k = 0; k < bins.size(); k += 777) {
            batched.addBatch(bins.data() + k, std::min<std::size_t>(777, bins.size() - k));
        }
        EXPECT_EQ(batched.storedBins(), one.storedBins());
        one.finish();
        batched.finish();
        for (std::int32_t b : bins) ASSERT_EQ(batched.at(b), one.at(b)) << b << ", m = " << m;
        EXPECT_EQ(batched.maxBelow(m), one.maxBelow(m));
    }
}

// A sorted table takes further bins: it becomes a table again.
TEST(BinCounters, AddingAfterSortingGoesOnCounting) {
    BinCounters c;
    c.reset(2000000000, 100);
    std::map<std::int32_t, std::int32_t> expected;
    for (std::int32_t i = 0; i < 3000; ++i) {
        const std::int32_t b = (i * 7919) % 50000 * 40000;
        c.add(b);
        ++expected[b];
        if (i % 1000 == 999) {
            c.finish();
            ASSERT_EQ(c.sortedBins().size(), expected.size());
        }
    }
    const std::int32_t more[] = {5, 5, 0, 1999960000};
    c.addBatch(more, 4);
    for (std::int32_t b : more) ++expected[b];
    c.finish();
    EXPECT_EQ(c.storedBins(), static_cast<std::int64_t>(expected.size()));
    for (const auto& [b, n] : expected) ASSERT_EQ(c.at(b), n) << b;
}

TEST(BinCounters, TableBeyondItsLimitReportsNoMemory) {
    BinCounters c;
    c.reset(2000000000, 1000, 5);
    for (std::int32_t b = 0; b < 5; ++b) c.add(b * 1000);
    c.add(0);  // known bins still count
    EXPECT_THROW(c.add(77), std::bad_alloc);
}

}  // namespace
}  // namespace corvane
