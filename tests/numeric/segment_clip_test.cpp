// Cutting a segment to a horizontal band, for any finite heights.
#include "core/numeric/segment_clip.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <ostream>
#include <string>

namespace corvane {
namespace {

struct BandCase {
    const char* name;
    double y0, y1;
    bool visible;
    double t0, t1;
};

void PrintTo(const BandCase& c, std::ostream* os) { *os << c.name; }

class ClipToBand : public ::testing::TestWithParam<BandCase> {};

TEST_P(ClipToBand, KeepsThePartWithinTheBand) {
    const BandCase& c = GetParam();
    const auto part = clipToBand(c.y0, c.y1, -1000, 1000);
    ASSERT_EQ(part.has_value(), c.visible);
    if (!part) return;
    EXPECT_TRUE(std::isfinite(part->t0));
    EXPECT_TRUE(std::isfinite(part->t1));
    EXPECT_GE(part->t0, 0.0);
    EXPECT_LE(part->t1, 1.0);
    EXPECT_LE(part->t0, part->t1);
    EXPECT_NEAR(part->t0, c.t0, 1e-12);
    EXPECT_NEAR(part->t1, c.t1, 1e-12);
}

INSTANTIATE_TEST_SUITE_P(
    Segments, ClipToBand,
    ::testing::Values(BandCase{"Inside", -5, 7, true, 0, 1},
                      BandCase{"OnTheEdges", -1000, 1000, true, 0, 1},
                      BandCase{"LeavesUpwards", 0, 4000, true, 0, 0.25},
                      BandCase{"LeavesDownwards", 0, -2000, true, 0, 0.5},
                      BandCase{"EntersFromAbove", 3000, 0, true, 2.0 / 3.0, 1},
                      BandCase{"EntersFromBelow", -1500, 500, true, 0.25, 1},
                      BandCase{"CrossesUpwards", -3000, 3000, true, 1.0 / 3.0, 2.0 / 3.0},
                      BandCase{"CrossesDownwards", 3000, -3000, true, 1.0 / 3.0, 2.0 / 3.0},
                      BandCase{"AllAbove", 2000, 5000, false, 0, 0},
                      BandCase{"AllBelow", -2000, -1001, false, 0, 0},
                      BandCase{"LevelAbove", 2000, 2000, false, 0, 0},
                      BandCase{"ToTheTopOfTheRange", 0, DBL_MAX, true, 0, 1000 / DBL_MAX},
                      BandCase{"FromTheBottomOfTheRange", -DBL_MAX, 0, true, 1 - 1000 / DBL_MAX, 1},
                      BandCase{"AcrossTheWholeRange", -DBL_MAX, DBL_MAX, true, 0.5, 0.5},
                      BandCase{"BetweenTheEndsOfTheRange", DBL_MAX, -DBL_MAX, true, 0.5, 0.5},
                      BandCase{"BothAtTheTop", DBL_MAX, DBL_MAX / 3, false, 0, 0},
                      // t would round to 1 at both band edges here.
                      BandCase{"FarBelowTowardsTheBand", -1e55, -6.5e14, false, 0, 0},
                      BandCase{"FarAboveAwayFromTheBand", 6.5e14, 1e55, false, 0, 0},
                      // The band is passed within a rounding error of t = 1/2.
                      BandCase{"FarAcross", -1e55, 1e55, true, 0.5, 0.5}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace corvane
