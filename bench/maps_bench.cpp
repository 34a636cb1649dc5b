// The bare chains of the two maps: the floor every command is measured against.
#include <benchmark/benchmark.h>

#include "core/maps.h"

namespace {

void BM_BareChainF1(benchmark::State& state) {
    const auto n = state.range(0);
    for (auto _ : state) {
        double x = 0.2;
        for (std::int64_t i = 0; i < n; ++i) x = corvane::f1(3.9, x);
        benchmark::DoNotOptimize(x);
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_BareChainF1)->Arg(1 << 20);

void BM_BareChainF2(benchmark::State& state) {
    const auto n = state.range(0);
    for (auto _ : state) {
        double x = 0.2;
        for (std::int64_t i = 0; i < n; ++i) x = corvane::f2(2.3, x);
        benchmark::DoNotOptimize(x);
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_BareChainF2)->Arg(1 << 20);

}  // namespace

BENCHMARK_MAIN();
