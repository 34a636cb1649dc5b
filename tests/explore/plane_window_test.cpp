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
#include "explore/plane_window.h"
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

}  // namespace
}  // namespace corvane
