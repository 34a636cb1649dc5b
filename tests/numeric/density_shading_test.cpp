#include "core/numeric/density_shading.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace corvane {
namespace {

TEST(DensityShade, EmptyIsWhiteDensestIsBlack) {
    for (std::uint32_t densest : {1u, 2u, 1000u, 4095u, 4096u, 100000u, 4000000000u}) {
        const DensityShade shade(densest);
        EXPECT_EQ(shade(0), 255) << densest;
        EXPECT_EQ(shade(densest), 0) << densest;
        EXPECT_EQ(shade(densest + (densest < 1u << 31 ? densest : 1)), 0);  // beyond: black
    }
    EXPECT_EQ(DensityShade(0)(0), 255);
    EXPECT_EQ(DensityShade(0)(7), 255);
}

TEST(DensityShade, IsLogarithmicAndFallsWithTheCount) {
    const DensityShade shade(1000);
    // One count in a thousand: a tenth of the way to black.
    EXPECT_EQ(shade(1), std::lround(255 * (1 - std::log(2.0) / std::log(1001.0))));
    EXPECT_EQ(shade(31), std::lround(255 * (1 - std::log(32.0) / std::log(1001.0))));
    for (std::uint32_t c = 1; c <= 1000; ++c) EXPECT_LE(shade(c), shade(c - 1)) << c;
}

TEST(DensityShade, TableAndDirectValuesAgainstTheFormula) {
    // Counts past the table are computed on the spot by the same formula.
    const std::uint32_t densest = 1u << 20;
    const DensityShade shade(densest);
    for (std::uint32_t c : {4095u, 4096u, 4097u, 65535u, 500000u}) {
        const double want = 255 * (1 - std::log1p(double(c)) / std::log1p(double(densest)));
        EXPECT_EQ(shade(c), std::lround(want)) << c;
    }
}

TEST(ShadeColumns, TopRowIsTheHighestBin) {
    // Two columns of three bins and a fourth entry to skip, bin 0 at the bottom.
    const std::vector<std::uint32_t> counts = {4, 0, 1, 9,  // column 0: bins 0, 1, 2
                                               0, 4, 0, 9};
    const DensityShade shade(4);
    std::vector<std::uint8_t> image(3 * 5, 77);  // stride 5: the padding stays
    shadeColumns(counts.data(), 4, 2, 3, shade, image.data(), 5);
    const std::uint8_t one = shade(1);
    const std::vector<std::uint8_t> want = {one, 255, 77, 77, 77,  //
                                            255, 0,   77, 77, 77,  //
                                            0,   255, 77, 77, 77};
    EXPECT_EQ(image, want);
}

}  // namespace
}  // namespace corvane
