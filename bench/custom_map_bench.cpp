// A map of the user's own against the built-in one it spells out: the
// explorer's diagram of the custom formula a*x*(1-x) over f1's start view,
// to be set against BM_DiagramF1 of the same view and size.
#include <benchmark/benchmark.h>
#include <oneapi/tbb/info.h>
#include <oneapi/tbb/task_arena.h>

#include <cstdint>
#include <string>

#include "bench/bench_support.h"
#include "explore/bifurcation_compute.h"

namespace corvane::bench {
namespace {

constexpr int kColumns = 1920;
constexpr int kRows = 1000;

void BM_DiagramCustomF1(benchmark::State& state) {
    const int threads =
        state.range(0) == 0 ? tbb::info::default_concurrency() : static_cast<int>(state.range(0));
    tbb::task_arena arena(threads);
    const explore::View builtin = explore::startView(Map::logistic());
    const Map formula = Map::formula(custom::CustomMap::compile("a*x*(1-x)").map,
                                     {builtin.aMin, builtin.aMax}, {builtin.xMin, builtin.xMax},
                                     builtin.x0);
    const explore::View view = explore::startView(formula);
    explore::ColumnData data;
    std::vector<std::uint8_t> image(std::size_t(kColumns) * std::size_t(kRows));
    for (auto _ : state) {
        arena.execute([&] {
            explore::computeView(view, kColumns, kRows, data);
            explore::shadeRange(data, 0, kColumns, data.densest(), image.data(), kColumns);
            benchmark::DoNotOptimize(image.data());
        });
    }
    state.counters["threads"] = threads;
    // The same columns and counts as the built-in map's picture.
    reportWork(state, "BM_DiagramCustomF1/" + std::to_string(state.range(0)),
               diagramWork(view, kColumns, kRows));
}
BENCHMARK(BM_DiagramCustomF1)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime()
    ->MinTime(1);

struct Registration {
    Registration(std::string label, std::string measured, std::string reference, double limit) {
        targets().push_back(
            {std::move(label), std::move(measured), std::move(reference), limit, true});
    }
};

const Registration r1("explorer custom a*x*(1-x) / built-in f1, 1920 x (1000 + 1000)",
                      "BM_DiagramCustomF1/0", "BM_DiagramF1/0", 8.0);

}  // namespace
}  // namespace corvane::bench
