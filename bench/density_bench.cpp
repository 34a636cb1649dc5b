// The explorer's density pane: counting one orbit into its histogram against
// a bare chain of the same number of map steps, at a few and at a million
// bins.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <optional>
#include <string>

#include "bench/bench_support.h"
#include "core/numeric/bifurcation.h"
#include "core/numeric/invariant_density.h"
#include "core/numeric/maps.h"

namespace corvane::bench {
namespace {

constexpr std::int64_t kSteps = 10'000'000;

// Chaotic orbits of both maps (f2 from its critical point: from 0.2 it would
// fall onto 0).
double aOf(int map) { return map == 1 ? 4.0 : 2.3; }
double x0Of(int map) { return map == 1 ? 0.2 : Map::sine().startX0(); }

// The count and the chain make the same steps and end on the same iterate.
void BM_DensityBareChain(benchmark::State& state) {
    const int map = static_cast<int>(state.range(0));
    const std::int64_t steps = state.range(1);
    const double a = aOf(map);
    double x = 0;
    for (auto _ : state) {
        x = x0Of(map);
        if (map == 1) {
            for (std::int64_t i = 0; i < steps; ++i) x = f1(a, x);
        } else {
            for (std::int64_t i = 0; i < steps; ++i) x = f2(a, x);
        }
        benchmark::DoNotOptimize(x);
    }
    reportWork(state, "BM_DensityBareChain/" + std::to_string(map) + "/" + std::to_string(steps),
               {steps, x});
}
BENCHMARK(BM_DensityBareChain)
    ->Args({1, kSteps})
    ->Args({2, kSteps})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(1);

// What the pane's worker does for one histogram: the whole count, its
// period and its fate.
void BM_DensityRecount(benchmark::State& state) {
    density::Orbit orbit;
    const int map = static_cast<int>(state.range(0));
    orbit.map = Map::fromChoice(map);
    orbit.a = aOf(map);
    orbit.x0 = x0Of(map);
    orbit.transient = 0;
    orbit.iterates = state.range(1);
    orbit.bins = static_cast<std::int32_t>(state.range(2));
    std::optional<density::Histogram> h;
    for (auto _ : state) {
        h = density::count(orbit);
        benchmark::DoNotOptimize(h->counts.data());
    }
    reportWork(state,
               "BM_DensityRecount/" + std::to_string(map) + "/" +
                   std::to_string(orbit.iterates) + "/" + std::to_string(orbit.bins),
               {h->counted + h->outside, h->lastIterate});
}
BENCHMARK(BM_DensityRecount)
    ->Args({1, kSteps, 100})
    ->Args({1, kSteps, 1'000'000})
    ->Args({2, kSteps, 100})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(1);

// The count's work beside the chain (the bin's search and its counter) mostly
// overlaps the chain's latency; the limits were set with the histogram
// window's count (the same loop), with a million bins (4 MB of counters, a
// cache miss an iterate) held to 3. Timed one after the other, not side by
// side, that ratio moves with what else the machine's caches hold (2.0 to
// 3.8 measured). f2's sine hides all of it.
struct Registration {
    Registration(std::string label, std::string measured, std::string reference, double limit) {
        targets().push_back(
            {std::move(label), std::move(measured), std::move(reference), limit, false});
    }
};

const Registration r1("density recount f1, 1e7 iterates, 100 bins",
                      "BM_DensityRecount/1/10000000/100", "BM_DensityBareChain/1/10000000", 1.7);
const Registration r2("density recount f1, 1e7 iterates, 1e6 bins",
                      "BM_DensityRecount/1/10000000/1000000", "BM_DensityBareChain/1/10000000",
                      3.0);
const Registration r3("density recount f2, 1e7 iterates, 100 bins",
                      "BM_DensityRecount/2/10000000/100", "BM_DensityBareChain/2/10000000", 1.25);

}  // namespace
}  // namespace corvane::bench
