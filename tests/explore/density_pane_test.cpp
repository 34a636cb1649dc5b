// The explorer's pane "Density at the cursor" on the offscreen platform:
// counted again when the cursor, the orbit or the pane's own settings
// change, the stale count stopped and never shown, the closed form and its
// fit at a = 4, the file.
#include "explore/density_pane.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDockWidget>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <chrono>
#include <thread>

#include "core/numeric/csv.h"
#include "core/tools/caption.h"
#include "explore/bifurcation_view.h"
#include "explore/bifurcation_window.h"
#include "gui/picture.h"
#include "tests/explore/formula_map.h"
#include "tests/qt/qt_test_support.h"

namespace corvane::explore {
namespace {

template <class Done>
bool waitFor(const Done& done, BifurcationWindow& w, int seconds = 60) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < end) {
        QApplication::processEvents();
        w.pollNow();
        w.densityPane().pollNow();
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return false;
}

// Red pixels in an image: the closed form's curve.
int reddish(const QImage& image) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.red() > 150 && c.green() < 110 && c.blue() < 110) ++n;
        }
    }
    return n;
}

class DensityPaneTest : public testing::Test {
protected:
    void SetUp() override {
        window = std::make_unique<BifurcationWindow>(Map::logistic(), nullptr, 2);
        window->resize(1100, 760);
        View v = window->view();
        v.transient = 200;
        v.kept = 200;
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        ASSERT_TRUE(window->showView(v));
        ASSERT_TRUE(idle());
    }
    DensityPane& pane() const { return window->densityPane(); }
    bool idle() {
        return waitFor([&] { return !window->isComputing() && !pane().isCounting(); }, *window);
    }
    void typeA(const QString& a) {
        QLineEdit* field = pane().findChild<QLineEdit*>(QStringLiteral("densityA"));
        field->selectAll();
        QTest::keyClicks(field, a);
        QTest::keyClick(field, Qt::Key_Return);
    }
    std::unique_ptr<BifurcationWindow> window;
};

TEST_F(DensityPaneTest, IsASidePaneOfTheExplorerWithItsExportInTheFileMenu) {
    auto* dock = window->findChild<QDockWidget*>(QStringLiteral("densityDock"));
    ASSERT_NE(dock, nullptr);
    EXPECT_EQ(dock->windowTitle(), "Density at the cursor");
    EXPECT_EQ(dock->widget(), &pane());
    auto* exportAction = window->findChild<QAction*>(QStringLiteral("actionExportDensity"));
    ASSERT_NE(exportAction, nullptr);
    EXPECT_EQ(exportAction->text().remove('&'),
              QString::fromUtf8("Export density at the cursor as CSV\u2026"));
    // No cursor yet: nothing counted, and nothing to export.
    EXPECT_FALSE(pane().isCounting());
    EXPECT_EQ(pane().shown(), nullptr);
    EXPECT_EQ(pane().summary(), "Click the diagram to choose an a.");
    EXPECT_FALSE(window->exportDensityCsv());
    EXPECT_EQ(window->statusMessage(), "Click the diagram first to choose an a.");
    EXPECT_FALSE(window->exportDensityPicture());
    EXPECT_EQ(window->statusMessage(), "Click the diagram first to choose an a.");
}

TEST_F(DensityPaneTest, TypedValuesOutOfRangeAreRefusedUnderTheirFieldAndNotCounted) {
    window->setCursorA(3.6);
    ASSERT_TRUE(idle());
    const std::uint64_t generation = pane().generation();
    struct Case {
        const char* field;
        const char* typed;
        const char* refusal;
    };
    const Case cases[] = {
        {"densityBins", "5000000", "Bins must be a whole number from 10 to 1000000."},
        {"densityBins", "9", "Bins must be a whole number from 10 to 1000000."},
        {"densityBins", "", "Bins must be a whole number from 10 to 1000000."},
        {"densityIterates", "0", "N must be a whole number from 1 to 100000000."},
        {"densityIterates", "1e9", "N must be a whole number from 1 to 100000000."},
        {"densityIterates", "1000.5", "N must be a whole number from 1 to 100000000."},
        {"densityA", "7", "a must be a number from 0 to 5."},
        {"densityA", "nan", "a must be a number from 0 to 5."},
    };
    for (const Case& c : cases) {
        auto* field = pane().findChild<QLineEdit*>(QString::fromLatin1(c.field));
        ASSERT_NE(field, nullptr) << c.field;
        field->setFocus();
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Backspace);
        QTest::keyClicks(field, QString::fromLatin1(c.typed));
        QTest::keyClick(field, Qt::Key_Return);
        EXPECT_EQ(field->text(), QString::fromLatin1(c.typed));
        EXPECT_EQ(pane().findChild<QLabel*>(QString::fromLatin1(c.field) + "Message")->text(),
                  QString::fromLatin1(c.refusal))
            << c.typed;
        EXPECT_EQ(pane().generation(), generation) << c.typed;
        EXPECT_EQ(pane().bins(), 100);
        EXPECT_EQ(pane().iterates(), 1'000'000);
        EXPECT_EQ(*window->cursorA(), 3.6);
    }
    // A value in range is taken, its refusal gone.
    auto* bins = pane().findChild<QLineEdit*>(QStringLiteral("densityBins"));
    bins->selectAll();
    QTest::keyClicks(bins, "1000000");
    QTest::keyClick(bins, Qt::Key_Return);
    EXPECT_EQ(pane().bins(), 1'000'000);
    EXPECT_TRUE(pane().findChild<QLabel*>("densityBinsMessage")->text().isEmpty());
    EXPECT_NE(pane().generation(), generation);
}

TEST_F(DensityPaneTest, AClickInTheDiagramCountsTheOrbitOfTheColumnAtTheCursor) {
    const QRect d = window->plot().diagramRect();
    QTest::mouseClick(&window->plot(), Qt::LeftButton, {}, QPoint(d.left() + 500, d.center().y()));
    ASSERT_TRUE(window->cursorA().has_value());
    EXPECT_TRUE(pane().isCounting());
    EXPECT_EQ(pane().shown(), nullptr);
    ASSERT_TRUE(idle());
    const density::Histogram* h = pane().shown();
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(h->setup.a, *window->cursorA());
    EXPECT_EQ(h->setup.x0, window->view().x0);
    EXPECT_EQ(h->setup.transient, window->view().transient);
    EXPECT_EQ(h->setup.iterates, 1'000'000);
    EXPECT_EQ(h->setup.bins, 100);
    // The same histogram as a count of that orbit here.
    const std::optional<density::Histogram> here = density::count(h->setup);
    ASSERT_TRUE(here);
    EXPECT_EQ(h->counts, here->counts);
    EXPECT_TRUE(pane().summary().contains(describeFate(*here)));
    EXPECT_EQ(pane().findChild<QLineEdit*>(QStringLiteral("densityA"))->text().toDouble(),
              *window->cursorA());

    // Its picture, drawn for the file at the size asked, captioned.
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString png = dir.filePath("density.png");
    platform::testing::whenModalAppears([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        dialog->findChild<QLineEdit*>("fileNameEdit")->setText(png);
        QMetaObject::invokeMethod(dialog, "accept");
    });
    window->setPictureOptionsAsker([](QWidget*, const gui::PictureOptions&) {
        gui::PictureOptions o;
        o.size = gui::PictureOptions::Size::Custom;
        o.customWidth = 900;
        o.customHeight = 500;
        return std::optional<gui::PictureOptions>(o);
    });
    window->findChild<QAction*>(QStringLiteral("actionExportDensityPicture"))->trigger();
    const QImage image(png);
    ASSERT_FALSE(image.isNull()) << window->statusMessage().toStdString();
    EXPECT_EQ(image.size(), QSize(900, 500));
    EXPECT_TRUE(
        image.text("Description")
            .contains(QString::fromStdString(tools::densityCaption(h->setup, h->range).front())));
}

TEST_F(DensityPaneTest, AMovedCursorStopsTheStaleCountAndOnlyTheNewestIsEverDrawn) {
    std::vector<std::uint64_t> drawn;
    pane().onDrawn = [&](std::uint64_t g) { drawn.push_back(g); };
    window->setCursorA(3.9);
    ASSERT_TRUE(idle());
    ASSERT_EQ(drawn.size(), 1u);
    const std::uint64_t begun = pane().engine().begun();

    pane().setIterates(100'000'000);
    ASSERT_TRUE(waitFor([&] { return pane().engine().begun() > begun; }, *window));
    // The long count runs; the cursor moves: the old histogram is gone at
    // once, and the long count is stopped, not finished.
    window->setCursorA(3.7);
    EXPECT_EQ(pane().shown(), nullptr);
    EXPECT_TRUE(pane().summary().startsWith("a = 3.7: counting"));
    pane().setIterates(20'000);
    ASSERT_TRUE(idle());
    EXPECT_GE(pane().engine().abandoned(), 1u);
    ASSERT_EQ(drawn.size(), 2u);
    EXPECT_EQ(drawn.back(), pane().generation());
    ASSERT_NE(pane().shown(), nullptr);
    EXPECT_EQ(pane().shown()->setup.a, 3.7);
    EXPECT_EQ(pane().shown()->setup.iterates, 20'000);

    // The same orbit again is not counted again.
    const std::uint64_t generation = pane().generation();
    window->setCursorA(3.7);
    window->showView(window->view());
    EXPECT_EQ(pane().generation(), generation);
}

TEST_F(DensityPaneTest, BinsAndIteratesOfThePaneCountAgain) {
    window->setCursorA(3.6);
    ASSERT_TRUE(idle());
    pane().setBins(1'000'000);
    EXPECT_TRUE(pane().isCounting());
    ASSERT_TRUE(idle());
    ASSERT_NE(pane().shown(), nullptr);
    EXPECT_EQ(pane().shown()->counts.size(), 1'000'000u);
    // A million bins drawn on a few hundred columns.
    const QImage picture = pane().plot().grab().toImage();
    EXPECT_FALSE(picture.isNull());
    pane().setBins(3);
    EXPECT_EQ(pane().bins(), 10);
    pane().setIterates(5000);
    ASSERT_TRUE(idle());
    EXPECT_EQ(pane().shown()->counts.size(), 10u);
    EXPECT_EQ(pane().shown()->counted, 5000);
}

TEST_F(DensityPaneTest, AtFourTheClosedFormIsDrawnAndItsFitStated) {
    std::vector<double> moved;
    window->onCursorMoved = [&](double a) { moved.push_back(a); };
    // Typed into the pane, the a moves the explorer's cursor.
    typeA(QStringLiteral("4"));
    EXPECT_EQ(window->cursorA(), 4.0);
    EXPECT_EQ(moved, std::vector<double>{4.0});
    ASSERT_TRUE(idle());
    // From the explorer's x0 = 0.5 the orbit reaches 1, then 0, and stays:
    // exact arithmetic, no rounding; and no density to fit.
    EXPECT_TRUE(pane().summary().contains(QString::fromUtf8(
        "In exact arithmetic 0.5 \u2192 1 \u2192 0, and 0 is a fixed point (unstable, slope 4)")))
        << pane().summary().toStdString();
    EXPECT_FALSE(pane().summary().contains("rounding")) << pane().summary().toStdString();
    EXPECT_FALSE(pane().summary().contains("Largest relative")) << pane().summary().toStdString();

    QLineEdit* x0 = window->findChild<QLineEdit*>(QStringLiteral("x0"));
    x0->setText(QStringLiteral("0.2"));
    ASSERT_TRUE(window->applyFields());
    ASSERT_TRUE(idle());
    ASSERT_NE(pane().shown(), nullptr);
    EXPECT_EQ(pane().shown()->setup.x0, 0.2);
    const QString summary = pane().summary();
    EXPECT_TRUE(summary.contains(QString::fromUtf8("Chaotic (\u03bb = 0.69")))
        << summary.toStdString();
    EXPECT_TRUE(summary.contains("Largest relative bin deviation")) << summary.toStdString();
    EXPECT_TRUE(summary.contains("with 99 degrees of freedom")) << summary.toStdString();
    EXPECT_GT(reddish(pane().plot().grab().toImage()), 50);

    // Elsewhere there is no closed form: neither curve nor fit.
    typeA(QStringLiteral("3.9"));
    ASSERT_TRUE(idle());
    EXPECT_FALSE(pane().summary().contains("Largest relative"));
    EXPECT_EQ(reddish(pane().plot().grab().toImage()), 0);
    typeA(QStringLiteral("four"));
    EXPECT_EQ(window->cursorA(), 3.9);
}

TEST_F(DensityPaneTest, ExportsTheHistogramShown) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("density.csv"));
    window->setCursorA(4);
    View v = window->view();
    v.x0 = 0.3;
    ASSERT_TRUE(window->showView(v));
    pane().setBins(40);
    ASSERT_TRUE(idle());
    platform::testing::whenModalAppears([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        auto* field = dialog->findChild<QLineEdit*>("fileNameEdit");
        ASSERT_NE(field, nullptr);
        EXPECT_EQ(field->text(), "density.csv");
        field->setText(path);
        QMetaObject::invokeMethod(dialog, "accept");
    });
    ASSERT_TRUE(window->exportDensityCsv());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
    const int header = int(lines.indexOf(QStringLiteral("x_low,x_high,count,density,closed_form")));
    ASSERT_GE(header, 0);
    EXPECT_EQ(lines.size() - header - 1, 40);
    EXPECT_TRUE(lines.last().startsWith(
        QString::fromStdString(csvNumber(density::binLow(40, 39)) + ",1,")));
    // While counting there is nothing to export.
    pane().setIterates(100'000'000);
    EXPECT_FALSE(window->exportDensityCsv());
    EXPECT_TRUE(window->statusMessage().startsWith("The density is still being counted"));
}

TEST_F(DensityPaneTest, ClosingTheWindowStopsTheCount) {
    pane().setIterates(100'000'000);
    window->setCursorA(3.9);
    ASSERT_TRUE(pane().isCounting());
    ASSERT_TRUE(waitFor([&] { return pane().engine().begun() >= 1; }, *window));
    window->close();
    EXPECT_FALSE(pane().isCounting());
    ASSERT_TRUE(waitFor([&] { return pane().engine().abandoned() >= 1; }, *window));
}

TEST_F(DensityPaneTest, CountsTheFormulaTheDiagramShowsOverItsRange) {
    // The pane was handed the map's number alone, and a formula became the
    // logistic map: "Period 1.", one bar at 0.
    ASSERT_TRUE(window->showCustomMap(*choiceOf("exp(-6.2*x^2)+a", -1, 1, 0, -1, 1.5)));
    window->setCursorA(-0.5);
    ASSERT_TRUE(idle());
    const density::Histogram* h = pane().shown();
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(h->setup.map, window->view().map);
    EXPECT_EQ(h->range, (Interval{-1, 1.5}));
    EXPECT_EQ(h->fate, density::Fate::Chaotic);
    const QString summary = pane().summary();
    EXPECT_TRUE(summary.startsWith("f(x) = exp(-6.2*x^2)+a, a = -0.5")) << summary.toStdString();
    EXPECT_TRUE(summary.contains("bins of [-1, 1.5]")) << summary.toStdString();
}

}  // namespace
}  // namespace corvane::explore
