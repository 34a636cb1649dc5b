// The bifurcation diagram's columns for a map of the user's own: the same
// outputs as bifurcation::computeColumns (counts, escape, the Lyapunov
// exponent, the period), each column iterated through the formula's
// evaluator. An orbit that repeats itself bit for bit skips its remaining
// whole cycles, as the built-in kernel's do.
#pragma once

#include <span>

#include "core/numeric/bifurcation.h"
#include "core/numeric/custom_map.h"

namespace corvane::custom {

// Computes columns a[0..n) of the formula `map` into their bins (what was
// there is overwritten) and outcomes, as bifurcation::computeColumns does
// (which calls this for a formula). Returns false when keepGoing asked to
// stop.
bool computeColumns(const Map& map, const bifurcation::OrbitSetup& setup,
                    std::span<const double> a, const bifurcation::Bins& bins,
                    std::span<bifurcation::ColumnOutcome> out,
                    const bifurcation::KeepGoing& keepGoing = {});

}  // namespace corvane::custom
