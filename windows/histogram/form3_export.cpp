// The histogram window's numbers: each histogram's record and its counts.
#include <cstdint>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "core/numeric/bin_count.h"
#include "core/numeric/bin_counters.h"
#include "core/numeric/csv.h"
#include "core/numeric/maps.h"
#include "windows/export.h"
#include "windows/histogram/form3.h"
#include "windows/program.h"

namespace corvane {

namespace {

// Above this many bins only those holding a count are written.
constexpr std::int32_t kEveryBinLimit = 1000000;

}  // namespace

// Each histogram is counted again from its record, exactly as it was
// counted for drawing, with the map it was drawn with.
bool writeHistograms(Program& program, CsvWriter& csv,
                     const std::vector<std::pair<int, HistogramRecord>>& histograms) {
    std::int64_t total = 0;
    for (const auto& [j, r] : histograms) {
        csv.comment("histogram " + std::to_string(j) + ": plot " + std::to_string(r.plot) +
                    "; a = " + exactNumber(r.a) + "; x0 = " + exactNumber(r.x0) +
                    "; N = " + std::to_string(r.N) + "; m = " + std::to_string(r.m) +
                    "; maximum = " + exactNumber(r.maxY) + "; map = " + mapCaption(r.map));
        total += r.N;
    }
    for (const auto& [j, r] : histograms) {
        if (r.m > kEveryBinLimit) {
            csv.comment("histogram " + std::to_string(j) +
                        ": more than 1000000 bins; only those holding a count are written");
        }
    }
    csv.comment("bin j < m counts the iterates x with lower <= x < upper; bin m counts those "
                "from m/m up to 1; iterates outside [0 1] are not counted");
    csv.header({"histogram", "bin", "lower", "upper", "count"});
    ExportProgress progress(program, total);
    std::int64_t done = 0;
    for (const auto& histogram : histograms) {
        const int j = histogram.first;
        const HistogramRecord& r = histogram.second;
        if (r.m < 1) continue;
        BinCounters counts;
        try {
            counts.reset(r.m, r.N);
        } catch (const std::bad_alloc&) {
            throw std::runtime_error("not enough memory to count histogram " + std::to_string(j));
        }
        const double binWidth = 1.0 / r.m;
        const double a = r.a;
        const bool counted = withMap(
            r.map, [](double, double x) { return x; },
            [&](auto map) {
                const auto step = [a, map](double x) { return map(a, x); };
                return countOrbitInto(counts, step, r.x0, r.N, r.m, binWidth, kExportPollMask,
                                      [&](std::int64_t n) { return progress.stopped(done + n); });
            });
        if (!counted) return false;
        done += r.N;
        counts.finish();
        std::int64_t rows = 0;
        const auto row = [&](std::int32_t bin, std::int32_t count, double upper) {
            csv.integer(j);
            csv.integer(bin);
            csv.number(binEdge(bin, binWidth));
            csv.number(upper);
            csv.integer(count);
            csv.endRow();
            return (++rows & kExportPollMask) == 0 && progress.stopped(done);
        };
        if (r.m <= kEveryBinLimit) {
            for (std::int32_t bin = 0; bin < r.m; ++bin) {
                if (row(bin, counts.at(bin), binEdge(std::int64_t{bin} + 1, binWidth))) return false;
            }
        } else {
            bool stop = false;
            counts.forEachNonEmpty(r.m, [&](std::int32_t bin, std::int32_t count) {
                if (!stop) stop = row(bin, count, binEdge(std::int64_t{bin} + 1, binWidth));
            });
            if (stop) return false;
        }
        // Counter m: the iterates at the upper end.
        if (row(r.m, counts.at(r.m), 1.0)) return false;
    }
    return true;
}

bool Form3::writeData(CsvWriter& csv) {
    std::vector<std::pair<int, HistogramRecord>> histograms;
    std::vector<int> maps;
    for (int j = 1; j <= histCountValue() && j <= 6; ++j) {
        if (drawn_[j]) {
            histograms.emplace_back(j, records_[j]);
            maps.push_back(records_[j].map);
        }
    }
    csv.about({"the histograms of the histogram window", distinctCaptions(maps),
               "each histogram's on a line below"});
    return writeHistograms(program_, csv, histograms);
}

}  // namespace corvane
