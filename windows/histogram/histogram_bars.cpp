#include "windows/histogram/histogram_bars.h"

#include <algorithm>
#include <cmath>

namespace corvane {

namespace {

// Left or right edge of bar i: the integer converted to double times the width.
double barEdge(const BarFrame& frame, std::int64_t i) {
    return frame.left + static_cast<double>(i) * frame.barWidth;
}

}  // namespace

void drawEveryBar(platform::Window& objForm, const BinCounters& counts, std::int32_t m,
                  const BarFrame& frame) {
    for (std::int64_t i = 0; i < m; ++i) {
        const double top = barTop(frame, counts.at(static_cast<std::int32_t>(i)));
        objForm.Box(barEdge(frame, i), top, barEdge(frame, i + 1), frame.bottom, true);
    }
}

void drawBarColumns(platform::Window& objForm, const BinCounters& counts, std::int32_t m,
                    const BarFrame& frame) {
    bool open = false;  // a column is being gathered
    double column = 0;
    double from = 0;
    double to = 0;
    std::int32_t tallest = 0;
    const auto flush = [&] {
        if (open) objForm.Box(from, barTop(frame, tallest), to, frame.bottom, true);
        open = false;
    };
    counts.forEachNonEmpty(m, [&](std::int32_t i, std::int32_t count) {
        const double x1 = barEdge(frame, i);
        const double x2 = barEdge(frame, std::int64_t{i} + 1);
        const double first = std::floor(x1 / kColumnTwips);
        const double last = std::max(first, std::ceil(x2 / kColumnTwips) - 1);
        for (double k = first; k <= last; ++k) {
            const double lo = std::max(x1, k * kColumnTwips);
            const double hi = std::min(x2, (k + 1) * kColumnTwips);
            if (open && k == column) {
                to = std::max(to, hi);
                tallest = std::max(tallest, count);
            } else {
                flush();
                open = true;
                column = k;
                from = lo;
                to = hi;
                tallest = count;
            }
        }
    });
    flush();
}

}  // namespace corvane
