// Exporting the plotted orbit's numbers against plotting it: the same N
// points, once drawn and once written as CSV rows.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "bench/bench_support.h"
#include "core/numeric/csv.h"
#include "core/numeric/orbit.h"
#include "windows/main/form1.h"

namespace corvane::bench {
namespace {

constexpr std::int64_t kExportN = 100'000'000;

// Plots the orbit into panel 1 (the reference), leaving it in slot 1.
Work plotPanel1() {
    Program& p = desktop().program;
    platform::Window& w = p.form1().window();
    w.Cls();
    p.module.plotCount = 0;
    p.module.funcChoice = 1;
    p.form1().Text1->setText("3.9");
    p.form1().Text2->setText("0.2");
    p.form1().Text3->setText(std::to_string(kExportN));
    p.form1().mnuPlot_Click();
    return {p.form1().lastOrbitEnd.steps, p.form1().lastOrbitEnd.x};
}

// The rows go through the CSV writer into a sink that only counts them and
// keeps the text's end: what is measured is making the text, not the disk.
// Compared with the plot: the last row's step, and the value read back from
// the chart at its x (the plot's orbit goes on from that value).
Work exportPlotted(std::int64_t& bytes) {
    std::string end;
    CsvWriter csv([&bytes, &end](std::string_view text) {
        bytes += static_cast<std::int64_t>(text.size());
        end.append(text.substr(text.size() - std::min<std::size_t>(text.size(), 64)));
        end.erase(0, end.size() - std::min<std::size_t>(end.size(), 64));
    });
    Form1& form1 = desktop().program.form1();
    benchmark::DoNotOptimize(form1.writeData(csv));
    csv.flush();
    // The last row: "1,n,x".
    const std::size_t row = end.rfind('\n', end.size() - 2) + 1;
    const std::size_t comma = end.find(',', row);
    const std::int64_t n = std::strtoll(end.c_str() + comma + 1, nullptr, 10);
    const double y = std::strtod(end.c_str() + end.find(',', comma + 1) + 1, nullptr);
    const auto& drawing = desktop().program.module.slotDrawing[1];
    const OrbitChart chart{drawing.chartBottom, drawing.chartHeight};
    return {n, chart.readBack(chart.place(y))};
}

// Side by side: every round plots, then exports what it plotted (the
// export's rounds export what the plot before them left, the same orbit).
void BM_PlotForExport(benchmark::State& state) {
    std::int64_t bytes = 0;
    sideBySide(state, plotPanel1, [&bytes] { return exportPlotted(bytes); });
}

void BM_ExportPlotted(benchmark::State& state) {
    std::int64_t bytes = 0;
    plotPanel1();
    sideBySide(
        state, [&bytes] { return exportPlotted(bytes); }, plotPanel1);
    state.counters["MB"] =
        static_cast<double>(bytes) / 1e6 / static_cast<double>(state.iterations());
}

BENCHMARK(BM_PlotForExport)->Unit(benchmark::kMillisecond)->Iterations(2)->UseManualTime();
BENCHMARK(BM_ExportPlotted)->Unit(benchmark::kMillisecond)->Iterations(2)->UseManualTime();

// The numbers are written by std::to_chars (17 significant digits), measured
// at 4.4 to 5.4 times the plot; the limit is the highest of those plus a
// quarter.
const bool registered = [] {
    sideBySideTarget("export of N = 1e8 plotted points against plotting them", "BM_ExportPlotted",
                     "BM_PlotForExport", 6.8);
    return true;
}();

}  // namespace
}  // namespace corvane::bench
