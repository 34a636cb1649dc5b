// Difference of two orbits in Form2.
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "core/maps.h"
#include "core/number_text.h"
#include "core/point_batch.h"
#include "windows/main/form1.h"
#include "windows/program.h"
#include "windows/zoom/form2.h"

namespace corvane {

namespace {

// The half-range M of the scale stays where M + 1 still fits its 32-bit integer.
constexpr std::int32_t kLargestScale = std::numeric_limits<std::int32_t>::max() - 1;

// One iterate with the selected map; with no map selected nothing is
// computed and the iterate is 0, so every difference is 0.
double nextIterate(int choice, double a, double x) {
    if (choice != 1 && choice != 2) return 0;
    return applyMap(choice, a, x);
}

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

    m_.curA = m_.slotA[i];
    m_.curX0 = m_.slotX0[i];
    m_.curN = m_.slotN[i];
    const double a1 = m_.curA;
    const double x01 = m_.curX0;
    const std::int32_t n1 = m_.curNValue();
    m_.curA = m_.slotA[j];
    m_.curX0 = m_.slotX0[j];
    m_.curN = m_.slotN[j];
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

    // An orbit that left the double range gives no difference to scale by.
    std::int32_t M = 0;
    double u = x01;
    double v = x02;
    for (std::int64_t n = 1; n <= N; ++n) {
        const double un = nextIterate(choice, a1, u);
        const double vn = nextIterate(choice, a2, v);
        const double d = un - vn;
        if (std::isfinite(d) && std::fabs(d) > M) M = scaleFor(std::fabs(d));
        u = un;
        v = vn;
        if ((n & mask) == 0 && progress->poll(n)) return;
    }
    M += 1;
    diffScale = M;

    platform::Window& target = program_.form2().window();
    const double left = m_.chartLeft;
    const double right = m_.chartRight;
    const double bottom = m_.chartBottom;
    const double top = m_.chartTop;
    u = x01;
    v = x02;
    PointBatch points(target);
    // Dividing by a power of two is the same as multiplying by its
    // reciprocal, bit for bit; the usual scales 1 and 2 need no division.
    const double scale = M;
    const bool powerOfTwo = (M & (M - 1)) == 0;
    const double perScale = 1.0 / scale;
    for (std::int64_t n = 1; n <= N; ++n) {
        const double un = nextIterate(choice, a1, u);
        const double vn = nextIterate(choice, a2, v);
        const double d = un - vn;
        // Only a scale that had to stop at its largest value leaves differences
        // beyond it; they lie outside the chart and are not drawn.
        if (std::isfinite(d) && std::fabs(d) <= scale) {
            const double px =
                left + ((right - left) * static_cast<double>(n)) / static_cast<double>(N);
            const double half = ((bottom - top) * (d + scale)) / 2;
            const double py = bottom - (powerOfTwo ? half * perScale : half / scale);
            points.add(px, py);
        }
        u = un;
        v = vn;
        if ((n & mask) == 0) {
            points.flush();
            if (progress->poll(N + n)) {
                points.discard();
                target.Cls();  // stopped by the user: no half-drawn chart is left
                return;
            }
        }
    }
    points.flush();

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
