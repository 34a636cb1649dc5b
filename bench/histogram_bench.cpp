// Bin counting and histogram drawing against the bare map iteration, and the
// memory of a count into two billion bins.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "bench/bench_support.h"
#include "core/numeric/maps.h"
#include "windows/histogram/form3.h"

namespace corvane::bench {
namespace {

constexpr std::int64_t kCountN = 10'000'000;

struct Registration {
    Registration(std::string label, std::string measured, std::string reference, double limit) {
        targets().push_back({std::move(label), std::move(measured), std::move(reference), limit});
    }
};

void setOrbit(double a, double x0, std::int64_t n, std::int32_t m) {
    Program& p = desktop().program;
    p.module.funcChoice = 1;
    p.module.curA = a;
    p.module.curX0 = x0;
    p.module.curN = static_cast<double>(n);
    p.form3().binCount = m;
    p.form3().rescaleTarget = 0;
}

// Compared with the bare chain: the iterates counted, one a step, summed
// after the round's clocks (the count keeps no last value; the chain's is
// left out).
auto countBins(std::int32_t m) {
    setOrbit(3.9, 0.2, kCountN, m);
    Form3& form3 = desktop().program.form3();
    benchmark::DoNotOptimize(form3.countBins());
    return [&form3, m] {
        std::int64_t counted = 0;
        for (std::int32_t j = 0; j < m; ++j) counted += form3.binCounts.at(j);
        return Work{counted, std::nullopt};
    };
}

Work bareMapF1() { return {bareChainF1(kCountN).steps, std::nullopt}; }

// Side by side: each count with its own rounds of the bare iteration, for
// m = 1e3 and 1e6.
void countPair(benchmark::internal::Benchmark* b) {
    b->Arg(1000)->Arg(1'000'000)->Unit(benchmark::kMillisecond)->MinTime(2)->UseManualTime();
}

void BM_BareMapF1(benchmark::State& state) {
    const auto m = static_cast<std::int32_t>(state.range(0));
    sideBySide(state, bareMapF1, [m] { return countBins(m); });
}
BENCHMARK(BM_BareMapF1)->Apply(countPair);

void BM_CountBins(benchmark::State& state) {
    const auto m = static_cast<std::int32_t>(state.range(0));
    sideBySide(
        state, [m] { return countBins(m); }, bareMapF1);
}
BENCHMARK(BM_CountBins)->Apply(countPair);

// Regression guards: about a quarter above the ratios measured (m = 1e3:
// 1.32–1.35; m = 1e6: 1.83–2.10).
const bool countTargets = [] {
    sideBySideTarget("countBins, N = 1e7, m = 1e3", "BM_CountBins/1000", "BM_BareMapF1/1000", 1.7);
    sideBySideTarget("countBins, N = 1e7, m = 1e6", "BM_CountBins/1000000", "BM_BareMapF1/1000000",
                     2.6);
    return true;
}();

// Drawing cost grows with the chart's pixels, not with m: the orbit is
// counted once, then drawn again and again into panel 1 of the histogram
// window. The logistic map at a = 4 spreads over the whole interval.
void BM_PlotHisto(benchmark::State& state) {
    Program& p = desktop().program;
    Form3& form3 = p.form3();
    setOrbit(4.0, 0.2, 2'000'000, static_cast<std::int32_t>(state.range(0)));
    form3.countBins();
    platform::Window& w = form3.window();
    for (auto _ : state) {
        state.PauseTiming();
        w.Cls();
        p.module.setPanel1Origin(w);
        p.module.completePanelGeometry();
        state.ResumeTiming();
        std::int16_t shift = 500;
        form3.plotHisto(w, shift);
    }
}
BENCHMARK(BM_PlotHisto)->Arg(1000)->Arg(10'000'000)->Unit(benchmark::kMillisecond)->MinTime(1);

// Not a pair of equal work: one drawing at two m, of the same counted orbit.
// A regression guard about a quarter above the ratio measured (8.6–9.2).
const Registration r3("plotHisto, m = 1e7 against m = 1e3", "BM_PlotHisto/10000000",
                      "BM_PlotHisto/1000", 11.5);

// Memory does not grow with m: two billion bins, a million iterates.
void BM_CountTwoBillionBins(benchmark::State& state) {
    Form3& form3 = desktop().program.form3();
    for (auto _ : state) {
        setOrbit(3.9, 0.2, 1'000'000, 2'000'000'000);
        benchmark::DoNotOptimize(form3.countBins());
    }
    state.counters["peak_MB"] = peakMegabytes();
}
BENCHMARK(BM_CountTwoBillionBins)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
}  // namespace corvane::bench
