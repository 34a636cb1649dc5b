// The search for the superstable parameters s_0 … s_10 against the bare map
// evaluations it makes: as many steps of the plain map, one orbit long, as
// the search counts (values, slopes in a and rounding estimates together),
// for each map. Compared: the steps, the search's count of its own
// evaluations in the same run; its values are spread over many orbits at
// many a, so there is no last value to set against the chain's.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "bench/bench_support.h"
#include "core/numeric/bifurcation.h"
#include "core/numeric/feigenbaum.h"
#include "core/numeric/maps.h"

namespace corvane::bench {
namespace {

constexpr int kMostN = 10;

// The steps the search makes, counted once.
std::int64_t evaluationsOf(int map) {
    static const std::int64_t counts[2] = {feigenbaum::search(Map::fromChoice(1), kMostN).evaluations,
                                           feigenbaum::search(Map::fromChoice(2), kMostN).evaluations};
    return counts[map == 2 ? 1 : 0];
}

void BM_FeigenbaumSearch(benchmark::State& state) {
    const int map = static_cast<int>(state.range(0));
    feigenbaum::Outcome out;
    for (auto _ : state) {
        out = feigenbaum::search(Map::fromChoice(map), kMostN);
        benchmark::DoNotOptimize(out.rows.data());
    }
    state.counters["evaluations"] = static_cast<double>(out.evaluations);
    state.counters["delta"] = out.delta;
    reportWork(state, "BM_FeigenbaumSearch/" + std::to_string(map),
               {out.evaluations, std::nullopt});
}
BENCHMARK(BM_FeigenbaumSearch)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->MinTime(1);

void BM_FeigenbaumBareEvaluations(benchmark::State& state) {
    const int map = static_cast<int>(state.range(0));
    const std::int64_t steps = evaluationsOf(map);
    // Near the accumulation point, where the search spends its steps.
    const double a = map == 2 ? 2.1629 : 3.5699;
    const double c = Map::fromChoice(map).criticalPoints().front();
    for (auto _ : state) {
        double x = c;
        if (map == 2) {
            for (std::int64_t j = 0; j < steps; ++j) x = f2(a, x);
        } else {
            for (std::int64_t j = 0; j < steps; ++j) x = f1(a, x);
        }
        benchmark::DoNotOptimize(x);
    }
    state.counters["evaluations"] = static_cast<double>(steps);
    reportWork(state, "BM_FeigenbaumBareEvaluations/" + std::to_string(map), {steps, std::nullopt});
}
BENCHMARK(BM_FeigenbaumBareEvaluations)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->MinTime(1);

struct Registration {
    Registration(std::string label, std::string measured, std::string reference, double limit) {
        targets().push_back({std::move(label), std::move(measured), std::move(reference), limit});
    }
};

// Regression guards: about a quarter above the ratios measured (1.35–1.39).
const Registration r1("Feigenbaum search f1 to n = 10 / its bare steps", "BM_FeigenbaumSearch/1",
                      "BM_FeigenbaumBareEvaluations/1", 1.75);
const Registration r2("Feigenbaum search f2 to n = 10 / its bare steps", "BM_FeigenbaumSearch/2",
                      "BM_FeigenbaumBareEvaluations/2", 1.75);

}  // namespace
}  // namespace corvane::bench
