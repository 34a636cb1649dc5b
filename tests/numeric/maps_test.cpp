#include "core/numeric/maps.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace corvane {
namespace {

TEST(Maps, PiIsTheShortenedConstant) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &kPi, sizeof bits);
    EXPECT_EQ(bits, 0x400921FB54442D11u);
    EXPECT_EQ(kPi, 3.14159265358979);
    EXPECT_LT(kPi, M_PI);
}

TEST(Maps, ExactValues) {
    EXPECT_EQ(f1(4, 0.5), 1.0);
    EXPECT_EQ(f2(1, 0.5), 0.25);  // sin of half the shortened pi rounds to 1
    const double atOne = f2(1, 1);
    EXPECT_NE(atOne, 0.0);
    EXPECT_NEAR(atOne, 3.2e-15, 0.1e-15);
    EXPECT_EQ(f2(2, 1), 2 * atOne);
}

TEST(Maps, EvaluationOrderIsKept) {
    // (a·x)·(1−x) and a·(x·(1−x)) differ in the last bit for these values.
    const double a = 3.9, x = 0.1234567891234567;
    EXPECT_EQ(f1(a, x), (a * x) * (1 - x));
    const volatile double ax = a * x;
    EXPECT_EQ(f2(a, x), (ax * x) * std::sin(kPi * x));
    EXPECT_EQ(applyMap(1, a, x), f1(a, x));
    EXPECT_EQ(applyMap(2, a, x), f2(a, x));
    EXPECT_EQ(applyMap(0, a, x), x);
}

}  // namespace
}  // namespace corvane
