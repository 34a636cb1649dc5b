// Orbit plotting, zoom and difference against the bare loops with the same
// arithmetic.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdint>

#include "bench/bench_support.h"
#include "core/numeric/maps.h"
#include "windows/main/form1.h"
#include "windows/zoom/form2.h"

namespace corvane::bench {

std::vector<Target>& targets() {
    static std::vector<Target> all;
    return all;
}

double peakMegabytes() {
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

namespace {
std::unique_ptr<Desktop> g_desktop;
}  // namespace

Desktop& desktop() {
    if (!g_desktop) g_desktop = std::make_unique<Desktop>();
    return *g_desktop;
}

void releaseDesktop() { g_desktop.reset(); }

namespace {

constexpr std::int64_t kOrbitN = 10'000'000;

struct Registration {
    Registration(std::string label, std::string measured, std::string reference, double limit) {
        targets().push_back({std::move(label), std::move(measured), std::move(reference), limit});
    }
};

// Places the chart: panel 1 of the main window, or the zoom window's chart.
platform::Window& placeChart(bool zoom) {
    Program& p = desktop().program;
    if (zoom) {
        platform::Window& w = p.form2().window();
        p.module.setSingleChartGeometry(w);
        return w;
    }
    platform::Window& w = p.form1().window();
    p.module.setPanel1Origin(w);
    p.module.completePanelGeometry();
    return w;
}

// The orbits: f1 at 3.9 from 0.2, and f2 at 2.3 from 0.5, chaotic for all
// 10^7 steps in both charts (from 0.2, f2 falls onto 0 within a few steps,
// and every step after that would be the sine of 0).
double aOf(int map) { return map == 1 ? 3.9 : 2.3; }
double x0Of(int map) { return map == 1 ? 0.2 : 0.5; }

// The orbit's arithmetic without drawing: map, px, py and read-back. The
// plot of the same orbit makes the same steps and ends on the same value
// read back from the chart.
void bareOrbit(benchmark::State& state, const char* name, int map, bool zoom) {
    placeChart(zoom);
    const Module1& m = desktop().program.module;
    const double left = m.chartLeft, right = m.chartRight, bottom = m.chartBottom;
    const double top = m.chartTop;
    const double a = aOf(map);
    Work work;
    for (auto _ : state) {
        double x = x0Of(map);
        const std::int64_t N = kOrbitN;
        std::int64_t n = 1;
        for (; n <= N; ++n) {
            const double y = applyMap(map, a, x);
            if (!(y >= -0.25 && y <= 1.25)) break;
            const double px = left + ((right - left) * static_cast<double>(n)) / N;
            const double py = bottom - ((y + 0.25) * (bottom - top)) / 1.5;
            benchmark::DoNotOptimize(px);
            benchmark::DoNotOptimize(py);
            x = (1.5 * (bottom - py)) / (bottom - top) - 0.25;
        }
        benchmark::DoNotOptimize(x);
        work = {n - 1, x};
    }
    state.counters["steps"] = static_cast<double>(work.steps);
    state.counters["final_x"] = *work.x;
    reportWork(state, name, work);
}

void plottedOrbit(benchmark::State& state, const char* name, int map, bool zoom) {
    Program& p = desktop().program;
    for (auto _ : state) {
        state.PauseTiming();
        platform::Window& w = placeChart(zoom);
        w.Cls();
        p.module.funcChoice = static_cast<std::int16_t>(map);
        p.module.curA = aOf(map);
        p.module.curX0 = x0Of(map);
        p.module.curN = static_cast<double>(kOrbitN);
        state.ResumeTiming();
        p.form1().plotOrbit(w);
    }
    const Form1::OrbitEnd end = p.form1().lastOrbitEnd;
    reportWork(state, name, {end.steps, end.x});
}

void BM_BareOrbitF1(benchmark::State& s) { bareOrbit(s, "BM_BareOrbitF1", 1, false); }
void BM_PlotOrbitF1(benchmark::State& s) { plottedOrbit(s, "BM_PlotOrbitF1", 1, false); }
void BM_BareOrbitF2(benchmark::State& s) { bareOrbit(s, "BM_BareOrbitF2", 2, false); }
void BM_PlotOrbitF2(benchmark::State& s) { plottedOrbit(s, "BM_PlotOrbitF2", 2, false); }
void BM_BareZoomF1(benchmark::State& s) { bareOrbit(s, "BM_BareZoomF1", 1, true); }
void BM_ZoomOrbitF1(benchmark::State& s) { plottedOrbit(s, "BM_ZoomOrbitF1", 1, true); }
BENCHMARK(BM_BareOrbitF1)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_PlotOrbitF1)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_BareOrbitF2)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_PlotOrbitF2)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_BareZoomF1)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_ZoomOrbitF1)->Unit(benchmark::kMillisecond)->MinTime(2);

const Registration r1("plotOrbit f1, N = 1e7, main window panel", "BM_PlotOrbitF1",
                      "BM_BareOrbitF1", 1.25);
const Registration r2("plotOrbit f2, N = 1e7, main window panel", "BM_PlotOrbitF2",
                      "BM_BareOrbitF2", 1.25);
const Registration r3("plotOrbit f1, N = 1e7, zoom window", "BM_ZoomOrbitF1", "BM_BareZoomF1",
                      1.25);

// The difference against the bare chain of f1 alone, side by side. The
// difference's first orbit (slot 1) is that chain: compared are its steps
// and last iterate with the chain's.
Work bareOrbitChain() { return bareChainF1(kOrbitN); }

// Two orbits in slots 1 and 2 and the difference window cleared.
void prepareDifference() {
    Program& p = desktop().program;
    Module1& m = p.module;
    m.funcChoice = 1;
    m.plotCount = 2;
    m.slotA[1] = 3.9, m.slotX0[1] = 0.2, m.slotN[1] = static_cast<std::int32_t>(kOrbitN);
    m.slotA[2] = 3.9, m.slotX0[2] = 0.2001, m.slotN[2] = static_cast<std::int32_t>(kOrbitN);
    p.form1().firstPlotNo = 1;
    p.form1().secondPlotNo = 2;
    platform::Window& w = p.form2().window();
    w.Cls();
    m.setSingleChartGeometry(w);
}

Work plotDifference() {
    bool ok = false;
    Form1& form1 = desktop().program.form1();
    form1.plotDifference(ok);
    benchmark::DoNotOptimize(ok);
    return {form1.lastOrbitEnd.steps, form1.lastOrbitEnd.x};
}

void BM_BareChainF1(benchmark::State& state) {
    sideBySide(state, prepareDifference, bareOrbitChain, plotDifference);
}
BENCHMARK(BM_BareChainF1)->Unit(benchmark::kMillisecond)->MinTime(2)->UseManualTime();

void BM_Difference(benchmark::State& state) {
    sideBySide(state, prepareDifference, plotDifference, bareOrbitChain);
}
BENCHMARK(BM_Difference)->Unit(benchmark::kMillisecond)->MinTime(2)->UseManualTime();

const bool differenceTarget = [] {
    sideBySideTarget("difference of two f1 orbits, N = 1e7 (two passes)", "BM_Difference",
                     "BM_BareChainF1", 3.0);
    return true;
}();

// Memory does not grow with N: plot 1e8 iterates once.
void BM_PlotOrbitHundredMillion(benchmark::State& state) {
    Program& p = desktop().program;
    for (auto _ : state) {
        platform::Window& w = placeChart(false);
        p.module.funcChoice = 1;
        p.module.curA = 3.9;
        p.module.curX0 = 0.2;
        p.module.curN = 100'000'000.0;
        p.form1().plotOrbit(w);
    }
    state.counters["peak_MB"] = peakMegabytes();
}
BENCHMARK(BM_PlotOrbitHundredMillion)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
}  // namespace corvane::bench
