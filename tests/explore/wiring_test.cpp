// The program's wiring: Form1's Explore menu opens one bifurcation diagram,
// raises it when asked again, and its "Use this a" fills Form1's a field.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

#include "app/explore_wiring.h"
#include "core/numeric/number_text.h"
#include "explore/bifurcation_window.h"
#include "platform/fake/fake_platform.h"
#include "windows/program.h"

namespace corvane {
namespace {

class Wiring : public testing::Test {
protected:
    void SetUp() override {
        program.setExploreLink(&wiring);
        program.startUp();
    }
    void TearDown() override { program.setExploreLink(nullptr); }

    fake::FakePlatform ui;
    Program program{ui};
    ExploreWiring wiring{program};
};

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
    EXPECT_EQ(window->view().map, 2);
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

}  // namespace
}  // namespace corvane
