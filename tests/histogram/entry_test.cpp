// Opening the histogram window, the entry of k and m, and the panels.
#include <cstdint>
#include <string>
#include <vector>

#include "tests/histogram/histogram_test.h"

namespace corvane::testing {
namespace {

using fake::Dialog;

class HistogramEntry : public HistogramTest {};

TEST_F(HistogramEntry, WindowAsLoaded) {
    FakeWindow& w = form3();
    EXPECT_EQ(w.title(), "Histogram");
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(w.Top(), 10);
    EXPECT_EQ(w.Left(), 10);
    EXPECT_EQ(w.Width(), ui.screenWidth());
    EXPECT_EQ(w.Height(), ui.screenHeight());
    EXPECT_TRUE(w.font().name.empty());
    EXPECT_EQ(w.font().size, 0);
    EXPECT_EQ(f3().histCount, 0);
    EXPECT_EQ(f3().rescaleTarget, 0);

    struct Entry {
        std::string name, caption;
        std::vector<std::pair<std::string, std::string>> items;
    };
    const std::vector<Entry> expected = {
        {"mnuHistogram", "Histogram", {}},
        {"mnuREscale",
         "Rescale",
         {{"mnuRescale1", "Histogram 1"},
          {"mnuRescale2", "Histogram 2"},
          {"mnuRescale3", "Histogram 3"},
          {"mnuREscale4", "Histogram 4"},
          {"mnuRescale5", "Histogram 5"},
          {"mnuREscale6", "Histogram 6"}}},
        {"mnuZoom",
         "Zoom",
         {{"mnuZoomHisto1", "Histogram 1"},
          {"mnuZoomHisto2", "Histogram 2"},
          {"mnuZoomHisto3", "Histogram 3"},
          {"mnuZoomHisto4", "Histogram 4"},
          {"mnuZoomHisto5", "Histogram 5"},
          {"mnuZoomHisto6", "Histogram 6"}}},
        {"mnuPrint", "Print", {{"mnuPrintHisto", "Histogram"}, {"mnuPrintZoom", "Zoom"}}},
        {"mnuClear", "Clear", {}},
        {"mnuClose", "Close", {}},
    };
    const auto menu = ownMenus(w);
    ASSERT_EQ(menu.size(), expected.size());
    for (std::size_t i = 0; i < menu.size(); ++i) {
        EXPECT_EQ(menu[i].name, expected[i].name);
        EXPECT_EQ(menu[i].caption, expected[i].caption);
        ASSERT_EQ(menu[i].items.size(), expected[i].items.size()) << menu[i].name;
        for (std::size_t j = 0; j < menu[i].items.size(); ++j) {
            EXPECT_EQ(menu[i].items[j].name, expected[i].items[j].first);
            EXPECT_EQ(menu[i].items[j].caption, expected[i].items[j].second);
        }
    }
}

TEST_F(HistogramEntry, NoPlotToShow) {
    form1().click("mnuHisto");
    EXPECT_EQ(ui.messages(), std::vector<std::string>{"No plot to show histogram"});
    EXPECT_EQ(ui.dialogs().size(), 1u);
    EXPECT_FALSE(form3().isVisible());
    EXPECT_EQ(f3().histCount, 0);
}

TEST_F(HistogramEntry, MainWindowOpensTheWindowAndAsksForKAndM) {
    plot(1, "3.9", "0.2", "500");
    plot(1, "3.5", "0.3", "100");
    plot(1, "3.2", "0.4", "100");
    ui.clearDialogs();
    addFromMain("1", "20");
    EXPECT_TRUE(form3().isVisible());
    const auto& d = ui.dialogs();
    ASSERT_EQ(d.size(), 2u);
    EXPECT_EQ(d[0].kind, Dialog::Kind::Input);
    EXPECT_EQ(d[0].title, "Choose a corvane");
    EXPECT_EQ(d[0].text, "Choose a plot to see its histogram (1-3), then click OK");
    EXPECT_EQ(d[1].kind, Dialog::Kind::Input);
    EXPECT_EQ(d[1].title, "Input m");
    EXPECT_EQ(d[1].text, "Enter number of bins m, then click OK");
    EXPECT_EQ(legends(form3()), std::vector<std::string>{"1: a = 3.9, x0 = 0.2, n = 500, m = 20"});
    EXPECT_EQ(f3().histCount, 1);
    EXPECT_EQ(f3().histPlot[1], 1);
    EXPECT_EQ(f3().histBinCount[0], 20);
}

TEST_F(HistogramEntry, LegendOfPanelTwo) {
    plot(1, "3.7", "0.5", "50");
    plot(1, "3.9", "0.2", "500");
    addFromMain("1", "10");
    addHistogram("2", "20");
    EXPECT_EQ(legends(form3())[1], "2: a = 3.9, x0 = 0.2, n = 500, m = 20");
    const Chart c = panel(2);
    const auto t = form3().picture(DrawOp::Kind::Print);
    ASSERT_GE(t.size(), 7u);
    EXPECT_EQ(t[6].text, "2: a = 3.9, x0 = 0.2, n = 500, m = 20");
    // Centred 200 above the chart.
    EXPECT_DOUBLE_EQ(t[6].y1, c.top - 200);
    EXPECT_DOUBLE_EQ(t[6].x1, ((c.right - c.left) - 100.0 * t[6].text.size()) / 2 + c.left);
}

struct EntryCase {
    const char* name;
    const char* k;
    const char* m;
    const char* message;  // empty: accepted
    int plot;             // plot drawn when accepted
    std::int32_t bins;    // m drawn when accepted
};

class EntryTable : public HistogramTest, public ::testing::WithParamInterface<EntryCase> {};

TEST_P(EntryTable, ChecksKAndM) {
    const EntryCase& c = GetParam();
    for (int k = 1; k <= 4; ++k) setSlot(k, 3.5 + 0.1 * k, 0.3, 200);
    addFromMain(c.k, c.m);
    // Both prompts are always shown.
    ASSERT_EQ(ui.dialogs().size() - ui.messages().size(), 2u);
    if (*c.message) {
        EXPECT_EQ(ui.messages(), std::vector<std::string>{c.message});
        EXPECT_EQ(f3().binCount, 0);
        EXPECT_EQ(f3().histCount, 0);
        EXPECT_TRUE(form3().blank());
    } else {
        EXPECT_TRUE(ui.messages().empty()) << ui.messages()[0];
        EXPECT_EQ(f3().histCount, 1);
        EXPECT_EQ(f3().plotChoice, c.plot);
        EXPECT_EQ(f3().histPlot[1], c.plot);
        EXPECT_EQ(f3().histBinCount[0], c.bins);
        EXPECT_EQ(f3().binCount, c.bins);
        EXPECT_EQ(legends(form3()).size(), 1u);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Histogram, EntryTable,
    ::testing::Values(EntryCase{"Accepted", "1", "10", "", 1, 10},
                      EntryCase{"FirstCancelled", "", "10", "Enter a valid number", 0, 0},
                      EntryCase{"SecondCancelled", "1", "", "Enter a valid number", 0, 0},
                      EntryCase{"KNotANumber", "one", "10", "Enter a valid number", 0, 0},
                      EntryCase{"MNotANumber", "1", "ten", "Enter a valid number", 0, 0},
                      EntryCase{"KHalfToEvenDown", "2.5", "10", "", 2, 10},
                      EntryCase{"KHalfToEvenUp", "3.5", "10", "", 4, 10},
                      EntryCase{"MRoundsToZero", "1", "0.4", "Invalid number.", 0, 0},
                      EntryCase{"MRoundsToOne", "1", "0.6", "", 1, 1},
                      EntryCase{"KIsPlotCount", "4", "10", "", 4, 10},
                      EntryCase{"KBeyondPlotCount", "5", "10", "Invalid number.", 0, 0},
                      EntryCase{"KZero", "0", "10", "Invalid number.", 0, 0},
                      EntryCase{"KNegative", "-1", "10", "Invalid number.", 0, 0},
                      EntryCase{"MZero", "1", "0", "Invalid number.", 0, 0},
                      EntryCase{"MNegative", "1", "-7", "Invalid number.", 0, 0},
                      EntryCase{"KBeyond16Bits", "40000", "10", "Invalid number.", 0, 0},
                      EntryCase{"MBeyond32Bits", "1", "3000000000", "Invalid number.", 0, 0},
                      EntryCase{"LargestM", "1", "2147483647", "", 1, 2147483647},
                      EntryCase{"BlanksAndExponent", " 2 ", "1e3", "", 2, 1000}),
    [](const ::testing::TestParamInfo<EntryCase>& info) { return info.param.name; });

TEST_F(HistogramEntry, OwnCommandAfterTheMainWindowWasCleared) {
    plot(1, "3.9", "0.2", "100");
    addFromMain("1", "10");
    form1().click("mnuClear");
    for (const char* k : {"0", "1", "6", "-3"}) {
        ui.clearDialogs();
        addHistogram(k, "10");
        ASSERT_EQ(ui.dialogs().size(), 3u);
        EXPECT_EQ(ui.dialogs()[0].text, "Choose a plot to see its histogram (1-0), then click OK");
        EXPECT_EQ(ui.messages(), std::vector<std::string>{"Invalid number."});
    }
    EXPECT_EQ(f3().histCount, 1);
    EXPECT_EQ(legends(form3()).size(), 1u);
}

TEST_F(HistogramEntry, RejectedEntryLeavesEverything) {
    setSlot(1, 3.9, 0.2, 100);
    addFromMain("1", "10");
    const auto before = form3().ops().size();
    addHistogram("1", "abc");
    EXPECT_EQ(form3().ops().size(), before);
    EXPECT_EQ(f3().histCount, 1);
    EXPECT_EQ(f3().binCount, 0);
    EXPECT_EQ(f3().histBinCount[0], 10);
}

class HistogramPanels : public HistogramTest {
protected:
    void SetUp() override {
        HistogramTest::SetUp();
        for (int k = 1; k <= 6; ++k) setSlot(k, 3.4 + 0.1 * k, 0.1 * k, 100 * k);
    }
    void addSix() {
        addFromMain("1", "10");
        for (int k = 2; k <= 6; ++k) addHistogram(std::to_string(k), std::to_string(10 * k));
    }
};

TEST_F(HistogramPanels, SixHistogramsFillTheSixPanels) {
    addSix();
    EXPECT_EQ(f3().histCount, 6);
    const auto l = legends(form3());
    ASSERT_EQ(l.size(), 6u);
    for (int j = 1; j <= 6; ++j) {
        EXPECT_EQ(l[j - 1].substr(0, 7), std::to_string(j) + ": a = ");
        EXPECT_EQ(f3().histPlot[j], j);
        EXPECT_EQ(f3().histBinCount[j - 1], 10 * j);
        EXPECT_EQ(bars(form3(), panel(j)).size(), static_cast<std::size_t>(10 * j));
    }
}

TEST_F(HistogramPanels, SeventhHistogramYesErasesAndStartsAtPanelOne) {
    addSix();
    ui.clearDialogs();
    ui.answerQuestion(platform::Answer::Yes);
    addHistogram("3", "25");
    ASSERT_EQ(ui.messages().size(), 1u);
    EXPECT_EQ(ui.messages()[0],
              "This window only fits up to six histograms.\rDo you want to erase the previous "
              "histograms?");
    EXPECT_EQ(ui.dialogs().back().kind, Dialog::Kind::Question);
    EXPECT_EQ(f3().histCount, 1);
    EXPECT_EQ(f3().histPlot[1], 3);
    EXPECT_EQ(f3().histBinCount[0], 25);
    // Leftovers of the other panels stay recorded.
    EXPECT_EQ(f3().histPlot[2], 2);
    EXPECT_EQ(f3().histBinCount[5], 60);
    const auto l = legends(form3());
    ASSERT_EQ(l.size(), 1u);
    EXPECT_EQ(l[0], "1: a = 3.7, x0 = 0.3, n = 300, m = 25");
    EXPECT_EQ(bars(form3(), panel(1)).size(), 25u);
}

TEST_F(HistogramPanels, SeventhHistogramNoChangesNothing) {
    addSix();
    const auto picture = form3().picture();
    ui.answerQuestion(platform::Answer::No);
    addHistogram("3", "25");
    EXPECT_EQ(f3().histCount, 6);
    EXPECT_TRUE(sameOps(form3().picture(), picture));
    for (int j = 1; j <= 6; ++j) {
        EXPECT_EQ(f3().histPlot[j], j);
        EXPECT_EQ(f3().histBinCount[j - 1], 10 * j);
    }
    // The slot was copied all the same.
    EXPECT_DOUBLE_EQ(m().curA, 3.4 + 0.1 * 3);
}

TEST_F(HistogramPanels, ClearStartsAgainAtPanelOne) {
    addFromMain("1", "10");
    addHistogram("2", "10");
    form3().click("mnuClear");
    EXPECT_TRUE(form3().blank());
    EXPECT_EQ(f3().histCount, 0);
    EXPECT_EQ(f3().histPlot[2], 2);  // records kept
    addHistogram("5", "10");
    EXPECT_EQ(legends(form3()), std::vector<std::string>{"1: a = 3.9, x0 = 0.5, n = 500, m = 10"});
    EXPECT_EQ(f3().histPlot[1], 5);
}

TEST_F(HistogramPanels, MainWindowClearsTheDrawingWhileNumberingGoesOn) {
    addFromMain("1", "10");
    addHistogram("2", "10");
    addFromMain("4", "10");
    EXPECT_EQ(f3().histCount, 3);
    EXPECT_EQ(legends(form3()), std::vector<std::string>{"3: a = 3.8, x0 = 0.4, n = 400, m = 10"});
    EXPECT_TRUE(bars(form3(), panel(1)).empty());
    EXPECT_TRUE(bars(form3(), panel(2)).empty());
    EXPECT_EQ(bars(form3(), panel(3)).size(), 10u);
    EXPECT_EQ(f3().histPlot[1], 1);
    EXPECT_EQ(f3().histPlot[2], 2);
}

TEST_F(HistogramPanels, SamePlotInSeveralPanels) {
    addFromMain("2", "10");
    addHistogram("2", "10");
    addHistogram("2", "30");
    const auto l = legends(form3());
    ASSERT_EQ(l.size(), 3u);
    EXPECT_EQ(l[0], "1: a = 3.6, x0 = 0.2, n = 200, m = 10");
    EXPECT_EQ(l[1], "2: a = 3.6, x0 = 0.2, n = 200, m = 10");
    EXPECT_EQ(l[2], "3: a = 3.6, x0 = 0.2, n = 200, m = 30");
    // Panels 1 and 2 show the same bars, shifted by the panel offset.
    const auto b1 = bars(form3(), panel(1));
    const Chart c1 = panel(1);
    const Chart c2 = panel(2);
    const auto b2 = bars(form3(), c2);
    ASSERT_EQ(b1.size(), b2.size());
    for (std::size_t i = 0; i < b1.size(); ++i) {
        EXPECT_NEAR(b1[i].y1 - c1.bottom, b2[i].y1 - c2.bottom, 1e-9);
    }
    EXPECT_EQ(bars(form3(), panel(3)).size(), 30u);
}

TEST_F(HistogramPanels, CloseHidesAndKeepsEverything) {
    addFromMain("1", "10");
    form3().click("mnuClose");
    EXPECT_FALSE(form3().isVisible());
    EXPECT_EQ(f3().histCount, 1);
    EXPECT_EQ(legends(form3()).size(), 1u);
    addFromMain("2", "10");
    EXPECT_TRUE(form3().isVisible());
    EXPECT_EQ(f3().histCount, 2);
}

TEST_F(HistogramPanels, ClosedThroughTheFrameStartsAfresh) {
    addFromMain("1", "10");
    form3().closeByFrame();
    addFromMain("2", "10");
    EXPECT_EQ(ui.windowsCreated("Form3"), 2);
    EXPECT_EQ(f3().histCount, 1);
    EXPECT_EQ(legends(form3()), std::vector<std::string>{"1: a = 3.6, x0 = 0.2, n = 200, m = 10"});
}

}  // namespace
}  // namespace corvane::testing
