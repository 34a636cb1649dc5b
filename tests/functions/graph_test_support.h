// The function graph window under test: opening it, drawing graphs and
// reading back what each panel shows.
#pragma once

#include <cmath>
#include <string>
#include <vector>

#include "tests/support/program_test.h"

namespace corvane::testing {

// Surface coordinates, in twips, and the box within which curve segments are
// handed to the drawing layer.
inline constexpr double kBox = 1e7;

struct Chart {
    double left, bottom, right, top;
};

// One graph as it stands on the surface: two axes, six labels, the diagonal,
// the curve and the title.
struct Graph {
    std::vector<DrawOp> axes;
    std::vector<DrawOp> labels;
    DrawOp diagonal{DrawOp::Kind::Line, 0, 0, 0, 0, {}, false};
    std::vector<DrawOp> curve;
    std::string title;
};

// A point of the graph of f^k in chart units, i = 1 .. 100.
struct GraphPoint {
    double x, y;
};

// The points of y = f^k(x) at x = 0.01·i, i = 1 .. 100, the map written out
// as the window's help text gives it, up to the first value that is not
// finite.
inline std::vector<GraphPoint> referencePoints(int map, double a, int k) {
    const double pi = 3.14159265358979;
    std::vector<GraphPoint> points;
    for (int i = 1; i <= 100; ++i) {
        const double x = 0.01 * i;
        double y = x;
        for (int j = 0; j < k; ++j) {
            y = map == 1 ? (y * a) * (1 - y) : ((y * a) * y) * std::sin(y * pi);
        }
        if (!std::isfinite(y)) break;
        points.push_back({x, y});
    }
    return points;
}

class FunctionGraphs : public ProgramTest {
protected:
    // Chooses "FunctionGraph" in the main window.
    FakeWindow& openGraphs() {
        form1().click("mnuFGraph");
        return win("Form4");
    }
    FakeWindow& graphs() { return win("Form4"); }

    // Opens the Function menu (which reads the main window's fields), then
    // chooses map 1 or 2 and answers the k prompt.
    void graph(int map, const std::string& k) {
        graphs().open("mnuFunction");
        ui.answerInput(k);
        graphs().click(map == 1 ? "mnuFL" : "mnuFS");
    }
    // Types a with a valid x0 and N into the main window.
    void typeA(const std::string& a) { type(a, "0.5", "10"); }

    // Panel k of the function graph window, from the layout alone.
    Chart panel(int k) {
        const Module1& mod = m();
        const double h = graphs().ScaleHeight();
        const double column = (k - 1) % 3;
        const double left = column * mod.panelWidth + (column + 1) * mod.panelMarginX;
        const double bottom = k <= 3 ? ((h - mod.panelMarginY) - mod.panelHeight) - 300 : h - 200;
        return {left, bottom, left + mod.panelWidth, bottom - mod.panelHeight};
    }

    // The graphs drawn since the window was last cleared, in drawing order.
    std::vector<Graph> drawnGraphs();
    // The only graph on the surface.
    Graph onlyGraph();

    // The curve matches f^k of the map with this a in this chart: every
    // segment that reaches the box around the surface is drawn, whole when
    // both ends lie in the box (exactly at the points, in single precision),
    // otherwise cut at the box edge along its own line; the curve ends at the
    // last finite value.
    void expectCurve(const Graph& g, const Chart& c, int map, double a, int k);
    // Axes, labels and diagonal of a graph in this chart.
    void expectFrame(const Graph& g, const Chart& c);
};

}  // namespace corvane::testing
