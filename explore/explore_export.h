// The explorer's data files: the Lyapunov exponent per column, the kept
// iterates and the density at the cursor as CSV, written through the
// program's export module (whole or not at all; a failure names the file
// and the reason). Its pictures go through the same module
// (gui::savePicture).
#pragma once

#include <functional>
#include <string>

#include "core/numeric/invariant_density.h"
#include "explore/bifurcation_compute.h"
#include "platform/platform.h"

namespace corvane::explore {

// One row per pixel column: a (its centre) and λ, as "a,lambda" with the
// numbers read back exactly ("-inf" for a superstable orbit, "inf" for one
// that escaped).
platform::ExportOutcome writeLyapunovCsv(const View& view, const ColumnData& data,
                                         const std::string& path);

// One row "a,x" for every counted iterate of every column, in order,
// computed again column by column and streamed to the file. `progress` is
// called after each column with the share done; returning false abandons
// the file, which is then left as it was.
platform::ExportOutcome writeKeptValuesCsv(const View& view, int columns, int rows,
                                           const std::string& path,
                                           const std::function<bool(double done)>& progress = {});

// The density pane's histogram: one row per bin (bin edges, count,
// density, and the closed form's bin average where it is known).
platform::ExportOutcome writeDensityCsv(const density::Histogram& histogram,
                                        const std::string& path);

}  // namespace corvane::explore
