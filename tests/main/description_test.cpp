// What each drawing surface says it shows, for screen readers: made from the
// legends and titles drawn on it, and kept up to date by every command.
#include <string>
#include <vector>

#include "tests/support/program_test.h"
#include "windows/surface_description.h"

namespace corvane::testing {
namespace {

using Description = ProgramTest;

const std::string kNoPlots = "No plots. Choose a function, type a, x0 and N, then choose Corvane.";

TEST(SurfaceDescriptionText, NamesThePanelsShownAndJoinsTheirLegends) {
    struct Case {
        std::vector<int> panels;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {{}, "Nothing."},
        {{2}, "Plot 2: L2"},
        {{1, 2}, "Plots 1 and 2: L1; L2"},
        {{4, 6}, "Plots 4 and 6: L4; L6"},
        {{1, 2, 3}, "Plots 1 to 3: L1; L2; L3"},
        {{2, 4, 5}, "Plots 2, 4 and 5: L2; L4; L5"},
        {{1, 2, 3, 4, 5, 6}, "Plots 1 to 6: L1; L2; L3; L4; L5; L6"},
    };
    FakePlatform ui;
    auto window = ui.createWindow("Form9");
    auto& fake = ui.window("Form9");
    for (const Case& c : cases) {
        SurfaceDescription description(*window, "Charts", "Plot", "Plots", "Nothing.");
        for (const int k : c.panels) description.setPanel(k, "L" + std::to_string(k));
        description.setPanel(7, "never shown");
        EXPECT_EQ(description.text(), c.expected);
        EXPECT_EQ(fake.description(), c.expected);
        EXPECT_EQ(fake.surfaceName(), "Charts");
        description.clear();
        EXPECT_EQ(fake.description(), "Nothing.");
    }
}

TEST(SurfaceDescriptionText, ASingleChartReplacesThePanels) {
    FakePlatform ui;
    auto window = ui.createWindow("Form9");
    SurfaceDescription description(*window, "Chart", "Plot", "Plots", "Nothing.");
    description.setPanel(1, "L1");
    description.setChart("Zoom of plot 1", "1: a = 3");
    EXPECT_EQ(description.text(), "Zoom of plot 1: 1: a = 3");
    description.setPanel(2, "L2");
    EXPECT_EQ(description.text(), "Zoom of plot 1: 1: a = 3");
    description.clear();
    EXPECT_EQ(description.text(), "Nothing.");
}

TEST_F(Description, TheMainWindowListsThePlottedLegends) {
    EXPECT_EQ(form1().surfaceName(), "Orbit plots");
    EXPECT_EQ(form1().description(), kNoPlots);
    plot(1, "3.7", "0.2", "100");
    EXPECT_EQ(form1().description(), "Plot 1: 1: a = 3.7, x0 = 0.2, n = 100");
    plot(1, "3.2", "0.2", "50");
    plot(2, "2.2", "0.7", "10");
    EXPECT_EQ(form1().description(),
              "Plots 1 to 3: 1: a = 3.7, x0 = 0.2, n = 100; 2: a = 3.2, x0 = 0.2, n = 50; "
              "3: a = 2.2, x0 = 0.7, n = 10");
    // Every legend it names is one drawn on the surface.
    const auto printed = form1().printedTexts();
    for (const char* legend : {"1: a = 3.7, x0 = 0.2, n = 100", "2: a = 3.2, x0 = 0.2, n = 50",
                               "3: a = 2.2, x0 = 0.7, n = 10"}) {
        EXPECT_NE(std::find(printed.begin(), printed.end(), legend), printed.end()) << legend;
    }
    form1().click("mnuClear");
    EXPECT_EQ(form1().description(), kNoPlots);
}

TEST_F(Description, FollowsErasingOverflowAndFailure) {
    for (int i = 0; i < 6; ++i) plot(1, "3.2", "0.2", "10");
    ui.answerQuestion(platform::Answer::No);
    plot(1, "3.7", "0.2", "10");
    EXPECT_EQ(form1().description().rfind("Plots 1 to 6: ", 0), 0u);
    ui.answerQuestion(platform::Answer::Yes);
    plot(1, "3.7", "0.2", "10");
    EXPECT_EQ(form1().description(), "Plot 1: 1: a = 3.7, x0 = 0.2, n = 10");
    // An orbit cut short names the points it drew, as its legend does.
    plot(1, "4.9", "0.5", "100");
    const std::string legend = m().orbitLegend(2);
    EXPECT_NE(legend.find("n = "), std::string::npos);
    EXPECT_NE(legend, "2: a = 4.9, x0 = 0.5, n = 100");
    EXPECT_EQ(form1().description(), "Plots 1 and 2: 1: a = 3.7, x0 = 0.2, n = 10; " + legend);
    // A plot that failed half-way has no legend and is not described.
    ui.clearDialogs();
    form1().failNextDrawing("surface lost");
    plot(1, "3.2", "0.2", "10");
    EXPECT_EQ(form1().description(), "Plots 1 and 2: 1: a = 3.7, x0 = 0.2, n = 10; " + legend);
}

TEST_F(Description, TheEnlargedChartIsDescribedByItsTitle) {
    program.form2();
    EXPECT_EQ(form2().surfaceName(), "Enlarged chart");
    EXPECT_EQ(form2().description(), "No chart.");
    plot(1, "4", "0.2", "60");
    plot(1, "4", "0.25", "60");
    form1().click("mnuPlot2");
    EXPECT_EQ(form2().description(), "Zoom of plot 2: 2: a = 4, x0 = 0.25, n = 60");
    ui.answerInput("1");
    ui.answerInput("2");
    form1().click("mnuDifference");
    EXPECT_EQ(form2().description(),
              "Difference between plots 1 and 2: delta a = 0, delta x0 = -0.05");
    // A difference the user stops leaves the window blank, and says so.
    m().progressMask = 0;
    ui.cancelAtStep(1);
    ui.answerInput("1");
    ui.answerInput("2");
    form1().click("mnuDifference");
    EXPECT_TRUE(form2().blank());
    EXPECT_EQ(form2().description(), "No chart.");
}

TEST_F(Description, HistogramsAreDescribedPanelByPanel) {
    plot(1, "4", "0.2", "1000");
    EXPECT_EQ(form3().surfaceName(), "Histograms");
    EXPECT_EQ(form3().description(), "No histograms.");
    ui.answerInput("1");
    ui.answerInput("20");
    form1().click("mnuHisto");
    EXPECT_EQ(form3().description(), "Histogram 1: 1: a = 4, x0 = 0.2, n = 1000, m = 20");
    ui.answerInput("1");
    ui.answerInput("10");
    form3().click("mnuHistogram");
    EXPECT_EQ(form3().description(),
              "Histograms 1 and 2: 1: a = 4, x0 = 0.2, n = 1000, m = 20; "
              "2: a = 4, x0 = 0.2, n = 1000, m = 10");
    // The main window's Histogram erases the drawing first: only the new
    // histogram shows, in the next panel.
    ui.answerInput("1");
    ui.answerInput("5");
    form1().click("mnuHisto");
    EXPECT_EQ(form3().description(), "Histogram 3: 3: a = 4, x0 = 0.2, n = 1000, m = 5");
    // Rescaling draws them all again.
    ui.answerInput("50");
    form3().click("mnuRescale1");
    EXPECT_EQ(form3().description().rfind("Histograms 1 to 3: ", 0), 0u);
    form3().click("mnuClear");
    EXPECT_EQ(form3().description(), "No histograms.");
}

TEST_F(Description, FunctionGraphsAreDescribedByTheirLegends) {
    type("3.2", "0.2", "10");
    form1().click("mnuFGraph");
    FakeWindow& form4 = win("Form4");
    EXPECT_EQ(form4.surfaceName(), "Function graphs");
    form4.open("mnuFunction");
    ui.answerInput("2");
    form4.click("mnuFL");
    ui.answerInput("1");
    form4.click("mnuFS");
    EXPECT_EQ(form4.description(),
              "Graphs 1 and 2: a=3.2, k=2, function 1; a=3.2, k=1, function 2");
    for (int i = 0; i < 5; ++i) {
        ui.answerInput("1");
        form4.click("mnuFL");
    }
    EXPECT_EQ(form4.description(), "Graph 1: a=3.2, k=1, function 1");
}

}  // namespace
}  // namespace corvane::testing
