// The bifurcation explorer's computation on every core against one bare
// chain of the same number of steps, its scaling with the threads, and its
// memory at a very long orbit.
#include <benchmark/benchmark.h>
#include <oneapi/tbb/info.h>
#include <oneapi/tbb/task_arena.h>

#include <cstdint>
#include <string>

#include "bench/bench_support.h"
#include "core/numeric/maps.h"
#include "explore/bifurcation_compute.h"

namespace corvane::bench {
namespace {

constexpr int kColumns = 1920;
constexpr int kRows = 1000;

// One dependent chain of `steps` steps of the map: the latency-bound loop
// every orbit window runs. Both maps are chaotic at these a; f2 starts at its
// critical point (from 0.2 it would fall onto 0, where sin is trivial).
void BM_BareChain(benchmark::State& state) {
    const int map = static_cast<int>(state.range(0));
    const std::int64_t steps = state.range(1);
    const double a = map == 1 ? 3.9 : 2.3;
    const double x0 = map == 1 ? 0.2 : Map::sine().startX0();
    for (auto _ : state) {
        double x = x0;
        if (map == 1) {
            for (std::int64_t i = 0; i < steps; ++i) x = f1(a, x);
        } else {
            for (std::int64_t i = 0; i < steps; ++i) x = f2(a, x);
        }
        benchmark::DoNotOptimize(x);
    }
    // Set against a picture of that many column steps: the steps alone are
    // compared (its columns run at other a).
    reportWork(state, "BM_BareChain/" + std::to_string(map) + "/" + std::to_string(steps),
               {steps, std::nullopt});
}
BENCHMARK(BM_BareChain)
    ->Args({1, kColumns * 2000})
    ->Args({2, kColumns * 2000})
    ->Args({1, kColumns * 10000})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(1);

int allThreads() { return tbb::info::default_concurrency(); }

// The diagram of the map's start view, counts, λ and shading, on `threads`
// threads (0: all).
void diagram(benchmark::State& state, const char* name, int map, std::int64_t transient,
             std::int64_t kept, int rows) {
    const int threads = state.range(0) == 0 ? allThreads() : static_cast<int>(state.range(0));
    tbb::task_arena arena(threads);
    explore::View view = explore::startView(Map::fromChoice(map));
    view.transient = transient;
    view.kept = kept;
    // The window keeps its picture's buffers from one view to the next.
    explore::ColumnData data;
    std::vector<std::uint8_t> image(std::size_t(kColumns) * std::size_t(std::max(rows, 0)));
    for (auto _ : state) {
        arena.execute([&] {
            explore::computeView(view, kColumns, rows, data);
            if (rows > 0) {
                explore::shadeRange(data, 0, kColumns, data.densest(), image.data(), kColumns);
                benchmark::DoNotOptimize(image.data());
            }
            benchmark::DoNotOptimize(data.outcomes.data());
        });
    }
    state.counters["threads"] = threads;
    reportWork(state, std::string(name) + "/" + std::to_string(state.range(0)),
               diagramWork(view, kColumns, rows));
}

void BM_DiagramF1(benchmark::State& s) { diagram(s, "BM_DiagramF1", 1, 1000, 1000, kRows); }
void BM_DiagramF2(benchmark::State& s) { diagram(s, "BM_DiagramF2", 2, 1000, 1000, kRows); }
void BM_LyapunovStripF1(benchmark::State& s) { diagram(s, "BM_LyapunovStripF1", 1, 0, 10000, 0); }
// Elapsed time for the ratios; the processor time column is that of the whole
// process, all threads together (on a machine whose cores are busy with
// other work, it shows whether the threads add work of their own).
BENCHMARK(BM_DiagramF1)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime()
    ->MinTime(1);
BENCHMARK(BM_DiagramF2)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime()
    ->MinTime(1);
BENCHMARK(BM_LyapunovStripF1)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime()
    ->MinTime(1);

// Memory does not grow with K: 1920 columns of 10^8 kept iterates each, once
// (the exact cycles of the periodic columns are skipped; the chaotic ones
// run all their steps).
void BM_DiagramHundredMillion(benchmark::State& state) {
    explore::View view = explore::startView(Map::logistic());
    view.transient = 1000;
    view.kept = 100'000'000;
    explore::ColumnData data;
    for (auto _ : state) {
        explore::computeView(view, kColumns, kRows, data);
        const std::vector<std::uint8_t> image = explore::shade(data);
        benchmark::DoNotOptimize(image.data());
    }
    state.counters["peak_MB"] = peakMegabytes();
}
BENCHMARK(BM_DiagramHundredMillion)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);

struct Registration {
    Registration(std::string label, std::string measured, std::string reference, double limit) {
        targets().push_back(
            {std::move(label), std::move(measured), std::move(reference), limit, true});
    }
};

const Registration r1("explorer f1, 1920 x (1000 + 1000), all threads", "BM_DiagramF1/0",
                      "BM_BareChain/1/3840000", 0.10);
const Registration r2("explorer f2, 1920 x (1000 + 1000), all threads", "BM_DiagramF2/0",
                      "BM_BareChain/2/3840000", 0.25);
const Registration r3("explorer lambda strip f1, 1920 x 1e4, all threads", "BM_LyapunovStripF1/0",
                      "BM_BareChain/1/19200000", 1.0 / 8);
// Scaling: one thread's time over all threads' at least 0.8 × the cores.
const Registration r4("explorer f1, all threads / one thread", "BM_DiagramF1/0", "BM_DiagramF1/1",
                      1.0 / (0.8 * allThreads()));
const Registration r5("explorer f2, all threads / one thread", "BM_DiagramF2/0", "BM_DiagramF2/1",
                      1.0 / (0.8 * allThreads()));

}  // namespace
}  // namespace corvane::bench
