// The curve y = f^k(x): its shape against the chart and the diagonal, a
// missing a, and maps whose values run far outside the chart or beyond the
// double range.
#include <algorithm>
#include <cmath>
#include <ostream>

#include "core/numeric/number_text.h"
#include "tests/functions/graph_test_support.h"

namespace corvane::testing {
namespace {

// Segment ends in chart units: u along the x-axis, v up the y-axis.
struct ChartPoint {
    double u, v;
};

std::vector<ChartPoint> curveEnds(const Graph& g, const Chart& c) {
    std::vector<ChartPoint> out;
    for (const auto& s : g.curve) {
        out.push_back(
            {(s.x2 - c.left) / (c.right - c.left), (c.bottom - s.y2) / (c.bottom - c.top)});
    }
    return out;
}

// Crossings of the curve with the diagonal, from its sampled ends: changes
// of side, points that lie on the diagonal counting with the change around
// them; the origin, where every curve starts, counts as one.
int diagonalCrossings(const std::vector<ChartPoint>& ends) {
    int crossings = 1;
    int side = 0;
    for (const auto& p : ends) {
        const double d = p.v - p.u;
        const int s = d > 1e-9 ? 1 : d < -1e-9 ? -1 : 0;
        if (s == 0) continue;
        if (side != 0 && s != side) ++crossings;
        side = s;
    }
    return crossings;
}

// Indices of the highest points of the curve's humps.
std::vector<std::size_t> peaks(const std::vector<ChartPoint>& ends) {
    std::vector<std::size_t> out;
    for (std::size_t i = 1; i + 1 < ends.size(); ++i) {
        if (ends[i].v > ends[i - 1].v && ends[i].v > ends[i + 1].v) out.push_back(i);
    }
    return out;
}

class Curve : public FunctionGraphs {
protected:
    // One graph of map 1 or 2 with this a and k, in panel 1.
    Graph draw(int map, const std::string& a, const std::string& k) {
        openGraphs();
        typeA(a);
        graph(map, k);
        return onlyGraph();
    }
};

TEST_F(Curve, ParabolaReachesTheTopAtOneHalf) {
    const Graph g = draw(1, "4", "1");
    const Chart c = panel(1);
    expectCurve(g, c, 1, 4, 1);
    ASSERT_EQ(g.curve.size(), 100u);
    // The first segment starts at the chart's lower-left corner.
    EXPECT_EQ(g.curve[0].x1, static_cast<float>(c.left));
    EXPECT_EQ(g.curve[0].y1, static_cast<float>(c.bottom));
    const auto ends = curveEnds(g, c);
    EXPECT_EQ(peaks(ends), std::vector<std::size_t>{49});
    EXPECT_NEAR(ends[49].u, 0.5, 1e-6);
    EXPECT_EQ(g.curve[49].y2, static_cast<float>(c.top));  // f(0.5) is exactly 1
    for (const auto& p : ends) {
        EXPECT_GE(p.v, -1e-9);
        EXPECT_LE(p.v, 1 + 1e-9);
    }
    EXPECT_NEAR(ends.back().u, 1, 1e-6);
    EXPECT_NEAR(ends.back().v, 0, 1e-9);
    EXPECT_EQ(diagonalCrossings(ends), 2);  // the origin and the fixed point 3/4
}

TEST_F(Curve, SecondIterateOfTheFullParabola) {
    const Graph g = draw(1, "4", "2");
    const Chart c = panel(1);
    expectCurve(g, c, 1, 4, 2);
    const auto ends = curveEnds(g, c);
    ASSERT_EQ(ends.size(), 100u);
    // It touches the top twice, where f(x) = 1/2: x = (1 ∓ 1/√2)/2.
    const auto humps = peaks(ends);
    ASSERT_EQ(humps.size(), 2u);
    EXPECT_NEAR(ends[humps[0]].u, (1 - 1 / std::sqrt(2.0)) / 2, 0.01);
    EXPECT_NEAR(ends[humps[1]].u, (1 + 1 / std::sqrt(2.0)) / 2, 0.01);
    EXPECT_GT(ends[humps[0]].v, 0.999);
    EXPECT_GT(ends[humps[1]].v, 0.999);
    EXPECT_NEAR(ends[49].v, 0, 1e-9);  // f(f(1/2)) = f(1) = 0
    // The origin, the 2-cycle (5 ∓ √5)/8 and the fixed point 3/4.
    EXPECT_EQ(diagonalCrossings(ends), 4);
}

TEST_F(Curve, FixedPointOfAEqualsTwoIsOneHalf) {
    const Graph g = draw(1, "2", "1");
    const Chart c = panel(1);
    expectCurve(g, c, 1, 2, 1);
    const auto ends = curveEnds(g, c);
    ASSERT_EQ(ends.size(), 100u);
    EXPECT_NEAR(ends[49].u, 0.5, 1e-6);
    EXPECT_NEAR(ends[49].v, 0.5, 1e-6);
    for (std::size_t i = 0; i < 49; ++i) EXPECT_GT(ends[i].v, ends[i].u) << i;
    for (std::size_t i = 50; i < 100; ++i) EXPECT_LT(ends[i].v, ends[i].u) << i;
    EXPECT_EQ(diagonalCrossings(ends), 2);
}

TEST_F(Curve, AFiveRisesAboveTheChartAndItsSecondIterateFallsBelow) {
    Graph g = draw(1, "5", "1");
    expectCurve(g, panel(1), 1, 5, 1);
    auto ends = curveEnds(g, panel(1));
    ASSERT_EQ(ends.size(), 100u);
    EXPECT_NEAR(ends[49].v, 1.25, 1e-9);
    EXPECT_LT(g.curve[49].y2, panel(1).top);  // above the chart, not cut off

    graph(1, "2");
    const auto all = drawnGraphs();
    ASSERT_EQ(all.size(), 2u);
    g = all[1];
    const Chart c = panel(2);
    expectCurve(g, c, 1, 5, 2);
    ends = curveEnds(g, c);
    ASSERT_EQ(ends.size(), 100u);
    EXPECT_NEAR(ends[49].v, -1.5625, 1e-9);  // f(1.25)
    EXPECT_GT(g.curve[49].y2, c.bottom);     // below the chart
}

TEST_F(Curve, SecondMap) {
    const Graph g = draw(2, "1", "1");
    const Chart c = panel(1);
    expectCurve(g, c, 2, 1, 1);
    const auto ends = curveEnds(g, c);
    ASSERT_EQ(ends.size(), 100u);
    EXPECT_NEAR(ends[49].v, 0.25, 1e-9);  // sin of half the shortened pi rounds to 1
    EXPECT_EQ(g.title, "a=1, k=1, function 2");
}

struct FlatCase {
    const char* name;
    int map;
    const char* k;
};

void PrintTo(const FlatCase& c, std::ostream* os) { *os << c.name; }

class WithoutA : public Curve, public ::testing::WithParamInterface<FlatCase> {};

// Fields never filled: nothing is stored, a counts as 0 and writes as nothing.
TEST_P(WithoutA, CurveLiesOnTheXAxis) {
    const FlatCase& fc = GetParam();
    openGraphs();
    graph(fc.map, fc.k);
    EXPECT_EQ(ui.messages(), std::vector<std::string>{"Please enter all values"});
    EXPECT_TRUE(m().curA.isEmpty());
    const Graph g = onlyGraph();
    const Chart c = panel(1);
    expectFrame(g, c);
    EXPECT_EQ(g.title, "a=, k=" + std::string(fc.k) + ", function " + std::to_string(fc.map));
    expectCurve(g, c, fc.map, 0, std::stoi(fc.k));
    ASSERT_EQ(g.curve.size(), 100u);
    for (const auto& s : g.curve) {
        EXPECT_NEAR(s.y1, c.bottom, 1e-3);
        EXPECT_NEAR(s.y2, c.bottom, 1e-3);
    }
}

INSTANTIATE_TEST_SUITE_P(Form4, WithoutA,
                         ::testing::Values(FlatCase{"Map1Once", 1, "1"},
                                           FlatCase{"Map1Twice", 1, "2"},
                                           FlatCase{"Map2Once", 2, "1"},
                                           FlatCase{"Map2FiveTimes", 2, "5"}),
                         [](const auto& info) { return std::string(info.param.name); });

struct FarCase {
    const char* name;
    int map;
    const char* a;  // beyond 5 the main window complains but stores it
    const char* k;
};

void PrintTo(const FarCase& c, std::ostream* os) { *os << c.name; }

class FarOutside : public Curve, public ::testing::WithParamInterface<FarCase> {};

// Values far beyond the chart, up to the double range and past it: the frame
// and title stand, the curve ends at its last finite value, and segments
// reach the drawing layer cut to the box around the surface, along their own
// lines.
TEST_P(FarOutside, CurveIsCutToTheBoxAndEndsAtTheLastFiniteValue) {
    const FarCase& fc = GetParam();
    const Graph g = draw(fc.map, fc.a, fc.k);
    const Chart c = panel(1);
    EXPECT_TRUE(graphs().allFinite());
    for (const auto& op : graphs().picture(DrawOp::Kind::Line)) {
        for (const double v : {op.x1, op.y1, op.x2, op.y2}) {
            EXPECT_LE(std::fabs(v), kBox);
        }
    }
    expectFrame(g, c);
    EXPECT_EQ(g.title,
              "a=" + m().curA.text() + ", k=" + fc.k + ", function " + std::to_string(fc.map));
    expectCurve(g, c, fc.map, *toDouble(fc.a), std::stoi(fc.k));
}

INSTANTIATE_TEST_SUITE_P(
    Form4, FarOutside,
    ::testing::Values(FarCase{"Map1KForty", 1, "5", "40"}, FarCase{"Map1KEleven", 1, "5", "11"},
                      FarCase{"Map1KTen", 1, "5", "10"}, FarCase{"Map2KTwelve", 2, "5", "12"},
                      FarCase{"Map2KLargest", 2, "5", "32767"}, FarCase{"HugeA", 1, "1e306", "1"},
                      FarCase{"HugeNegativeA", 1, "-1e306", "1"},
                      FarCase{"LargestA", 2, "1.7e308", "1"},
                      FarCase{"LargestAThrice", 1, "1.7e308", "3"}),
    [](const auto& info) { return std::string(info.param.name); });

// With a = 5 and k = 11 the values near x = 0.32 leave the double range while
// those near x = 1 do not: the curve still ends at x = 0.31.
TEST_F(Curve, StopsAtTheFirstValueBeyondTheDoubleRange) {
    const auto points = referencePoints(1, 5, 11);
    ASSERT_EQ(points.size(), 31u);
    double atOne = 1;
    for (int j = 0; j < 11; ++j) atOne = (atOne * 5) * (1 - atOne);
    ASSERT_EQ(atOne, 0.0);
    const Graph g = draw(1, "5", "11");
    const Chart c = panel(1);
    expectCurve(g, c, 1, 5, 11);
    ASSERT_FALSE(g.curve.empty());
    const double lastX = c.right - (c.right - c.left) * (1 - points.back().x);
    for (const auto& s : g.curve) EXPECT_LE(s.x2, static_cast<float>(lastX) + 1e-3);
    // Most of it runs beyond the box: those segments end on its edge.
    const auto cut = std::count_if(g.curve.begin(), g.curve.end(), [](const DrawOp& s) {
        return std::fabs(s.y1) == kBox || std::fabs(s.y2) == kBox;
    });
    EXPECT_GT(cut, 0);
}

// Between two points far above the surface nothing is drawn; the segments
// that climb out of the chart run on their own lines up to the box edge.
TEST_F(Curve, SegmentsBeyondTheBoxAreLeftOut) {
    const Graph g = draw(1, "1e306", "1");
    const Chart c = panel(1);
    expectCurve(g, c, 1, 1e306, 1);
    ASSERT_EQ(g.curve.size(), 2u);  // up from the origin, and down to x = 1
    EXPECT_EQ(g.curve[0].x1, static_cast<float>(c.left));
    EXPECT_EQ(g.curve[0].y1, static_cast<float>(c.bottom));
    EXPECT_EQ(g.curve[0].y2, -kBox);
    EXPECT_NEAR(g.curve[0].x2, c.left, 1e-3);  // as good as vertical
    EXPECT_EQ(g.curve[1].y1, -kBox);
    EXPECT_NEAR(g.curve[1].x1, c.right, 1e-3);
    EXPECT_EQ(g.curve[1].x2, static_cast<float>(c.right));
    EXPECT_NEAR(g.curve[1].y2, c.bottom, 1e-3);
}

}  // namespace
}  // namespace corvane::testing
