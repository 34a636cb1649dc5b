#include "windows/histogram/histogram_bars.h"

namespace corvane {

void drawEveryBar(platform::Window& objForm, const BinCounters& counts, std::int32_t m,
                  const BarFrame& frame) {
    for (std::int64_t i = 0; i < m; ++i) {
        const double top = barTop(frame, counts.at(static_cast<std::int32_t>(i)));
        objForm.Box(barEdge(frame.left, frame.barWidth, i), top,
                    barEdge(frame.left, frame.barWidth, i + 1), frame.bottom, true);
    }
}

void drawColumns(platform::Window& objForm, const BarColumns& columns, const BarFrame& frame) {
    for (const BarColumn& c : columns.columns) {
        objForm.Box(c.from, barTop(frame, c.tallest), c.to, frame.bottom, true);
    }
}

void drawBarColumns(platform::Window& objForm, const BinCounters& counts, std::int32_t m,
                    const BarFrame& frame) {
    drawColumns(objForm,
                mergeBarColumns(counts, m, frame.left, frame.barWidth, objForm.twipsPerPixel()),
                frame);
}

}  // namespace corvane
