// What the benchmarks share: a program on the Qt desktop, and the ratios
// each command must keep.
#pragma once

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "platform/qt/qt_platform.h"
#include "windows/program.h"

namespace corvane::bench {

struct Target {
    std::string label;
    std::string measured;   // benchmark name
    std::string reference;  // benchmark name
    double limit;           // measured / reference at most
    // Compare elapsed times instead of the main thread's processor time
    // (for work spread over threads).
    bool wallClock = false;
};

std::vector<Target>& targets();

// Every round runs `prepare` (not timed), `timed`, then `other`, and reports
// the time of `timed` alone; register with ->UseManualTime(). Two
// benchmarks that each time their own half of the same rounds compare the
// two under the same conditions, where one after the other would not: this
// machine's speed drifts from one second to the next.
template <class Prepare, class Timed, class Other>
void sideBySide(benchmark::State& state, Prepare&& prepare, Timed&& timed, Other&& other) {
    using Clock = std::chrono::steady_clock;
    for (auto _ : state) {
        prepare();
        const auto start = Clock::now();
        timed();
        const auto end = Clock::now();
        other();
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
    }
}

// A target of two benchmarks timed side by side (compared by their own
// halves' elapsed times).
inline void sideBySideTarget(std::string label, std::string measured, std::string reference,
                             double limit) {
    targets().push_back({std::move(label), std::move(measured), std::move(reference), limit, true});
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
