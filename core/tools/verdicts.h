// What the tool windows say of an orbit: a column of the bifurcation
// diagram under the pointer, the orbit the density pane counted. One rule
// for both: "chaotic" only where λ > 0; no period up to 64 with λ ≤ 0 is a
// longer period or an orbit still converging; an orbit creeping towards a
// fixed point says which.
#pragma once

#include <cstdint>
#include <string>

#include "core/numeric/bifurcation.h"
#include "core/numeric/invariant_density.h"

namespace corvane::tools {

// A number as the status texts show it: six (or `digits`) significant
// digits, and 0 for what lies within 1e-12 of it (a fixed point approached
// from one side).
std::string shortNumber(double v, int digits = 6);

// "period 3, λ = -0.0123", "chaotic, λ = 0.4", "periodic, period above 64,
// or still converging, λ = -0.004", "converging to 0, λ = -1e-05", … for a
// column whose orbit kept `kept` steps, of a map whose x-range is `range`.
std::string columnVerdict(const bifurcation::ColumnOutcome& outcome, std::int64_t kept,
                          const Interval& range);

// The density pane's sentences on the orbit's fate, e.g. "Period 2." or
// the exact path onto an unstable cycle.
std::string fateText(const density::Histogram& h);

}  // namespace corvane::tools
