// The bifurcation diagram's column kernel: for one value of a, iterate the
// map from x0, discard the transient, count the kept iterates into the rows
// of the picture they fall in, and take the Lyapunov exponent and the period
// of the kept orbit on the way. Several columns run side by side so that
// their dependent chains overlap in the processor; each column's arithmetic
// is its own, so the result never depends on how columns are grouped.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <span>

#include "core/numeric/map.h"

namespace corvane::bifurcation {

// Columns computed side by side in one call.
inline constexpr int kLanes = 16;
// Longest period told apart from chaos; the last 2·kMaxPeriod kept iterates
// are kept for it.
inline constexpr int kMaxPeriod = 64;
inline constexpr int kTailLength = 2 * kMaxPeriod;
// Two iterates closer than this are the same point of a cycle.
inline constexpr double kPeriodTolerance = 1e-9;

struct OrbitSetup {
    Map map;
    double x0 = 0.5;
    std::int64_t transient = 1000;  // T steps discarded
    std::int64_t kept = 1000;       // K steps counted
    // Counting: x in [xMin, xMax) is split into `rows` equal bins, bin 0 at
    // xMin; bin = floor((x − xMin) · (rows / (xMax − xMin))). rows = 0
    // counts nothing.
    double xMin = 0;
    double xMax = 1;
    int rows = 0;
    bool lyapunov = true;  // false leaves ColumnOutcome::lyapunov NaN
};

struct ColumnOutcome {
    // The orbit became non-finite (it has then left every bin for good).
    bool escaped = false;
    // Some iterate (x0 included) lay outside the map's x-range ([0, 1] for
    // the built-in maps): f2 beyond a ≈ 2.5 throws its orbit out of it, and
    // it then settles on 0 from below or escapes.
    bool leftRange = false;
    // (1/K)·Σ ln|f′(x_n)| over the K kept iterates x_n; −∞ when some f′(x_n)
    // is exactly 0; +∞ when the orbit escaped; NaN when K is 0.
    double lyapunov = 0;
    // Smallest p in 1..kMaxPeriod with |x_{n+p} − x_n| < kPeriodTolerance
    // across the last min(K, kTailLength) kept iterates (at least two
    // cycles); 0 when there is none (chaotic, or too few kept iterates).
    int period = 0;
    // With no period: the fixed point the orbit closes in on (see
    // settlingPoint); NaN when it closes in on none.
    double settling = std::numeric_limits<double>::quiet_NaN();
};

// Called every few thousand steps with the number of column steps done since
// the last call; returning false abandons the columns.
using KeepGoing = std::function<bool(std::int64_t steps)>;

// Where columns count: column i's bin b (0 ≤ b ≤ rows) at
// counts[i·columnStride + b·binStride]. Bin `rows` is scratch: it takes the
// iterates outside the view and its value means nothing. Lane-major
// (columnStride = rows + 1, binStride = 1) suits one column at a time;
// row-major (columnStride = 1, binStride = width) is a picture's layout.
struct Bins {
    std::uint32_t* counts = nullptr;
    std::ptrdiff_t columnStride = 0;
    std::ptrdiff_t binStride = 1;
};

// Computes columns a[0..n) (n ≤ kLanes) side by side into their bins (what
// was there is overwritten; every index must fit in 31 bits). Returns false
// when keepGoing asked to stop; the outputs are then incomplete.
bool computeColumns(const OrbitSetup& setup, std::span<const double> a, const Bins& bins,
                    std::span<ColumnOutcome> out, const KeepGoing& keepGoing = {});

// Calls visit(x) for each kept iterate of one column that falls in a bin, in
// order; stops early when the orbit escapes. For streaming the kept values.
void visitKept(const OrbitSetup& setup, double a, const std::function<void(double x)>& visit);

// The period of the cycle the last values of an orbit lie on (see
// ColumnOutcome::period); `tail` holds them in order.
int periodOf(std::span<const double> tail);

// The fixed point an orbit approaches too slowly to repeat itself within
// kPeriodTolerance (a·x·(1−x) at a ≤ 1 creeping towards 0): when every
// step of the tail is no longer than the one before and Newton's method on
// f(x) − x from the tail's last value converges nearby, that fixed point;
// NaN otherwise (chaotic, or a cycle longer than kMaxPeriod).
double settlingPoint(const Map& map, double a, std::span<const double> tail);

// The a of pixel column `column` of `columns` across [aMin, aMax]: its centre.
inline double columnA(double aMin, double aMax, int column, int columns) {
    return aMin + (aMax - aMin) * ((column + 0.5) / columns);
}

}  // namespace corvane::bifurcation
