// What the benchmarks share: a program on the Qt desktop, and the ratios
// (or, for a few, the times) each command must keep.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include "core/numeric/maps.h"
#include "explore/bifurcation_compute.h"
#include "platform/qt/qt_platform.h"
#include "windows/program.h"

namespace corvane::bench {

struct Target {
    std::string label;
    std::string measured;   // benchmark name
    std::string reference;  // benchmark name; empty for an absolute limit
    double limit;           // measured / reference at most, or seconds
    // Compare elapsed times instead of the main thread's processor time
    // (for work spread over threads).
    bool wallClock = false;
    // Timed side by side: compare the rounds' paired ratios.
    bool paired = false;
};

std::vector<Target>& targets();

// What one half of a pair did: the steps of the map it made and the value
// it ended on. Where the two halves of a pair do not end on one value by
// construction, the half without it leaves `x` empty, and the pair's file
// says what is compared instead.
struct Work {
    std::int64_t steps = 0;
    std::optional<double> x;
};
// The same steps, and the same x where both report one.
bool sameWork(const Work& a, const Work& b);
std::string describe(const Work& work);

// Records what the benchmark `name` (as the targets name it) did; when the
// other benchmark of one of its targets has recorded different work, the
// benchmark is skipped with an error (and the target is missed).
void reportWork(benchmark::State& state, const std::string& name, const Work& work);

// A half's Work as it returned it, or from the callable it returned instead
// (asked after the round's clocks, for work that takes time to read).
template <class Result>
Work workOf(Result&& result) {
    if constexpr (std::is_invocable_r_v<Work, Result>) {
        return result();
    } else {
        return result;
    }
}

// Every round runs `prepare` (not timed), `timed`, then `other`, and reports
// the time of `timed` alone; register with ->UseManualTime(). Two
// benchmarks that each time their own half of the same rounds compare the
// two under the same conditions, where one after the other would not: this
// machine's speed drifts from one second to the next, and in bursts. So each
// also reports the median of its rounds' own ratios, `timed` ÷ `other`, as
// the counter "paired_ratio": a burst that slows a few rounds moves it
// little, where it moves the mean times.
//
// Each half returns the Work it did (see workOf); a round whose halves
// differ ends the benchmark with an error.
template <class Prepare, class Timed, class Other>
void sideBySide(benchmark::State& state, Prepare&& prepare, Timed&& timed, Other&& other) {
    using Clock = std::chrono::steady_clock;
    std::vector<double> ratios;
    for (auto _ : state) {
        prepare();
        const auto start = Clock::now();
        auto&& own = timed();
        const auto middle = Clock::now();
        auto&& counterpart = other();
        const auto end = Clock::now();
        const std::chrono::duration<double> ownTime = middle - start, rest = end - middle;
        state.SetIterationTime(ownTime.count());
        if (rest.count() > 0) ratios.push_back(ownTime.count() / rest.count());
        const Work ownWork = workOf(own), otherWork = workOf(counterpart);
        if (!sameWork(ownWork, otherWork)) {
            state.SkipWithError(("the two halves did different work: " + describe(ownWork) +
                                 " against " + describe(otherWork))
                                    .c_str());
            break;
        }
    }
    if (!ratios.empty() && !state.error_occurred()) {
        auto middle = ratios.begin() + static_cast<std::ptrdiff_t>(ratios.size() / 2);
        std::nth_element(ratios.begin(), middle, ratios.end());
        state.counters["paired_ratio"] = *middle;
    }
}

// The same without anything untimed before each round.
template <class Timed, class Other>
void sideBySide(benchmark::State& state, Timed&& timed, Other&& other) {
    sideBySide(
        state, [] {}, timed, other);
}

// n steps of f1 at a = 3.9 from 0.2: the bare chain the orbit's commands
// are compared with.
inline Work bareChainF1(std::int64_t n) {
    double x = 0.2;
    for (std::int64_t i = 0; i < n; ++i) x = f1(3.9, x);
    benchmark::DoNotOptimize(x);
    return {n, x};
}

// A target of two benchmarks timed side by side: the measured one's median
// ratio of the rounds and the reference's inverse, combined as their
// geometric mean (both halves of every round of both runs count alike).
inline void sideBySideTarget(std::string label, std::string measured, std::string reference,
                             double limit) {
    targets().push_back(
        {std::move(label), std::move(measured), std::move(reference), limit, true, true});
}

// The explorer's picture of `view` as a pair reports it: the column steps
// its columns account for (repeating cycles included, as they are counted
// without being stepped again), and in x a sum over its counts weighted by
// row (empty without rows), computed once more outside the timed rounds.
Work diagramWork(const explore::View& view, int columns, int rows);

// A target of one benchmark's own processor time a round, in seconds, for
// work a user waits for whatever the machine (a redraw within a frame).
inline void absoluteTarget(std::string label, std::string measured, double seconds) {
    targets().push_back({std::move(label), std::move(measured), {}, seconds, false, false});
}

// A started program on the Qt desktop, made once for the whole run.
struct Desktop {
    platform::QtPlatform ui;
    Program program{ui};
    Desktop() { program.startUp(); }
};
Desktop& desktop();
void releaseDesktop();

// Peak resident memory of the process so far.
double peakMegabytes();

}  // namespace corvane::bench
