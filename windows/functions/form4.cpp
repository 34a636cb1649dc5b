#include "windows/functions/form4.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

#include "core/numeric/maps.h"
#include "core/module1.h"
#include "core/numeric/number_text.h"
#include "core/numeric/segment_clip.h"
#include "windows/main/form1.h"
#include "windows/export.h"
#include "windows/program.h"

namespace corvane {

namespace {

// Curve segments are cut to this distance from the surface's origin, in
// twips (some 7000 inches, far beyond any screen): whatever lies on the
// window is drawn unchanged, while the huge values a map reaches once it has
// left the unit interval never reach the drawing layer, nor the conversion
// to single precision, which could not hold them.
constexpr double kDrawLimit = 1e7;

// Single precision, as the drawing coordinates of this window are.
double single(double v) { return static_cast<float>(v); }

}  // namespace

// The window has no font of its own: it prints in the desktop's default font.
Form4::Form4(Program& program)
    : program_(program),
      m_(program.module),
      win_(program.ui.createWindow("Form4")),
      description_(*win_, "Function graphs", "Graph", "Graphs",
                   "No graphs. Choose a map in the Function menu to draw one.") {
    win_->setTitle("Form4");
    win_->setMenu(program_.guarded({
        {"mnuFunction",
         "Function",
         [this] { mnuFunction_Click(); },
         {{"mnuFL", "Function 1: a*x*(1-x)", [this] { mnuFL_Click(); }, {}},
          {"mnuFS", "Function 2: a*x^2*sin(PI*x)", [this] { mnuFS_Click(); }, {}}}},
        {"mnuClose", "Close", [this] { mnuClose_Click(); }, {}},
        exportMenu(
            program_, *win_, [] { return std::string("function-graphs"); },
            [this](CsvWriter& csv) { return writeData(csv); },
            [this] {
                for (int j = 1; j <= graphCount && j <= 6; ++j) {
                    if (graphs_[j].drawn && graphs_[j].k != 0) return std::string();
                }
                return std::string("There is no graph to export yet.");
            }),
    }));
    // Closed through its frame, the window is gone with its graphs; the next
    // reference loads it again, numbering from panel 1.
    win_->setOnFrameClose([this] { program_.discardForm4(); });
    // Escape does what Close does.
    win_->setOnEscape([this] { program_.runGuarded([this] { mnuClose_Click(); }); });
}

void Form4::Form_Load() {
    win_->setTop(10);
    win_->setLeft(10);
    win_->setWidth(static_cast<float>(program_.ui.screenWidth()));
    win_->setHeight(static_cast<float>(program_.ui.screenHeight()));
    win_->setTitle("Function Graphs");
    graphCount = 0;
}

// Picks up the a standing in the main window; a rejected entry has shown its
// message there, and the graph is drawn with whatever curA holds.
void Form4::mnuFunction_Click() { program_.form1().readData(); }

void Form4::mnuFL_Click() { newGraph(1, ", function 1"); }

void Form4::mnuFS_Click() { newGraph(2, ", function 2"); }

// Only hides: the panel numbering goes on when the window is shown again.
void Form4::mnuClose_Click() { win_->hide(); }

void Form4::newGraph(int func, const std::string& suffix) {
    enterK();
    graphCount = static_cast<std::int16_t>(graphCount + 1);
    if (graphCount == 7) {
        graphCount = 1;
        win_->Cls();
        description_.clear();
    }
    if (graphCount == 1) graphs_.fill({});
    graphFunc = func;
    drawGraphFrame();
    plotGraph();
    const std::string legend = "a=" + m_.curA.text() + ", k=" + std::to_string(curK) + suffix;
    m_.printChartTitle(*win_, legend);
    description_.setPanel(graphCount, legend);
    graphs_[graphCount] = {m_.curA, curK, func, true};
}

void Form4::enterK() {
    auto& ui = program_.ui;
    const std::string text =
        // The program's fixed text: "converlution" is deliberate; do not correct it.
        ui.InputBox("Enter number of converlution k, then click OK", "Input m");
    if (text.empty() || !isNumeric(text)) {
        ui.MsgBox("Enter a valid number", platform::Buttons::Ok);
        curK = 0;
        return;
    }
    // A number beyond the 16-bit range is refused like one below 1.
    const auto k = toInt16(text);
    if (k && *k > 0) {
        curK = *k;
        return;
    }
    ui.MsgBox("Invalid number.", platform::Buttons::Ok);
    curK = 0;
}

void Form4::drawGraphFrame() {
    m_.setPanelOrigin(graphCount, *win_);
    m_.completePanelGeometry();
    m_.drawChartAxes(*win_);
    const double left = m_.chartLeft;
    const double bottom = m_.chartBottom;
    const double right = m_.chartRight;
    const double top = m_.chartTop;
    const double axisX = m_.axisX;
    printAt(*win_, single(right + 50), single(bottom - 120), "x");
    printAt(*win_, single(left - 20), single(top - 220), "y");
    printAt(*win_, single(left), single(bottom + 20), "0");
    printAt(*win_, single(left - 150), single(bottom - 120), "0");
    printAt(*win_, single(right - 30), single(bottom + 20), "1");
    printAt(*win_, single(axisX - 120), single(top - 40), "1");
    win_->Line(single(left), single(bottom), single(right), single(top));
}

void Form4::plotGraph() {
    nSteps = 100;
    const double h = 1.0 / nSteps;
    if (curK == 0) return;
    const double left = m_.chartLeft;
    const double bottom = m_.chartBottom;
    const double right = m_.chartRight;
    const double top = m_.chartTop;
    const double a = m_.curA;
    const int func = graphFunc == 1 ? 1 : graphFunc == 2 ? 2 : 0;
    const int k = curK;
    const std::int64_t steps = static_cast<std::int64_t>(nSteps.value());

    // The band of chart heights whose points lie within kDrawLimit of the
    // surface's origin, and the surface y of each of its two edges.
    const double height = bottom - top;
    double low = -DBL_MAX, high = DBL_MAX;
    double lowEdgeY = top, highEdgeY = top;  // a chart without height is a line
    if (height != 0) {
        const double atPlus = 1 - (kDrawLimit - top) / height;
        const double atMinus = 1 + (kDrawLimit + top) / height;
        low = std::min(atPlus, atMinus);
        high = std::max(atPlus, atMinus);
        lowEdgeY = atPlus < atMinus ? kDrawLimit : -kDrawLimit;
        highEdgeY = -lowEdgeY;
    }
    const auto inside = [&](double y) { return y >= low && y <= high; };
    const auto edgeY = [&](double y) { return y < low ? lowEdgeY : highEdgeY; };

    // The curve starts at the chart's lower-left corner, the graph point (0, 0),
    // which both maps keep.
    double prevYValue = 0;
    double prevX = left;
    double prevY = bottom;
    for (std::int64_t i = 1; i <= steps; ++i) {
        const double x = h * static_cast<double>(i);
        const double y = iterateMap(func, a, k, x);
        // Once an iterate has left the double range the curve ends at its last
        // finite point.
        if (!std::isfinite(y)) break;
        const double X = right - (right - left) * (1 - x);
        // Far outside the band this may overflow; it is used only inside it.
        const double Y = top - (top - bottom) * (1 - y);
        if (const auto part = clipToBand(prevYValue, y, low, high)) {
            double x1 = prevX, y1 = prevY, x2 = X, y2 = Y;
            if (!inside(prevYValue)) {
                x1 = prevX + part->t0 * (X - prevX);
                y1 = edgeY(prevYValue);
            }
            if (!inside(y)) {
                x2 = prevX + part->t1 * (X - prevX);
                y2 = edgeY(y);
            }
            win_->Line(single(x1), single(y1), single(x2), single(y2));
        }
        prevYValue = y;
        prevX = X;
        prevY = Y;
    }
}

bool Form4::writeData(CsvWriter& csv) {
    std::vector<int> maps;
    for (int j = 1; j <= graphCount && j <= 6; ++j) {
        if (graphs_[j].drawn) maps.push_back(graphs_[j].map);
    }
    csv.about({"the graphs y = f^k(x) of the function graph window", distinctCaptions(maps),
               "each graph's on a line below"});
    for (int j = 1; j <= graphCount && j <= 6; ++j) {
        const Graph& g = graphs_[j];
        if (!g.drawn) continue;
        csv.comment("graph " + std::to_string(j) + ": a = " + exactNumber(g.a) +
                    "; k = " + std::to_string(g.k) + "; map = " + mapCaption(g.map) +
                    (g.k == 0 ? " (no curve: k was not accepted)" : ""));
    }
    csv.comment("the polyline points from x = 0 to 1 in steps of 1/100; the curve ends before "
                "the first y that is not a number");
    csv.header({"graph", "x", "y"});
    for (int j = 1; j <= graphCount && j <= 6; ++j) {
        const Graph& g = graphs_[j];
        if (!g.drawn || g.k == 0) continue;
        const double h = 1.0 / 100;
        for (int i = 0; i <= 100; ++i) {
            const double x = h * static_cast<double>(i);
            csv.integer(j);
            csv.number(x);
            csv.number(iterateMap(g.map, g.a, g.k, x));
            csv.endRow();
        }
    }
    return true;
}

}  // namespace corvane
