// Counting an orbit into bins and drawing the histogram.
#include <cmath>
#include <new>
#include <string>

#include "core/maps.h"
#include "core/number_text.h"
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
        const int choice = m_.funcChoice;
        const std::int64_t mask = m_.progressMask;
        const auto progress = program_.ui.beginProgress("Histogram", N);
        double x = m_.curX0;
        for (std::int64_t n = 1; n <= N; ++n) {
            const double y = applyMap(choice, a, x);
            // Far outside [0, 1] the orbit runs off to infinity; nothing after
            // that could be counted.
            if (!std::isfinite(y)) break;
            if (y >= 0 && y <= 1) binCounts.add(locateBin(y, m, binWidth));
            x = y;
            if ((n & mask) == 0 && progress->poll(n)) {
                binCounts.release();
                return false;
            }
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

    const std::int32_t largest = m >= 1 ? binCounts.maxBelow(m) : 0;
    MaybeNumber maxY = largest;
    if (rescaleTarget == histCount) maxY = userMaxY;
    // A scale of 0 has no height: the histogram's own largest count sets it
    // instead. When that is 0 too there are no bars to draw.
    if (maxY == 0) maxY = largest;

    m_.drawChartAxes(objForm);
    m_.printXEndLabel(objForm, "X");
    const double barWidth = m >= 1 ? ((R - L) - s) * (1.0 / m) : 0;
    printAt(objForm, (L - 50) - objForm.TextWidth("0"), B - objForm.TextHeight("0") / 2, "0");
    const std::string top = maxY.text();
    printAt(objForm, (L - objForm.TextWidth(top)) - 100, (s + T) - objForm.TextHeight(top) / 2,
            top);
    printAt(objForm, L - objForm.TextWidth("0") / 2, B + 20, "0");
    printAt(objForm, (R - s) - objForm.TextWidth("1") / 2, B + 20, "1");
    objForm.Line(R - s, B + 20, R - s, B - 30);
    objForm.Line(L - 20, T + s, L + 30, T + s);

    if (m < 1 || maxY == 0) return;
    const BarFrame frame{L, B, T + s, (T - B) + s, barWidth, maxY};
    if (barWidth >= kMinBarTwips) {
        drawEveryBar(objForm, binCounts, m, frame);
    } else {
        drawBarColumns(objForm, binCounts, m, frame);
    }
}

}  // namespace corvane
