// Rescaling one histogram and the redraw of all of them.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "tests/histogram/histogram_test.h"

namespace corvane::testing {
namespace {

using fake::Dialog;

class HistogramRescale : public HistogramTest {
protected:
    void SetUp() override {
        HistogramTest::SetUp();
        setSlot(1, 3.9, 0.2, 500);
        setSlot(2, 3.7, 0.3, 800);
        setSlot(3, 3.5, 0.4, 300);
    }
    void addThree() {
        addFromMain("1", "10");
        addHistogram("2", "20");
        addHistogram("3", "15");
    }
};

TEST_F(HistogramRescale, MaximumFiftyOnHistogramTwo) {
    addThree();
    const std::string natural1 = scaleLabel(form3(), "1: a = ");
    const std::string natural2 = scaleLabel(form3(), "2: a = ");
    const std::string natural3 = scaleLabel(form3(), "3: a = ");
    ASSERT_NE(natural2, "50");
    const auto before1 = bars(form3(), panel(1));
    const auto before3 = bars(form3(), panel(3));
    ui.clearDialogs();
    form3().click("mnuClose");

    rescale(2, "50");
    ASSERT_EQ(ui.dialogs().size(), 1u);
    EXPECT_EQ(ui.dialogs()[0].kind, Dialog::Kind::Input);
    EXPECT_EQ(ui.dialogs()[0].title, "Enter maximum y");
    EXPECT_EQ(ui.dialogs()[0].text, "Enter maximum value for y for histogram 2, then click OK");
    EXPECT_EQ(f3().userMaxY, 50);
    EXPECT_TRUE(form3().isVisible());
    EXPECT_EQ(f3().histCount, 3);
    EXPECT_EQ(f3().rescaleTarget, 0);
    EXPECT_EQ(f3().savedHistCount, 3);
    // The window was cleared and the three histograms drawn again.
    const auto l = legends(form3());
    ASSERT_EQ(l.size(), 3u);
    EXPECT_EQ(l[0], "1: a = 3.9, x0 = 0.2, n = 500, m = 10");
    EXPECT_EQ(l[1], "2: a = 3.7, x0 = 0.3, n = 800, m = 20");
    EXPECT_EQ(l[2], "3: a = 3.5, x0 = 0.4, n = 300, m = 15");
    EXPECT_EQ(scaleLabel(form3(), "1: a = "), natural1);
    EXPECT_EQ(scaleLabel(form3(), "2: a = "), "50");
    EXPECT_EQ(scaleLabel(form3(), "3: a = "), natural3);
    EXPECT_TRUE(sameOps(bars(form3(), panel(1)), before1));
    EXPECT_TRUE(sameOps(bars(form3(), panel(3)), before3));
    // Histogram 2's bars are scaled to 50: its largest count now reaches
    // largest/50 of the scale, above the top of the scale when it exceeds 50
    // (nothing is clipped).
    const Chart c = panel(2);
    const auto b = bars(form3(), c);
    ASSERT_EQ(b.size(), 20u);
    const double scale = c.bottom - (c.top + 500);
    const double largest = std::stod(natural2);
    ASSERT_GT(largest, 50);
    double tallest = 0;
    for (const auto& r : b) tallest = std::max(tallest, c.bottom - r.y1);
    EXPECT_NEAR(tallest, scale * largest / 50, 1e-6);
    EXPECT_GT(tallest, scale);
    // The counters left are those of the last histogram redrawn.
    EXPECT_EQ(f3().binCount, 15);
    EXPECT_EQ(f3().plotChoice, 3);
}

TEST_F(HistogramRescale, BarHeightsFollowTheTypedMaximum) {
    addFromMain("1", "10");
    // The counts of histogram 1, from its natural drawing: height ∝ count / largest.
    const Chart c = panel(1);
    const double scale = c.bottom - (c.top + 500);
    const double largest = std::stod(scaleLabel(form3(), "1: a = "));
    std::vector<double> counts;
    for (const auto& b : bars(form3(), c)) counts.push_back((c.bottom - b.y1) / scale * largest);
    rescale(1, "50");
    const auto b = bars(form3(), c);
    ASSERT_EQ(b.size(), counts.size());
    for (std::size_t i = 0; i < b.size(); ++i) {
        EXPECT_NEAR(c.bottom - b[i].y1, scale * counts[i] / 50, 1e-6) << i;
    }
}

TEST_F(HistogramRescale, HistogramFiveWithTwoShownRedrawsThemUnchanged) {
    addFromMain("1", "10");
    addHistogram("2", "20");
    const auto picture = form3().picture();
    rescale(5, "50");
    EXPECT_EQ(ui.dialogs().back().text, "Enter maximum value for y for histogram 5, then click OK");
    EXPECT_TRUE(sameOps(form3().picture(), picture));
    EXPECT_EQ(f3().histCount, 2);
}

TEST_F(HistogramRescale, NoHistogramLeavesTheWindowEmpty) {
    rescale(1, "50");
    EXPECT_EQ(ui.dialogs().size(), 1u);
    EXPECT_TRUE(form3().blank());
    EXPECT_TRUE(form3().isVisible());
    EXPECT_EQ(f3().histCount, 0);
    EXPECT_EQ(f3().rescaleTarget, 0);
}

struct MaximumCase {
    const char* name;
    const char* typed;
    std::int32_t stored;  // userMaxY afterwards (it was 7 before)
    bool refused;
};

class MaximumTable : public HistogramRescale, public ::testing::WithParamInterface<MaximumCase> {};

TEST_P(MaximumTable, TypedMaximum) {
    const MaximumCase& c = GetParam();
    addFromMain("1", "10");
    rescale(1, "7");
    ui.clearDialogs();
    rescale(1, c.typed);
    EXPECT_EQ(f3().userMaxY, c.stored);
    if (c.refused) {
        EXPECT_EQ(ui.messages(), std::vector<std::string>{"Invalid value"});
    } else {
        EXPECT_TRUE(ui.messages().empty());
    }
    // The redraw runs either way.
    EXPECT_EQ(legends(form3()).size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Histogram, MaximumTable,
                         ::testing::Values(MaximumCase{"Whole", "50", 50, false},
                                           MaximumCase{"HalfToEvenDown", "2.5", 2, false},
                                           MaximumCase{"HalfToEvenUp", "3.5", 4, false},
                                           MaximumCase{"Zero", "0", 0, false},
                                           MaximumCase{"Negative", "-5", -5, false},
                                           MaximumCase{"Cancelled", "", 7, true},
                                           MaximumCase{"NotANumber", "high", 7, true},
                                           MaximumCase{"Beyond32Bits", "3000000000", 7, true}),
                         [](const ::testing::TestParamInfo<MaximumCase>& info) {
                             return info.param.name;
                         });

TEST_F(HistogramRescale, RejectedMaximumReusesTheLastAcceptedOne) {
    addThree();
    rescale(2, "50");
    rescale(2, "abc");
    EXPECT_EQ(ui.messages(), std::vector<std::string>{"Invalid value"});
    EXPECT_EQ(scaleLabel(form3(), "2: a = "), "50");
    // Another histogram rescaled with the old maximum; histogram 2 returns to
    // its own scale.
    rescale(1, "");
    EXPECT_EQ(scaleLabel(form3(), "1: a = "), "50");
    EXPECT_NE(scaleLabel(form3(), "2: a = "), "50");
}

TEST_F(HistogramRescale, HistogramAsksAgainAfterwards) {
    addThree();
    rescale(3, "50");
    ui.clearDialogs();
    addHistogram("1", "5");
    ASSERT_GE(ui.dialogs().size(), 2u);
    EXPECT_EQ(ui.dialogs()[0].title, "Choose a corvane");
    EXPECT_EQ(ui.dialogs()[1].title, "Input m");
    EXPECT_EQ(f3().histCount, 4);
    // Drawn at its own scale: userMaxY is no longer used.
    EXPECT_NE(scaleLabel(form3(), "4: a = "), "50");
}

TEST_F(HistogramRescale, MaximumZeroFallsBackToTheLargestCount) {
    addThree();
    const std::string natural2 = scaleLabel(form3(), "2: a = ");
    for (const char* typed : {"0", "0.4"}) {
        rescale(2, typed);
        EXPECT_EQ(scaleLabel(form3(), "2: a = "), natural2) << typed;
        const Chart c = panel(2);
        double highest = c.bottom;
        for (const auto& b : bars(form3(), c)) highest = std::min(highest, b.y1);
        EXPECT_DOUBLE_EQ(highest, c.top + 500) << typed;
    }
    EXPECT_TRUE(form3().allFinite());
}

TEST_F(HistogramRescale, NeverSetMaximumFallsBackToo) {
    addThree();
    const std::string natural1 = scaleLabel(form3(), "1: a = ");
    rescale(1, "");  // userMaxY is still 0
    EXPECT_EQ(ui.messages(), std::vector<std::string>{"Invalid value"});
    EXPECT_EQ(scaleLabel(form3(), "1: a = "), natural1);
}

TEST_F(HistogramRescale, NegativeMaximumIsTakenAsTyped) {
    addFromMain("1", "10");
    rescale(1, "-5");
    EXPECT_EQ(scaleLabel(form3(), "1: a = "), "-5");
    const Chart c = panel(1);
    bool below = false;
    for (const auto& b : bars(form3(), c)) {
        EXPECT_GE(b.y1, c.bottom);  // bars hang below the x-axis
        below = below || b.y1 > c.bottom;
    }
    EXPECT_TRUE(below);
    EXPECT_TRUE(form3().allFinite());
}

TEST_F(HistogramRescale, RedrawShowsTheSlotsAsTheyAreNow) {
    addThree();
    setSlot(2, 3.3, 0.6, 90);
    rescale(1, "50");
    EXPECT_EQ(legends(form3())[1], "2: a = 3.3, x0 = 0.6, n = 90, m = 20");
}

TEST_F(HistogramRescale, MoreBarsThanColumnsRescaled) {
    addFromMain("1", "100000");
    rescale(1, "3");
    EXPECT_EQ(scaleLabel(form3(), "1: a = "), "3");
    const Chart c = panel(1);
    const auto b = bars(form3(), c);
    EXPECT_LE(b.size(), static_cast<std::size_t>((c.right - c.left) / 15) + 2);
    double highest = c.bottom;
    for (const auto& r : b) highest = std::min(highest, r.y1);
    EXPECT_LT(highest, c.bottom);
}

}  // namespace
}  // namespace corvane::testing
