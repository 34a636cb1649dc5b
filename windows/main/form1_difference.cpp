// Difference of two orbits in Form2.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "core/numeric/maps.h"
#include "core/numeric/orbit.h"
#include "core/numeric/number_text.h"
#include "core/point_batch.h"
#include "windows/main/form1.h"
#include "windows/program.h"
#include "windows/zoom/form2.h"

namespace corvane {

namespace {

// An answer as typed: its number when it is one, otherwise nothing.
MaybeNumber rawAnswer(const std::string& text) {
    const auto value = toDouble(text);
    return value ? MaybeNumber(*value) : MaybeNumber();
}

}  // namespace

void Form1::mnuDifference_Click() {
    auto& ui = program_.ui;
    if (m_.plotCount < 2) {
        // The program's fixed text: "two plot" is deliberate; do not correct it.
        ui.MsgBox("You need at least two plot to see the difference", platform::Buttons::Ok);
        return;
    }
    // Both questions are asked before either answer is looked at.
    const std::string firstText =
        ui.InputBox("Enter number of first plot (1-6), then click OK", "Choose first corvane");
    const std::string secondText =
        ui.InputBox("Enter number of second plot (1-6), then click OK", "Choose second corvane");
    firstPlotNo = rawAnswer(firstText);
    secondPlotNo = rawAnswer(secondText);
    if (firstText.empty() || secondText.empty()) return;
    if (!isNumeric(firstText) || !isNumeric(secondText)) {
        ui.MsgBox("Invalid number", platform::Buttons::Ok);
        return;
    }
    // A number too large for a plot number is out of range like any other.
    const auto i = toInt16(firstText);
    const auto j = toInt16(secondText);
    if (!i || !j || *i < 1 || *i > m_.plotCount || *j < 1 || *j > m_.plotCount) {
        ui.MsgBox("Invalid number", platform::Buttons::Ok);
        return;
    }
    firstPlotNo = *i;
    secondPlotNo = *j;
    Form2& form2 = program_.form2();
    form2.clearSurface();
    m_.setSingleChartGeometry(form2.window());
    bool ok = false;
    plotDifference(ok);
    if (!ok) return;  // Form2 stays cleared, under its old title, as it was shown or hidden
    form2.showChart(
        "delta a = " + m_.deltaA.text() + ", delta x0 = " + m_.deltaX0.text(),
        "Difference between plots " + std::to_string(*i) + " and " + std::to_string(*j));
}

// Both orbits are recomputed from their slots in full double precision, with
// no range check: a first pass finds the scale, a second draws d = u - v.
void Form1::plotDifference(bool& ok) {
    ok = false;
    const double first = firstPlotNo;
    const double second = secondPlotNo;
    if (!(first >= 1 && first <= 6 && second >= 1 && second <= 6)) return;
    const int i = static_cast<int>(first);
    const int j = static_cast<int>(second);

    m_.loadSlot(i);
    const double a1 = m_.curA;
    const double x01 = m_.curX0;
    const std::int32_t n1 = m_.curNValue();
    m_.loadSlot(j);
    const double a2 = m_.curA;
    const double x02 = m_.curX0;
    const std::int64_t N = m_.curNValue();
    if (N != n1) {
        program_.ui.MsgBox("N must be same for the two plots", platform::Buttons::Ok);
        return;
    }

    const int choice = m_.funcChoice;
    const std::int64_t mask = m_.progressMask;
    const auto progress = program_.ui.beginProgress("Difference", 2 * N);
    lastOrbitEnd = {0, x01};

    // False when the user stopped it.
    // With no map selected nothing is computed and every iterate is 0, so
    // every difference is 0.
    const bool done = withMap(
        choice, [](double, double) { return 0.0; },
        [&](auto map) {
            // The first pass finds the largest finite |u - v|; the scale is that
            // to the nearest integer. It is the number that raising the scale,
            // difference by difference, to each one above it would end with:
            // rounding is monotone and leaves integers as they are.
            double largest = 0;
            for (Orbits at{x01, x02, 0}; at.n < N;) {
                at = scanStretch(map, a1, a2, at, N, mask, largest);
                if ((at.n & mask) == 0 && progress->poll(at.n)) return false;
            }
            // An orbit that left the double range gives no difference to scale by.
            const std::int32_t M = differenceScaleFor(largest) + 1;
            diffScale = M;

            platform::Window& target = program_.form2().window();
            const double left = m_.chartLeft;
            const double right = m_.chartRight;
            const double bottom = m_.chartBottom;
            const double top = m_.chartTop;
            StretchDrawing drawing(target, StepAxis(left, right, N));
            const DifferenceScale chart{bottom, bottom - top, static_cast<double>(M), 1.0 / M};
            const bool powerOfTwo = (M & (M - 1)) == 0;
            for (Orbits at{x01, x02, 0}; at.n < N;) {
                const std::int64_t last = at.n + std::min(N - at.n, kStretch);
                at = drawing.run(at.n + 1, last, [&](auto& points) {
                    return powerOfTwo
                               ? drawStretch<true>(map, a1, a2, at, last, mask, chart, points)
                               : drawStretch<false>(map, a1, a2, at, last, mask, chart, points);
                });
                lastOrbitEnd = {at.n, at.u};
                if ((at.n & mask) == 0 && progress->poll(N + at.n)) {
                    // Stopped by the user: no half-drawn chart is left.
                    program_.form2().clearSurface();
                    return false;
                }
            }
            return true;
        });
    if (!done) return;

    m_.deltaA = a1 - a2;
    m_.deltaX0 = x01 - x02;
    drawDifferenceAxes();
    ok = true;
    program_.form2().shows = {Form2Shows::Kind::Difference, i, j, a1, x01, a2, x02, N, choice,
                              OrbitChart{0, 0}, diffScale, {}};
}

void Form1::drawDifferenceAxes() {
    platform::Window& target = program_.form2().window();
    const double left = m_.chartLeft;
    const double bottom = m_.chartBottom;
    const double top = m_.chartTop;
    const std::string low = "-" + std::to_string(diffScale);
    printAt(target, (left - target.TextWidth(low)) - 20, bottom - target.TextHeight(low) / 2, low);
    printAt(target, (left - target.TextWidth("0")) - 20,
            (bottom + top) / 2 - target.TextHeight("0") / 2, "0");
    m_.drawChartAxes(target);
    m_.printYTopLabel(target, "Xn");
    m_.printXEndLabel(target, "N");
}

}  // namespace corvane
