// Counting an orbit into bins and drawing the histogram.
#include <array>
#include <cmath>
#include <cstddef>
#include <new>
#include <string>

#include "core/numeric/bin_count.h"
#include "core/numeric/maps.h"
#include "core/numeric/number_text.h"
#include "windows/histogram/form3.h"
#include "windows/histogram/histogram_bars.h"
#include "windows/program.h"

namespace corvane {

bool Form3::countBins() {
    const std::int32_t m = binCountValue();
    const std::int64_t N = m_.curNValue();
    try {
        binCounts.reset(m, N, maxStoredBins);
        if (m < 1) {
            // No bins: nothing to count and nothing to draw.
            binWidth = 0;
            return true;
        }
        binWidth = 1.0 / m;
        const double a = m_.curA;
        const auto progress = program_.ui.beginProgress("Histogram", N);
        // With no map selected the orbit stays at x0.
        const bool done = withMap(
            m_.funcChoice, [](double, double x) { return x; },
            [&](auto map) {
                const auto step = [a, map](double x) { return map(a, x); };
                return countOrbitInto(binCounts, step, m_.curX0, N, m, binWidth, m_.progressMask,
                                      [&](std::int64_t n) { return progress->poll(n); });
            });
        if (!done) {
            binCounts.release();
            return false;
        }
        binCounts.finish();
        return true;
    } catch (const std::bad_alloc&) {
        binCounts.release();
        program_.ui.MsgBox("Not enough memory for this number of bins.", platform::Buttons::Ok);
        return false;
    }
}

void Form3::findBin(double x, std::int32_t& lo, std::int32_t hi) {
    binCounts.add(bisectBin(x, lo, hi, binWidth));
}

void Form3::plotHisto(platform::Window& objForm, std::int16_t& nShift) {
    const std::int32_t m = binCountValue();
    const double L = m_.chartLeft;
    const double R = m_.chartRight;
    const double B = m_.chartBottom;
    const double T = m_.chartTop;
    const double s = nShift;

    const double barWidth = m >= 1 ? ((R - L) - s) * (1.0 / m) : 0;
    // Bars narrower than a column are merged per column before anything is
    // drawn: the same pass finds the largest count.
    const double column = objForm.twipsPerPixel();
    const bool merged = m >= 1 && barsMerge(barWidth, column);
    BarColumns columns;
    std::int32_t largest = 0;
    if (merged) {
        columns = mergeBarColumns(binCounts, m, L, barWidth, column);
        largest = columns.largest;
    } else if (m >= 1) {
        largest = binCounts.maxBelow(m);
    }
    MaybeNumber maxY = largest;
    if (rescaleTarget == histCount) maxY = userMaxY;
    // A scale of 0 has no height: the histogram's own largest count sets it
    // instead. When that is 0 too there are no bars to draw.
    if (maxY == 0) maxY = largest;

    m_.drawChartAxes(objForm);
    m_.printXEndLabel(objForm, "X");
    printAt(objForm, (L - 50) - objForm.TextWidth("0"), B - objForm.TextHeight("0") / 2, "0");
    const std::string top = maxY.text();
    printAt(objForm, (L - objForm.TextWidth(top)) - 100, (s + T) - objForm.TextHeight(top) / 2,
            top);
    printAt(objForm, L - objForm.TextWidth("0") / 2, B + 20, "0");
    printAt(objForm, (R - s) - objForm.TextWidth("1") / 2, B + 20, "1");
    objForm.Line(R - s, B + 20, R - s, B - 30);
    objForm.Line(L - 20, T + s, L + 30, T + s);

    lastDrawn_ = {placingPlot_, m_.curA, m_.curX0, m_.curNValue(), m, maxY, m_.funcChoice};
    if (m < 1 || maxY == 0) return;
    const BarFrame frame{L, B, T + s, (T - B) + s, barWidth, maxY};
    if (merged) {
        drawColumns(objForm, columns, frame);
    } else {
        drawEveryBar(objForm, binCounts, m, frame);
    }
}

}  // namespace corvane
