// The program's wiring: Form1's Explore menu opens one bifurcation diagram
// and one cobweb, raising each when asked again; the diagram's "Use this a"
// fills Form1's a field, and its a-cursor and the cobweb's a move together.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <cmath>
#include <vector>

#include "app/explore_wiring.h"
#include "core/numeric/number_text.h"
#include "explore/a_cursor.h"
#include "explore/bifurcation_window.h"
#include "explore/cobweb_window.h"
#include "explore/feigenbaum_window.h"
#include "platform/fake/fake_platform.h"
#include "tests/explore/formula_map.h"
#include "tests/explore/wired_program.h"
#include "windows/program.h"

namespace corvane {
namespace {

class Wiring : public WiredProgram {};

TEST_F(Wiring, ExploreMenuOpensOneDiagramForTheChosenMap) {
    EXPECT_EQ(wiring.bifurcation(), nullptr);
    ui.window("Form1").click("mnuExploreBifurcation");  // no map chosen: f1
    explore::BifurcationWindow* window = wiring.bifurcation();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), "Bifurcation diagram: a*x*(1-x)");
    window->close();
    EXPECT_FALSE(window->isVisible());
    ui.window("Form1").click("mnuSin");
    ui.window("Form1").click("mnuExploreBifurcation");
    EXPECT_EQ(wiring.bifurcation(), window);  // the same one, shown again
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->view().map, Map::sine());
    EXPECT_EQ(window->windowTitle(), "Bifurcation diagram: a*x^2*sin(PI*x)");
}

TEST_F(Wiring, UseThisAFillsTheMainWindowsAField) {
    ui.window("Form1").click("mnuLogistic");
    ui.window("Form1").click("mnuExploreBifurcation");
    explore::BifurcationWindow* window = wiring.bifurcation();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    QApplication::processEvents();
    window->setCursorColumn(77);
    ASSERT_TRUE(window->cursorA());
    window->useCursorA();
    const std::string text = ui.window("Form1").field("Text1").text();
    EXPECT_EQ(text, numberText(*window->cursorA()));
    EXPECT_NEAR(*toDouble(text), *window->cursorA(), 1e-13);
}

TEST_F(Wiring, ExploreMenuOpensOneCobwebAtTheAFieldsValue) {
    EXPECT_EQ(wiring.cobweb(), nullptr);
    ui.window("Form1").field("Text1").setText("3.7");
    ui.window("Form1").click("mnuExploreCobweb");  // no map chosen: f1
    explore::CobwebWindow* window = wiring.cobweb();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), "Cobweb: a*x*(1-x)");
    EXPECT_EQ(window->a(), 3.7);
    window->close();
    ui.window("Form1").click("mnuSin");
    ui.window("Form1").field("Text1").setText("not a number");
    ui.window("Form1").click("mnuExploreCobweb");
    EXPECT_EQ(wiring.cobweb(), window);  // the same one, shown again
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), "Cobweb: a*x^2*sin(PI*x)");
    EXPECT_EQ(window->a(), 3.7);  // the shared a, the field holding none
}

TEST_F(Wiring, TheCobwebsAAndTheExplorersCursorAreOneValue) {
    ui.window("Form1").click("mnuExploreCobweb");
    explore::CobwebWindow* cobweb = wiring.cobweb();
    ASSERT_NE(cobweb, nullptr);
    // The explorer opened later starts with its cursor at the cobweb's a.
    ui.window("Form1").click("mnuExploreBifurcation");
    explore::BifurcationWindow* explorer = wiring.bifurcation();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(explorer));
    QApplication::processEvents();
    ASSERT_TRUE(explorer->cursorA());
    EXPECT_EQ(*explorer->cursorA(), cobweb->a());
    // The cobweb's slider moves the cursor ...
    auto* slider = cobweb->findChild<QSlider*>("aSlider");
    ASSERT_NE(slider, nullptr);
    slider->setValue(3'567'000);
    EXPECT_NEAR(cobweb->a(), 3.567, 1e-12);
    EXPECT_EQ(*explorer->cursorA(), cobweb->a());
    // ... and a click in the diagram moves the cobweb's a.
    explorer->setCursorColumn(200);
    EXPECT_EQ(cobweb->a(), *explorer->cursorA());
    EXPECT_EQ(*wiring.cursor().value(), cobweb->a());
    // "Cobweb at this a" in the explorer: its map, its cursor.
    explorer->selectMap(Map::sine());
    QApplication::processEvents();
    explorer->setCursorColumn(100);
    cobweb->close();
    explorer->findChild<QAction*>("actionCobweb")->trigger();
    EXPECT_TRUE(cobweb->isVisible());
    EXPECT_EQ(cobweb->map(), Map::sine());
    EXPECT_EQ(cobweb->a(), *explorer->cursorA());
}

TEST_F(Wiring, FeigenbaumsTableShowsItsParametersInTheExplorer) {
    ui.window("Form1").click("mnuSin");
    ui.window("Form1").click("mnuExploreFeigenbaum");
    explore::FeigenbaumWindow* table = wiring.feigenbaum();
    ASSERT_NE(table, nullptr);
    EXPECT_TRUE(table->isVisible());
    EXPECT_EQ(table->map(), Map::sine());
    table->wait();
    ASSERT_GE(table->outcome().rows.size(), 12u);
    EXPECT_EQ(wiring.bifurcation(), nullptr);
    // "Show in explorer" opens the explorer on [s_1, s_last], s_n marked,
    // as a view that Undo leaves.
    table->findChild<QPushButton*>("showInExplorer")->click();
    explore::BifurcationWindow* explorer = wiring.bifurcation();
    ASSERT_NE(explorer, nullptr);
    EXPECT_TRUE(explorer->isVisible());
    const auto& rows = table->outcome().rows;
    EXPECT_EQ(explorer->view().map, Map::sine());
    EXPECT_EQ(explorer->view().aMin, rows[1].s);
    EXPECT_EQ(explorer->view().aMax, rows.back().s);
    const auto& marks = explorer->plot().aMarks();
    ASSERT_EQ(marks.size(), rows.size() - 1);
    EXPECT_EQ(marks[0].a, rows[1].s);
    EXPECT_EQ(marks[0].label, "s1");
    EXPECT_EQ(marks[2].label, "s3");
    ASSERT_TRUE(explorer->canUndo());
    explorer->undo();
    EXPECT_EQ(explorer->view(), explore::startView(Map::sine()));
    EXPECT_EQ(explorer->plot().aMarks().size(), marks.size());  // the same map: kept
    explorer->selectMap(Map::logistic());
    EXPECT_TRUE(explorer->plot().aMarks().empty());  // another map's: gone
    // The explorer's own menu opens the same table for the map it shows.
    table->close();
    explorer->findChild<QAction*>("actionFeigenbaum")->trigger();
    EXPECT_EQ(wiring.feigenbaum(), table);
    EXPECT_TRUE(table->isVisible());
    EXPECT_EQ(table->map(), Map::logistic());
    table->wait();
    EXPECT_EQ(table->outcome().map, Map::logistic());
    EXPECT_EQ(table->outcome().rows[0].s, 2.0);
}

TEST_F(Wiring, FeigenbaumFromAFormulasViewSearchesThatFormulaOrSaysWhyNot) {
    ui.window("Form1").click("mnuExploreBifurcation");
    explore::BifurcationWindow* explorer = wiring.bifurcation();
    ASSERT_TRUE(explorer->showCustomMap(*explore::choiceOf("exp(-6.2*x^2)+a", -1, 1, 0, -1, 1.5)));
    explorer->findChild<QAction*>("actionFeigenbaum")->trigger();
    explore::FeigenbaumWindow* table = wiring.feigenbaum();
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->map(), explorer->view().map);
    table->wait();
    // The Gauss map's own cascade from its critical point 0: s_0 = -1, not
    // the logistic map's 2.
    ASSERT_GE(table->outcome().rows.size(), 6u);
    EXPECT_NEAR(table->outcome().rows[0].s, -1, 1e-12);
    EXPECT_EQ(table->windowTitle(), "Feigenbaum constants: exp(-6.2*x^2)+a");
    // "Show in explorer" keeps the formula and its x-range.
    table->findChild<QPushButton*>("showInExplorer")->click();
    EXPECT_EQ(explorer->view().map, table->map());
    EXPECT_EQ(explorer->view().xMin, -1);
    EXPECT_EQ(explorer->view().xMax, 1.5);
    // A map with no critical point: said in the window, nothing searched.
    ASSERT_TRUE(explorer->showCustomMap(*explore::choiceOf("a*x", 0, 4)));
    explorer->findChild<QAction*>("actionFeigenbaum")->trigger();
    table->wait();
    EXPECT_TRUE(table->outcome().rows.empty());
    EXPECT_TRUE(table->summary().contains("has no critical point")) << table->summary().toStdString();
}

TEST(ACursor, TellsEveryoneButWhoMovedIt) {
    explore::ACursor cursor;
    std::vector<double> first, second;
    const int a = cursor.listen([&](double v) { first.push_back(v); });
    const int b = cursor.listen([&](double v) { second.push_back(v); });
    EXPECT_FALSE(cursor.value());
    cursor.set(3.2, a);
    cursor.set(3.2, b);  // the same value: no one is told
    cursor.set(3.5, b);
    cursor.set(std::nan(""), a);  // not a value of a
    cursor.set(3.6);              // from outside both
    EXPECT_EQ(first, (std::vector<double>{3.5, 3.6}));
    EXPECT_EQ(second, (std::vector<double>{3.2, 3.6}));
    EXPECT_EQ(*cursor.value(), 3.6);
}

}  // namespace
}  // namespace corvane
