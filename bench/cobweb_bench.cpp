// The cobweb's redraw, in processor time against a frame's budget: the
// graph of f^k sampled for a picture 3840 pixels wide, its points of
// period k, an orbit of 1000 steps of f^k with its staircase and the
// tail's period, for f1, f2 and a formula of the user's own at chaotic a,
// k = 12 and k = 64. (The orbit is one chain of n·k steps, the same in any
// code: at n = 10^4 and k = 64 f2's alone takes about 14 ms.) The window's
// whole redraw, painting included, is timed beside them.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "bench/bench_support.h"
#include "core/numeric/cobweb.h"
#include "core/numeric/custom_map.h"
#include "core/numeric/map.h"
#include "explore/cobweb_view.h"
#include "explore/cobweb_window.h"

namespace corvane::bench {
namespace {

constexpr std::int64_t kSteps = 1000;
// Where the orbits start: from here f2's orbit at a = 2.3 stays on its
// chaotic band (from 0.3 it falls onto 0 within the 64 000 steps).
constexpr double kX0 = 0.6;
constexpr int kColumns = 3840;
// The most points of period k the window lists.
constexpr std::size_t kMostPoints = 4096;
// A redraw within a frame of a 60 Hz screen, with room to paint.
constexpr double kRedrawSeconds = 16e-3;

Map formula() {
    return Map::formula(custom::CustomMap::compile("a*x*x*sin(pi*x)").map, {0, 5}, {0, 1}, 0.3);
}

// What one redraw computes, as the window computes it.
struct Redraw {
    Redraw(Map map, double a, int k) : map(std::move(map)), a(a), k(k) {}
    Map map;
    double a;
    int k;
    double x0 = kX0;
    cobweb::Curve curve;
    cobweb::PeriodicPoints points;
    cobweb::Orbit orbit;
    std::vector<cobweb::Segment> segments;
    std::vector<double> xs, ys;
    int period = 0;

    void run() {
        const Interval x = map.xRange();
        cobweb::CurveOptions options;
        options.span = {x.from, x.to};
        options.evaluationBudget = map.evaluationBudget();
        cobweb::sampleCurve(map, a, k, options, curve);
        cobweb::findPeriodicPoints(map, a, k, curve, points, kMostPoints);
        cobweb::orbitOf(map, a, k, x0, kSteps, orbit, options.span);
        cobweb::staircase(orbit.x, segments);
        cobweb::reduceToColumns(curve, kColumns, xs, ys, options.span);
        period = cobweb::tailPeriod(orbit.x);
        benchmark::DoNotOptimize(segments.data());
        benchmark::DoNotOptimize(xs.data());
    }
};

void redraw(benchmark::State& state, const Map& map, double a, int k) {
    Redraw r(map, a, k);
    for (auto _ : state) r.run();
    // The orbit must stay chaotic all the way (not fall onto 0, a fixed
    // point, or leave the picture), or the case times less than it says.
    if (r.orbit.stoppedAt != 0 || r.orbit.steps() != kSteps || r.period != 0 ||
        r.orbit.x.back() == 0) {
        state.SkipWithError("the orbit settled or stopped: not a chaotic redraw");
    }
    state.counters["samples"] = static_cast<double>(r.curve.size());
    state.counters["budget_reached"] = r.curve.budgetReached;
    state.counters["periodic_points"] = static_cast<double>(r.points.points.size());
    state.counters["segments"] = static_cast<double>(r.segments.size());
}

// The whole redraw for a move of the a slider, in the window: the numbers
// (the graph's computed by the window's job runner, waited for), the tables
// and the picture painted at the window's size (1180 × 800; the
// picture about 760 × 700), alternating between two neighbouring a so that
// every round computes anew.
void BM_CobwebWindowRedraw(benchmark::State& state) {
    explore::CobwebWindow window(Map::logistic());
    window.setFold(12);
    window.setX0(0.3);
    window.setSteps(cobweb::kMostSteps);
    window.show();
    QImage picture;
    bool flip = false;
    for (auto _ : state) {
        window.setA(flip ? 4.0 : 4.0 - 1e-6);
        window.waitIdle();
        flip = !flip;
        picture = window.picture();
        benchmark::DoNotOptimize(picture.constBits());
    }
    state.counters["width"] = picture.width();
    state.counters["height"] = picture.height();
}
BENCHMARK(BM_CobwebWindowRedraw)->Unit(benchmark::kMillisecond)->MinTime(1);

const bool registered = [] {
    struct Case {
        const char* name;
        Map (*map)();
        double a;
    };
    const Case cases[] = {
        {"f1", &Map::logistic, 3.9}, {"f2", &Map::sine, 2.3}, {"formula", &formula, 2.3}};
    for (const Case& c : cases) {
        for (int k : {12, 64}) {
            const std::string name =
                std::string("BM_CobwebRedraw_") + c.name + "_k" + std::to_string(k);
            benchmark::RegisterBenchmark(name.c_str(), [map = c.map(), a = c.a,
                                                        k](benchmark::State& state) {
                redraw(state, map, a, k);
            })->Unit(benchmark::kMillisecond);
            absoluteTarget(
                "cobweb redraw " + std::string(c.name) + " at k = " + std::to_string(k) + " (ms)",
                name, kRedrawSeconds);
        }
    }
    return true;
}();

}  // namespace
}  // namespace corvane::bench
