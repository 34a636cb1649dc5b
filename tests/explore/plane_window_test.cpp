// The parameter plane's window on the real widgets, wired as main() wires
// it: opened from Form1's Explore menu, its pixels those of the kernel at
// any thread count, a typed formula's plane that of the built-in map, its
// cursor linked to the cobweb and the explorer it opens, and its data file.
#include <gtest/gtest.h>
// oneTBB before Qt, whose `emit` it would otherwise meet.
#include <oneapi/tbb/task_arena.h>

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <bit>

#include "app/explore_wiring.h"
#include "explore/bifurcation_window.h"
#include "explore/cobweb_window.h"
#include "explore/plane_view.h"
#include "explore/plane_window.h"
#include "gui/picture.h"
#include "tests/explore/formula_map.h"
#include "tests/explore/wired_program.h"

namespace corvane {
namespace {

class Plane : public WiredProgram {
protected:
    explore::PlaneWindow* open() {
        ui.window("Form1").click("mnuExplorePlane");
        explore::PlaneWindow* w = wiring.plane();
        EXPECT_NE(w, nullptr);
        w->resize(420, 320);
        QApplication::processEvents();
        w->waitForPicture();
        return w;
    }
};

bool sameBits(const explore::PlanePixels& a, const explore::PlanePixels& b) {
    if (a.points.size() != b.points.size()) return false;
    for (std::size_t i = 0; i < a.points.size(); ++i) {
        if (std::bit_cast<std::uint64_t>(a.points[i].lyapunov) !=
                std::bit_cast<std::uint64_t>(b.points[i].lyapunov) ||
            a.points[i].period != b.points[i].period) {
            return false;
        }
    }
    return true;
}

TEST(PlaneCompute, TheSameBitsOnOneThreadOrTwo) {
    const auto code = plane::PlaneCode::make({plane::Mode::Forcing, Map(), "AABAB", ""}).code;
    const plane::Grid grid{2.5, 4, 2.5, 4, 53, 21};
    explore::PlanePixels one, two;
    tbb::task_arena(1).execute([&] { explore::computePlane(*code, {0.5, 300, 300}, grid, one); });
    tbb::task_arena(2).execute([&] { explore::computePlane(*code, {0.5, 300, 300}, grid, two); });
    EXPECT_TRUE(sameBits(one, two));
    // Stopped at once, it says so.
    explore::PlanePixels stopped;
    EXPECT_FALSE(explore::computePlane(*code, {0.5, 300, 300}, grid, stopped, [] { return false; }));
}

TEST_F(Plane, OpensFromTheMainWindowAndATypedMapDrawsTheBuiltInPlane) {
    ui.window("Form1").click("mnuLogistic");
    explore::PlaneWindow* w = open();
    EXPECT_EQ(w->windowTitle(), "Parameter plane: a*x*(1-x), sequence AB");
    ASSERT_TRUE(w->isComplete());
    // The same map typed: the plane of the built-in map, bit for bit.
    plane::PlaneMap typed = w->view().map;
    typed.map = *explore::choiceOf("a*x*(1-x)", 2, 4);
    ASSERT_TRUE(w->selectMap(typed));
    w->waitForPicture();
    ASSERT_TRUE(w->isComplete());
    const auto code = plane::PlaneCode::make(plane::PlaneMap{}).code;
    explore::PlanePixels builtIn;
    explore::computePlane(*code, w->view().orbit(), w->pixels()->grid, builtIn);
    EXPECT_TRUE(sameBits(*w->pixels(), builtIn));
    // Undo goes back to the built-in map; Home keeps it.
    w->undo();
    EXPECT_EQ(w->view().map.map, Map::logistic());
}

TEST_F(Plane, CobwebAndExplorerOpenOnOnePassWithTheirCursorsLinked) {
    explore::PlaneWindow* w = open();
    w->cobwebHere();  // no cursor yet: it says what to do
    EXPECT_NE(w->statusMessage().indexOf("Click a point"), -1);
    EXPECT_EQ(wiring.cobweb(), nullptr);
    w->setCursorPoint(3.1, 3.4);
    EXPECT_NE(w->statusMessage().indexOf("A = 3.1, B = 3.4: λ = -"), -1) << w->statusMessage().toStdString();
    w->cobwebHere();
    explore::CobwebWindow* cobweb = wiring.cobweb();
    ASSERT_NE(cobweb, nullptr);
    EXPECT_EQ(cobweb->map(), *w->linkedMap());
    EXPECT_DOUBLE_EQ(cobweb->a(), 3.1);
    w->explorerHere();
    explore::BifurcationWindow* explorer = wiring.bifurcation();
    ASSERT_NE(explorer, nullptr);
    EXPECT_EQ(explorer->view().map, *w->linkedMap());
    EXPECT_EQ(explorer->view().aMin, w->view().pMin);
    EXPECT_EQ(explorer->view().aMax, w->view().pMax);
    ASSERT_TRUE(explorer->cursorA());
    EXPECT_DOUBLE_EQ(*explorer->cursorA(), 3.1);
    // The explorer's a-cursor moves the cobweb's a and the plane's cursor
    // along A; B stays.
    ASSERT_TRUE(QTest::qWaitForWindowExposed(explorer));
    QApplication::processEvents();
    explorer->setCursorColumn(40);
    const double a = *explorer->cursorA();
    EXPECT_NE(a, 3.1);
    EXPECT_DOUBLE_EQ(cobweb->a(), a);
    ASSERT_TRUE(w->model().cursor());
    EXPECT_DOUBLE_EQ(w->model().cursor()->first, a);
    EXPECT_DOUBLE_EQ(w->model().cursor()->second, 3.4);
    // Another map in both unlinks them: the plane's cursor stays.
    explorer->selectMap(Map::sine());
    cobweb->selectMap(Map::sine());
    explorer->setCursorColumn(60);
    EXPECT_DOUBLE_EQ(w->model().cursor()->first, a);
}

TEST_F(Plane, DataFileHasARowAPixelAndTheCircleItsWindingNumbers) {
    explore::PlaneWindow* w = open();
    ASSERT_TRUE(w->selectMap({plane::Mode::TwoParameter, {}, "", ""}));
    w->waitForPicture();
    ASSERT_TRUE(w->isComplete());
    QTemporaryDir dir;
    const std::string path = dir.filePath("plane.csv").toStdString();
    ASSERT_EQ(w->writeData(path).status, platform::ExportOutcome::Status::Written);
    QFile file(QString::fromStdString(path));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
    const plane::Grid& g = w->pixels()->grid;
    int rows = 0, header = -1;
    for (int i = 0; i < lines.size(); ++i) {
        if (lines[i].startsWith('#') || lines[i].startsWith("\"#")) continue;
        if (header < 0) {
            header = i;
            EXPECT_EQ(lines[i], "Omega,K,lambda,period,winding");
            continue;
        }
        ++rows;
    }
    EXPECT_EQ(rows, g.columns * g.rows);
    EXPECT_NE(lines.join('\n').indexOf("sine-circle map"), -1);
}

// A file larger than the window gets pixels of its own, each the colour of
// the point at its centre, not the window's enlarged.
TEST_F(Plane, PictureLargerThanTheWindowIsComputedForItsOwnPixels) {
    explore::PlaneWindow* w = open();
    ASSERT_TRUE(w->isComplete());
    auto* view = w->findChild<explore::PlaneView*>(QStringLiteral("plane"));
    ASSERT_NE(view, nullptr);
    gui::PictureOptions options;
    options.size = gui::PictureOptions::Size::Custom;
    options.customWidth = 1000;
    options.customHeight = 700;
    options.caption = false;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("plane.png"));
    ASSERT_EQ(w->writePicture(path.toStdString(), gui::PictureFormat::Png, options).status,
              platform::ExportOutcome::Status::Written);
    const QImage image(path);
    ASSERT_EQ(image.size(), QSize(1000, 700));
    const QRectF r = explore::PlaneView::plotRectFor(QSizeF(1000, 700), gui::makeLook(view->font(), 1, 1));
    const tools::PlaneView& v = w->view();
    const plane::Grid grid{v.pMin, v.pMax, v.qMin, v.qMax, int(std::lround(r.width())),
                           int(std::lround(r.height()))};
    const auto code = plane::PlaneCode::make(v.map).code;
    int same = 0, samples = 0;
    for (int i = 1; i <= 5; ++i) {
        for (int j = 1; j <= 4; ++j) {
            const int x = int(r.left()) + int(r.width() * i / 6);
            const int y = int(r.top()) + int(r.height() * j / 5);
            const int c = int(std::floor(x + 0.5 - r.left())), row = int(std::floor(y + 0.5 - r.top()));
            const double p = grid.p(c), q = grid.q(row);
            plane::PointOutcome o;
            ASSERT_TRUE(plane::computePoints(*code, v.orbit(), std::span(&p, 1), std::span(&q, 1),
                                             std::span(&o, 1)));
            ++samples;
            if (image.pixel(x, y) == explore::planeColour(o, w->model().colouring()).rgb()) ++same;
        }
    }
    EXPECT_GE(same, samples - 2) << same << " of " << samples;
}

}  // namespace
}  // namespace corvane
