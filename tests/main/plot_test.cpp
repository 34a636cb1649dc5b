// Orbits in the six panels of the main window, clearing, exit and printing.
#include <cmath>

#include "core/numeric/number_text.h"
#include "tests/support/program_test.h"

namespace corvane::testing {
namespace {

struct Point {
    double x, y;
    bool operator==(const Point&) const = default;
};

struct Chart {
    double left, bottom, right, top;
};

// The chart of panel k on the main window, from the layout alone.
Chart panelChart(const Module1& m, double surfaceHeight, int k) {
    const double column = (k - 1) % 3;
    const double left = column * m.panelWidth + (column + 1) * m.panelMarginX;
    const double bottom = k <= 3 ? ((surfaceHeight - m.panelMarginY) - m.panelHeight) - 300
                                 : surfaceHeight - 200;
    return {left, bottom, left + m.panelWidth, bottom - m.panelHeight};
}

// An independent orbit: each iterate goes through the chart's vertical
// coordinate and is read back from there.
std::vector<Point> referenceOrbit(int map, double a, double x0, int n, const Chart& c) {
    std::vector<Point> points;
    const double pi = 3.14159265358979;
    double x = x0;
    for (int i = 1; i <= n; ++i) {
        const double y = map == 1 ? (a * x) * (1 - x) : ((a * x) * x) * std::sin(pi * x);
        if (y > 1.25 || y < -0.25) break;
        const double px = c.left + ((c.right - c.left) * i) / n;
        const double py = c.bottom - ((y + 0.25) * (c.bottom - c.top)) / 1.5;
        points.push_back({px, py});
        x = (1.5 * (c.bottom - py)) / (c.bottom - c.top) - 0.25;
    }
    return points;
}

std::vector<Point> drawnPoints(const FakeWindow& w) {
    std::vector<Point> out;
    for (const auto& op : w.picture(DrawOp::Kind::PSet)) out.push_back({op.x1, op.y1});
    return out;
}

class Plot : public ProgramTest {
protected:
    Chart panel(int k) { return panelChart(m(), form1().ScaleHeight(), k); }
    std::vector<std::string> legends() {
        std::vector<std::string> out;
        for (const auto& t : form1().printedTexts()) {
            if (t.find(": a = ") != std::string::npos) out.push_back(t);
        }
        return out;
    }
};

struct OrbitCase {
    int map;
    const char* a;
    const char* x0;
    const char* n;
    std::size_t points;
    const char* message;  // nullptr: none
    const char* legend;
    std::int32_t slotN;
};

class PlotOrbits : public Plot, public ::testing::WithParamInterface<OrbitCase> {};

TEST_P(PlotOrbits, DrawsOnePointPerIterateUntilTheRangeIsLeft) {
    const OrbitCase& c = GetParam();
    plot(c.map, c.a, c.x0, c.n);
    const auto points = drawnPoints(form1());
    const auto expected = referenceOrbit(c.map, *toDouble(c.a), *toDouble(c.x0),
                                         *toInt32(c.n), panel(1));
    EXPECT_EQ(points.size(), c.points);
    EXPECT_EQ(points, expected);
    if (c.message) {
        EXPECT_EQ(ui.messages(), std::vector<std::string>{c.message});
    } else {
        EXPECT_TRUE(ui.messages().empty());
    }
    EXPECT_EQ(legends(), std::vector<std::string>{c.legend});
    EXPECT_EQ(m().plotCount, 1);
    EXPECT_EQ(m().slotN[1], c.slotN);
    EXPECT_EQ(m().slotA[1].value(), *toDouble(c.a));
    EXPECT_EQ(m().slotX0[1], *toDouble(c.x0));
    // Where the orbit ended: its last point drawn, read back from the chart.
    const Chart chart = panel(1);
    const double lastX =
        expected.empty()
            ? *toDouble(c.x0)
            : (1.5 * (chart.bottom - expected.back().y)) / (chart.bottom - chart.top) - 0.25;
    EXPECT_EQ(program.form1().lastOrbitEnd.steps, static_cast<std::int64_t>(c.points));
    EXPECT_EQ(program.form1().lastOrbitEnd.x, lastX);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PlotOrbits,
    ::testing::Values(
        OrbitCase{1, "2", "0.2", "10", 10, nullptr, "1: a = 2, x0 = 0.2, n = 10", 10},
        OrbitCase{1, "5", "0.5", "10", 1,
                  "An overflow has occured. Only points up to 1 are ploted.",
                  "1: a = 5, x0 = 0.5, n = 1", 1},
        OrbitCase{2, "5", "0.7", "10", 0,
                  "An overflow has occured. Only points up to 0 are ploted.",
                  "1: a = 5, x0 = 0.7, n = 0", 0},
        OrbitCase{1, "3.70", "0.2", "2.5", 2, nullptr, "1: a = 3.7, x0 = 0.2, n = 2", 2},
        OrbitCase{2, "2.3", "0.6", "500", 500, nullptr, "1: a = 2.3, x0 = 0.6, n = 500", 500}));

TEST_F(Plot, RisingOrbitOfTheLogisticMap) {
    plot(1, "2", "0.2", "10");
    const auto points = drawnPoints(form1());
    const Chart c = panel(1);
    ASSERT_EQ(points.size(), 10u);
    EXPECT_EQ(points.back().x, c.right);  // the last iterate on the right edge
    for (std::size_t i = 1; i < points.size(); ++i) {
        EXPECT_LE(points[i].y, points[i - 1].y);  // rising towards 0.5
        EXPECT_GT(points[i].y, c.bottom - (0.75 * (c.bottom - c.top)) / 1.5 - 1e-6);
    }
}

TEST_F(Plot, ValueOnTheUpperEdgeIsDrawn) {
    plot(1, "5", "0.5", "10");
    const auto points = drawnPoints(form1());
    ASSERT_EQ(points.size(), 1u);
    EXPECT_EQ(points[0].y, panel(1).top);  // x1 = 1.25 exactly
}

TEST_F(Plot, AxesMarksAndLabels) {
    plot(2, "5", "0.7", "10");  // nothing but the frame
    const Chart c = panel(1);
    const auto texts = form1().picture(DrawOp::Kind::Print);
    ASSERT_EQ(texts.size(), 5u);
    const double y0 = c.bottom - (c.bottom - c.top) / 6;
    const double y1 = c.bottom - ((c.bottom - c.top) * 5) / 6;
    EXPECT_EQ(texts[0].text, "0");
    EXPECT_EQ(texts[0].x1, (c.left - 100) - 20);
    EXPECT_EQ(texts[0].y1, y0 - 100);
    EXPECT_EQ(texts[1].text, "1");
    EXPECT_EQ(texts[1].y1, y1 - 100);
    EXPECT_EQ(texts[2].text, "Xn");
    EXPECT_EQ(texts[3].text, "N");
    EXPECT_EQ(texts[4].text, "1: a = 5, x0 = 0.7, n = 0");
    const auto lines = form1().picture(DrawOp::Kind::Line);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0].y1, y0);
    EXPECT_EQ(lines[0].x2, c.left + 100);
    EXPECT_EQ(lines[1].y1, y1);
}

TEST_F(Plot, PanelsFillInOrder) {
    for (int k = 1; k <= 6; ++k) {
        plot(1, "2", "0.2", "5");
        EXPECT_EQ(m().plotCount, k);
        EXPECT_EQ(drawnPoints(form1()).back().x, panel(k).right);
        EXPECT_EQ(legends().back(), std::to_string(k) + ": a = 2, x0 = 0.2, n = 5");
    }
}

TEST_F(Plot, SeventhPlotAnsweredNoChangesNothing) {
    for (int k = 1; k <= 6; ++k) plot(1, "2", "0.2", "5");
    const auto before = form1().ops().size();
    ui.answerQuestion(platform::Answer::No);
    type("3", "0.3", "8");
    form1().click("mnuPlot");
    EXPECT_EQ(ui.messages().back(),
              "This window only fits up to six plots.\rDo you want to erase the previous plots?");
    EXPECT_EQ(ui.dialogs().back().kind, fake::Dialog::Kind::Question);
    EXPECT_EQ(m().plotCount, 6);
    EXPECT_EQ(form1().ops().size(), before);
    EXPECT_EQ(m().curA.value(), 3);  // the values just read stay
    EXPECT_EQ(m().curN.value(), 8);
    EXPECT_EQ(m().slotN[1], 5);
}

TEST_F(Plot, SeventhPlotAnsweredYesRestartsInPanelOne) {
    for (int k = 1; k <= 6; ++k) plot(1, "2", "0.2", "5");
    ui.answerQuestion(platform::Answer::Yes);
    type("3", "0.3", "8");
    form1().click("mnuPlot");
    EXPECT_EQ(m().plotCount, 1);
    EXPECT_EQ(legends(), std::vector<std::string>{"1: a = 3, x0 = 0.3, n = 8"});
    EXPECT_EQ(drawnPoints(form1()), referenceOrbit(1, 3, 0.3, 8, panel(1)));
    EXPECT_EQ(m().slotN[1], 8);
    EXPECT_EQ(m().slotN[2], 5);  // older slots stay, unused
}

TEST_F(Plot, NeedsAMapAndValidInput) {
    type("2", "0.2", "10");
    form1().click("mnuPlot");
    EXPECT_EQ(ui.messages(), std::vector<std::string>{"Please choose a function"});
    chooseMap(1);
    type("2", "x", "10");
    form1().click("mnuPlot");
    EXPECT_EQ(ui.messages().back(), "Please enter numerical values in the range indicated");
    EXPECT_EQ(m().plotCount, 0);
    EXPECT_TRUE(form1().blank());
}

// The read-back makes the orbit depend on the chart it is drawn in: a chaotic
// orbit drawn in panel 1 and in panel 4 parts ways.
TEST_F(Plot, ReadBackMakesPanelsPartWaysOnChaoticOrbits) {
    plot(1, "4", "0.2", "1000");
    const auto first = drawnPoints(form1());
    for (int k = 2; k <= 4; ++k) plot(1, "4", "0.2", "1000");
    const auto all = drawnPoints(form1());
    const std::vector<Point> fourth(all.end() - 1000, all.end());
    EXPECT_EQ(first, referenceOrbit(1, 4, 0.2, 1000, panel(1)));
    EXPECT_EQ(fourth, referenceOrbit(1, 4, 0.2, 1000, panel(4)));
    // Compare the values, not the positions: read both back.
    auto value = [](const Point& p, const Chart& c) {
        return (1.5 * (c.bottom - p.y)) / (c.bottom - c.top) - 0.25;
    };
    int parted = -1;
    for (int i = 0; i < 1000; ++i) {
        if (std::abs(value(first[i], panel(1)) - value(fourth[i], panel(4))) > 0.1) {
            parted = i;
            break;
        }
    }
    EXPECT_GT(parted, 0);
    EXPECT_LT(parted, 400);
    // A stable orbit agrees to within rounding.
    plot(1, "2", "0.2", "200");
    plot(1, "2", "0.2", "200");
    const auto stable = drawnPoints(form1());
    const std::vector<Point> p5(stable.end() - 400, stable.end() - 200), p6(stable.end() - 200,
                                                                            stable.end());
    for (int i = 0; i < 200; ++i) {
        EXPECT_NEAR(value(p5[i], panel(5)), value(p6[i], panel(6)), 1e-12);
    }
}

TEST_F(Plot, ClearWithNoPlots) {
    form1().click("mnuClear");
    EXPECT_EQ(m().plotCount, 0);
    EXPECT_TRUE(form1().blank());
    EXPECT_TRUE(ui.dialogs().empty());
}

TEST_F(Plot, ClearAfterFourPlotsRestartsAtPanelOne) {
    for (int k = 1; k <= 4; ++k) plot(1, "2", "0.2", "5");
    form1().click("mnuClear");
    EXPECT_EQ(m().plotCount, 0);
    EXPECT_TRUE(form1().blank());
    EXPECT_EQ(form1().field("Text1").text(), "2");  // typed values stay
    EXPECT_EQ(m().slotN[4], 5);
    EXPECT_EQ(m().funcChoice, 1);
    form1().click("mnuPlot");
    EXPECT_EQ(m().plotCount, 1);
    EXPECT_EQ(drawnPoints(form1()), referenceOrbit(1, 2, 0.2, 5, panel(1)));
}

TEST_F(Plot, ExitEndsTheProgram) {
    EXPECT_FALSE(ui.ended());
    form1().click("mnuExit");
    EXPECT_TRUE(ui.ended());
    EXPECT_TRUE(ui.dialogs().empty());
}

struct PrintCase {
    int error;
    const char* message;  // nullptr: printed without a word
};

class PrintFailures : public Plot, public ::testing::WithParamInterface<PrintCase> {};

TEST_P(PrintFailures, AreReportedAndChangeNothing) {
    plot(1, "2", "0.2", "5");
    plot(1, "2", "0.3", "5");
    const auto ops = form1().ops().size();
    ui.setPrintResult(GetParam().error);
    form1().click("mnuPrintPlots");
    form1().click("mnuPrintDiff");
    EXPECT_EQ(ui.printedWindows(), (std::vector<std::string>{"Form1", "Form2"}));
    if (GetParam().message) {
        EXPECT_EQ(ui.messages(), std::vector<std::string>(2, GetParam().message));
    } else {
        EXPECT_TRUE(ui.messages().empty());
    }
    EXPECT_EQ(form1().ops().size(), ops);
    EXPECT_EQ(m().plotCount, 2);
    EXPECT_FALSE(form2().isVisible());  // a blank Form2 prints without being shown
}

INSTANTIATE_TEST_SUITE_P(Cases, PrintFailures,
                         ::testing::Values(PrintCase{0, nullptr},
                                           PrintCase{68, "Cannot print: device unavailable."},
                                           PrintCase{57, "Cannot print: device I/O error."},
                                           PrintCase{482, "Cannot print. Please try again."},
                                           PrintCase{-1, "Cannot print. Please try again."},
                                           // The user stopped it: nothing to say.
                                           PrintCase{platform::kPrintCancelled, nullptr}));

TEST_F(Plot, PrintingADiscardedForm2RecreatesIt) {
    form2().closeByFrame();
    form1().click("mnuPrintDiff");
    EXPECT_EQ(ui.windowsCreated("Form2"), 2);
    EXPECT_EQ(ui.printedWindows(), std::vector<std::string>{"Form2"});
}

// Stopping a long orbit keeps what is drawn and records it as drawn.
TEST_F(Plot, CancelledOrbitEndsAtTheLastPointDrawn) {
    m().progressMask = 0;
    ui.cancelAtStep(37);
    plot(1, "3.9", "0.2", "100000");
    EXPECT_EQ(drawnPoints(form1()).size(), 37u);
    EXPECT_TRUE(ui.messages().empty());  // no overflow message
    EXPECT_EQ(legends(), std::vector<std::string>{"1: a = 3.9, x0 = 0.2, n = 37"});
    EXPECT_EQ(m().slotN[1], 37);
    EXPECT_EQ(form1().printedTexts().size(), 5u);  // axes labels and legend are there
}

}  // namespace
}  // namespace corvane::testing
