// The explorer's view, history and cursor without a window.
#include "core/tools/explorer_model.h"

#include <gtest/gtest.h>

#include <cmath>

namespace corvane::tools {
namespace {

TEST(ExplorerModel, RefusedViewsChangeNothingAndTheHistoryIsWalkedBothWays) {
    ExplorerModel m(Map::logistic());
    const View start = m.view();
    struct Refused {
        void (*change)(View&);
        const char* why;
    };
    const Refused refused[] = {
        {[](View& v) { v.aMin = v.aMax; }, "a_min must be less than a_max."},
        {[](View& v) { v.xMin = 2; }, "x_min must be less than x_max."},
        {[](View& v) { v.kept = 0; }, "K must be a whole number from 1 to 100000000."},
        {[](View& v) { v.aMax = v.aMin * (1 + 1e-15); }, ""},
        {[](View& v) { v.x0 = INFINITY; }, "x0 must be a finite number."},
    };
    for (const Refused& r : refused) {
        View v = start;
        r.change(v);
        const std::string why = m.show(v);
        EXPECT_FALSE(why.empty());
        if (*r.why) {
            EXPECT_EQ(why, r.why);
        }
        EXPECT_EQ(m.view(), start);
        EXPECT_FALSE(m.canUndo());
    }
    ASSERT_EQ(m.zoomRect(3.6, 3.4, 0.9, 0.1), "");
    EXPECT_EQ(m.view().aMin, 3.4);
    EXPECT_EQ(m.view().xMax, 0.9);
    // Zooming out with the wheel stops at the ranges the fields take.
    ASSERT_EQ(m.wheel(3.5, 0.5, 1000), "");
    EXPECT_EQ(m.view().aMin, 0);
    EXPECT_EQ(m.view().aMax, kMostBuiltInA);
    EXPECT_EQ(m.view().xMax, 1);
    ASSERT_TRUE(m.undo());
    EXPECT_EQ(m.view().aMin, 3.4);
    ASSERT_TRUE(m.undo());
    EXPECT_EQ(m.view(), start);
    EXPECT_FALSE(m.undo());
    ASSERT_TRUE(m.redo());
    // A new step drops what Redo would have reached.
    ASSERT_EQ(m.home(), "");
    EXPECT_FALSE(m.canRedo());
}

TEST(ExplorerModel, TheCursorStaysOnlyWhileTheViewHoldsIt) {
    ExplorerModel m(Map::sine());
    EXPECT_FALSE(m.setCursor(NAN));
    EXPECT_TRUE(m.setCursor(2.0));
    ASSERT_EQ(m.zoomRect(1.9, 2.1, 0, 1), "");
    EXPECT_EQ(m.cursor(), 2.0);
    ASSERT_EQ(m.zoomRect(2.2, 2.3, 0, 1), "");
    EXPECT_FALSE(m.cursor());
    // A formula's view spans its own ranges.
    const Map gauss = Map::formula(custom::CustomMap::compile("exp(-6.2*x^2)+a").map, {-1, 1},
                                   {-1, 1.5}, 0);
    ASSERT_EQ(m.selectMap(gauss), "");
    EXPECT_EQ(m.view(), startView(gauss));
    EXPECT_EQ(m.view().xMin, -1);
    EXPECT_EQ(m.aLimits(), (Interval{-1, 5}));
}

TEST(ExplorerModel, TheHistoryKeepsItsNewestSteps) {
    ExplorerModel m(Map::logistic());
    for (std::size_t i = 0; i < ExplorerModel::kHistoryLimit + 10; ++i) {
        ASSERT_EQ(m.zoomRect(3 + 1e-4 * double(i), 3.9, 0, 1), "");
    }
    EXPECT_EQ(m.historySize(), ExplorerModel::kHistoryLimit);
    EXPECT_NEAR(m.view().aMin, 3 + 1e-4 * double(ExplorerModel::kHistoryLimit + 9), 1e-12);
}

}  // namespace
}  // namespace corvane::tools
