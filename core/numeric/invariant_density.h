// The density of the iterates of one orbit at one a: the histogram of the
// kept iterates over [0, 1] (the interval both maps are meant for, whatever
// part of it a view shows), normalised so that a bar's area is the share of
// all kept iterates in its bin, compared with the density known in closed
// form where there is one (a·x·(1−x) at a = 4: 1/(π·√(x·(1−x)))).
//
// The comparison goes bin by bin against the closed form's exact integral
// over the bin, (2/π)·(asin√x₂ − asin√x₁), not its value at the bin's middle:
// near the ends, where the density grows without bound, the middle's value
// is far from the bin's average however many iterates are counted.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "core/numeric/csv.h"

namespace corvane::density {

inline constexpr std::int32_t kMinBins = 10;
inline constexpr std::int32_t kMaxBins = 1'000'000;
inline constexpr std::int64_t kMaxIterates = 100'000'000;

struct Orbit {
    int map = 1;  // 1: a·x·(1−x), 2: a·x²·sin(π·x)
    double a = 4;
    double x0 = 0.2;
    std::int64_t transient = 1000;  // steps discarded first
    std::int64_t iterates = 1'000'000;
    std::int32_t bins = 100;  // kMinBins..kMaxBins

    bool operator==(const Orbit&) const = default;
};

// What became of the orbit beyond its histogram.
enum class Fate {
    Chaotic,         // no cycle of period ≤ bifurcation::kMaxPeriod in its tail
    Periodic,        // settled on a stable cycle (or one whose slope rounds to 1)
    UnstableCycle,   // stuck on an unstable cycle: rounding put it exactly
                     // there (a·x·(1−x) at a = 4 from x0 = 0.5 reaches 1,
                     // then the fixed point 0)
    Escaped,         // became infinite or not a number
    TooFewIterates,  // fewer than two kept iterates: no period can be told
};

struct Histogram {
    Orbit setup;
    // counts[j]: kept iterates in [j/bins, (j+1)/bins); the last bin also
    // takes the iterates equal to 1.
    std::vector<std::int32_t> counts;
    std::int64_t counted = 0;  // kept iterates in [0, 1]
    std::int64_t outside = 0;  // kept iterates outside [0, 1] (f2 beyond a ≈ 2.5)
    Fate fate = Fate::Chaotic;
    int period = 0;          // for Periodic and UnstableCycle
    double multiplier = 0;   // the cycle's slope (f^p)′, for Periodic and UnstableCycle
    double lastIterate = 0;  // the last iterate the orbit reached
};

// Bin j's lower edge j/bins, formed as every bin edge here is (the bins of
// core/numeric/bin_counters.h, binWidth = 1/bins).
double binLow(std::int32_t bins, std::int32_t j);
double binHigh(std::int32_t bins, std::int32_t j);

// Counts the orbit of `setup`: transient steps from x0 (not counted), then
// `iterates` steps counted. `stop` is asked every 2^16 steps with the number
// of steps done so far; returning true abandons the count (nothing is
// returned). Steps each map exactly as core/numeric/maps.h does.
std::optional<Histogram> count(const Orbit& setup,
                               const std::function<bool(std::int64_t stepsDone)>& stop = {});

// Bin j's density: its count over (all kept iterates × the bin's width); 0
// when nothing was kept.
double binDensity(const Histogram& h, std::int32_t j);

// Whether the density is known in closed form for this map and a.
bool closedFormKnown(int map, double a);
// The closed form 1/(π·√(x·(1−x))) at x in (0, 1).
double closedForm(double x);
// Its exact integral over [x1, x2] ⊂ [0, 1]: (2/π)·(asin√x₂ − asin√x₁).
double closedFormMass(double x1, double x2);

// The histogram against the closed form: with E_j = counted·mass_j the
// counts expected in bin j, the largest |O_j − E_j| / E_j and
// χ² = Σ (O_j − E_j)² / E_j over the bins with E_j > 0, whose number less one
// is the degrees of freedom.
struct Fit {
    double largestRelativeDeviation = 0;
    double chiSquare = 0;
    std::int64_t degreesOfFreedom = 0;
};
Fit fitClosedForm(const Histogram& h);
// For counts and masses given directly (the bins with mass 0 are skipped).
Fit fitCounts(const std::vector<std::int32_t>& counts, const std::vector<double>& masses);

// For drawing many bins on few pixel columns: column c of `columns` covers
// bins [⌊c·bins/columns⌋, ⌊(c+1)·bins/columns⌋) (at least one bin: with
// fewer bins than columns, neighbouring columns show the same bin), and gets
// their mean and largest density.
struct ColumnSummary {
    double mean = 0;
    double largest = 0;
};
std::vector<ColumnSummary> summariseColumns(const Histogram& h, int columns);
// The bins [first, last) of column c.
std::pair<std::int64_t, std::int64_t> columnBins(std::int64_t bins, int columns, int c);

// A data file: comment lines naming the orbit, then one row per bin:
// x_low,x_high,count,density and, where the closed form is known,
// closed_form (its average over the bin, the exact integral over the width).
void writeCsv(const Histogram& h, CsvWriter& out);

// "chaotic", "period 2", … as the pane names the orbit.
const char* fateName(Fate fate);

}  // namespace corvane::density
