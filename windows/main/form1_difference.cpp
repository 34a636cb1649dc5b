// Difference of two orbits in Form2.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "core/numeric/maps.h"
#include "core/numeric/number_text.h"
#include "core/point_batch.h"
#include "windows/main/form1.h"
#include "windows/program.h"
#include "windows/zoom/form2.h"

namespace corvane {

namespace {

// The half-range M of the scale stays where M + 1 still fits its 32-bit integer.
constexpr std::int32_t kLargestScale = std::numeric_limits<std::int32_t>::max() - 1;

// |d| to the nearest integer, an exact half to the even neighbour.
std::int32_t scaleFor(double magnitude) {
    const double rounded = std::nearbyint(magnitude);
    if (rounded >= kLargestScale) return kLargestScale;
    return static_cast<std::int32_t>(rounded);
}

// An answer as typed: its number when it is one, otherwise nothing.
MaybeNumber rawAnswer(const std::string& text) {
    const auto value = toDouble(text);
    return value ? MaybeNumber(*value) : MaybeNumber();
}

// The two orbits side by side, at iterate n.
struct Orbits {
    double u;
    double v;
    std::int64_t n;
};

// Both passes go in stretches: from iterate n + 1 up to the next poll step
// or `last`. A stretch is a function of its own with no call in it (other
// than the map's sine), so the chains u and v stay in registers however the
// caller's loop with its polls and messages is compiled.

// The first pass: the largest finite |u - v| so far, through the stretch.
template <class Map>
[[gnu::noinline]] Orbits scanStretch(Map map, double a1, double a2, Orbits at, std::int64_t last,
                                     std::int64_t mask, double& largest) {
    clearUpperVectorState();
    double u = at.u;
    double v = at.v;
    double most = largest;
    std::int64_t n = at.n;
    do {
        ++n;
        const double un = map(a1, u);
        const double vn = map(a2, v);
        // NaN and the infinities fail the first comparison.
        const double size = std::fabs(un - vn);
        if (size <= std::numeric_limits<double>::max() && size > most) most = size;
        u = un;
        v = vn;
    } while (n != last && (n & mask) != 0);
    largest = most;
    return {u, v, n};
}

// The vertical scale of the chart: from bottom - height at d = scale down to
// bottom at d = -scale.
struct DifferenceScale {
    double bottom;
    double height;  // bottom - top
    double scale;
    double perScale;  // 1 / scale
};

// The second pass: the points of the stretch go to `out`. Dividing by a power
// of two is the same as multiplying by its reciprocal, bit for bit; the usual
// scales 1 and 2 need no division.
template <bool powerOfTwo, class Map, class Points>
[[gnu::noinline]] Orbits drawStretch(Map map, double a1, double a2, Orbits at, std::int64_t last,
                                     std::int64_t mask, DifferenceScale chart, Points& out) {
    clearUpperVectorState();
    Points points = out;
    double u = at.u;
    double v = at.v;
    std::int64_t n = at.n;
    do {
        ++n;
        const double un = map(a1, u);
        const double vn = map(a2, v);
        const double d = un - vn;
        // Only a scale that had to stop at its largest value leaves
        // differences beyond it; they lie outside the chart and are not
        // drawn. NaN and the infinities fail the comparison too.
        if (std::fabs(d) <= chart.scale) [[likely]] {
            const double half = (chart.height * (d + chart.scale)) / 2;
            points.put(n, chart.bottom - (powerOfTwo ? half * chart.perScale : half / chart.scale));
        }
        u = un;
        v = vn;
    } while (n != last && (n & mask) != 0);
    out = points;
    return {u, v, n};
}

}  // namespace

void Form1::mnuDifference_Click() {
    auto& ui = program_.ui;
    if (m_.plotCount < 2) {
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
    form2.window().Cls();
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
            const std::int32_t M = scaleFor(largest) + 1;
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
                if ((at.n & mask) == 0 && progress->poll(N + at.n)) {
                    target.Cls();  // stopped by the user: no half-drawn chart is left
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
