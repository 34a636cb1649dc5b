#include "core/numeric/custom_columns.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

namespace corvane::custom {

namespace {

using bifurcation::kTailLength;

// Steps between two calls of keepGoing.
constexpr std::int64_t kChunk = 4096;
// The orbit is compared with itself every kBlock steps; an exact repeat
// means it repeats its last kBlock values for ever.
constexpr int kBlock = 16;
// The product of |f′| has its binary exponent taken out once it leaves
// [kLow, kHigh], as the built-in maps' kernel does; each factor's exponent is
// taken out before it is multiplied in, so that no factor overflows it.
constexpr double kLow = 0x1p-1000;
constexpr double kHigh = 0x1p1000;

struct Column {
    double x = 0;
    // Smallest distance of x_n inside the map's x-range so far; negative
    // once the orbit has left it.
    double inside = 0;
    double product = 1;  // Π|f′| = product · 2^exponent
    std::int64_t exponent = 0;
    double logSum = 0;  // logarithms of whole cycles skipped
    bool zero = false;  // some f′(x_n) was exactly 0
    bool slopeFinite = true;
};

void track(Column& c, const Interval& range, double x) {
    const double below = x - range.from, above = range.to - x;
    const double least = below < above ? below : above;
    if (least < c.inside) c.inside = least;
}

void fold(Column& c, double d) {
    if (d == 0) {
        c.zero = true;
        return;
    }
    if (!std::isfinite(d)) {
        c.slopeFinite = false;
        return;
    }
    int e = 0;
    c.product *= std::frexp(d, &e);
    c.exponent += e;
    if (!(c.product >= kLow && c.product <= kHigh)) {
        int e = 0;
        c.product = std::frexp(c.product, &e);
        c.exponent += e;
    }
}

}  // namespace

bool computeColumns(const Map& map, const bifurcation::OrbitSetup& setup,
                    std::span<const double> a, const bifurcation::Bins& bins,
                    std::span<bifurcation::ColumnOutcome> out,
                    const bifurcation::KeepGoing& keepGoing) {
    const std::size_t n = std::min(a.size(), out.size());
    if (n == 0) return true;
    Map::Stepper f = map.stepper();
    const Interval range = map.xRange();
    const int rows = std::max(setup.rows, 0);
    const double scale = rows / (setup.xMax - setup.xMin);
    const double rowsD = rows;
    const std::int64_t K = setup.kept;
    const std::int64_t tailStart = K - std::min<std::int64_t>(K, kTailLength);
    std::vector<double> tail(static_cast<std::size_t>(kTailLength));
    std::int64_t unreported = 0;
    auto report = [&](std::int64_t steps) {
        unreported += steps;
        if (unreported < kChunk) return true;
        const std::int64_t s = unreported;
        unreported = 0;
        return !keepGoing || keepGoing(s);
    };
    for (std::size_t i = 0; i < n; ++i) {
        const double ai = a[i];
        std::uint32_t* counts =
            bins.counts ? bins.counts + std::ptrdiff_t(i) * bins.columnStride : nullptr;
        if (rows > 0) {
            for (int b = 0; b <= rows; ++b) counts[std::ptrdiff_t(b) * bins.binStride] = 0;
        }
        auto binOf = [&](double x) {
            const double r = (x - setup.xMin) * scale;
            return (r >= 0 && r < rowsD) ? static_cast<int>(r) : rows;
        };
        Column c;
        c.x = setup.x0;
        c.inside = std::min(setup.x0 - range.from, range.to - setup.x0);
        // Transient: blocks of kBlock steps; an exact repeat skips the rest.
        std::int64_t done = 0;
        while (done < setup.transient && std::isfinite(c.x)) {
            const std::int64_t steps = std::min<std::int64_t>(kBlock, setup.transient - done);
            const double start = c.x;
            for (std::int64_t k = 0; k < steps; ++k) {
                c.x = f.value(ai, c.x);
                track(c, range, c.x);
            }
            done += steps;
            if (!report(steps)) return false;
            if (steps == kBlock && c.x == start) {
                const std::int64_t rest = (setup.transient - done) % kBlock;
                for (std::int64_t k = 0; k < rest; ++k) c.x = f.value(ai, c.x);
                if (!report(setup.transient - done)) return false;
                done = setup.transient;
            }
        }
        // Kept steps.
        double block[kBlock];
        int blockBins[kBlock];
        done = 0;
        while (done < K && std::isfinite(c.x)) {
            const int steps = static_cast<int>(std::min<std::int64_t>(kBlock, K - done));
            const double start = c.x;
            const double startProduct = c.product;
            const std::int64_t startExponent = c.exponent;
            int taken = 0;
            for (; taken < steps; ++taken) {
                // The value and the slope at the previous iterate in one
                // pass: the sum takes f′(x_n) of the kept iterates, so the
                // slope at the last transient iterate is left out and the
                // last kept one's is added after the loop.
                double slope = 0;
                const double x =
                    setup.lyapunov ? f.valueAndSlope(ai, c.x, slope) : f.value(ai, c.x);
                if (setup.lyapunov && done + taken > 0) fold(c, std::fabs(slope));
                c.x = x;
                track(c, range, x);
                if (!std::isfinite(x)) break;
                block[taken] = x;
                blockBins[taken] = binOf(x);
                if (rows > 0) ++counts[std::ptrdiff_t(blockBins[taken]) * bins.binStride];
                if (done + taken >= tailStart) {
                    tail[static_cast<std::size_t>(done + taken - tailStart)] = x;
                }
            }
            done += taken;
            if (!report(taken)) return false;
            if (taken < steps) break;  // escaped
            // (The first block folds one slope fewer: it cannot stand for a
            // whole cycle.)
            if (steps == kBlock && done > kBlock && K - done >= kBlock && c.x == start && !c.zero &&
                c.slopeFinite) {
                const std::int64_t cycles = (K - done) / kBlock;
                if (rows > 0) {
                    for (int k = 0; k < kBlock; ++k) {
                        counts[std::ptrdiff_t(blockBins[k]) * bins.binStride] +=
                            static_cast<std::uint32_t>(cycles);
                    }
                }
                if (setup.lyapunov) {
                    const double blockLog = double(c.exponent - startExponent) * std::log(2.0) +
                                            (std::log(c.product) - std::log(startProduct));
                    c.logSum += double(cycles) * blockLog;
                }
                for (std::int64_t s = 0; s < cycles * kBlock; ++s) {
                    const std::int64_t step = done + s;
                    if (step >= tailStart) {
                        tail[static_cast<std::size_t>(step - tailStart)] = block[s % kBlock];
                    }
                }
                if (!report(cycles * kBlock)) return false;
                done += cycles * kBlock;
            }
        }
        if (setup.lyapunov && K > 0 && std::isfinite(c.x)) fold(c, std::fabs(f.slope(ai, c.x)));
        bifurcation::ColumnOutcome& o = out[i];
        o.escaped = !std::isfinite(c.x);
        o.leftRange = o.escaped || c.inside < 0 || !range.contains(c.x);
        if (K == 0 || !setup.lyapunov) {
            o.lyapunov = std::numeric_limits<double>::quiet_NaN();
        } else if (o.escaped || !c.slopeFinite) {
            o.lyapunov = std::numeric_limits<double>::infinity();
        } else if (c.zero) {
            o.lyapunov = -std::numeric_limits<double>::infinity();
        } else {
            o.lyapunov = (double(c.exponent) * std::log(2.0) + std::log(c.product) + c.logSum) /
                         static_cast<double>(K);
        }
        const std::size_t tailLength =
            static_cast<std::size_t>(std::min<std::int64_t>(K, kTailLength));
        o.period = o.escaped ? 0 : bifurcation::periodOf(std::span(tail.data(), tailLength));
        if (!o.escaped && o.period == 0) {
            o.settling = bifurcation::settlingPoint(map, ai, std::span(tail.data(), tailLength));
        }
    }
    if (keepGoing && unreported > 0 && !keepGoing(unreported)) return false;
    return true;
}

}  // namespace corvane::custom
