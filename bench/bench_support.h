// What the benchmarks share: a program on the Qt desktop, and the ratios
// each command must keep.
#pragma once

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
