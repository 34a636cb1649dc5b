// The cobweb's window on the offscreen platform, driven as a user would:
// sliders, typed fields and keys, Step, Play and Reset, the map menu, the
// tables, the status bar and the File menu's exports.
#include "explore/cobweb_window.h"

#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QSlider>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cmath>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "core/numeric/cobweb.h"
#include "core/numeric/csv.h"
#include "core/numeric/maps.h"
#include "explore/cobweb_view.h"
#include "tests/explore/formula_map.h"
#include "tests/qt/qt_test_support.h"

namespace corvane::explore {
namespace {

class Cobweb : public testing::Test {
protected:
    void SetUp() override { open(1); }
    void open(int map) {
        window = std::make_unique<CobwebWindow>(Map::fromChoice(map));
        window->resize(1000, 700);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        window->waitIdle();
    }
    template <class T>
    T* child(const char* name) {
        T* w = window->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    // Types into a field and presses Enter, as a user does.
    void type(QLineEdit* field, const QString& text) {
        field->setFocus();
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Backspace);
        QTest::keyClicks(field, text);
        QTest::keyClick(field, Qt::Key_Return);
        QApplication::processEvents();
    }
    QString refusal(const char* field) {
        return child<QLabel>((std::string(field) + "Message").c_str())->text();
    }
    void click(const char* button) {
        QTest::mouseClick(child<QPushButton>(button), Qt::LeftButton);
    }

    std::unique_ptr<CobwebWindow> window;
};

std::string readFile(const QString& path) {
    std::ifstream in(path.toStdString());
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(CobwebGrid, RoundNumbersAboutFourStepsAcrossEverySecondLabelled) {
    struct Case {
        double from, to;
        std::vector<double> values;
        std::vector<bool> labelled;
    };
    const Case cases[] = {
        // The built-in maps' [0, 1]: its quarters, as always.
        {0, 1, {0, 0.25, 0.5, 0.75, 1}, {true, false, true, false, true}},
        // The Gauss map's [-1, 1.5]: halves, labelled at -1, 0 and 1.
        {-1, 1.5, {-1, -0.5, 0, 0.5, 1, 1.5}, {true, false, true, false, true, false}},
        {0, 5, {0, 1, 2, 3, 4, 5}, {true, false, true, false, true, false}},
        {0.2, 0.3, {0.2, 0.225, 0.25, 0.275, 0.3}, {true, false, true, false, true}},
        {-1000, 1000, {-1000, -500, 0, 500, 1000}, {true, false, true, false, true}},
        {1, 1, {}, {}},
    };
    for (const Case& c : cases) {
        const Ticks t = ticksAcross(c.from, c.to);
        ASSERT_EQ(t.values.size(), c.values.size()) << c.from << " " << c.to;
        for (std::size_t i = 0; i < c.values.size(); ++i) {
            EXPECT_NEAR(t.values[i], c.values[i], 1e-12) << c.from << " " << c.to << " " << i;
        }
        EXPECT_EQ(t.labelled, c.labelled) << c.from << " " << c.to;
    }
    // [0, 1]'s ticks are exact, so that the built-in picture's grid lies
    // where it always did.
    EXPECT_EQ(ticksAcross(0, 1).values, (std::vector<double>{0, 0.25, 0.5, 0.75, 1}));
}

TEST_F(Cobweb, OpensWithTheGraphOfFAndFiftyStepsTitledByItsMap) {
    EXPECT_EQ(window->windowTitle(), "Cobweb: a*x*(1-x)");
    EXPECT_EQ(window->fold(), 1);
    EXPECT_EQ(window->steps(), 50);
    EXPECT_EQ(window->segments().size(), 100u);
    EXPECT_GE(window->curve().size(), 1025u);
    // a = 3.2: the orbit settles on the 2-cycle.
    EXPECT_EQ(window->tailPeriod(), 2);
    EXPECT_TRUE(window->statusMessage().contains("period 2"))
        << window->statusMessage().toStdString();
    // One menu of maps, its own.
    QStringList menus;
    for (QAction* a : window->menuBar()->actions()) menus << a->text();
    EXPECT_EQ(menus, (QStringList{"&File", "&View", "&Map"}));
    open(2);
    EXPECT_EQ(window->windowTitle(), "Cobweb: a*x^2*sin(PI*x)");
}

TEST_F(Cobweb, MapMenuSwitchesTheMapAndTitle) {
    const std::uint64_t before = window->redraws();
    child<QAction>("actionMap2")->trigger();
    EXPECT_EQ(window->map(), Map::sine());
    EXPECT_EQ(window->windowTitle(), "Cobweb: a*x^2*sin(PI*x)");
    EXPECT_GT(window->redraws(), before);
    window->waitIdle();
    EXPECT_EQ(window->curve().y[500], iterateMap(2, window->a(), 1, window->curve().x[500]));
    child<QAction>("actionMap1")->trigger();
    EXPECT_EQ(window->windowTitle(), "Cobweb: a*x*(1-x)");
}

TEST_F(Cobweb, StepAddsOneVerticalAndOneHorizontalSegment) {
    window->setSteps(7);
    ASSERT_EQ(window->segments().size(), 14u);
    click("step");
    EXPECT_EQ(window->steps(), 8);
    ASSERT_EQ(window->segments().size(), 16u);
    const cobweb::Segment& up = window->segments()[14];
    const cobweb::Segment& across = window->segments()[15];
    EXPECT_EQ(up.x1, up.x2);
    EXPECT_EQ(across.y1, across.y2);
    EXPECT_EQ(across.x2, window->orbit().x.back());
    EXPECT_EQ(child<QLineEdit>("nField")->text(), "8");
    EXPECT_EQ(child<QSlider>("nSlider")->value(), 8);
    // The orbit table ends at the current step, picked out.
    QTableView* table = child<QTableView>("orbitTable");
    const QAbstractItemModel* model = table->model();
    ASSERT_EQ(model->rowCount(), 9);
    EXPECT_TRUE(model->data(model->index(8, 1), Qt::BackgroundRole).isValid());
    EXPECT_FALSE(model->data(model->index(7, 1), Qt::BackgroundRole).isValid());
    click("reset");
    EXPECT_EQ(window->steps(), 0);
    EXPECT_TRUE(window->segments().empty());
}

TEST_F(Cobweb, SlidersRedrawAsTheyMove) {
    QSlider* a = child<QSlider>("aSlider");
    QImage before = window->picture();
    std::uint64_t redraws = window->redraws();
    // Each position the slider passes through is drawn: its orbit at once,
    // its graph once computed.
    for (int v : {3'500'000, 3'510'000, 3'839'000, 4'000'000}) {
        a->setValue(v);
        EXPECT_EQ(window->a(), v * 1e-6);
        EXPECT_EQ(window->redraws(), ++redraws);
        EXPECT_EQ(child<QLineEdit>("aField")->text().toDouble(), v * 1e-6);
        window->waitIdle();
        EXPECT_EQ(window->redraws(), ++redraws);
        EXPECT_EQ(window->curve().y[500], iterateMap(1, v * 1e-6, 1, window->curve().x[500]));
    }
    EXPECT_NE(window->picture(), before);
    child<QSlider>("kSlider")->setValue(12);
    EXPECT_EQ(window->fold(), 12);
    EXPECT_EQ(child<QLineEdit>("kField")->text(), "12");
    window->waitIdle();
    EXPECT_EQ(window->periodicPoints().points.size(), 4096u);
    child<QSlider>("x0Slider")->setValue(123456);
    EXPECT_EQ(window->x0(), 0.123456);
    EXPECT_EQ(window->orbit().x.front(), 0.123456);
    child<QSlider>("nSlider")->setValue(10000);
    EXPECT_EQ(window->segments().size(), 20000u);
}

TEST_F(Cobweb, ArrowKeysStepAByAThousandthAndWithShiftByAMillionth) {
    QLineEdit* spin = child<QLineEdit>("aField");
    QSlider* slider = child<QSlider>("aSlider");
    window->setA(3.2);
    spin->setFocus();
    QTest::keyClick(spin, Qt::Key_Up);
    EXPECT_NEAR(window->a(), 3.201, 1e-12);
    QTest::keyClick(spin, Qt::Key_Up, Qt::ShiftModifier);
    EXPECT_NEAR(window->a(), 3.201001, 1e-12);
    QTest::keyClick(spin, Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(spin, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_NEAR(window->a(), 3.200999, 1e-12);
    slider->setFocus();
    QTest::keyClick(slider, Qt::Key_Right);
    EXPECT_NEAR(window->a(), 3.201999, 1e-12);
    QTest::keyClick(slider, Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_NEAR(window->a(), 3.201998, 1e-12);
}

TEST_F(Cobweb, TypedValuesOutOfRangeAreRefusedUnderTheirFieldAndNothingMoves) {
    QLineEdit* a = child<QLineEdit>("aField");
    QLineEdit* x0 = child<QLineEdit>("x0Field");
    QLineEdit* k = child<QLineEdit>("kField");
    QLineEdit* n = child<QLineEdit>("nField");
    // Whatever is wrong, the text stays as typed, its refusal shows under
    // it, and nothing is computed again.
    struct Case {
        QLineEdit* field;
        const char* name;
        const char* typed;
        const char* refusal;
    };
    const Case cases[] = {
        {a, "aField", "1e9", "a must be a number from 0 to 5."},
        {a, "aField", "abc", "a must be a number from 0 to 5."},
        {a, "aField", "5.5", "a must be a number from 0 to 5."},
        {a, "aField", "-1", "a must be a number from 0 to 5."},
        {a, "aField", "nan", "a must be a number from 0 to 5."},
        {x0, "x0Field", "2", "x0 must be a number from 0 to 1."},
        {x0, "x0Field", "-0.5", "x0 must be a number from 0 to 1."},
        {x0, "x0Field", "", "x0 must be a number from 0 to 1."},
        {k, "kField", "0", "k must be a whole number from 1 to 64."},
        {k, "kField", "65", "k must be a whole number from 1 to 64."},
        {k, "kField", "2.5", "k must be a whole number from 1 to 64."},
        {n, "nField", "10001", "n must be a whole number from 0 to 10000."},
        {n, "nField", "inf", "n must be a whole number from 0 to 10000."},
    };
    for (const Case& c : cases) {
        window->setA(3.3);
        window->setX0(0.2);
        window->setFold(12);
        window->setSteps(40);
        window->waitIdle();
        const std::uint64_t redraws = window->redraws();
        type(c.field, QString::fromLatin1(c.typed));
        EXPECT_EQ(window->a(), 3.3) << c.typed;
        EXPECT_EQ(window->x0(), 0.2) << c.typed;
        EXPECT_EQ(window->fold(), 12) << c.typed;
        EXPECT_EQ(window->steps(), 40) << c.typed;
        EXPECT_EQ(window->redraws(), redraws) << c.typed;
        EXPECT_EQ(c.field->text(), QString::fromLatin1(c.typed));
        EXPECT_EQ(refusal(c.name), QString::fromLatin1(c.refusal)) << c.typed;
        EXPECT_TRUE(child<QLabel>((std::string(c.name) + "Message").c_str())->isVisible());
        // Another control moving leaves the refused text where it is.
        if (c.field != n) {
            window->setSteps(41);
            EXPECT_EQ(c.field->text(), QString::fromLatin1(c.typed));
            EXPECT_EQ(refusal(c.name), QString::fromLatin1(c.refusal)) << c.typed;
        }
        // A good value takes its place, and the refusal goes.
        type(c.field, c.field == a ? "3.3" : c.field == x0 ? "0.2" : c.field == k ? "12" : "40");
        EXPECT_TRUE(refusal(c.name).isEmpty()) << c.typed;
        c.field->clearFocus();
    }
    // Good values are taken.
    type(a, "3.83");
    EXPECT_EQ(window->a(), 3.83);
    type(k, "3");
    EXPECT_EQ(window->fold(), 3);
    type(n, "200");
    EXPECT_EQ(window->steps(), 200);
    EXPECT_EQ(window->tailPeriod(), 1);  // the 3-cycle, one step of f^3
}

TEST_F(Cobweb, PlayStepsOnUntilPausedAndStopsWhereTheOrbitEnds) {
    window->setSteps(0);
    window->setSpeed(200);
    click("play");
    EXPECT_TRUE(window->playing());
    EXPECT_EQ(child<QPushButton>("play")->text(), "&Pause");
    QTRY_VERIFY_WITH_TIMEOUT(window->steps() >= 10, 5000);
    click("play");  // pause
    EXPECT_FALSE(window->playing());
    const auto paused = window->steps();
    QTest::qWait(100);
    EXPECT_EQ(window->steps(), paused);
    // Step pauses too and adds one.
    click("play");
    click("step");
    EXPECT_FALSE(window->playing());
    // An orbit that leaves the picture: playing stops there.
    window->setA(4.5);
    window->setX0(0.5);
    window->setSteps(0);
    click("play");
    QTRY_VERIFY_WITH_TIMEOUT(!window->playing(), 5000);
    EXPECT_EQ(window->orbit().stoppedAt, 2);
    // The speed takes 1 … 500 steps a second only.
    window->setSpeed(0);
    EXPECT_EQ(window->speed(), 1);
    window->setSpeed(100000);
    EXPECT_EQ(window->speed(), CobwebWindow::kMostSpeed);
}

TEST_F(Cobweb, StatusBarNamesThePeriodOrChaosOrWhereTheOrbitLeaves) {
    struct Case {
        double a;
        int k;
        double x0;
        std::int64_t n;
        const char* says;
    };
    const Case cases[] = {
        {2.8, 1, 0.2, 500, "period 1."},
        {3.5, 1, 0.2, 500, "period 4."},
        {3.5, 2, 0.2, 500, "period 2 of f^2."},
        {4.0, 1, 0.2, 500, "chaotic"},
        {3.2, 1, 0.2, 1, "too few steps"},
        {4.5, 1, 0.5, 50, "leaves [-0.25, 1.25] at step 2 (x = -0.6328125)"},
    };
    for (const Case& c : cases) {
        window->setA(c.a);
        window->setFold(c.k);
        window->setX0(c.x0);
        window->setSteps(c.n);
        window->waitIdle();
        EXPECT_TRUE(window->statusMessage().contains(QString::fromLatin1(c.says)))
            << c.says << " / " << window->statusMessage().toStdString();
    }
}

TEST_F(Cobweb, PeriodicPointsTableListsSlopeAndStability) {
    window->setA(3.2);
    window->setFold(2);
    window->waitIdle();
    const QAbstractItemModel* model = child<QTableView>("periodicTable")->model();
    ASSERT_EQ(model->rowCount(), 4);
    // 0, the lower point of the 2-cycle, 1 − 1/a, the upper point.
    const char* stability[] = {"unstable", "stable", "unstable", "stable"};
    const int period[] = {1, 2, 1, 2};
    for (int r = 0; r < 4; ++r) {
        EXPECT_EQ(model->data(model->index(r, 2)).toString(), stability[r]) << r;
        EXPECT_EQ(model->data(model->index(r, 3)).toInt(), period[r]) << r;
    }
    EXPECT_EQ(model->data(model->index(2, 0)).toString(), "0.6875");
}

TEST_F(Cobweb, TableCellsHoldEveryDigitInColumnsWideEnoughForThem) {
    window->setA(4);
    QTableView* points = child<QTableView>("periodicTable");
    QTableView* orbit = child<QTableView>("orbitTable");
    // Slopes of f^8 and f^64 at a = 4 run to 2^64 and beyond.
    for (int k : {8, 64}) {
        window->setFold(k);
        window->setSteps(300);
        window->waitIdle();
        const auto& listed = window->periodicPoints().points;
        ASSERT_FALSE(listed.empty()) << k;
        for (QTableView* table : {points, orbit}) {
            const QAbstractItemModel* model = table->model();
            const QFontMetrics metrics(table->font());
            for (int c = 0; c < model->columnCount(); ++c) {
                ASSERT_FALSE(table->isColumnHidden(c)) << k;
                int widest = 0;
                for (int r = 0; r < model->rowCount(); ++r) {
                    widest = std::max(widest, metrics.horizontalAdvance(
                                                  model->data(model->index(r, c)).toString()));
                }
                EXPECT_GT(table->columnWidth(c), widest) << "k = " << k << ", column " << c;
            }
            EXPECT_EQ(table->textElideMode(), Qt::ElideNone);
        }
        // Each number reads back as the very double listed.
        const QAbstractItemModel* model = points->model();
        for (int r = 0; r < model->rowCount(); ++r) {
            const cobweb::PeriodicPoint& p = listed[std::size_t(r)];
            EXPECT_EQ(model->data(model->index(r, 0)).toString().toDouble(), p.x) << r;
            EXPECT_EQ(model->data(model->index(r, 1)).toString().toDouble(), p.slope) << r;
            EXPECT_EQ(model->data(model->index(r, 3)).toInt(), p.period) << r;
        }
        const QAbstractItemModel* values = orbit->model();
        for (int r = 0; r < values->rowCount(); ++r) {
            EXPECT_EQ(values->data(values->index(r, 1)).toString().toDouble(),
                      window->orbit().x[std::size_t(r)])
                << r;
        }
    }
    // Slopes of 2^64 are written in exponent form.
    bool exponent = false;
    const QAbstractItemModel* model = points->model();
    for (int r = 0; r < model->rowCount(); ++r) {
        exponent = exponent || model->data(model->index(r, 1)).toString().contains('e');
    }
    EXPECT_TRUE(exponent);
}

TEST_F(Cobweb, EveryControlHasAName) {
    for (QWidget* w : window->findChildren<QWidget*>()) {
        const bool typed =
            qobject_cast<QLineEdit*>(w) && !qobject_cast<QAbstractSpinBox*>(w->parentWidget());
        if (typed || qobject_cast<QAbstractSpinBox*>(w) || qobject_cast<QSlider*>(w) ||
            qobject_cast<QPushButton*>(w) || qobject_cast<QTableView*>(w) ||
            dynamic_cast<CobwebView*>(w)) {
            EXPECT_FALSE(w->accessibleName().isEmpty()) << w->objectName().toStdString();
        }
    }
    EXPECT_TRUE(window->plot().accessibleDescription().contains("staircase"));
}

TEST_F(Cobweb, EscapeClosesIt) {
    QTest::keyClick(window.get(), Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible());
}

TEST_F(Cobweb, WritesThePictureTheOrbitAndThePeriodicPoints) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    window->setA(3.2);
    window->setFold(2);
    window->setSteps(3);
    window->waitIdle();
    const QString png = dir.filePath("c.png");
    gui::PictureOptions asShown;
    asShown.caption = false;
    auto outcome = window->writePicture(png.toStdString(), gui::PictureFormat::Png, asShown);
    ASSERT_EQ(outcome.status, platform::ExportOutcome::Status::Written) << outcome.message;
    QImage written(png);
    EXPECT_EQ(written.size(), window->plot().size());
    EXPECT_EQ(written.convertToFormat(QImage::Format_RGB32),
              window->picture().convertToFormat(QImage::Format_RGB32));
    const QString pdf = dir.filePath("c.pdf");
    outcome = window->writePicture(pdf.toStdString(), gui::PictureFormat::Pdf, asShown);
    ASSERT_EQ(outcome.status, platform::ExportOutcome::Status::Written);
    EXPECT_EQ(readFile(pdf).substr(0, 5), "%PDF-");

    const QString orbit = dir.filePath("o.csv");
    ASSERT_EQ(window->writeOrbit(orbit.toStdString()).status,
              platform::ExportOutcome::Status::Written);
    std::string expected =
        csvAbout({"the orbit of the cobweb", "f(x) = a*x*(1-x)",
                  "a = 3.2; k = 2; x0 = 0.2; n = " + std::to_string(window->orbit().x.size() - 1)}) +
        "# x_n = f^k(x_(n-1)); n steps of f^k\n"
        "n,x_n\n";
    for (std::size_t n = 0; n < window->orbit().x.size(); ++n) {
        expected += std::to_string(n) + "," + csvNumber(window->orbit().x[n]) + "\n";
    }
    EXPECT_EQ(readFile(orbit), expected);

    const QString points = dir.filePath("p.csv");
    ASSERT_EQ(window->writePeriodicPoints(points.toStdString()).status,
              platform::ExportOutcome::Status::Written);
    const std::string text = readFile(points);
    EXPECT_NE(text.find("x,slope,stable,period\n0,10.240000000000002,0,1\n"), std::string::npos)
        << text;
    EXPECT_NE(text.find("\n0.6875,1.4400000000000004,0,1\n"), std::string::npos) << text;
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 4 + 1 + 1 + 4);

    // A folder that is not there: the status bar says why.
    outcome = window->writeOrbit(dir.filePath("none/o.csv").toStdString());
    EXPECT_EQ(outcome.status, platform::ExportOutcome::Status::Failed);
}

TEST_F(Cobweb, FileMenuExportsThroughTheSaveDialog) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("steps.csv");
    platform::testing::whenModalAppears([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->parentWidget(), window.get());
        auto* field = dialog->findChild<QLineEdit*>("fileNameEdit");
        ASSERT_NE(field, nullptr);
        EXPECT_EQ(field->text(), "cobweb-orbit.csv");
        field->setText(path);
        QMetaObject::invokeMethod(dialog, "accept");
    });
    child<QAction>("actionExportOrbit")->trigger();
    EXPECT_EQ(window->statusMessage(), "Saved " + path);
    EXPECT_NE(readFile(path).find("\n# what: the orbit of the cobweb\n"), std::string::npos);
    // Cancelled: nothing written, nothing said.
    platform::testing::whenModalAppears(
        [](QWidget* modal) { static_cast<QDialog*>(modal)->reject(); });
    EXPECT_FALSE(window->exportPicture());
}

// The graph and points computed off the interface thread: a graph the
// sliders have left is never shown, only the newest one once finished.
TEST(CobwebJobs, AGraphLeftBehindIsNeverShown) {
    CobwebWindow window(Map::logistic());
    window.setFold(12);
    window.waitIdle();
    const auto graphAt = [](double a) {
        cobweb::CurveOptions options;
        options.evaluationBudget = Map::logistic().evaluationBudget();
        cobweb::Curve curve;
        cobweb::sampleCurve(Map::logistic(), a, 12, options, curve);
        cobweb::PeriodicPoints points;
        cobweb::findPeriodicPoints(Map::logistic(), a, 12, curve, points, 4096);
        return std::pair(curve.y, points.points.size());
    };
    const auto [left, leftPoints] = graphAt(3.7);
    const auto [newest, newestPoints] = graphAt(3.9);
    ASSERT_NE(left, newest);
    ASSERT_NE(leftPoints, newestPoints);
    window.setA(3.7);
    window.setA(3.9);
    // Until the newest is finished the graph before both stays.
    while (window.isComputing()) {
        window.pollNow();
        EXPECT_NE(window.curve().y, left);
        QApplication::processEvents();
    }
    EXPECT_EQ(window.curve().y, newest);
    EXPECT_EQ(window.periodicPoints().points.size(), newestPoints);
    window.waitIdle();
    EXPECT_EQ(window.curve().y, newest);
}

// A formula's graph of f^64 and its orbit of 64 × 10^4 steps take long:
// moving a returns at once, the picture before it still shown, and the new
// one follows.
TEST(CobwebJobs, AFormulasGraphAndOrbitDoNotHoldTheInterface) {
    const Map formula = *choiceOf("a*x*(1-x)", 0, 4, 0.2);
    CobwebWindow window(Map::logistic());
    window.showCustomMap(formula);
    window.setFold(64);
    window.setSteps(10'000);
    window.setA(3.5);
    window.waitIdle();
    ASSERT_FALSE(window.isComputing());
    const std::vector<double> curveBefore = window.curve().y;
    const std::vector<double> orbitBefore = window.orbit().x;
    const std::size_t pointsBefore = window.periodicPoints().points.size();
    ASSERT_EQ(orbitBefore.size(), 10'001u);

    window.setA(3.9);
    // Back from setA: the new numbers are still being computed.
    EXPECT_EQ(window.a(), 3.9);
    EXPECT_TRUE(window.isComputing());
    EXPECT_EQ(window.curve().y, curveBefore);
    EXPECT_EQ(window.orbit().x, orbitBefore);
    EXPECT_EQ(window.periodicPoints().points.size(), pointsBefore);

    window.waitIdle();
    EXPECT_FALSE(window.isComputing());
    EXPECT_NE(window.curve().y, curveBefore);
    EXPECT_NE(window.periodicPoints().points.size(), pointsBefore);
    cobweb::Orbit expected;
    cobweb::orbitOf(formula, 3.9, 64, window.x0(), 10'000, expected, window.span());
    EXPECT_EQ(window.orbit().x, expected.x);
}

}  // namespace
}  // namespace corvane::explore
