// The cobweb's state and status line without its window.
#include "core/tools/cobweb_model.h"

#include <gtest/gtest.h>

#include <cmath>

namespace corvane::tools {
namespace {

TEST(CobwebModel, ValuesSetByTheProgramAreBroughtIntoTheMapsRanges) {
    CobwebModel m(Map::logistic());
    EXPECT_TRUE(m.setA(9));
    EXPECT_EQ(m.a(), kMostBuiltInA);
    EXPECT_FALSE(m.setA(NAN));
    EXPECT_TRUE(m.setA(-0.0));
    EXPECT_FALSE(std::signbit(m.a()));  // never −0
    EXPECT_TRUE(m.setFold(1000));
    EXPECT_EQ(m.fold(), cobweb::kMostFold);
    // A formula brings its own ranges; a negative a of the Gauss map stays.
    const Map gauss = Map::formula(custom::CustomMap::compile("exp(-6.2*x^2)+a").map, {-1, 1},
                                   {-1, 1.5}, 0);
    EXPECT_TRUE(m.setA(3));
    const auto change = m.selectMap(gauss);
    EXPECT_TRUE(change.changed);
    EXPECT_TRUE(change.aMoved);
    EXPECT_EQ(m.a(), 0);  // a = 3 lies outside [-1, 1]: its middle
    EXPECT_EQ(m.span().from, -1);
    EXPECT_EQ(m.x0(), 0);
    EXPECT_TRUE(m.setA(-0.5));
    EXPECT_EQ(m.a(), -0.5);
    EXPECT_EQ(m.staircaseBase(), 0);
    // Back to a built-in map: a brought into [0, 5] and said so.
    const auto back = m.selectMap(Map::sine());
    EXPECT_TRUE(back.aMoved);
    EXPECT_EQ(m.a(), 0);
    EXPECT_EQ(m.span().to, 1);
    EXPECT_EQ(m.fieldRule("x0").most, 1);
    EXPECT_EQ(m.fieldRule("a").most, kMostBuiltInA);
}

TEST(CobwebStatus, SaysWhatTheOrbitDoesWithoutCallingEveryNonPeriodicTailChaos) {
    cobweb::Orbit o;
    o.x = {0.2, 0.5, 0.8, 0.5, 0.8};
    EXPECT_EQ(orbitStatus(o, 2, 3, {}, false, 10),
              "Step 4: the tail of the orbit repeats with period 2 of f^3.");
    EXPECT_EQ(orbitStatus(o, 0, 1, {}, true, 10),
              "Step 4: no period up to 64 in the tail: chaotic, a longer period, or not settled "
              "yet. Only the first 10 points of period k are listed.");
    o.stoppedAt = 3;
    o.lastValue = 1.5;
    EXPECT_EQ(orbitStatus(o, 0, 1, {}, false, 10),
              "The orbit leaves [-0.25, 1.25] at step 3 (x = 1.5); it stops there.");
}

}  // namespace
}  // namespace corvane::tools
