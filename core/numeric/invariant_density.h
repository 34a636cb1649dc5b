// The density of the iterates of one orbit at one a: the histogram of the
// kept iterates over the map's x-range ([0, 1] for the built-in maps,
// whatever part of it a view shows), normalised so that a bar's area is the share of
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
#include <limits>
#include <optional>
#include <utility>
#include <vector>

#include "core/numeric/csv.h"
#include "core/numeric/map.h"

namespace corvane::density {

inline constexpr std::int32_t kMinBins = 10;
inline constexpr std::int32_t kMaxBins = 1'000'000;
inline constexpr std::int64_t kMaxIterates = 100'000'000;

struct Orbit {
    Map map;
    double a = 4;
    double x0 = 0.2;
    std::int64_t transient = 1000;  // steps discarded first
    std::int64_t iterates = 1'000'000;
    std::int32_t bins = 100;  // kMinBins..kMaxBins

    bool operator==(const Orbit&) const = default;
};

// What became of the orbit beyond its histogram.
enum class Fate {
    Chaotic,         // no cycle of period ≤ bifurcation::kMaxPeriod in its
                     // tail, and λ > 0
    LongPeriod,      // no such cycle, and λ ≤ 0: a longer cycle, or still
                     // converging to one
    Periodic,        // settled on a stable cycle (or one whose slope rounds to 1)
    UnstableCycle,   // stuck on an unstable cycle it landed on exactly
                     // (a·x·(1−x) at a = 4 from x0 = 0.5 reaches 1, then
                     // the fixed point 0)
    Converging,      // closing in on a fixed point too slowly to repeat
                     // itself (bifurcation::settlingPoint)
    Escaped,         // became infinite or not a number
    TooFewIterates,  // fewer than two kept iterates: no period can be told
};

struct Histogram {
    Orbit setup;
    // The x-range the bins split: the map's.
    Interval range;
    // counts[j]: kept iterates in bin j, [binLow, binHigh); the last bin
    // also takes the iterates equal to the range's end.
    std::vector<std::int32_t> counts;
    std::int64_t counted = 0;  // kept iterates in the range
    std::int64_t outside = 0;  // kept iterates outside it (f2 beyond a ≈ 2.5)
    Fate fate = Fate::Chaotic;
    int period = 0;          // for Periodic and UnstableCycle
    double multiplier = 0;   // the cycle's slope (f^p)′, for Periodic and UnstableCycle
    double lastIterate = 0;  // the last iterate the orbit reached
    double limit = 0;        // for Converging: the fixed point
    // λ over the kLyapunovSteps (at most N) steps that follow the kept
    // iterates, for telling chaos from long cycles; NaN when the orbit
    // escaped or nothing was kept.
    double lyapunov = std::numeric_limits<double>::quiet_NaN();
    // For UnstableCycle: x0 and the iterates up to the first on the cycle,
    // when it is reached within kShortArrival steps (else empty), and
    // whether every one of those steps was exact in floating point (known
    // for a·x·(1−x) only; false where it cannot be told).
    std::vector<double> arrival;
    bool exactArrival = false;
};

inline constexpr int kShortArrival = 8;
inline constexpr std::int64_t kLyapunovSteps = 65536;

// Bin j's lower edge j/bins, formed as every bin edge here is (the bins of
// core/numeric/bin_counters.h, binWidth = 1/bins).
double binLow(std::int32_t bins, std::int32_t j);
double binHigh(std::int32_t bins, std::int32_t j);
// Bin j's edges in a histogram's range (the unit edges above for [0, 1]).
double binLow(const Histogram& h, std::int32_t j);
double binHigh(const Histogram& h, std::int32_t j);

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
bool closedFormKnown(const Map& map, double a);
// Whether the histogram is to be compared with the closed form: known
// there, something counted, and the orbit neither escaped nor stuck on an
// unstable cycle (which has no density to compare).
bool comparesWithClosedForm(const Histogram& h);
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

// "chaotic", "period", … as the CSV names the orbit.
const char* fateName(Fate fate);

// Whether each step x ↦ a·x·(1−x) from x0 over the path was exact in
// floating point (no operation rounded).
bool exactLogisticPath(double a, const std::vector<double>& path);

}  // namespace corvane::density
