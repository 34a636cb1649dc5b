// The zoom window's numbers: the zoomed orbit as plotted there, the
// difference of two orbits, or the zoomed histogram.
#include <cstdint>
#include <string>

#include "core/numeric/csv.h"
#include "core/numeric/maps.h"
#include "core/numeric/orbit.h"
#include "windows/export.h"
#include "windows/histogram/form3.h"
#include "windows/program.h"
#include "windows/zoom/form2.h"

namespace corvane {

std::string Form2::exportName() const {
    switch (shows.kind) {
        case Form2Shows::Kind::Orbit:
            return "zoom-of-plot-" + std::to_string(shows.number);
        case Form2Shows::Kind::Difference:
            return "difference-of-plots-" + std::to_string(shows.number) + "-and-" +
                   std::to_string(shows.second);
        case Form2Shows::Kind::Histogram:
            return "zoom-of-histogram-" + std::to_string(shows.number);
        case Form2Shows::Kind::Nothing:
            break;
    }
    return "zoom";
}

namespace {

bool writeOrbit(Program& program, CsvWriter& csv, const Form2Shows& s) {
    csv.about({"zoom of plot " + std::to_string(s.number) + " as plotted", mapCaption(s.map),
               "a = " + exactNumber(s.a) + "; x0 = " + exactNumber(s.x0) +
                   "; N = " + std::to_string(s.N)});
    csv.comment("x: the value of iterate n as its point was placed; each iterate is read back "
                "from the chart before the next step");
    csv.header({"n", "x"});
    ExportProgress progress(program, s.N);
    const double a = s.a;
    return withMap(
        s.map, [](double, double x) { return x; },
        [&](auto map) {
            const auto step = [a, map](double x) { return map(a, x); };
            const PlottedOrbitEnd end = forEachPlottedPoint(
                step, s.x0, s.N, s.chart, kExportPollMask,
                [&](std::int64_t n, double y, double) {
                    csv.integer(n);
                    csv.number(y);
                    csv.endRow();
                },
                [&](std::int64_t n) { return progress.stopped(n); });
            return !end.stopped;
        });
}

bool writeDifference(Program& program, CsvWriter& csv, const Form2Shows& s) {
    csv.about({"difference between plots " + std::to_string(s.number) + " and " +
                   std::to_string(s.second),
               mapCaption(s.map),
               "plot " + std::to_string(s.number) + ": a = " + exactNumber(s.a) +
                   "; x0 = " + exactNumber(s.x0) + "; plot " + std::to_string(s.second) +
                   ": a = " + exactNumber(s.a2) + "; x0 = " + exactNumber(s.x02) +
                   "; N = " + std::to_string(s.N) + "; M = " + std::to_string(s.scale)});
    csv.comment("M: the chart shows -M <= d <= M");
    csv.comment("d: iterate n of the first orbit minus iterate n of the second");
    csv.header({"n", "d"});
    ExportProgress progress(program, s.N);
    return withMap(
        s.map, [](double, double) { return 0.0; },
        [&](auto map) {
            double u = s.x0;
            double v = s.x02;
            for (std::int64_t n = 1; n <= s.N; ++n) {
                u = map(s.a, u);
                v = map(s.a2, v);
                csv.integer(n);
                csv.number(u - v);
                csv.endRow();
                if ((n & kExportPollMask) == 0 && progress.stopped(n)) return false;
            }
            return true;
        });
}

}  // namespace

bool Form2::writeData(CsvWriter& csv) {
    switch (shows.kind) {
        case Form2Shows::Kind::Orbit:
            return writeOrbit(program_, csv, shows);
        case Form2Shows::Kind::Difference:
            return writeDifference(program_, csv, shows);
        case Form2Shows::Kind::Histogram: {
            csv.about({"zoom of histogram " + std::to_string(shows.number),
                       mapCaption(shows.histogram.map), "the histogram's on the line below"});
            return writeHistograms(program_, csv, {{shows.number, shows.histogram}});
        }
        case Form2Shows::Kind::Nothing:
            break;
    }
    return false;  // never asked: the window says it has nothing to export
}

}  // namespace corvane
