// The cobweb's redraw for a slider move against the bare map evaluations it
// needs: f1^12 at a = 4 at every sample of its graph (all 2048 humps), and
// 10^4 steps of f^12 for the staircase, timed side by side. The window's
// whole redraw, painting included, is timed beside them.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "bench/bench_support.h"
#include "core/numeric/cobweb.h"
#include "core/numeric/maps.h"
#include "explore/cobweb_view.h"
#include "explore/cobweb_window.h"

namespace corvane::bench {
namespace {

constexpr double kA = 4.0;
constexpr int kFold = 12;
constexpr std::int64_t kSteps = 10'000;
constexpr double kX0 = 0.3;
constexpr int kColumns = 1000;

// The x the graph is sampled at, made once.
const std::vector<double>& sampleXs() {
    static const std::vector<double> xs = [] {
        cobweb::Curve c;
        cobweb::sampleCurve(Map::fromChoice(1), kA, kFold, {}, c);
        return c.x;
    }();
    return xs;
}

// What one redraw computes: the graph, its crossings with the diagonal, the
// orbit and its staircase, the tail's period and the graph reduced to the
// picture's columns; and the bare evaluations it needs: f1^12 at each of
// the graph's samples, and the orbit's 10^4 steps of f1^12.
struct Redraw {
    cobweb::Curve curve;
    cobweb::PeriodicPoints points;
    cobweb::Orbit orbit;
    std::vector<cobweb::Segment> segments;
    std::vector<double> xs, ys;

    // Compared: the evaluations both run, f^12 at each of the graph's
    // samples and the orbit's 10^4 steps of f^12, and the orbit's last
    // value (the crossings' refinement is the redraw's alone).
    Work numbers() {
        cobweb::sampleCurve(Map::logistic(), kA, kFold, {}, curve);
        cobweb::findPeriodicPoints(Map::logistic(), kA, kFold, curve, points);
        cobweb::orbitOf(Map::logistic(), kA, kFold, kX0, kSteps, orbit);
        cobweb::staircase(orbit.x, segments);
        cobweb::reduceToColumns(curve, kColumns, xs, ys);
        benchmark::DoNotOptimize(cobweb::tailPeriod(orbit.x));
        benchmark::DoNotOptimize(segments.data());
        benchmark::DoNotOptimize(xs.data());
        return {static_cast<std::int64_t>(curve.size()) * kFold + orbit.steps() * kFold,
                orbit.x.back()};
    }

    static Work bare() {
        double sum = 0;
        for (double x : sampleXs()) {
            for (int j = 0; j < kFold; ++j) x = f1(kA, x);
            sum += x;
        }
        double x = kX0;
        for (std::int64_t n = 0; n < kSteps * kFold; ++n) x = f1(kA, x);
        benchmark::DoNotOptimize(sum);
        benchmark::DoNotOptimize(x);
        return {static_cast<std::int64_t>(sampleXs().size()) * kFold + kSteps * kFold, x};
    }
};

void BM_CobwebRedraw(benchmark::State& state) {
    Redraw r;
    sideBySide(
        state, [&r] { return r.numbers(); }, &Redraw::bare);
    state.counters["samples"] = static_cast<double>(r.curve.size());
    state.counters["periodic_points"] = static_cast<double>(r.points.points.size());
    state.counters["segments"] = static_cast<double>(r.segments.size());
}
BENCHMARK(BM_CobwebRedraw)->Unit(benchmark::kMillisecond)->MinTime(1)->UseManualTime();

void BM_CobwebBareEvaluations(benchmark::State& state) {
    Redraw r;
    sideBySide(state, &Redraw::bare, [&r] { return r.numbers(); });
    state.counters["evaluations"] =
        static_cast<double>(sampleXs().size() * kFold + static_cast<std::size_t>(kSteps * kFold));
}
BENCHMARK(BM_CobwebBareEvaluations)->Unit(benchmark::kMillisecond)->MinTime(1)->UseManualTime();

// The whole redraw for a move of the a slider, in the window: the numbers
// (the graph's computed by the window's job runner, waited for), the tables
// and the picture painted at the window's size (1180 × 800; the
// picture about 760 × 700), alternating between two neighbouring a so that
// every round computes anew.
void BM_CobwebWindowRedraw(benchmark::State& state) {
    explore::CobwebWindow window(Map::logistic());
    window.setFold(kFold);
    window.setX0(kX0);
    window.setSteps(kSteps);
    window.show();
    QImage picture;
    bool flip = false;
    for (auto _ : state) {
        window.setA(flip ? kA : kA - 1e-6);
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
    sideBySideTarget("cobweb redraw f1^12 at 4, n = 1e4 (numbers)", "BM_CobwebRedraw",
                     "BM_CobwebBareEvaluations", 3.0);
    return true;
}();

}  // namespace
}  // namespace corvane::bench
