// Maps of the user's own against the built-in ones they spell out: the
// explorer's diagram of the typed formulas a*x*(1-x) and a*x*x*sin(pi*x) over
// the built-in maps' start views, set against BM_DiagramF1 and BM_DiagramF2
// of the same view and size; and the time to compile each formula the
// dialog offers.
#include <benchmark/benchmark.h>
#include <oneapi/tbb/info.h>
#include <oneapi/tbb/task_arena.h>

#include <cstdint>
#include <string>

#include "bench/bench_support.h"
#include "core/numeric/custom_map.h"
#include "explore/bifurcation_compute.h"

namespace corvane::bench {
namespace {

constexpr int kColumns = 1920;
constexpr int kRows = 1000;

// range(0): 1 for a*x*(1-x), 2 for a*x*x*sin(pi*x); range(1): threads (0:
// all).
void BM_DiagramTyped(benchmark::State& state) {
    const int map = static_cast<int>(state.range(0));
    const int threads =
        state.range(1) == 0 ? tbb::info::default_concurrency() : static_cast<int>(state.range(1));
    tbb::task_arena arena(threads);
    const explore::View builtin = explore::startView(Map::fromChoice(map));
    const auto compiled =
        custom::CustomMap::compile(map == 1 ? "a*x*(1-x)" : "a*x*x*sin(pi*x)").map;
    if (!compiled->code().isNative()) state.SkipWithError("the formula did not compile");
    const Map formula = Map::formula(compiled, {builtin.aMin, builtin.aMax},
                                     {builtin.xMin, builtin.xMax}, builtin.x0);
    explore::View view = explore::startView(formula);
    view.transient = builtin.transient;
    view.kept = builtin.kept;
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
    reportWork(state,
               "BM_DiagramTyped/" + std::to_string(map) + "/" + std::to_string(state.range(1)),
               diagramWork(view, kColumns, kRows));
}
BENCHMARK(BM_DiagramTyped)
    ->Args({1, 0})
    ->Args({2, 0})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime()
    ->MinTime(1);

// Compiling the dialog's example range(0) to machine code, from the text.
void BM_CompileFormula(benchmark::State& state) {
    const custom::Example& e = custom::examples()[std::size_t(state.range(0))];
    for (auto _ : state) {
        const auto compiled = custom::CustomMap::compile(e.formula).map;
        if (!compiled->code().isNative()) state.SkipWithError("the formula did not compile");
        benchmark::DoNotOptimize(compiled.get());
    }
    state.SetLabel(e.name);
}
BENCHMARK(BM_CompileFormula)->DenseRange(0, 4)->Unit(benchmark::kMillisecond)->MinTime(0.5);

struct Registration {
    Registration(std::string label, std::string measured, std::string reference, double limit) {
        targets().push_back(
            {std::move(label), std::move(measured), std::move(reference), limit, true});
    }
};

const Registration r1("explorer typed a*x*(1-x) / built-in f1, 1920 x (1000 + 1000)",
                      "BM_DiagramTyped/1/0", "BM_DiagramF1/0", 1.5);
const Registration r2("explorer typed a*x*x*sin(pi*x) / built-in f2, 1920 x (1000 + 1000)",
                      "BM_DiagramTyped/2/0", "BM_DiagramF2/0", 1.5);

struct Compile {
    Compile() {
        const char* names[] = {"tent", "sine", "cubic", "Gauss", "circle"};
        for (int i = 0; i < 5; ++i) {
            absoluteTarget(std::string("compiling the ") + names[i] + " example",
                           "BM_CompileFormula/" + std::to_string(i), 0.050);
        }
    }
} compile;

}  // namespace
}  // namespace corvane::bench
