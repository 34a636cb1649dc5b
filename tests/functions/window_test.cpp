// The function graph window: loading on first use, its menu, the run of
// panels, Close and closing through the frame, and a read from the main
// window.
#include <ostream>

#include "tests/functions/graph_test_support.h"

namespace corvane::testing {
namespace {

using platform::MenuItem;

TEST_F(FunctionGraphs, IsLoadedOnlyWhenFirstOpened) {
    EXPECT_FALSE(program.form4Loaded());
    EXPECT_FALSE(ui.hasWindow("Form4"));
    EXPECT_EQ(ui.windowsCreated("Form4"), 0);

    FakeWindow& w = openGraphs();
    EXPECT_TRUE(program.form4Loaded());
    EXPECT_EQ(ui.windowsCreated("Form4"), 1);
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(w.title(), "Function Graphs");
    EXPECT_EQ(w.Top(), 10.0f);
    EXPECT_EQ(w.Left(), 10.0f);
    EXPECT_EQ(w.Width(), static_cast<float>(ui.screenWidth()));
    EXPECT_EQ(w.Height(), static_cast<float>(ui.screenHeight()));
    EXPECT_TRUE(w.font().name.empty());  // the desktop's default font
    EXPECT_EQ(w.font().size, 0.0);
    EXPECT_TRUE(w.blank());
    EXPECT_TRUE(w.controls().empty());
    EXPECT_EQ(program.form4().graphCount, 0);
    EXPECT_TRUE(ui.dialogs().empty());
    EXPECT_TRUE(form1().isVisible());
}

TEST_F(FunctionGraphs, MenuBar) {
    const auto menu = ownMenus(openGraphs());
    ASSERT_EQ(menu.size(), 2u);
    EXPECT_EQ(menu[0].name, "mnuFunction");
    EXPECT_EQ(menu[0].caption, "Function");
    ASSERT_EQ(menu[0].items.size(), 2u);
    EXPECT_EQ(menu[0].items[0].name, "mnuFL");
    EXPECT_EQ(menu[0].items[0].caption, "Function 1: a*x*(1-x)");
    EXPECT_EQ(menu[0].items[1].name, "mnuFS");
    EXPECT_EQ(menu[0].items[1].caption, "Function 2: a*x^2*sin(PI*x)");
    EXPECT_EQ(menu[1].name, "mnuClose");
    EXPECT_EQ(menu[1].caption, "Close");
    EXPECT_TRUE(menu[1].items.empty());
}

TEST_F(FunctionGraphs, OpeningTheFunctionMenuReadsTheMainWindow) {
    openGraphs();
    typeA("3.70");
    graphs().open("mnuFunction");
    EXPECT_EQ(m().curA.value(), 3.7);
    EXPECT_EQ(m().curX0.value(), 0.5);
    EXPECT_EQ(m().curN.value(), 10.0);
    EXPECT_TRUE(ui.dialogs().empty());
    EXPECT_TRUE(graphs().blank());  // opening the menu draws nothing
}

struct ReadCase {
    const char* name;
    const char* a;
    const char* message;  // nullptr: none
    const char* title;
};

void PrintTo(const ReadCase& c, std::ostream* os) { *os << c.name; }

class ReadOnOpen : public FunctionGraphs, public ::testing::WithParamInterface<ReadCase> {};

// The graph is drawn with whatever a stands in curA after the read, whether
// the main window accepted the entry or not.
TEST_P(ReadOnOpen, DrawsWithTheAThenStored) {
    const ReadCase& c = GetParam();
    openGraphs();
    typeA("2");
    graph(1, "1");
    form1().field("Text1").setText(c.a);
    ui.clearDialogs();
    graph(1, "1");
    if (c.message) {
        EXPECT_EQ(ui.messages(), std::vector<std::string>{c.message});
    } else {
        EXPECT_TRUE(ui.messages().empty());
    }
    const auto all = drawnGraphs();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[1].title, c.title);
    expectCurve(all[1], panel(2), 1, m().curA, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Form4, ReadOnOpen,
    ::testing::Values(
        ReadCase{"Accepted", "3.7", nullptr, "a=3.7, k=1, function 1"},
        ReadCase{"Empty", "", "Please enter all values", "a=2, k=1, function 1"},
        ReadCase{"NotNumeric", "abc", "Please enter numerical values in the range indicated",
                 "a=2, k=1, function 1"},
        ReadCase{"AboveRange", "6", "Invalid parameter value", "a=6, k=1, function 1"},
        ReadCase{"BelowRange", "-0.5", "Invalid parameter value", "a=-0.5, k=1, function 1"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FunctionGraphs, KPromptAndTitlesOfBothMaps) {
    openGraphs();
    typeA("2.5");
    graph(1, "2");
    graph(2, "3");
    ASSERT_EQ(ui.dialogs().size(), 2u);
    for (const auto& d : ui.dialogs()) {
        EXPECT_EQ(d.kind, fake::Dialog::Kind::Input);
        EXPECT_EQ(d.text, "Enter number of converlution k, then click OK");
        EXPECT_EQ(d.title, "Input m");
    }
    const auto all = drawnGraphs();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].title, "a=2.5, k=2, function 1");
    EXPECT_EQ(all[1].title, "a=2.5, k=3, function 2");
    EXPECT_EQ(program.form4().graphFunc.value(), 2.0);
    EXPECT_EQ(program.form4().nSteps.value(), 100.0);
    expectFrame(all[0], panel(1));
    expectCurve(all[0], panel(1), 1, 2.5, 2);
    expectFrame(all[1], panel(2));
    expectCurve(all[1], panel(2), 2, 2.5, 3);
}

// The title is centred 200 twips above the chart, in the window's own font.
TEST_F(FunctionGraphs, TitleIsCentredAboveTheChart) {
    openGraphs();
    typeA("3.7");
    graph(1, "2");
    const auto titles = graphs().picture(DrawOp::Kind::Print);
    ASSERT_FALSE(titles.empty());
    const DrawOp& title = titles.back();
    ASSERT_EQ(title.text, "a=3.7, k=2, function 1");
    const Chart c = panel(1);
    const double width = graphs().TextWidth(title.text);
    EXPECT_DOUBLE_EQ(title.x1, ((c.right - c.left) - width) / 2 + c.left);
    EXPECT_DOUBLE_EQ(title.y1, c.top - 200);
}

TEST_F(FunctionGraphs, PanelsRunOneToSixThenTheWindowIsClearedWithoutAsking) {
    openGraphs();
    typeA("3.2");
    for (int n = 1; n <= 6; ++n) {
        graph(n % 2 == 1 ? 1 : 2, "1");
        EXPECT_EQ(program.form4().graphCount, n);
    }
    auto all = drawnGraphs();
    ASSERT_EQ(all.size(), 6u);
    for (int n = 1; n <= 6; ++n) {
        SCOPED_TRACE("panel " + std::to_string(n));
        expectFrame(all[n - 1], panel(n));
        expectCurve(all[n - 1], panel(n), n % 2 == 1 ? 1 : 2, 3.2, 1);
    }

    graph(2, "2");  // the seventh
    EXPECT_EQ(program.form4().graphCount, 1);
    all = drawnGraphs();
    ASSERT_EQ(all.size(), 1u);
    expectFrame(all[0], panel(1));
    expectCurve(all[0], panel(1), 2, 3.2, 2);
    EXPECT_EQ(all[0].title, "a=3.2, k=2, function 2");

    graph(1, "3");  // the eighth
    EXPECT_EQ(program.form4().graphCount, 2);
    all = drawnGraphs();
    ASSERT_EQ(all.size(), 2u);
    expectFrame(all[1], panel(2));
    expectCurve(all[1], panel(2), 1, 3.2, 3);

    int clears = 0;
    for (const auto& op : graphs().ops()) clears += op.kind == DrawOp::Kind::Cls;
    EXPECT_EQ(clears, 1);
    EXPECT_TRUE(ui.messages().empty());  // no question before clearing
}

TEST_F(FunctionGraphs, CloseHidesAndNumberingGoesOn) {
    openGraphs();
    typeA("3");
    graph(1, "1");
    graph(1, "2");
    graphs().click("mnuClose");
    EXPECT_FALSE(graphs().isVisible());
    EXPECT_TRUE(program.form4Loaded());
    EXPECT_EQ(drawnGraphs().size(), 2u);  // the picture stays

    openGraphs();
    EXPECT_TRUE(graphs().isVisible());
    EXPECT_EQ(ui.windowsCreated("Form4"), 1);
    EXPECT_EQ(graphs().title(), "Function Graphs");
    graph(2, "1");
    EXPECT_EQ(program.form4().graphCount, 3);
    const auto all = drawnGraphs();
    ASSERT_EQ(all.size(), 3u);
    expectFrame(all[2], panel(3));
}

TEST_F(FunctionGraphs, ClosingThroughTheFrameStartsAfreshAtPanelOne) {
    openGraphs();
    typeA("3");
    graph(1, "1");
    graph(1, "2");
    graph(1, "3");
    graphs().closeByFrame();
    EXPECT_FALSE(program.form4Loaded());

    FakeWindow& w = openGraphs();
    EXPECT_EQ(ui.windowsCreated("Form4"), 2);
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(w.title(), "Function Graphs");
    EXPECT_TRUE(w.blank());
    EXPECT_EQ(program.form4().graphCount, 0);

    graph(2, "1");
    EXPECT_EQ(program.form4().graphCount, 1);
    const Graph g = onlyGraph();
    expectFrame(g, panel(1));
    expectCurve(g, panel(1), 2, 3, 1);
}

}  // namespace
}  // namespace corvane::testing
