// Maps of the user's own in the cobweb, and both windows sharing the
// formulas of the run through the program's wiring.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QTest>
#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

#include "app/explore_wiring.h"
#include "core/numeric/maps.h"
#include "core/tools/field_check.h"
#include "explore/bifurcation_window.h"
#include "explore/cobweb_view.h"
#include "explore/cobweb_window.h"
#include "platform/fake/fake_platform.h"
#include "tests/explore/formula_map.h"
#include "tests/explore/wired_program.h"
#include "windows/program.h"

namespace corvane::explore {
namespace {


// Types a value into the cobweb's field and presses Enter; the refusal
// shown under it, if any.
QString typeInto(CobwebWindow& window, const char* name, double value) {
    auto* field = window.findChild<QLineEdit*>(QString::fromLatin1(name));
    EXPECT_NE(field, nullptr) << name;
    if (!field) return {};
    field->selectAll();
    QTest::keyClicks(field, QString::number(value, 'g', 17));
    QTest::keyClick(field, Qt::Key_Return);
    return window.findChild<QLabel*>(QString::fromLatin1(name) + "Message")->text();
}

TEST(CustomCobwebWindow, CustomEntryDrawsTheFormulaTitledByIt) {
    CobwebWindow window(Map::logistic());
    window.resize(1000, 700);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    window.setA(0.9);
    window.setCustomMapAsker([](QWidget*, RecentFormulas&, const Map* current) {
        EXPECT_EQ(current, nullptr);
        return choiceOf("x < 0.5 ? 2*a*x : 2*a*(1-x)", 0, 1, 0.3);
    });
    QAction* custom = window.findChild<QAction*>("actionMapCustom");
    ASSERT_TRUE(custom);
    custom->trigger();
    EXPECT_TRUE(window.map().isFormula());
    EXPECT_TRUE(custom->isChecked());
    EXPECT_EQ(window.windowTitle(), "Cobweb: x < 0.5 ? 2*a*x : 2*a*(1-x)");
    EXPECT_EQ(window.derivativeText(), "machine code, exact derivative");
    EXPECT_EQ(window.x0(), 0.3);
    // The orbit is the tent map's, once computed off the interface thread.
    window.waitIdle();
    ASSERT_GE(window.orbit().x.size(), 2u);
    EXPECT_EQ(window.orbit().x[1], 2 * 0.9 * 0.3);
    // The built-in maps come back through their entries.
    window.findChild<QAction*>("actionMap2")->trigger();
    EXPECT_EQ(window.windowTitle(), "Cobweb: a*x^2*sin(PI*x)");
    EXPECT_TRUE(window.derivativeText().isEmpty());
    window.waitIdle();
    EXPECT_EQ(window.curve().y[500], iterateMap(2, window.a(), 1, window.curve().x[500]));
}

TEST(CustomCobwebWindow, TheFormulasRangeOfAIsTheSlidersToo) {
    // The Gauss map's a runs through negative values.
    const Map gauss = *choiceOf("exp(-6.2*x^2)+a", -1, 1, 0.0);
    struct Case {
        double aMin, aMax;  // the formula's
        double low, high;   // the cobweb's
    };
    const Case cases[] = {{-1, 1, -1, 5}, {0.5, 8, 0, 8}, {-1e9, 1e9, -1000, 1000}};
    for (const Case& c : cases) {
        CobwebWindow window(Map::logistic());
        std::vector<double> told;
        window.onAChanged = [&](double a) { told.push_back(a); };
        window.showCustomMap(*choiceOf("exp(-6.2*x^2)+a", c.aMin, c.aMax, 0.0));
        EXPECT_EQ(window.aLow(), c.low) << c.aMin;
        EXPECT_EQ(window.aHigh(), c.high) << c.aMin;
        auto* slider = window.findChild<QSlider*>("aSlider");
        ASSERT_TRUE(slider);
        // The field takes the same range, and names it when refusing.
        const double a = window.a();
        const std::string range = tools::refusalOf({"a", c.low, c.high});
        EXPECT_EQ(typeInto(window, "aField", c.low - 0.5).toStdString(), range);
        EXPECT_EQ(typeInto(window, "aField", c.high + 0.5).toStdString(), range);
        EXPECT_EQ(window.a(), a);
        EXPECT_EQ(typeInto(window, "aField", c.high), "");
        EXPECT_EQ(window.a(), c.high);
        EXPECT_EQ(slider->minimum(), std::lround(c.low * 1e6));
        EXPECT_EQ(slider->maximum(), std::lround(c.high * 1e6));
        window.setA(-0.4);
        EXPECT_EQ(window.a(), std::max(-0.4, c.low));
    }
    // Back to a built-in map: [0, 5] again, and a brought into it is told.
    CobwebWindow window(Map::logistic());
    std::vector<double> told;
    window.onAChanged = [&](double a) { told.push_back(a); };
    window.showCustomMap(gauss);
    // f1's a lies outside the formula's [-1, 1]: it starts in the middle,
    // and is told.
    EXPECT_EQ(told, std::vector<double>{0});
    told.clear();
    window.setA(-0.4);
    window.waitIdle();
    ASSERT_GE(window.orbit().x.size(), 2u);
    EXPECT_EQ(window.orbit().x[1], std::exp(-6.2 * 0.0) - 0.4);
    EXPECT_TRUE(told.empty());
    window.selectMap(Map::sine());
    EXPECT_EQ(window.aLow(), 0);
    EXPECT_EQ(window.aHigh(), CobwebWindow::kMostA);
    EXPECT_EQ(window.a(), 0);
    EXPECT_EQ(told, std::vector<double>{0});
}

TEST(CustomCobwebWindow, TheFormulasRangeOfXIsTheGraphsAndX0s) {
    const Map gauss = *choiceOf("exp(-6.2*x^2)+a", -1, 1, 0.0, -1, 1.5);
    CobwebWindow window(Map::logistic());
    window.resize(1000, 700);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    window.showCustomMap(gauss);
    window.setA(-0.5);
    window.waitIdle();
    EXPECT_EQ(window.span().from, -1);
    EXPECT_EQ(window.span().to, 1.5);
    EXPECT_EQ(window.curve().x.front(), -1);
    EXPECT_EQ(window.curve().x.back(), 1.5);
    EXPECT_EQ(typeInto(window, "x0Field", 1.6), "x0 must be a number from -1 to 1.5.");
    EXPECT_EQ(typeInto(window, "x0Field", -1), "");
    EXPECT_EQ(window.x0(), -1);
    window.setX0(-0.75);
    window.waitIdle();
    EXPECT_EQ(window.x0(), -0.75);
    // The staircase rises from the x-axis, inside the span.
    ASSERT_FALSE(window.segments().empty());
    EXPECT_EQ(window.segments().front().y1, 0);
    // The picture's corners are the span's: (−1, −1.625) at the bottom left.
    const QRect r = window.plot().plotRect();
    EXPECT_EQ(window.plot().toWidget(-1, -1.625), QPointF(r.left(), r.bottom() + 1));
    EXPECT_EQ(window.plot().toWidget(1.5, 2.125), QPointF(r.right() + 1, r.top()));
    // An orbit that leaves the span's picture says where.
    window.showCustomMap(*choiceOf("a*x", 0, 4, 1.0, -1, 1.5));
    window.setA(3);
    window.waitIdle();
    EXPECT_EQ(window.orbit().stoppedAt, 1);
    EXPECT_TRUE(window.statusMessage().startsWith("The orbit leaves [-1.625, 2.125] at step 1"))
        << window.statusMessage().toStdString();
    // A built-in map again: [0, 1], x0 brought into it.
    window.selectMap(Map::logistic());
    EXPECT_EQ(window.span().from, 0);
    EXPECT_EQ(window.span().to, 1);
    EXPECT_EQ(typeInto(window, "x0Field", -0.5), "x0 must be a number from 0 to 1.");
    EXPECT_GE(window.x0(), 0);
    // A range that is none, or too wide: [0, 1].
    window.showCustomMap(*choiceOf("exp(-6.2*x^2)+a", -1, 1, 0.0, -1e9, 1e9));
    EXPECT_EQ(window.span().from, 0);
    EXPECT_EQ(window.span().to, 1);
}

TEST(CustomCobwebWindow, CancelledDialogKeepsTheMap) {
    CobwebWindow window(Map::sine());
    window.setCustomMapAsker(
        [](QWidget*, RecentFormulas&, const Map*) { return std::optional<Map>(); });
    window.findChild<QAction*>("actionMapCustom")->trigger();
    EXPECT_EQ(window.map(), Map::sine());
    EXPECT_TRUE(window.findChild<QAction*>("actionMap2")->isChecked());
}

TEST(CustomCobwebWindow, OrbitFileNamesTheFormula) {
    CobwebWindow window(Map::logistic());
    window.showCustomMap(*choiceOf("a*sin(pi*x)", 0.6, 1));
    EXPECT_EQ(window.derivativeText(), "machine code, exact derivative");
    window.waitIdle();
    const QString path = QDir::temp().filePath("corvane-custom-orbit.csv");
    ASSERT_EQ(window.writeOrbit(path.toStdString()).status,
              platform::ExportOutcome::Status::Written);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains("\n# map: f(x) = a*sin(pi*x)\n"));
    file.remove();
}

class CustomWiring : public WiredProgram {};

// The real dialog, filled in by `fill` and accepted.
CustomMapAsker acceptedDialog(std::function<void(CustomMapDialog&)> fill) {
    return [fill = std::move(fill)](QWidget* parent, RecentFormulas& recent,
                                    const Map* current) {
        CustomMapDialog dialog(recent, current, parent);
        fill(dialog);
        dialog.tryAccept();
        return dialog.choice();
    };
}

TEST_F(CustomWiring, BothWindowsOfferTheFormulasOfTheRunAndTheCobwebFollowsTheDiagram) {
    ui.window("Form1").click("mnuExploreBifurcation");
    BifurcationWindow* explorer = wiring.bifurcation();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(explorer));
    // The real dialog, accepted as typed.
    explorer->setCustomMapAsker(acceptedDialog([](CustomMapDialog& dialog) {
        dialog.formulaBox()->setEditText(QStringLiteral("2*a*min(x,1-x)"));
    }));
    explorer->chooseCustomMap();
    EXPECT_EQ(explorer->windowTitle(), "Bifurcation diagram: 2*a*min(x,1-x)");
    EXPECT_EQ(wiring.recentFormulas().list(), QStringList{"2*a*min(x,1-x)"});
    // The cobweb's dialog offers it first.
    ui.window("Form1").click("mnuExploreCobweb");
    CobwebWindow* cobweb = wiring.cobweb();
    ASSERT_NE(cobweb, nullptr);
    QString offered;
    cobweb->setCustomMapAsker([&](QWidget* parent, RecentFormulas& recent, const Map*) {
        CustomMapDialog dialog(recent, nullptr, parent);
        offered = dialog.formulaBox()->itemText(0);
        return std::optional<Map>();
    });
    cobweb->chooseCustomMap();
    EXPECT_EQ(offered, "2*a*min(x,1-x)");
    // "Cobweb at this a" of the custom diagram: the cobweb of its formula.
    QApplication::processEvents();
    explorer->pollNow();
    explorer->setCursorA(0.7);
    explorer->cobwebAtCursor();
    EXPECT_TRUE(cobweb->map().isFormula());
    EXPECT_EQ(cobweb->windowTitle(), "Cobweb: 2*a*min(x,1-x)");
    EXPECT_EQ(cobweb->a(), 0.7);
}

TEST_F(CustomWiring, CobwebAtANegativeAOfTheFormulaKeepsThatA) {
    ui.window("Form1").click("mnuExploreCobweb");  // f1's cobweb: a in [0, 5]
    ui.window("Form1").click("mnuExploreBifurcation");
    BifurcationWindow* explorer = wiring.bifurcation();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(explorer));
    explorer->setCustomMapAsker(acceptedDialog([](CustomMapDialog& dialog) {
        const auto examples = custom::examples();
        const auto gauss = std::find_if(examples.begin(), examples.end(), [](const auto& e) {
            return std::string_view(e.name) == "Gauss";
        });
        EXPECT_NE(gauss, examples.end());
        dialog.useExample(int(gauss - examples.begin()));
    }));
    explorer->chooseCustomMap();
    ASSERT_TRUE(explorer->view().map.isFormula());
    QApplication::processEvents();
    explorer->pollNow();
    explorer->setCursorA(-0.5);
    explorer->cobwebAtCursor();
    CobwebWindow* cobweb = wiring.cobweb();
    EXPECT_TRUE(cobweb->map().isFormula());
    EXPECT_EQ(cobweb->a(), -0.5);
    EXPECT_EQ(*explorer->cursorA(), -0.5);
}

}  // namespace
}  // namespace corvane::explore
