// The difference of two plotted orbits in the zoom window.
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "tests/support/program_test.h"
#include "tests/zoom/chart.h"

namespace corvane::testing {
namespace {

constexpr double kPi = 3.14159265358979;
constexpr std::int32_t kIntMax = std::numeric_limits<std::int32_t>::max();

const char* const kFirstPrompt = "Enter number of first plot (1-6), then click OK";
const char* const kSecondPrompt = "Enter number of second plot (1-6), then click OK";

// One orbit slot, as plotted or as set directly.
struct Orbit {
    double a;
    double x0;
    int N;
};

// The differences u_n - v_n of two orbits, written out here on their own.
std::vector<double> differences(int map, const Orbit& p, const Orbit& q) {
    std::vector<double> out;
    double u = p.x0;
    double v = q.x0;
    for (int n = 1; n <= p.N; ++n) {
        if (map == 1) {
            u = p.a * u * (1 - u);
            v = q.a * v * (1 - v);
        } else {
            u = p.a * u * u * std::sin(kPi * u);
            v = q.a * v * v * std::sin(kPi * v);
        }
        out.push_back(u - v);
    }
    return out;
}

class DifferenceTest : public ProgramTest {
protected:
    // The user chooses Difference and answers the two prompts.
    void difference(const std::string& first, const std::string& second) {
        ui.answerInput(first);
        ui.answerInput(second);
        form1().click("mnuDifference");
    }

    // Plots `count` orbits of f1 with a = 3 and N = 10.
    void plotMany(int count) {
        for (int k = 1; k <= count; ++k) plot(1, "3", "0." + std::to_string(k), "10");
        ASSERT_EQ(m().plotCount, count);
    }

    // Fills slots 1 and 2 directly, without the range check of plotting.
    void setSlots(int map, const Orbit& p, const Orbit& q) {
        m().funcChoice = static_cast<std::int16_t>(map);
        m().slotA[1] = p.a;
        m().slotX0[1] = p.x0;
        m().slotN[1] = p.N;
        m().slotA[2] = q.a;
        m().slotX0[2] = q.x0;
        m().slotN[2] = q.N;
        m().plotCount = 2;
    }

    std::int32_t diffScale() { return program.form1().diffScale; }

    // A drawn chart: its window title, labels, axes and visibility.
    void expectChart(const std::string& low, const std::string& titleLine,
                     const std::string& windowTitle) {
        EXPECT_TRUE(form2().isVisible());
        EXPECT_EQ(form2().title(), windowTitle);
        EXPECT_EQ(form2().printedTexts(),
                  (std::vector<std::string>{low, "0", "Xn", "N", titleLine}));
        const auto prints = form2().picture(DrawOp::Kind::Print);
        ASSERT_EQ(prints.size(), 5u);
        const Chart& c = kForm2Chart;
        EXPECT_DOUBLE_EQ(prints[0].x1, c.left - 100.0 * static_cast<double>(low.size()) - 20);
        EXPECT_DOUBLE_EQ(prints[0].y1, c.bottom - 100);
        EXPECT_DOUBLE_EQ(prints[1].x1, c.left - 120);
        EXPECT_DOUBLE_EQ(prints[1].y1, (c.bottom + c.top) / 2 - 100);
        EXPECT_DOUBLE_EQ(prints[2].x1, c.left - 50 - 200);  // "Xn"
        EXPECT_DOUBLE_EQ(prints[2].y1, c.top);
        EXPECT_DOUBLE_EQ(prints[3].x1, c.right - 100);  // "N"
        EXPECT_DOUBLE_EQ(prints[3].y1, c.bottom + 20);
        EXPECT_DOUBLE_EQ(prints[4].y1, c.top - 200);
        // The two axes and no tick marks.
        const auto lines = form2().picture(DrawOp::Kind::Line);
        ASSERT_EQ(lines.size(), 2u);
        EXPECT_DOUBLE_EQ(lines[0].x1, c.left);
        EXPECT_DOUBLE_EQ(lines[0].y1, c.bottom);
        EXPECT_DOUBLE_EQ(lines[0].x2, c.right);
        EXPECT_DOUBLE_EQ(lines[0].y2, c.bottom);
        EXPECT_DOUBLE_EQ(lines[1].x2, c.left);
        EXPECT_DOUBLE_EQ(lines[1].y2, c.top);
    }

    // Every finite difference within the scale is one point, in order.
    void expectPoints(const std::vector<double>& d, std::int32_t M) {
        const auto points = form2().picture(DrawOp::Kind::PSet);
        std::size_t p = 0;
        const long long N = static_cast<long long>(d.size());
        for (std::size_t i = 0; i < d.size(); ++i) {
            if (!std::isfinite(d[i]) || std::abs(d[i]) > M) continue;
            SCOPED_TRACE(i + 1);
            ASSERT_LT(p, points.size());
            EXPECT_NEAR(points[p].x1, kForm2Chart.x(static_cast<long long>(i) + 1, N), 1e-6);
            EXPECT_NEAR(points[p].y1, kForm2Chart.differenceY(d[i], M), 1e-6);
            ++p;
        }
        EXPECT_EQ(p, points.size());
        EXPECT_TRUE(form2().allFinite());
    }
};

TEST_F(DifferenceTest, FewerThanTwoPlotsAsksNothing) {
    for (int count : {0, 1}) {
        SCOPED_TRACE(count);
        ui.clearDialogs();
        if (count == 1) plot(1, "2", "0.2", "10");
        form1().click("mnuDifference");
        EXPECT_EQ(ui.dialogs().size(), 1u);
        EXPECT_EQ(ui.messages(),
                  std::vector<std::string>{"You need at least two plot to see the difference"});
        EXPECT_TRUE(form2().ops().empty());
    }
}

TEST_F(DifferenceTest, BothPromptsAreAskedWithTheirTitles) {
    plotMany(2);
    difference("1", "2");
    ASSERT_GE(ui.dialogs().size(), 2u);
    EXPECT_EQ(ui.dialogs()[0].kind, fake::Dialog::Kind::Input);
    EXPECT_EQ(ui.dialogs()[0].text, kFirstPrompt);
    EXPECT_EQ(ui.dialogs()[0].title, "Choose first corvane");
    EXPECT_EQ(ui.dialogs()[1].kind, fake::Dialog::Kind::Input);
    EXPECT_EQ(ui.dialogs()[1].text, kSecondPrompt);
    EXPECT_EQ(ui.dialogs()[1].title, "Choose second corvane");
    EXPECT_TRUE(ui.messages().empty());
}

TEST_F(DifferenceTest, RejectedAnswersLeaveForm2Untouched) {
    struct Case {
        int plots;
        std::string first;
        std::string second;
        std::string message;  // empty: the command ends silently
    };
    const std::vector<Case> cases{
        {3, "", "2", ""},  // first prompt cancelled: the second is still asked
        {3, "2", "", ""},
        {3, "", "", ""},
        {3, "", "abc", ""},  // an empty answer is looked at before the number test
        {3, "abc", "1", "Invalid number"},
        {3, "1", "abc", "Invalid number"},
        {3, " ", "1", "Invalid number"},
        {3, "0", "1", "Invalid number"},
        {3, "1", "0", "Invalid number"},
        {3, "-1", "2", "Invalid number"},
        {6, "7", "1", "Invalid number"},
        {6, "1", "7", "Invalid number"},
        {3, "4", "1", "Invalid number"},
        {3, "2", "4", "Invalid number"},
        {3, "0.5", "1", "Invalid number"},  // rounds to 0
        {3, "3.5", "1", "Invalid number"},  // rounds to 4
        {3, "32767", "1", "Invalid number"},
        {3, "32768", "1", "Invalid number"},  // beyond a 16-bit integer
        {3, "1", "-40000", "Invalid number"},
        {3, "1E300", "1", "Invalid number"},
        {3, "1", "1E999", "Invalid number"},  // beyond the double range
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("'" + c.first + "', '" + c.second + "' with " + std::to_string(c.plots));
        m().plotCount = static_cast<std::int16_t>(c.plots);
        m().curA = 1.5;
        ui.clearDialogs();
        difference(c.first, c.second);
        ASSERT_EQ(ui.dialogs().size(), c.message.empty() ? 2u : 3u);
        EXPECT_EQ(ui.dialogs()[0].text, kFirstPrompt);
        EXPECT_EQ(ui.dialogs()[1].text, kSecondPrompt);
        if (!c.message.empty()) {
            EXPECT_EQ(ui.messages(), std::vector<std::string>{c.message});
        }
        EXPECT_TRUE(form2().ops().empty());
        EXPECT_FALSE(form2().isVisible());
        EXPECT_EQ(form2().title(), "");
        EXPECT_EQ(m().curA.value(), 1.5);
    }
}

TEST_F(DifferenceTest, HalvesRoundToTheEvenPlotNumber) {
    plotMany(6);
    struct Case {
        std::string first;
        std::string second;
        int i;
        int j;
    };
    const std::vector<Case> cases{
        {"1.5", "2.5", 2, 2},
        {"2.5", "1", 2, 1},
        {"4.5", "5.5", 4, 6},
        {" 3 ", "6.4", 3, 6},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first + ", " + c.second);
        ui.clearDialogs();
        difference(c.first, c.second);
        EXPECT_TRUE(ui.messages().empty());
        EXPECT_EQ(form2().title(), "Difference between plots " + std::to_string(c.i) + " and " +
                                       std::to_string(c.j));
        EXPECT_EQ(program.form1().firstPlotNo.value(), c.i);
        EXPECT_EQ(program.form1().secondPlotNo.value(), c.j);
    }
}

TEST_F(DifferenceTest, TheSamePlotTwiceLiesOnTheMiddleLine) {
    plot(1, "2", "0.2", "10");
    plot(1, "3.9", "0.3", "50");
    difference("2", "2");
    EXPECT_TRUE(ui.messages().empty());
    EXPECT_EQ(diffScale(), 1);
    const auto points = form2().picture(DrawOp::Kind::PSet);
    ASSERT_EQ(points.size(), 50u);
    for (std::size_t i = 0; i < points.size(); ++i) {
        EXPECT_DOUBLE_EQ(points[i].y1, 6885);  // half way between 13081.5 and 688.5
        EXPECT_NEAR(points[i].x1, kForm2Chart.x(static_cast<long long>(i) + 1, 50), 1e-6);
    }
    expectChart("-1", "delta a = 0, delta x0 = 0", "Difference between plots 2 and 2");
}

TEST_F(DifferenceTest, TheSecondOrbitStaysCurrentAndTheDeltasAreFirstMinusSecond) {
    plot(1, "3", "0.2", "10");
    plot(1, "2.5", "0.4", "10");
    difference("1", "2");
    EXPECT_EQ(m().curA.value(), 2.5);
    EXPECT_EQ(m().curX0.value(), 0.4);
    EXPECT_EQ(m().curNValue(), 10);
    EXPECT_EQ(m().deltaA.value(), 0.5);
    EXPECT_EQ(m().deltaX0.value(), 0.2 - 0.4);
    EXPECT_EQ(form2().printedTexts().back(), "delta a = 0.5, delta x0 = -0.2");
    EXPECT_EQ(m().slotA[1].value(), 3);
    EXPECT_EQ(m().plotCount, 2);
    // Where the first orbit ended, in full precision: ten steps of 3·x·(1−x)
    // from 0.2.
    double x = 0.2;
    for (int n = 0; n < 10; ++n) x = (3 * x) * (1 - x);
    EXPECT_EQ(program.form1().lastOrbitEnd.steps, 10);
    EXPECT_EQ(program.form1().lastOrbitEnd.x, x);
}

TEST_F(DifferenceTest, DifferentNStopsAfterClearingForm2) {
    struct Case {
        std::string name;
        Orbit second;  // plotted with f1 after the first, a = 2, x0 = 0.2, N = 10
        bool zoomFirst;
    };
    const std::vector<Case> cases{
        {"longer orbit", {2, 0.3, 20}, false},
        {"shortened by the range check", {5, 0.5, 10}, false},  // N becomes 1
        {"after a zoom", {2, 0.3, 20}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        form1().click("mnuClear");
        plot(1, "2", "0.2", "10");
        plot(1, numberText(c.second.a), numberText(c.second.x0), std::to_string(c.second.N));
        ASSERT_NE(m().slotN[1], m().slotN[2]);
        form2().Cls();
        form2().hide();
        form2().setTitle("");
        if (c.zoomFirst) {
            form1().open("mnuZoom");
            form1().click("mnuPlot1");
            ASSERT_TRUE(form2().isVisible());
        }
        const std::string title = form2().title();
        ui.clearDialogs();
        difference("1", "2");
        EXPECT_EQ(ui.messages(), std::vector<std::string>{"N must be same for the two plots"});
        ASSERT_FALSE(form2().ops().empty());
        EXPECT_EQ(form2().ops().back().kind, DrawOp::Kind::Cls);
        EXPECT_TRUE(form2().blank());
        EXPECT_EQ(form2().title(), title);
        EXPECT_EQ(form2().isVisible(), c.zoomFirst);
    }
}

TEST_F(DifferenceTest, PlotDifferenceReportsDifferentN) {
    plot(1, "2", "0.2", "10");
    plot(1, "2", "0.3", "11");
    program.form1().firstPlotNo = 1;
    program.form1().secondPlotNo = 2;
    bool ok = true;
    program.form1().plotDifference(ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(ui.messages(), std::vector<std::string>{"N must be same for the two plots"});
    EXPECT_EQ(m().curNValue(), 11);
}

TEST_F(DifferenceTest, TwoEmptyOrbitsGiveTheFrameAlone) {
    plot(2, "5", "0.7", "10");  // the first iterate is already out of range
    plot(2, "5", "0.75", "10");
    ASSERT_EQ(m().slotN[1], 0);
    ASSERT_EQ(m().slotN[2], 0);
    ui.clearDialogs();
    difference("1", "2");
    EXPECT_TRUE(ui.messages().empty());
    EXPECT_TRUE(form2().picture(DrawOp::Kind::PSet).empty());
    EXPECT_EQ(diffScale(), 1);
    expectChart("-1", "delta a = 0, delta x0 = -0.05", "Difference between plots 1 and 2");
}

// The scale is M = (largest |d| rounded, halves to even) + 1.
TEST_F(DifferenceTest, TheScaleFollowsTheLargestDifference) {
    struct Case {
        std::string name;
        int map;
        Orbit first;
        Orbit second;
        std::int32_t M;
        bool throughPlots;  // plotted through the main window, or slots set directly
    };
    const std::vector<Case> cases{
        {"orbits within 0.1", 1, {2, 0.2, 10}, {2, 0.3, 10}, 1, true},
        {"f2 orbits within 0.02", 2, {2, 0.8, 20}, {2, 0.81, 20}, 1, true},
        {"chaotic orbits up to 0.95 apart", 1, {4, 0.2, 50}, {4, 0.21, 50}, 2, true},
        {"f2 orbits up to 0.94 apart", 2, {2.5, 0.6, 40}, {2.5, 0.62, 40}, 2, true},
        {"exactly 0.5 apart rounds to 0", 1, {4, 0.5, 3}, {2, 0.5, 3}, 1, true},
        {"exactly 2.5 apart rounds to 2", 1, {5, 0.5, 1}, {-5, 0.5, 1}, 3, false},
        {"an escaping orbit 2104.5 away", 1, {5, 0.5, 4}, {2, 0.5, 4}, 2106, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.throughPlots) {
            form1().click("mnuClear");
            plot(c.map, numberText(c.first.a), numberText(c.first.x0), std::to_string(c.first.N));
            plot(c.map, numberText(c.second.a), numberText(c.second.x0),
                 std::to_string(c.second.N));
            ASSERT_TRUE(ui.messages().empty());
            ASSERT_EQ(m().slotN[1], c.first.N);
            ASSERT_EQ(m().slotN[2], c.second.N);
        } else {
            setSlots(c.map, c.first, c.second);
        }
        const auto d = differences(c.map, c.first, c.second);
        difference("1", "2");
        EXPECT_TRUE(ui.messages().empty());
        EXPECT_EQ(diffScale(), c.M);
        expectPoints(d, c.M);
        EXPECT_EQ(form2().picture(DrawOp::Kind::PSet).size(), d.size());
        EXPECT_EQ(form2().printedTexts().front(), "-" + std::to_string(c.M));
        EXPECT_EQ(form2().title(), "Difference between plots 1 and 2");
        EXPECT_TRUE(form2().isVisible());
    }
}

TEST_F(DifferenceTest, WithoutASelectedMapEveryDifferenceIsZero) {
    plot(1, "2", "0.2", "10");
    plot(1, "3", "0.9", "10");
    m().funcChoice = 0;
    difference("1", "2");
    EXPECT_EQ(diffScale(), 1);
    const auto points = form2().picture(DrawOp::Kind::PSet);
    ASSERT_EQ(points.size(), 10u);
    for (const auto& p : points) EXPECT_DOUBLE_EQ(p.y1, 6885);
    EXPECT_EQ(form2().printedTexts().back(), "delta a = -1, delta x0 = -0.7");
}

// The recomputed orbits have no range check; these leave the double range.
TEST_F(DifferenceTest, OrbitsBeyondTheDoubleRangeAreSkipped) {
    struct Case {
        std::string name;
        int map;
        Orbit first;
        Orbit second;
        std::int32_t M;
        std::size_t drawn;
    };
    const std::vector<Case> cases{
        // d reaches -5.2E+256, then -inf: the scale stops at its largest value,
        // and only the five differences within it are drawn.
        {"f1 escapes to -inf", 1, {5, 0.5, 20}, {2, 0.5, 20}, kIntMax, 5},
        // f2: d is -1.45E+9 at n = 5, still within the scale, then beyond it;
        // the orbit reaches inf, and sin(inf) gives NaN for ever after.
        {"f2 escapes to NaN", 2, {5, 0.5, 30}, {2, 0.5, 30}, kIntMax, 5},
        // The same escaping orbit twice: 0 while finite, then -inf - -inf.
        {"the same escaping orbit", 1, {5, 0.5, 20}, {5, 0.5, 20}, 1, 10},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        setSlots(c.map, c.first, c.second);
        const auto d = differences(c.map, c.first, c.second);
        ASSERT_FALSE(std::isfinite(d.back()));
        ui.clearDialogs();
        difference("1", "2");
        EXPECT_TRUE(ui.messages().empty());
        EXPECT_EQ(diffScale(), c.M);
        EXPECT_EQ(form2().picture(DrawOp::Kind::PSet).size(), c.drawn);
        expectPoints(d, c.M);
        EXPECT_EQ(form2().printedTexts().front(), "-" + std::to_string(c.M));
        EXPECT_TRUE(form2().isVisible());
        EXPECT_EQ(form2().title(), "Difference between plots 1 and 2");
    }
}

TEST_F(DifferenceTest, ACancelledDifferenceLeavesForm2AsDifferentNDoes) {
    struct Case {
        std::string name;
        std::int64_t cancelAt;  // the passes count 1 .. N, then N + 1 .. 2N
        bool zoomFirst;
    };
    const std::vector<Case> cases{
        {"in the scale pass", 3, false},
        {"in the drawing pass", 10 + 3, false},
        {"in the drawing pass after a zoom", 10 + 7, true},
    };
    plot(1, "4", "0.2", "10");
    plot(1, "4", "0.21", "10");
    m().progressMask = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        form2().Cls();
        form2().hide();
        form2().setTitle("");
        if (c.zoomFirst) {
            form1().open("mnuZoom");
            form1().click("mnuPlot1");
        }
        const std::string title = form2().title();
        ui.clearDialogs();
        ui.cancelAtStep(c.cancelAt);
        difference("1", "2");
        ui.cancelAtStep(std::nullopt);
        EXPECT_TRUE(ui.messages().empty());
        EXPECT_TRUE(form2().blank());
        EXPECT_EQ(form2().title(), title);
        EXPECT_EQ(form2().isVisible(), c.zoomFirst);
        EXPECT_EQ(ui.progressCaptions().back(), "Difference");
    }
    // Not stopped, the same command draws its chart.
    difference("1", "2");
    EXPECT_EQ(form2().picture(DrawOp::Kind::PSet).size(), 10u);
    EXPECT_TRUE(form2().isVisible());
}

TEST_F(DifferenceTest, PlotDifferenceReportsACancel) {
    plot(1, "4", "0.2", "10");
    plot(1, "4", "0.21", "10");
    program.form1().firstPlotNo = 1;
    program.form1().secondPlotNo = 2;
    m().progressMask = 0;
    ui.cancelAtStep(15);
    bool ok = true;
    program.form1().plotDifference(ok);
    EXPECT_FALSE(ok);
    EXPECT_TRUE(form2().blank());
    EXPECT_TRUE(ui.messages().empty());
}

}  // namespace
}  // namespace corvane::testing
