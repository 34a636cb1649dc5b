// The cobweb window's state without its window: the map, a in its range,
// the span the graph and x0 run across, k and n, and what the status line
// says of the orbit. Values set by the program (the explorer's cursor, a
// new map) are brought into range; values typed are read against the same
// ranges and refused instead (fieldRule).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "core/numeric/cobweb.h"
#include "core/numeric/map.h"
#include "core/tools/field_check.h"

namespace corvane::tools {

class CobwebModel {
public:
    explicit CobwebModel(const Map& map);

    const Map& map() const { return map_; }
    double a() const { return a_; }
    const Interval& aRange() const { return aRange_; }
    const cobweb::Span& span() const { return span_; }
    double x0() const { return x0_; }
    int fold() const { return fold_; }
    std::int64_t steps() const { return steps_; }

    // Each sets its value brought into range; true when it changed.
    bool setA(double a);
    bool setX0(double x0);
    bool setFold(int k);
    bool setSteps(std::int64_t n);

    // Another map: its a-range and span, x0 at a formula's start or kept
    // within the span, a kept within the range (for a formula, within the
    // range chosen with it, else in its middle). What changed.
    struct MapChange {
        bool changed = false;
        bool aMoved = false;
    };
    MapChange selectMap(const Map& map);

    // What the fields "a", "x0", "k" and "n" take.
    FieldRule fieldRule(const std::string& name) const;

    // The graph's options: the span and the map's budget.
    cobweb::CurveOptions curveOptions() const;
    // Where the staircase rises from: the x-axis, or the picture's foot
    // when the axis lies outside the span.
    double staircaseBase() const;

private:
    Map map_;
    double a_ = 3.2;
    Interval aRange_{0, kMostBuiltInA};
    cobweb::Span span_;
    double x0_ = 0.2;
    int fold_ = 1;
    std::int64_t steps_ = 50;
};

// The status line's sentence on an orbit of f^k: where it left the
// picture, too few steps, the period of its tail, or no period up to 64
// (chaotic, a longer period, or not settled yet); and when the list of the
// points of period k was cut at `most`.
std::string orbitStatus(const cobweb::Orbit& orbit, int tailPeriod, int fold,
                        const cobweb::Span& span, bool pointsTruncated, std::size_t most);

}  // namespace corvane::tools
