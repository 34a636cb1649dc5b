// The main window's numbers: the orbit of each panel in use, as plotted.
#include <cstdint>
#include <string>
#include <vector>

#include "core/numeric/csv.h"
#include "core/numeric/maps.h"
#include "core/numeric/orbit.h"
#include "windows/export.h"
#include "windows/main/form1.h"
#include "windows/program.h"

namespace corvane {

// Each panel's orbit is recomputed from its slot with the map it was drawn
// with, in the chart it was drawn in: x is the value each point was placed
// from, the orbit going on from the value read back from the chart.
bool Form1::writeData(CsvWriter& csv) {
    const int panels = m_.plotCount;
    std::vector<int> maps;
    for (int k = 1; k <= panels; ++k) maps.push_back(m_.slotDrawing[k].map);
    csv.about({"the orbits of the main window as plotted", distinctCaptions(maps),
               "each plot's on a line below"});
    std::int64_t total = 0;
    for (int k = 1; k <= panels; ++k) {
        const auto& drawing = m_.slotDrawing[k];
        csv.comment("plot " + std::to_string(k) + ": a = " + exactNumber(m_.slotA[k]) +
                    "; x0 = " + exactNumber(m_.slotX0[k]) + "; N = " +
                    std::to_string(m_.slotN[k]) + "; map = " + mapCaption(drawing.map));
        total += m_.slotN[k];
    }
    csv.comment("x: the value of iterate n as its point was placed; each iterate is read back "
                "from the chart before the next step");
    csv.header({"plot", "n", "x"});
    ExportProgress progress(program_, total);
    std::int64_t done = 0;
    for (int k = 1; k <= panels; ++k) {
        const auto& drawing = m_.slotDrawing[k];
        const double a = m_.slotA[k];
        const OrbitChart chart{drawing.chartBottom, drawing.chartHeight};
        const bool finished = withMap(
            drawing.map, [](double, double x) { return x; },
            [&](auto map) {
                const auto step = [a, map](double x) { return map(a, x); };
                const PlottedOrbitEnd end = forEachPlottedPoint(
                    step, m_.slotX0[k], m_.slotN[k], chart, kExportPollMask,
                    [&](std::int64_t n, double y, double) {
                        csv.integer(k);
                        csv.integer(n);
                        csv.number(y);
                        csv.endRow();
                    },
                    [&](std::int64_t n) { return progress.stopped(done + n); });
                done += end.lastDrawn;
                return !end.stopped;
            });
        if (!finished) return false;
    }
    return true;
}

}  // namespace corvane
