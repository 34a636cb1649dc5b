#include "core/tools/plane_model.h"

#include <gtest/gtest.h>

#include <cmath>

namespace corvane::tools {
namespace {

plane::PlaneMap circle() { return {plane::Mode::TwoParameter, {}, "", ""}; }

TEST(PlaneModel, RefusalsLeaveTheViewAsItWas) {
    struct Case {
        const char* what;
        void (*change)(PlaneView&);
        const char* says;
    };
    const Case cases[] = {
        {"reversed A", [](PlaneView& v) { v.pMin = 4, v.pMax = 3; }, "A_min must be less"},
        {"B not finite", [](PlaneView& v) { v.qMax = INFINITY; }, "B must be finite"},
        {"too far", [](PlaneView& v) { v.qMax = 1e6; }, "B must lie between"},
        {"too narrow", [](PlaneView& v) { v.pMax = v.pMin * (1 + 1e-15); }, "narrower than"},
        {"K = 0", [](PlaneView& v) { v.kept = 0; }, "K"},
        {"x0 NaN", [](PlaneView& v) { v.x0 = NAN; }, "x0"},
        {"bad letters", [](PlaneView& v) { v.map.sequence = "ABC"; }, "sequence"},
    };
    for (const Case& c : cases) {
        PlaneModel model;
        const PlaneView before = model.view();
        PlaneView v = before;
        c.change(v);
        const std::string why = model.show(v);
        EXPECT_NE(why.find(c.says), std::string::npos) << c.what << ": " << why;
        EXPECT_EQ(model.view(), before) << c.what;
        EXPECT_EQ(model.historySize(), 1u) << c.what;
    }
}

TEST(PlaneModel, HistoryKeepsTheLastHundredAndCursorFollowsTheView) {
    PlaneModel model;
    ASSERT_TRUE(model.setCursor(3.5, 3.5));
    for (int i = 0; i < 150; ++i) {
        ASSERT_EQ(model.zoomRect(2, 4 - i * 0.001, 2, 4), "");
    }
    EXPECT_EQ(model.historySize(), PlaneModel::kHistoryLimit);
    int undone = 0;
    while (model.undo()) ++undone;
    EXPECT_EQ(undone, 99);
    EXPECT_DOUBLE_EQ(model.view().pMax, 4 - 50 * 0.001);
    ASSERT_EQ(model.zoomRect(2, 3, 2, 3), "");
    EXPECT_FALSE(model.cursor());  // 3.5 left the view
    EXPECT_FALSE(model.canRedo());
    // The wheel zooms about the point under it.
    ASSERT_EQ(model.wheel(2.5, 2.5, 0.5), "");
    EXPECT_DOUBLE_EQ(model.view().pMin, 2.25);
    EXPECT_DOUBLE_EQ(model.view().qMax, 2.75);
}

TEST(PlaneModel, AnotherSequenceKeepsTheWindowAnotherMapStartsAgain) {
    PlaneModel model;
    ASSERT_EQ(model.zoomRect(3, 3.5, 3.2, 3.9), "");
    plane::PlaneMap m = model.view().map;
    m.sequence = "AABAB";
    ASSERT_EQ(model.selectMap(m), "");
    EXPECT_EQ(model.view().pMax, 3.5);
    EXPECT_EQ(model.view().map.sequence, "AABAB");
    model.setColouring(PlaneColouring::Winding);
    EXPECT_EQ(model.colouring(), PlaneColouring::Lyapunov);  // no winding without a circle
    ASSERT_EQ(model.selectMap(circle()), "");
    EXPECT_EQ(model.view().pMax, 1);
    EXPECT_NEAR(model.view().qMax, 4 * M_PI, 1e-15);
    model.setColouring(PlaneColouring::Winding);
    EXPECT_EQ(model.colouring(), PlaneColouring::Winding);
    ASSERT_TRUE(model.undo());
    // Undo back to the forcing plane is Undo, not a new view: the colouring
    // asked for stays until a view that cannot show it is shown anew.
    ASSERT_EQ(model.home(), "");
    EXPECT_EQ(model.colouring(), PlaneColouring::Lyapunov);
}

TEST(PlaneModel, ReadoutNamesTheParametersAndWhatThePointDoes) {
    PlaneView forcing;
    plane::PointOutcome cycle{-0.25, 2, NAN, false};
    EXPECT_EQ(planeReadout(forcing, 3.2, 3.8, cycle), "A = 3.2, B = 3.8: λ = -0.25, period 2 passes");
    plane::PointOutcome chaos{0.3, 0, NAN, false};
    EXPECT_EQ(planeReadout(forcing, 3.9, 3.9, chaos), "A = 3.9, B = 3.9: λ = 0.3, chaotic");
    plane::PointOutcome undefined{NAN, 0, NAN, false};
    EXPECT_EQ(planeReadout(forcing, 3, 3, undefined),
              "A = 3, B = 3: λ undefined (a slope is no number), no period up to 64");
    plane::PointOutcome gone{INFINITY, 0, NAN, true};
    EXPECT_EQ(planeReadout(forcing, 4.5, 2, gone), "A = 4.5, B = 2: the orbit escapes");
    PlaneView c = startPlaneView(circle());
    plane::PointOutcome locked{-0.1, 3, 1.0 / 3, false};
    EXPECT_EQ(planeReadout(c, 0.343, 0.9, locked),
              "Ω = 0.343, K = 0.9: λ = -0.1, period 3, winding number 0.333333");
}

}  // namespace
}  // namespace corvane::tools
