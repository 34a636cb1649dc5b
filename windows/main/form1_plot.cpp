// Orbits in the six panels, clearing, exit and printing.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

#include "core/numeric/maps.h"
#include "core/numeric/orbit.h"
#include "core/numeric/number_text.h"
#include "core/point_batch.h"
#include "windows/main/form1.h"
#include "windows/program.h"
#include "windows/zoom/form2.h"

namespace corvane {

void Form1::mnuPlot_Click() {
    auto& ui = program_.ui;
    if (m_.funcChoice == 0) {
        ui.MsgBox("Please choose a function", platform::Buttons::Ok);
        return;
    }
    readData();
    if (!dataOk) return;
    m_.plotCount = static_cast<std::int16_t>(m_.plotCount + 1);
    if (m_.plotCount > 6) {
        const auto answer = ui.MsgBox(
            "This window only fits up to six plots.\rDo you want to erase the previous plots?",
            platform::Buttons::YesNo);
        if (answer != platform::Answer::Yes) {
            m_.plotCount = static_cast<std::int16_t>(m_.plotCount - 1);
            return;
        }
        win_->Cls();
        description_.clear();
        m_.plotCount = static_cast<std::int16_t>(m_.plotCount - 6);
    }
    const int k = m_.plotCount;
    m_.setPanelOrigin(k, *win_);
    m_.completePanelGeometry();
    try {
        plotOrbit(*win_);
        const std::string legend = m_.orbitLegend(k);
        m_.printChartTitle(*win_, legend);
        description_.setPanel(k, legend);
    } catch (...) {
        // A plot that failed half-way takes no panel: the next one is drawn
        // over it, and its slot keeps what it held.
        m_.plotCount = static_cast<std::int16_t>(k - 1);
        throw;
    }
    m_.slotA[k] = m_.curA;
    m_.slotX0[k] = m_.curX0;
    m_.slotN[k] = m_.curNValue();
    m_.slotDrawing[k] = {m_.funcChoice, m_.chartBottom, m_.chartBottom - m_.chartTop};
}

void Form1::plotOrbit(platform::Window& objForm) {
    const double a = m_.curA;
    const int choice = m_.funcChoice;
    const std::int64_t N = m_.curNValue();
    const double left = m_.chartLeft;
    const double right = m_.chartRight;
    const double bottom = m_.chartBottom;
    const double top = m_.chartTop;
    const std::int64_t mask = m_.progressMask;
    const auto progress = program_.ui.beginProgress("Corvane", N);
    StretchDrawing drawing(objForm, StepAxis(left, right, N));
    const OrbitChart chart{bottom, bottom - top};
    double x = m_.curX0;
    lastOrbitEnd = {0, x};
    // With no map selected the orbit stays where it is.
    withMap(
        choice, [](double, double x) { return x; },
        [&](auto map) {
            const auto step = [a, map](double v) { return map(a, v); };
            for (std::int64_t n = 1; n <= N; ++n) {
                const std::int64_t last = n + std::min(N - n, kStretch - 1);
                const OrbitStretch stretch = drawing.run(n, last, [&](auto& points) {
                    return orbitStretch(step, x, n, last, mask, chart, points);
                });
                x = stretch.x;
                n = stretch.n;
                lastOrbitEnd = {stretch.offChart ? n - 1 : n, x};
                if (stretch.offChart) {
                    // The program's fixed text: "occured" and "ploted" are spelled so on
                    // purpose, as users and their handouts know them. Do not correct them.
                    program_.ui.MsgBox("An overflow has occured. Only points up to " +
                                           std::to_string(n - 1) + " are ploted.",
                                       platform::Buttons::Ok);
                    m_.curN = static_cast<double>(n - 1);
                    return;
                }
                // A repaint during the poll shows the orbit so far.
                if ((n & mask) == 0 && progress->poll(n)) {
                    m_.curN = static_cast<double>(n);  // stopped by the user: keep what is drawn
                    return;
                }
            }
        });
    drawOrbitAxes(objForm);
}

void Form1::drawOrbitAxes(platform::Window& objForm) {
    const double left = m_.chartLeft;
    const double bottom = m_.chartBottom;
    const double top = m_.chartTop;
    // A label ending 20 twips left of the y-axis, centred on a tick of 100
    // twips pointing into the chart (half its height in single precision).
    const auto mark = [&](const char* label, double y) {
        const float half = static_cast<float>(objForm.TextHeight(label)) / 2.0f;
        printAt(objForm, (left - objForm.TextWidth(label)) - 20, y - half, label);
        objForm.Line(left, y, left + 100, y);
    };
    mark("0", bottom - (bottom - top) / 6);
    mark("1", bottom - ((bottom - top) * 5) / 6);
    m_.drawChartAxes(objForm);
    m_.printYTopLabel(objForm, "Xn");
    m_.printXEndLabel(objForm, "N");
}

void Form1::mnuClear_Click() {
    win_->Cls();
    description_.clear();
    m_.plotCount = 0;
}

void Form1::mnuExit_Click() { program_.ui.endProgram(); }

void Form1::mnuPrintPlots_Click() { m_.printWindow(*win_); }

void Form1::mnuPrintDiff_Click() { m_.printWindow(program_.form2().window()); }

}  // namespace corvane
