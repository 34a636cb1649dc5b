#include "core/tools/window_size.h"

#include <gtest/gtest.h>

#include <ostream>

namespace corvane::tools {
void PrintTo(const Box& b, std::ostream* out) {
    *out << b.width << "x" << b.height << " at (" << b.x << ", " << b.y << ")";
}

namespace {

TEST(FirstGeometry, FitsMostOfTheFreeAreaAndLiesInsideIt) {
    struct Case {
        Box preferred, least, available, expected;
    };
    const Box none{};
    const Case cases[] = {
        // Room enough: the preferred size, centred.
        {{0, 0, 1180, 800}, none, {0, 0, 1920, 1080}, {370, 140, 1180, 800}},
        // A laptop's screen under a panel: 90 % of the free area at most.
        {{0, 0, 1180, 800}, none, {0, 27, 1366, 741}, {93, 64, 1180, 666}},
        {{0, 0, 1180, 800}, none, {0, 27, 1280, 693}, {64, 62, 1152, 623}},
        // A second screen to the right, with its panel at the left.
        {{0, 0, 900, 620}, none, {1966, 0, 1300, 700}, {2166, 40, 900, 620}},
        // The layout's least size wins over the share...
        {{0, 0, 1180, 800}, {0, 0, 700, 700}, {0, 0, 1366, 741}, {93, 20, 1180, 700}},
        // ...but never over the free area itself.
        {{0, 0, 1180, 800}, {0, 0, 700, 900}, {0, 0, 1366, 741}, {93, 0, 1180, 741}},
    };
    for (const Case& c : cases) {
        const Box b = firstGeometry(c.preferred, c.least, c.available);
        EXPECT_EQ(b, c.expected) << c.available.width << "x" << c.available.height;
        EXPECT_GE(b.x, c.available.x);
        EXPECT_GE(b.y, c.available.y);
        EXPECT_LE(b.x + b.width, c.available.x + c.available.width);
        EXPECT_LE(b.y + b.height, c.available.y + c.available.height);
    }
}

}  // namespace
}  // namespace corvane::tools
