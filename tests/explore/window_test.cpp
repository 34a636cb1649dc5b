// The explorer's window on the offscreen platform, driven as a user would:
// drag, wheel, click, undo, fields, menus.
#include <gtest/gtest.h>
#include <oneapi/tbb/task_arena.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QStatusBar>
#include <QTest>
#include <QWheelEvent>
#include <chrono>
#include <cmath>
#include <thread>

#include "explore/bifurcation_view.h"
#include "explore/bifurcation_window.h"
#include "tests/explore/explorer_wait.h"

namespace corvane::explore {
namespace {

// The picture the window should show for its view at its size, computed
// here in one pass.
QImage expectedImage(const BifurcationWindow& w) {
    ColumnData data;
    tbb::task_arena arena(1);
    arena.execute([&] { computeView(w.view(), w.plot().columns(), w.plot().rows(), data); });
    const std::vector<std::uint8_t> grey = shade(data);
    QImage image(data.columns, data.rows, QImage::Format_Grayscale8);
    for (int r = 0; r < data.rows; ++r) {
        std::copy_n(grey.data() + std::size_t(r) * std::size_t(data.columns), data.columns,
                    image.scanLine(r));
    }
    return image;
}

class ExploreWindow : public testing::Test {
protected:
    void open(int map = 1) {
        window = std::make_unique<BifurcationWindow>(Map::fromChoice(map), nullptr, 2);
        window->resize(900, 620);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        ASSERT_TRUE(waitIdle(*window));
    }
    // A quick view: fewer steps than the start view.
    View quick(View v) const {
        v.transient = 300;
        v.kept = 400;
        return v;
    }
    QPoint at(int column, double x) const {
        const QRect d = window->plot().diagramRect();
        const double y = d.top() + (window->view().xMax - x) /
                                       (window->view().xMax - window->view().xMin) * d.height();
        return {d.left() + column, int(y)};
    }
    QLineEdit* field(const char* name) const {
        return window->findChild<QLineEdit*>(QString::fromLatin1(name));
    }
    QAction* action(const char* name) const {
        return window->findChild<QAction*>(QString::fromLatin1(name));
    }

    std::unique_ptr<BifurcationWindow> window;
};

TEST_F(ExploreWindow, OpensOnTheMapsStartViewWithItsTitleAndMenus) {
    open(2);
    EXPECT_EQ(window->windowTitle(), "Bifurcation diagram: a*x^2*sin(PI*x)");
    EXPECT_EQ(window->view(), startView(Map::sine()));
    QStringList menus;
    for (QAction* a : window->menuBar()->actions()) menus << a->text().remove('&');
    EXPECT_EQ(menus, (QStringList{"File", "View", "Map"}));
    EXPECT_TRUE(action("actionMap2")->isChecked());
    EXPECT_FALSE(action("actionUndo")->isEnabled());
    EXPECT_FALSE(action("actionUseA")->isEnabled());
    EXPECT_EQ(BifurcationWindow(Map::fromChoice(7)).windowTitle(), "Bifurcation diagram: a*x*(1-x)");
}

TEST_F(ExploreWindow, ShowsTheDiagramOfItsView) {
    open(1);
    EXPECT_EQ(window->diagramImage().size(),
              QSize(window->plot().columns(), window->plot().rows()));
    EXPECT_EQ(window->diagramImage(), expectedImage(*window));
}

TEST_F(ExploreWindow, DragZoomsIntoTheRectangle) {
    open(1);
    window->showView(quick(window->view()));
    ASSERT_TRUE(waitIdle(*window));
    const View before = window->view();
    const QRect d = window->plot().diagramRect();
    const QPoint from(d.left() + 100, d.top() + 40);
    const QPoint to(d.left() + 300, d.top() + 200);
    QTest::mousePress(&window->plot(), Qt::LeftButton, {}, from);
    QTest::mouseMove(&window->plot(), to);
    QTest::mouseRelease(&window->plot(), Qt::LeftButton, {}, to);
    const View v = window->view();
    const double span = before.aMax - before.aMin;
    EXPECT_DOUBLE_EQ(v.aMin, before.aMin + span * (100.0 / d.width()));
    EXPECT_DOUBLE_EQ(v.aMax, before.aMin + span * (300.0 / d.width()));
    const double xs = before.xMax - before.xMin;
    EXPECT_DOUBLE_EQ(v.xMax, before.xMax - xs * (40.0 / d.height()));
    EXPECT_DOUBLE_EQ(v.xMin, before.xMax - xs * (200.0 / d.height()));
    EXPECT_EQ(v.transient, before.transient);
    ASSERT_TRUE(waitIdle(*window));
    // Recomputed at full resolution, not an enlargement.
    EXPECT_EQ(window->diagramImage().size(), QSize(d.width(), d.height()));
    EXPECT_EQ(window->diagramImage(), expectedImage(*window));
}

TEST_F(ExploreWindow, WheelZoomsAboutTheCursor) {
    open(1);
    const View before = window->view();
    const QRect d = window->plot().diagramRect();
    const QPointF p(d.left() + 250.5, d.top() + 100.5);
    const double a = window->plot().aAt(p.x());
    const double x = window->plot().xAt(p.y());
    QWheelEvent wheel(p, window->plot().mapToGlobal(p), QPoint(), QPoint(0, 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&window->plot(), &wheel);
    const View v = window->view();
    EXPECT_NEAR(v.aMax - v.aMin, 0.8 * (before.aMax - before.aMin), 1e-12);
    EXPECT_NEAR(v.xMax - v.xMin, 0.8 * (before.xMax - before.xMin), 1e-12);
    // The point under the cursor stays where it was.
    EXPECT_NEAR(window->plot().aAt(p.x()), a, 1e-12);
    EXPECT_NEAR(window->plot().xAt(p.y()), x, 1e-12);
}

TEST_F(ExploreWindow, UndoAndRedoGiveBackTheSameImages) {
    open(1);
    window->showView(quick(window->view()));
    ASSERT_TRUE(waitIdle(*window));
    const QImage first = window->diagramImage();
    View zoomed = window->view();
    zoomed.aMin = 3.82;
    zoomed.aMax = 3.86;
    ASSERT_TRUE(window->showView(zoomed));
    ASSERT_TRUE(waitIdle(*window));
    const QImage second = window->diagramImage();
    EXPECT_NE(first, second);
    QTest::keyClick(window.get(), Qt::Key_Z, Qt::ControlModifier);
    ASSERT_TRUE(waitIdle(*window));
    EXPECT_EQ(window->diagramImage(), first);
    QTest::keyClick(window.get(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_TRUE(waitIdle(*window));
    EXPECT_EQ(window->view(), zoomed);
    EXPECT_EQ(window->diagramImage(), second);
}

TEST_F(ExploreWindow, KeepsAtLeastAHundredViews) {
    open(1);
    const View start = window->view();
    View v = start;
    for (int i = 0; i < 150; ++i) {
        v.aMin += 0.001;
        ASSERT_TRUE(window->showView(v));
    }
    for (int i = 0; i < 150; ++i) window->undo();
    EXPECT_EQ(window->view(), start);
    EXPECT_FALSE(window->canUndo());
    for (int i = 0; i < 150; ++i) window->redo();
    EXPECT_EQ(window->view(), v);
    window->home();
    EXPECT_EQ(window->view(), startView(Map::logistic()));
    ASSERT_TRUE(waitIdle(*window));
}

TEST_F(ExploreWindow, EscapeClosesTheWindow) {
    open();
    ASSERT_TRUE(window->isVisible());
    QTest::keyClick(window.get(), Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible());
}

TEST_F(ExploreWindow, HomeKeyGoesBackToTheStartView) {
    open(2);
    View v = window->view();
    v.aMin = 2.0;
    ASSERT_TRUE(window->showView(v));
    window->plot().setFocus();
    QTest::keyClick(window.get(), Qt::Key_Home);
    EXPECT_EQ(window->view(), startView(Map::sine()));
}

TEST_F(ExploreWindow, ClickSetsTheCursorAndUseThisAWritesIt) {
    open(1);
    std::vector<double> written;
    window->setUseA([&](double a) { written.push_back(a); });
    const QPoint p = at(123, 0.5);
    QTest::mouseClick(&window->plot(), Qt::LeftButton, {}, p);
    const View& v = window->view();
    const double a = v.aMin + (v.aMax - v.aMin) * ((123 + 0.5) / window->plot().columns());
    ASSERT_TRUE(window->cursorA());
    EXPECT_EQ(*window->cursorA(), a);
    EXPECT_EQ(window->plot().cursorA(), window->cursorA());
    ASSERT_TRUE(action("actionUseA")->isEnabled());
    action("actionUseA")->trigger();
    EXPECT_EQ(written, std::vector<double>{a});
    // The cursor leaves with its a out of view.
    View away = window->view();
    away.aMin = 3.95;
    away.aMax = 3.99;
    ASSERT_TRUE(window->showView(away));
    EXPECT_FALSE(window->cursorA());
    ASSERT_TRUE(waitIdle(*window));
}

struct BadInput {
    const char* field;
    const char* text;
    const char* shownAt;  // the field the refusal shows under
    const char* message;
};

void PrintTo(const BadInput& bad, std::ostream* out) {
    *out << bad.field << " = \"" << bad.text << "\"";
}

class RefusedInput : public ExploreWindow, public testing::WithParamInterface<BadInput> {};

TEST_P(RefusedInput, ShowsUnderTheFieldKeepsTheTextAndLeavesTheViewAsItWas) {
    open(1);
    const View before = window->view();
    const int pictures = window->columnsDone();
    const BadInput& bad = GetParam();
    field(bad.field)->setText(QString::fromLatin1(bad.text));
    QTest::keyClick(field(bad.field), Qt::Key_Return);
    EXPECT_EQ(window->view(), before);
    EXPECT_FALSE(window->isComputing());
    EXPECT_EQ(window->columnsDone(), pictures);
    EXPECT_EQ(field(bad.field)->text(), QString::fromLatin1(bad.text));
    const QString shown = window->fieldRefusal(bad.shownAt);
    EXPECT_TRUE(shown.contains(QString::fromUtf8(bad.message))) << shown.toStdString();
    auto* line = window->findChild<QLabel*>(QString::fromLatin1(bad.shownAt) + "Message");
    ASSERT_NE(line, nullptr);
    EXPECT_TRUE(line->isVisible());
    // Put right, the field is taken and its refusal goes.
    const std::string name = bad.field;
    field(bad.field)->setText(name == "lambdaMin"                     ? ""
                              : name == "kept" || name == "transient" ? "300"
                              : name == "aMin"                        ? "3"
                              : name == "aMax"                        ? "3.5"
                                                                      : "0.75");
    EXPECT_TRUE(window->applyFields());
    EXPECT_TRUE(window->fieldRefusal(bad.shownAt).isEmpty());
    EXPECT_FALSE(line->isVisible());
    ASSERT_TRUE(waitIdle(*window));
}

INSTANTIATE_TEST_SUITE_P(
    Fields, RefusedInput,
    testing::Values(
        BadInput{"aMin", "", "aMin", "a_min must be a number from 0 to 5."},
        BadInput{"aMax", "   ", "aMax", "a_max must be a number from 0 to 5."},
        BadInput{"aMax", "1e9", "aMax", "a_max must be a number from 0 to 5."},
        BadInput{"aMin", "-0.1", "aMin", "a_min must be a number from 0 to 5."},
        BadInput{"xMin", "abc", "xMin", "x_min must be a number from 0 to 1."},
        BadInput{"x0", "0,5", "x0", "x0 must be a number from 0 to 1."},
        BadInput{"x0", "2", "x0", "x0 must be a number from 0 to 1."},
        BadInput{"x0", "nan", "x0", "x0 must be a number from 0 to 1."},
        BadInput{"x0", "inf", "x0", "x0 must be a number from 0 to 1."},
        BadInput{"xMax", "1e999", "xMax", "x_max must be a number from 0 to 1."},
        BadInput{"xMax", "-0.5", "xMax", "x_max must be a number from 0 to 1."},
        BadInput{"aMin", "4", "aMax", "a_min must be less than a_max"},
        BadInput{"aMin", "5", "aMax", "a_min must be less than a_max"},
        BadInput{"xMin", "1", "xMax", "x_min must be less than x_max"},
        BadInput{"transient", "-1", "transient", "T must be a whole number from 0 to 100000000."},
        BadInput{"transient", "100000001", "transient", "T must be a whole number"},
        BadInput{"kept", "0", "kept", "K must be a whole number from 1 to 100000000."},
        BadInput{"kept", "1e9", "kept", "K must be a whole number"},
        BadInput{"kept", "2.5", "kept", "K must be a whole number"},
        BadInput{"kept", "", "kept", "K must be a whole number"},
        BadInput{"lambdaMin", "x", "lambdaMin", "\u03bb min and \u03bb max must both be numbers"},
        BadInput{"aMax", "2.5000000000001", "aMax", "narrower than doubles resolve"}),
    [](const testing::TestParamInfo<BadInput>& info) { return std::to_string(info.index); });

TEST_F(ExploreWindow, EscapeDuringADragCancelsItAndZoomsNothingWithoutOneItCloses) {
    open(1);
    const View before = window->view();
    const QRect d = window->plot().diagramRect();
    const QPoint from(d.left() + 100, d.top() + 40);
    const QPoint to(d.left() + 300, d.top() + 200);
    QTest::mousePress(&window->plot(), Qt::LeftButton, {}, from);
    QTest::mouseMove(&window->plot(), to);
    ASSERT_TRUE(window->plot().dragging());
    QTest::keyClick(window.get(), Qt::Key_Escape);
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->plot().dragging());
    QTest::mouseRelease(&window->plot(), Qt::LeftButton, {}, to);
    EXPECT_EQ(window->view(), before);
    EXPECT_FALSE(window->canUndo());
    EXPECT_FALSE(window->cursorA());  // nor taken as a click
    QTest::keyClick(window.get(), Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible());
}

TEST_F(ExploreWindow, NarrowViewsAreRefusedWhateverAsksForThem) {
    open(1);
    View v = window->view();
    v.aMin = 3.7;
    v.aMax = 3.7 + 3e-13;
    EXPECT_FALSE(window->showView(v));
    EXPECT_EQ(window->view(), startView(Map::logistic()));
    v.aMax = 3.7 + 1e-11;  // still resolved
    EXPECT_TRUE(window->showView(v));
    ASSERT_TRUE(waitIdle(*window));
}

TEST_F(ExploreWindow, FieldsApplyAGoodView) {
    open(1);
    field("aMin")->setText("3.5");
    field("aMax")->setText(" 3.6 ");
    field("kept")->setText("500");
    field("lambdaMin")->setText("-2");
    field("lambdaMax")->setText("0.5");
    EXPECT_TRUE(window->applyFields());
    EXPECT_EQ(window->view().aMin, 3.5);
    EXPECT_EQ(window->view().aMax, 3.6);
    EXPECT_EQ(window->view().kept, 500);
    EXPECT_EQ(window->plot().lyapunovRange(), std::pair(-2.0, 0.5));
    ASSERT_TRUE(waitIdle(*window));
}

// A newer view stops the older computation; nothing of the older one is
// drawn after the newer was asked for.
TEST_F(ExploreWindow, AStaleComputationIsNeverDrawn) {
    open(1);
    View slow = window->view();
    slow.aMin = 3.9;
    slow.aMax = 4.0;
    slow.kept = 100'000'000;
    ASSERT_TRUE(window->showView(slow));
    std::vector<std::uint64_t> drawn;
    window->onDrawn = [&](std::uint64_t g) { drawn.push_back(g); };
    // Let the slow one start.
    for (int i = 0; i < 20; ++i) {
        QApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    const std::size_t before = drawn.size();
    ASSERT_TRUE(window->isComputing());
    ASSERT_TRUE(window->showView(quick(startView(Map::logistic()))));
    ASSERT_TRUE(waitIdle(*window));
    ASSERT_GT(drawn.size(), before);
    const std::uint64_t last = drawn.back();
    for (std::size_t i = before; i < drawn.size(); ++i) EXPECT_EQ(drawn[i], last);
    EXPECT_EQ(window->diagramImage(), expectedImage(*window));
}

TEST_F(ExploreWindow, StatusBarTellsThePeriodUnderTheMouse) {
    open(1);
    View v = quick(window->view());
    v.aMin = 3.1;  // period 2 across
    v.aMax = 3.3;
    ASSERT_TRUE(window->showView(v));
    ASSERT_TRUE(waitIdle(*window));
    QTest::mouseMove(&window->plot(), at(50, 0.5));
    EXPECT_TRUE(window->statusMessage().contains("period 2"))
        << window->statusMessage().toStdString();
    EXPECT_TRUE(window->statusMessage().contains("x = 0.5"));
    v.aMin = 3.95;  // chaos
    v.aMax = 3.99;
    ASSERT_TRUE(window->showView(v));
    ASSERT_TRUE(waitIdle(*window));
    QTest::mouseMove(&window->plot(), at(60, 0.5));
    EXPECT_TRUE(window->statusMessage().contains("chaotic"));
    v.aMin = 4.2;  // escape
    v.aMax = 4.4;
    v.xMin = -1;
    ASSERT_TRUE(window->showView(v));
    ASSERT_TRUE(waitIdle(*window));
    QTest::mouseMove(&window->plot(), at(70, 0.5));
    EXPECT_TRUE(window->statusMessage().contains("escaped"));
}

TEST_F(ExploreWindow, MapMenuSwitchesMapTitleAndView) {
    open(1);
    action("actionMap2")->trigger();
    EXPECT_EQ(window->view(), startView(Map::sine()));
    EXPECT_EQ(window->windowTitle(), "Bifurcation diagram: a*x^2*sin(PI*x)");
    ASSERT_TRUE(waitIdle(*window));
    window->undo();
    EXPECT_EQ(window->windowTitle(), "Bifurcation diagram: a*x*(1-x)");
    EXPECT_TRUE(action("actionMap1")->isChecked());
    ASSERT_TRUE(waitIdle(*window));
}

// f2 beyond a ≈ 2.5 leaves [0, 1]: its columns are marked, not drawn as
// garbage, and λ is never NaN where there were kept steps.
TEST_F(ExploreWindow, ColumnsThatLeaveOrEscapeAreMarked) {
    open(2);
    const ColumnData* data = window->data();
    ASSERT_TRUE(data);
    int left = 0;
    for (int c = 0; c < data->columns; ++c) {
        const auto& o = data->outcomes[std::size_t(c)];
        EXPECT_FALSE(std::isnan(o.lyapunov)) << c;
        const double a =
            bifurcation::columnA(window->view().aMin, window->view().aMax, c, data->columns);
        if (a > 2.52) {
            EXPECT_TRUE(o.leftRange) << a;
        } else if (a < 2.45) {
            EXPECT_FALSE(o.leftRange) << a;
        }
        left += o.leftRange;
    }
    EXPECT_GT(left, 0);
}

}  // namespace
}  // namespace corvane::explore
