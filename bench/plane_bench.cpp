// The parameter plane: the forcing plane "AB" of f1 over A, B in [2, 4] at
// 1920 × 1080 with 1000 + 1000 steps a pixel, on every core (its steps a
// second are the target); the same plane typed as a formula against the
// built-in map, side by side; and a preview at an eighth of the size.
#include <benchmark/benchmark.h>
#include <oneapi/tbb/info.h>
#include <oneapi/tbb/task_arena.h>

#include <cmath>
#include <cstdint>
#include <string>

#include "bench/bench_support.h"
#include "core/numeric/custom_map.h"
#include "explore/plane_compute.h"

namespace corvane::bench {
namespace {

plane::PlaneMap forcingAB(const Map& map) {
    plane::PlaneMap m;
    m.map = map;
    m.sequence = "AB";
    return m;
}

// What a plane did: its steps, and the sum of its finite exponents.
Work planeWork(const plane::PlaneCode& code, const plane::Orbit& orbit,
               const explore::PlanePixels& pixels) {
    double sum = 0;
    for (const plane::PointOutcome& o : pixels.points) {
        if (std::isfinite(o.lyapunov)) sum += o.lyapunov;
    }
    return {explore::stepsPerPixel(code, orbit) * std::int64_t(pixels.points.size()), sum};
}

// range(0): 0 the built-in f1, 1 a*x*(1-x) typed; range(1): the divisor of
// 1920 × 1080 (8 for the preview).
void BM_PlaneAB(benchmark::State& state) {
    const bool typed = state.range(0) == 1;
    const int divisor = static_cast<int>(state.range(1));
    tbb::task_arena arena(tbb::info::default_concurrency());
    Map map = Map::logistic();
    if (typed) {
        map = Map::formula(custom::CustomMap::compile("a*x*(1-x)").map, {0, 4}, {0, 1}, 0.5);
    }
    const auto code = plane::PlaneCode::make(forcingAB(map)).code;
    if (!code->code().isNative()) state.SkipWithError("the plane did not compile");
    const plane::Orbit orbit{0.5, 1000, 1000};
    const plane::Grid grid{2, 4, 2, 4, 1920 / divisor, 1080 / divisor};
    explore::PlanePixels pixels;
    for (auto _ : state) {
        arena.execute([&] { explore::computePlane(*code, orbit, grid, pixels); });
        benchmark::DoNotOptimize(pixels.points.data());
    }
    const Work work = planeWork(*code, orbit, pixels);
    state.counters["steps_per_s"] = benchmark::Counter(
        static_cast<double>(work.steps) * static_cast<double>(state.iterations()),
        benchmark::Counter::kIsRate);
    state.counters["threads"] = tbb::info::default_concurrency();
    reportWork(state,
               "BM_PlaneAB/" + std::to_string(state.range(0)) + "/" + std::to_string(divisor),
               work);
}
BENCHMARK(BM_PlaneAB)
    ->Args({0, 1})
    ->Args({1, 1})
    ->Args({0, 8})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(2);

struct Targets {
    Targets() {
        // 4.15·10⁹ steps at 2·10⁹ a second.
        targets().push_back({"parameter plane f1 \"AB\", 1920 x 1080 x (1000 + 1000) (2e9 steps/s)",
                             "BM_PlaneAB/0/1", {}, 1920.0 * 1080 * 2000 / 2e9, true, false});
        targets().push_back({"parameter plane typed a*x*(1-x) / built-in f1, \"AB\"",
                             "BM_PlaneAB/1/1", "BM_PlaneAB/0/1", 1.5, true, false});
        targets().push_back({"parameter plane preview, 240 x 135", "BM_PlaneAB/0/8", {}, 0.100,
                             true, false});
    }
} planeTargets;

}  // namespace
}  // namespace corvane::bench
