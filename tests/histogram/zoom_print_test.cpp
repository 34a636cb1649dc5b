// The enlarged view of a histogram in Form2, printing, and cancelled counts.
#include <cstdint>
#include <string>
#include <vector>

#include "tests/histogram/histogram_test.h"

namespace corvane::testing {
namespace {

class HistogramZoom : public HistogramTest {
protected:
    void SetUp() override {
        HistogramTest::SetUp();
        setSlot(1, 3.9, 0.2, 500);
        setSlot(2, 3.7, 0.3, 800);
        setSlot(3, 3.5, 0.4, 300);
        setSlot(4, 3.6, 0.15, 250);
        setSlot(5, 3.83, 0.45, 700);
    }

    // The vertical tick at x = 1 of the chart on `w`: its x.
    double tickAtOne(FakeWindow& w, const Chart& c) {
        for (const auto& op : w.picture(DrawOp::Kind::Line)) {
            if (op.x1 == op.x2 && op.y1 == c.bottom + 20 && op.y2 == c.bottom - 30) return op.x1;
        }
        ADD_FAILURE() << "no tick";
        return 0;
    }
};

struct RefusalCase {
    const char* name;
    int shown;
    int j;
    const char* message;
};

class ZoomRefusal : public HistogramZoom, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(ZoomRefusal, FewerHistogramsThanJ) {
    const RefusalCase& c = GetParam();
    for (int i = 1; i <= c.shown; ++i) addFromMain(std::to_string(i), "10");
    ui.clearDialogs();
    const auto ops = form2().ops().size();
    const std::string title = form2().title();
    zoom(c.j);
    EXPECT_EQ(ui.messages(), std::vector<std::string>{c.message});
    EXPECT_EQ(form2().ops().size(), ops);
    EXPECT_EQ(form2().title(), title);
    EXPECT_FALSE(form2().isVisible());
}

INSTANTIATE_TEST_SUITE_P(
    Histogram, ZoomRefusal,
    ::testing::Values(RefusalCase{"OneOfNone", 0, 1, "No histogram 1 to show zoom"},
                      RefusalCase{"TwoOfOne", 1, 2, "No histogram 2 to show zoom"},
                      RefusalCase{"ThreeOfTwo", 2, 3, "No histogram 3 to show zoom"},
                      RefusalCase{"FourOfThree", 3, 4, "No histogram 4 to show zoom"},
                      RefusalCase{"FiveOfFour", 4, 5, "No histogram 5 to show zoom"},
                      RefusalCase{"SixOfFive", 5, 6, "No histogram 6 to show zoom"}),
    [](const ::testing::TestParamInfo<RefusalCase>& info) { return info.param.name; });

TEST_F(HistogramZoom, OpeningTheMenuOnlyLaysOutTheChart) {
    form3().open("mnuZoom");
    const Chart c = chart();
    EXPECT_DOUBLE_EQ(c.left, form2().ScaleWidth() * 0.08);
    EXPECT_DOUBLE_EQ(c.bottom, form2().ScaleHeight() * 0.95);
    EXPECT_TRUE(form2().blank());
    EXPECT_FALSE(form2().isVisible());
}

TEST_F(HistogramZoom, HistogramTwoShowingPlotFive) {
    addFromMain("1", "10");
    addHistogram("5", "12");
    zoom(2);
    EXPECT_TRUE(ui.messages().empty());
    EXPECT_TRUE(form2().isVisible());
    EXPECT_EQ(form2().title(), "Zoom of histogram 2");
    const auto l = legends(form2());
    ASSERT_EQ(l.size(), 1u);
    EXPECT_EQ(l[0], "2: a = 3.83, x0 = 0.45, n = 700, m = 12");
    EXPECT_EQ(f3().zoomTarget, 2);
    EXPECT_DOUBLE_EQ(m().curA, 3.83);
    const Chart c = zoomChart();
    EXPECT_EQ(bars(form2(), c).size(), 12u);
    // The title is printed after the histogram.
    EXPECT_EQ(form2().picture().back().kind, DrawOp::Kind::Print);
    // The histogram window is untouched.
    EXPECT_EQ(legends(form3()).size(), 2u);
}

TEST_F(HistogramZoom, ZoomCountsWithTheHistogramsOwnM) {
    addFromMain("1", "10");
    addHistogram("2", "20");
    zoom(1);
    EXPECT_EQ(legends(form2()), std::vector<std::string>{"1: a = 3.9, x0 = 0.2, n = 500, m = 10"});
    EXPECT_EQ(bars(form2(), zoomChart()).size(), 10u);
    EXPECT_EQ(f3().binCounts.size(), 11);
    // Also after a rejected entry, which leaves the bin count at 0.
    addHistogram("1", "none");
    ASSERT_EQ(f3().binCount, 0);
    zoom(2);
    EXPECT_EQ(legends(form2()), std::vector<std::string>{"2: a = 3.7, x0 = 0.3, n = 800, m = 20"});
    EXPECT_EQ(bars(form2(), zoomChart()).size(), 20u);
    zoom(1);
    EXPECT_EQ(bars(form2(), zoomChart()).size(), 10u);
}

TEST_F(HistogramZoom, ZoomOfARescaledHistogramHasItsNaturalScale) {
    addFromMain("1", "10");
    const std::string natural = scaleLabel(form3(), "1: a = ");
    rescale(1, "50");
    ASSERT_EQ(scaleLabel(form3(), "1: a = "), "50");
    zoom(1);
    // Printed on Form2: "X", "0", the maximum, "0", "1", then the title.
    const auto t = texts(form2());
    ASSERT_EQ(t.size(), 6u);
    EXPECT_EQ(t[2], natural);
    const Chart c = zoomChart();
    double highest = c.bottom;
    for (const auto& b : bars(form2(), c)) highest = std::min(highest, b.y1);
    EXPECT_DOUBLE_EQ(highest, c.top + 500);
}

TEST_F(HistogramZoom, MarginIs500ForHistogramOneAnd1000ForTheOthers) {
    for (int k = 1; k <= 5; ++k) addFromMain(std::to_string(k), "10");
    addHistogram("1", "10");
    for (int j = 1; j <= 6; ++j) {
        zoom(j);
        const Chart c = zoomChart();
        const double s = j == 1 ? 500 : 1000;
        EXPECT_DOUBLE_EQ(tickAtOne(form2(), c), c.right - s) << j;
        const auto b = bars(form2(), c);
        ASSERT_EQ(b.size(), 10u);
        EXPECT_DOUBLE_EQ(b.back().x2, c.left + 10 * (((c.right - c.left) - s) * (1.0 / 10))) << j;
        double highest = c.bottom;
        for (const auto& r : b) highest = std::min(highest, r.y1);
        EXPECT_DOUBLE_EQ(highest, c.top + s) << j;
        EXPECT_EQ(form2().title(), "Zoom of histogram " + std::to_string(j));
        EXPECT_EQ(legends(form2())[0].substr(0, 7), std::to_string(j) + ": a = ");
    }
}

TEST_F(HistogramZoom, ZoomAfterForm2WasClosedThroughItsFrame) {
    addFromMain("1", "10");
    form2().closeByFrame();
    zoom(1);
    EXPECT_EQ(ui.windowsCreated("Form2"), 2);
    EXPECT_TRUE(form2().isVisible());
    EXPECT_EQ(bars(form2(), zoomChart()).size(), 10u);
}

struct PrintCase {
    const char* name;
    int error;
    const char* message;  // empty: printed without a message
};

class PrintTable : public HistogramZoom, public ::testing::WithParamInterface<PrintCase> {};

TEST_P(PrintTable, PrintItems) {
    const PrintCase& c = GetParam();
    ui.setPrintResult(c.error);
    form3().click("mnuPrintHisto");
    form3().click("mnuPrintZoom");
    EXPECT_EQ(ui.printedWindows(), (std::vector<std::string>{"Form3", "Form2"}));
    if (*c.message) {
        EXPECT_EQ(ui.messages(), (std::vector<std::string>{c.message, c.message}));
    } else {
        EXPECT_TRUE(ui.messages().empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Histogram, PrintTable,
    ::testing::Values(PrintCase{"Printed", 0, ""},
                      PrintCase{"DeviceUnavailable", 68, "Cannot print: device unavailable."},
                      PrintCase{"DeviceIoError", 57, "Cannot print: device I/O error."},
                      PrintCase{"OtherError", 482, "Cannot print. Please try again."},
                      PrintCase{"Cancelled", platform::kPrintCancelled, ""}),
    [](const ::testing::TestParamInfo<PrintCase>& info) { return info.param.name; });

TEST_F(HistogramZoom, PrintZoomCreatesForm2WhenItWasClosed) {
    form2().closeByFrame();
    form3().click("mnuPrintZoom");
    EXPECT_EQ(ui.printedWindows(), std::vector<std::string>{"Form2"});
    EXPECT_EQ(ui.windowsCreated("Form2"), 2);
}

class HistogramCancel : public HistogramZoom {
protected:
    void cancelCounts() {
        m().progressMask = 0;
        ui.cancelAtStep(1);
    }
};

TEST_F(HistogramCancel, CancelledCountAddsNothing) {
    addFromMain("1", "10");
    const auto picture = form3().picture();
    cancelCounts();
    addHistogram("2", "10");
    EXPECT_EQ(f3().histCount, 1);
    EXPECT_EQ(f3().histPlot[2], 0);
    EXPECT_EQ(f3().histBinCount[1], 0);
    EXPECT_TRUE(sameOps(form3().picture(), picture));
    EXPECT_TRUE(ui.messages().empty());
    // The next one goes to panel 2.
    ui.cancelAtStep(std::nullopt);
    addHistogram("3", "10");
    EXPECT_EQ(legends(form3())[1].substr(0, 7), "2: a = ");
}

TEST_F(HistogramCancel, CancelledSeventhHistogramLeavesTheSix) {
    for (int k = 1; k <= 5; ++k) addFromMain(std::to_string(k), "10");
    addHistogram("1", "10");
    const auto picture = form3().picture();
    cancelCounts();
    ui.answerQuestion(platform::Answer::Yes);
    addHistogram("2", "30");
    EXPECT_EQ(f3().histCount, 6);
    EXPECT_TRUE(sameOps(form3().picture(), picture));
    EXPECT_EQ(f3().histPlot[1], 1);
    EXPECT_EQ(f3().histBinCount[0], 10);
}

TEST_F(HistogramCancel, CancelledZoomLeavesForm2) {
    addFromMain("1", "10");
    zoom(1);
    const auto picture = form2().picture();
    form2().click("mnuClose");
    addHistogram("2", "10");
    cancelCounts();
    zoom(2);
    EXPECT_TRUE(sameOps(form2().picture(), picture));
    EXPECT_EQ(form2().title(), "Zoom of histogram 1");
    EXPECT_FALSE(form2().isVisible());
}

TEST_F(HistogramCancel, CancelledRescaleStopsAndKeepsTheRecords) {
    setSlot(1, 3.9, 0.2, 3);  // short enough to finish before the cancel
    addFromMain("1", "10");
    addHistogram("2", "20");
    addHistogram("3", "15");
    m().progressMask = 0;
    ui.cancelAtStep(100);
    rescale(1, "2");
    EXPECT_EQ(f3().histCount, 3);
    EXPECT_EQ(f3().rescaleTarget, 0);
    EXPECT_TRUE(form3().isVisible());
    // Histogram 1 was redrawn; 2 was cancelled, 3 never reached.
    EXPECT_EQ(legends(form3()), std::vector<std::string>{"1: a = 3.9, x0 = 0.2, n = 3, m = 10"});
    EXPECT_EQ(scaleLabel(form3(), "1: a = "), "2");
    for (int j = 1; j <= 3; ++j) EXPECT_EQ(f3().histPlot[j], j);
    EXPECT_EQ(f3().histBinCount[1], 20);
    EXPECT_EQ(f3().histBinCount[2], 15);
    // A later rescale draws all three again.
    ui.cancelAtStep(std::nullopt);
    rescale(3, "5");
    EXPECT_EQ(legends(form3()).size(), 3u);
    // And the next histogram goes after them.
    addHistogram("1", "10");
    EXPECT_EQ(f3().histCount, 4);
}

}  // namespace
}  // namespace corvane::testing
