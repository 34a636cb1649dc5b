#include "core/numeric/bifurcation.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#include "core/numeric/custom_map.h"
#include "core/numeric/formula_code.h"
#include "core/numeric/maps.h"

// The vector helpers below are always inlined within this file; no vector
// crosses a function boundary that another compilation unit sees.
#if defined(__clang__)
#pragma clang diagnostic ignored "-Wunknown-warning-option"
#endif
#pragma GCC diagnostic ignored "-Wpsabi"

namespace corvane::bifurcation {

namespace {

// Four columns in one vector; kLanes / 4 vectors run side by side. Each
// vector operation is the same IEEE operation on every lane as the plain
// expression on one double, so a lane computes exactly what a lone column
// would.
using V = double __attribute__((vector_size(32)));
using VI = std::int64_t __attribute__((vector_size(32)));
using VI32 = std::int32_t __attribute__((vector_size(16)));
constexpr int W = 4;
constexpr int NV = kLanes / W;
static_assert(kLanes % W == 0);
static_assert(kLanes == custom::kCodeLanes);

// The kernel's maps: a formula's machine code, f1 and f2.
constexpr int kCode = 0;

// Steps between two calls of keepGoing.
constexpr std::int64_t kChunk = 4096;
// The Lyapunov sum is kept as a product of |f′| whose binary exponent is
// taken out every kBlock steps: one multiplication a step instead of a
// logarithm. A block whose product ends outside [2^-1000, 2^1000] (a factor
// of 0, an underflow or overflow on the way) is folded again factor by
// factor with the exponents taken out at every step.
constexpr int kBlock = 16;
constexpr double kLow = 0x1p-1000;
constexpr double kHigh = 0x1p1000;

struct alignas(64) State {
    V a[NV];
    V x[NV];
    // Smallest of x_n and 1 − x_n so far: negative once the orbit has left
    // [0, 1].
    V inside[NV];
    V product[NV];  // Π|f′| = product · 2^exponent
    VI exponent[NV];
    double logSum[kLanes];  // logarithms of whole cycles skipped
    V sinX[NV];             // sin(π·x) of the current x, for f2 with the slope
    V next[NV];             // f(x) of the current x, for a formula with the slope
    bool zero[kLanes];      // some f′(x_n) was exactly 0
    double tail[kLanes][kTailLength];
    // A formula's code and x-range.
    const custom::FormulaCode* code = nullptr;
    double range[2] = {0, 1};
};

double* laneArray(V* v) { return reinterpret_cast<double*>(v); }

[[gnu::always_inline]] inline V sinPi(V x) {
    V s;
    for (int w = 0; w < W; ++w) s[w] = std::sin(kPi * x[w]);
    return s;
}

[[gnu::always_inline]] inline V cosPi(V x) {
    V c;
    for (int w = 0; w < W; ++w) c[w] = std::cos(kPi * x[w]);
    return c;
}

[[gnu::always_inline]] inline V absV(V v) { return (V)((VI)v & 0x7fffffffffffffffLL); }

// The smaller of the two; a NaN in `b` leaves `a`.
[[gnu::always_inline]] inline V minV(V a, V b) { return b < a ? b : a; }

// The map's step, four lanes at once, in the order of maps.h; the inside
// track takes x and 1 − x on the way (f1 needs 1 − x anyway) where an orbit
// of the group may leave [0, 1].
template <int Map, bool Track>
[[gnu::always_inline]] inline V step(V a, V x, V& inside) {
    const V t = 1.0 - x;
    if constexpr (Track) inside = minV(inside, minV(x, t));
    if constexpr (Map == 1) {
        return (a * x) * t;
    } else {
        return ((a * x) * x) * sinPi(x);
    }
}

// Takes the binary exponent out of every lane's product, leaving it in
// [0.5, 1). Exact: only the exponent field changes. (Lanes whose product is
// not a normal number have escaped or met a zero; their value is unused.)
[[gnu::always_inline]] inline void renormalise(V& p, VI& exponent) {
    const VI bits = (VI)p;
    exponent += ((bits >> 52) & 0x7ff) - 1022;
    p = (V)((bits & static_cast<std::int64_t>(0x800fffffffffffffULL)) | 0x3fe0000000000000LL);
}

template <int Map>
double slopeOf(double a, double x) {
    if constexpr (Map == 1) {
        return a * (1 - 2 * x);
    } else {
        return (a * x) * (2 * std::sin(kPi * x) + (kPi * x) * std::cos(kPi * x));
    }
}

// Folds `steps` factors of one lane again from the block's start (x, p, e),
// taking the exponent out at every factor so nothing under- or overflows.
template <int Map>
void refold(State& s, int l, double x, double p, std::int64_t e, int steps) {
    const int v = l / W, w = l % W;
    const double a = s.a[v][w];
    // A formula's next iterate comes with the slope at the current one.
    double next = 0;
    if constexpr (Map == kCode) next = s.code->value(a, x);
    for (int n = 0; n < steps; ++n) {
        double d = 0;
        if constexpr (Map == kCode) {
            x = next;
            next = s.code->valueAndSlope(a, x, d);
            d = std::fabs(d);
        } else {
            x = Map == 1 ? f1(a, x) : f2(a, x);
            d = std::fabs(slopeOf<Map>(a, x));
        }
        if (d == 0) {
            s.zero[l] = true;
            break;
        }
        if (!std::isfinite(d)) break;  // the orbit is escaping
        int de = 0;
        p *= std::frexp(d, &de);
        int pe = 0;
        p = std::frexp(p, &pe);
        e += de + pe;
    }
    s.product[v][w] = p;
    s.exponent[v][w] = e;
}

// Whether every lane's x equals, bit for bit, its x kBlock steps earlier:
// the map being a function of x alone, every orbit of the group then repeats
// its last kBlock values for ever.
[[gnu::always_inline]] inline bool allRepeat(const V* x, const V* earlier) {
    VI differ{};
    for (int v = 0; v < NV; ++v) differ |= (VI)x[v] ^ (VI)earlier[v];
    std::int64_t any = 0;
    for (int w = 0; w < W; ++w) any |= differ[w];
    return any == 0;
}

// Runs `steps` transient steps, skipping the whole cycles once every orbit
// of the group repeats exactly.
template <int Map, bool Track>
[[gnu::always_inline]] inline void transientSteps(State& s, std::int64_t steps) {
    if constexpr (Map == kCode) {
        auto advance = [&](std::int64_t n) {
            s.code->advance(laneArray(s.a), laneArray(s.x), laneArray(s.inside), s.range, nullptr,
                            n);
        };
        std::int64_t n = 0;
        for (; n + kBlock <= steps; n += kBlock) {
            V earlier[NV];
            for (int v = 0; v < NV; ++v) earlier[v] = s.x[v];
            advance(kBlock);
            if (allRepeat(s.x, earlier)) {
                n += kBlock;
                advance((steps - n) % kBlock);
                return;
            }
        }
        advance(steps - n);
        return;
    }
    V x[NV], inside[NV];
    for (int v = 0; v < NV; ++v) x[v] = s.x[v], inside[v] = s.inside[v];
    std::int64_t n = 0;
    for (; n + kBlock <= steps; n += kBlock) {
        V earlier[NV];
        for (int v = 0; v < NV; ++v) earlier[v] = x[v];
        for (int k = 0; k < kBlock; ++k) {
#pragma GCC unroll 4
            for (int v = 0; v < NV; ++v) x[v] = step<Map, Track>(s.a[v], x[v], inside[v]);
        }
        if (allRepeat(x, earlier)) {
            n += kBlock;
            // Whole cycles change nothing; only the remainder moves x.
            const std::int64_t rest = (steps - n) % kBlock;
            for (std::int64_t k = 0; k < rest; ++k) {
                for (int v = 0; v < NV; ++v) x[v] = step<Map, Track>(s.a[v], x[v], inside[v]);
            }
            n = steps;
            break;
        }
    }
    for (; n < steps; ++n) {
        for (int v = 0; v < NV; ++v) x[v] = step<Map, Track>(s.a[v], x[v], inside[v]);
    }
    for (int v = 0; v < NV; ++v) s.x[v] = x[v], s.inside[v] = inside[v];
}

// Where the kept iterates are counted: lane l's bin b at
// bins[laneBase[l] + b·binStride], bin `rows` taking the iterates outside
// the view.
struct Counting {
    std::uint32_t* bins;
    double xMin;
    double scale;
    double rows;
    std::int32_t binStride;
    VI32 laneBase[NV];
};

// What one block of kept steps leaves behind for counting, the tail and
// the skipping of whole cycles.
struct Block {
    alignas(64) std::int32_t at[kBlock][kLanes];  // the bin of each step and lane
    V x[kBlock][NV];                              // the iterates
    V startProduct[NV];
    VI startExponent[NV];
};

// One block of at most kBlock kept steps.
// The bins of one block's iterates.
[[gnu::always_inline]] inline void binOf(const Counting& c, Block& b, int n, int v) {
    const V r = (b.x[n][v] - c.xMin) * c.scale;
    const VI in = (r >= 0.0) & (r < c.rows);
    const VI32 bin = __builtin_convertvector(in ? r : c.rows, VI32) * c.binStride + c.laneBase[v];
    std::memcpy(&b.at[n][v * W], &bin, sizeof bin);
}

template <int Map>
void refold(State& s, int l, double x, double p, std::int64_t e, int steps);

// Takes the exponents out of the block's products; lanes whose product left
// [2^-1000, 2^1000] on the way are folded again from the block's start.
template <int Map>
[[gnu::always_inline]] inline void settleProducts(State& s, const V* p, const V* x, const V* start,
                                                  const Block& b, int steps) {
    for (int v = 0; v < NV; ++v) {
        const VI doubtful = ~((p[v] >= kLow) & (p[v] <= kHigh)) & (x[v] == x[v]);
        s.product[v] = p[v];
        renormalise(s.product[v], s.exponent[v]);
        for (int w = 0; w < W; ++w) {
            const int l = v * W + w;
            if (doubtful[w] && !s.zero[l] && std::isfinite(x[v][w])) {
                refold<Map>(s, l, start[v][w], b.startProduct[v][w], b.startExponent[v][w], steps);
            }
        }
    }
}

// One block of a formula's kept steps, through its code.
template <bool Count, bool Lyap>
[[gnu::always_inline]] inline void keptBlockOfCode(State& s, int steps, const Counting& c,
                                                   Block& b) {
    V start[NV];
    for (int v = 0; v < NV; ++v) {
        start[v] = s.x[v];
        b.startProduct[v] = s.product[v];
        b.startExponent[v] = s.exponent[v];
    }
    double* out = laneArray(&b.x[0][0]);
    if constexpr (Lyap) {
        s.code->advanceWithSlopes(laneArray(s.a), laneArray(s.x), laneArray(s.next),
                                  laneArray(s.inside), s.range, laneArray(s.product), out, steps);
    } else {
        s.code->advance(laneArray(s.a), laneArray(s.x), laneArray(s.inside), s.range, out, steps);
    }
    if constexpr (Count) {
        for (int n = 0; n < steps; ++n) {
            for (int v = 0; v < NV; ++v) binOf(c, b, n, v);
        }
        for (int n = 0; n < steps; ++n) {
            for (int l = 0; l < kLanes; ++l) ++c.bins[b.at[n][l]];
        }
    }
    if constexpr (Lyap) {
        V p[NV], x[NV];
        for (int v = 0; v < NV; ++v) p[v] = s.product[v], x[v] = s.x[v];
        settleProducts<kCode>(s, p, x, start, b, steps);
    }
}

template <int Map, bool Track, bool Count, bool Lyap>
[[gnu::always_inline]] inline void keptBlock(State& s, int steps, const Counting& c, Block& b) {
    if constexpr (Map == kCode) {
        keptBlockOfCode<Count, Lyap>(s, steps, c, b);
        return;
    }
    V x[NV], inside[NV], p[NV], sinX[NV];
    for (int v = 0; v < NV; ++v) {
        x[v] = s.x[v], inside[v] = s.inside[v], p[v] = s.product[v];
        b.startProduct[v] = s.product[v];
        b.startExponent[v] = s.exponent[v];
        if constexpr (Map == 2 && Lyap) sinX[v] = s.sinX[v];
    }
    for (int n = 0; n < steps; ++n) {
#pragma GCC unroll 4
        for (int v = 0; v < NV; ++v) {
            if constexpr (Map == 1) {
                x[v] = step<1, Track>(s.a[v], x[v], inside[v]);
                if constexpr (Lyap) p[v] *= absV(s.a[v] * (1.0 - 2.0 * x[v]));
            } else if constexpr (Lyap) {
                // sin(πx) of the new x serves its slope now and its step next.
                if constexpr (Track) inside[v] = minV(inside[v], minV(x[v], 1.0 - x[v]));
                x[v] = ((s.a[v] * x[v]) * x[v]) * sinX[v];
                sinX[v] = sinPi(x[v]);
                p[v] *= absV((s.a[v] * x[v]) * (2.0 * sinX[v] + (kPi * x[v]) * cosPi(x[v])));
            } else {
                x[v] = step<2, Track>(s.a[v], x[v], inside[v]);
            }
            b.x[n][v] = x[v];
            if constexpr (Count) binOf(c, b, n, v);
        }
    }
    if constexpr (Count) {
        for (int n = 0; n < steps; ++n) {
            for (int l = 0; l < kLanes; ++l) ++c.bins[b.at[n][l]];
        }
    }
    // (s.x still holds the block's start.)
    if constexpr (Lyap) settleProducts<Map>(s, p, x, s.x, b, steps);
    for (int v = 0; v < NV; ++v) {
        s.x[v] = x[v], s.inside[v] = inside[v];
        if constexpr (Map == 2 && Lyap) s.sinX[v] = sinX[v];
    }
}
bool allEscaped(const State& s) {
    for (int v = 0; v < NV; ++v) {
        for (int w = 0; w < W; ++w) {
            if (std::isfinite(s.x[v][w])) return false;
        }
    }
    return true;
}

// ln of the product of |f′| over the last block of one lane.
double blockLog(const State& s, const Block& b, int v, int w) {
    const double e = double(s.exponent[v][w] - b.startExponent[v][w]);
    return e * std::log(2.0) + (std::log(s.product[v][w]) - std::log(b.startProduct[v][w]));
}

template <int Map, bool Track, bool Count, bool Lyap>
[[gnu::always_inline]] inline bool runColumns(const OrbitSetup& setup, State& s, const Bins& bins,
                                              int n, const KeepGoing& keepGoing) {
    for (std::int64_t done = 0; done < setup.transient;) {
        const std::int64_t chunk = std::min(kChunk, setup.transient - done);
        transientSteps<Map, Track>(s, chunk);
        done += chunk;
        if (keepGoing && !keepGoing(chunk * n)) return false;
        if (allEscaped(s)) break;
    }
    if constexpr (Map == 2 && Lyap) {
        for (int v = 0; v < NV; ++v) s.sinX[v] = sinPi(s.x[v]);
    }
    if constexpr (Map == kCode && Lyap) {
        for (int l = 0; l < kLanes; ++l) {
            s.next[l / W][l % W] = s.code->value(s.a[l / W][l % W], s.x[l / W][l % W]);
        }
    }
    Counting c{};
    c.bins = bins.counts;
    c.xMin = setup.xMin;
    c.rows = setup.rows;
    c.scale = c.rows / (setup.xMax - setup.xMin);
    c.binStride = static_cast<std::int32_t>(bins.binStride);
    for (int l = 0; l < kLanes; ++l) {
        c.laneBase[l / W][l % W] = static_cast<std::int32_t>(l * bins.columnStride);
    }
    const std::int64_t K = setup.kept;
    const std::int64_t tailStart = K - std::min<std::int64_t>(K, kTailLength);
    // Kept steps from, from + 1, … are the block's iterates offset, offset + 1, …
    // (cyclically).
    auto keepTail = [&](std::int64_t from, std::int64_t steps, const Block& b, int offset) {
        for (std::int64_t k = std::max<std::int64_t>(0, tailStart - from); k < steps; ++k) {
            const int j = static_cast<int>((offset + k) % kBlock);
            for (int l = 0; l < kLanes; ++l) s.tail[l][from + k - tailStart] = b.x[j][l / W][l % W];
        }
    };
    auto b = std::make_unique<Block>();
    std::int64_t done = 0;
    std::int64_t reported = 0;
    while (done < K) {
        const int steps = static_cast<int>(std::min<std::int64_t>(kBlock, K - done));
        V start[NV];
        for (int v = 0; v < NV; ++v) start[v] = s.x[v];
        keptBlock<Map, Track, Count, Lyap>(s, steps, c, *b);
        if (done + steps > tailStart) keepTail(done, steps, *b, 0);
        done += steps;
        if (steps == kBlock && K - done >= kBlock && allRepeat(s.x, start)) {
            // Every orbit repeats its last kBlock iterates for ever: the
            // remaining whole cycles add the block's counts, logarithms and
            // tail entries as many times as they repeat.
            const std::int64_t cycles = (K - done) / kBlock;
            if constexpr (Count) {
                const auto times = static_cast<std::uint32_t>(cycles);
                for (int k = 0; k < kBlock; ++k) {
                    for (int l = 0; l < kLanes; ++l) c.bins[b->at[k][l]] += times;
                }
            }
            if constexpr (Lyap) {
                for (int l = 0; l < kLanes; ++l) {
                    s.logSum[l] += double(cycles) * blockLog(s, *b, l / W, l % W);
                }
            }
            const std::int64_t skipped = cycles * kBlock;
            if (done + skipped > tailStart) keepTail(done, skipped, *b, 0);
            done += skipped;
        }
        if (done - reported >= kChunk || done == K) {
            if (keepGoing && !keepGoing((done - reported) * n)) return false;
            reported = done;
            if (allEscaped(s)) break;
        }
    }
    if (keepGoing && reported < K && !keepGoing((K - reported) * n)) return false;
    return true;
}

}  // namespace

// The loops, compiled once for processors with AVX2 (four lanes a vector
// operation) and once for any x86-64; the processor picks at load time.
// Neither uses fused multiply-add, so both give the same bits.
namespace detail {

// Whether an orbit of f at a from x0 could leave [0, 1]: f1 keeps [0, 1]
// for 0 ≤ a ≤ 4, f2 for 0 ≤ a ≤ 1 / max x²·sin(πx) ≈ 2.5 (2.4 leaves room
// for rounding). Groups whose orbits cannot skip the inside track.
bool mayLeave(const OrbitSetup& setup, const State& s) {
    if (!(setup.x0 >= 0 && setup.x0 <= 1)) return true;
    const double top = setup.map.kind() == Map::Kind::Sine ? 2.4 : 4.0;
    for (int v = 0; v < NV; ++v) {
        for (int w = 0; w < W; ++w) {
            if (!(s.a[v][w] >= 0 && s.a[v][w] <= top)) return true;
        }
    }
    return false;
}

template <int Map, bool Track>
[[gnu::always_inline]] inline bool dispatchCounting(const OrbitSetup& setup, State& s,
                                                    const Bins& bins, int n,
                                                    const KeepGoing& keepGoing) {
    const bool count = setup.rows > 0;
    if (count && setup.lyapunov) {
        return runColumns<Map, Track, true, true>(setup, s, bins, n, keepGoing);
    }
    if (count) return runColumns<Map, Track, true, false>(setup, s, bins, n, keepGoing);
    if (setup.lyapunov) return runColumns<Map, Track, false, true>(setup, s, bins, n, keepGoing);
    return runColumns<Map, Track, false, false>(setup, s, bins, n, keepGoing);
}

template <int Map>
[[gnu::always_inline]] inline bool dispatchColumns(const OrbitSetup& setup, State& s,
                                                   const Bins& bins, int n,
                                                   const KeepGoing& keepGoing) {
    if (mayLeave(setup, s)) return dispatchCounting<Map, true>(setup, s, bins, n, keepGoing);
    return dispatchCounting<Map, false>(setup, s, bins, n, keepGoing);
}

#if defined(__x86_64__) && !defined(__clang__) && !defined(__SANITIZE_THREAD__) && \
    !defined(__SANITIZE_ADDRESS__)
#define CORVANE_KERNEL_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define CORVANE_KERNEL_CLONES
#endif

CORVANE_KERNEL_CLONES bool runF1(const OrbitSetup& setup, State& s, const Bins& bins, int n,
                                 const KeepGoing& keepGoing) {
    return dispatchColumns<1>(setup, s, bins, n, keepGoing);
}

CORVANE_KERNEL_CLONES bool runCode(const OrbitSetup& setup, State& s, const Bins& bins, int n,
                                   const KeepGoing& keepGoing) {
    return dispatchCounting<kCode, true>(setup, s, bins, n, keepGoing);
}

CORVANE_KERNEL_CLONES bool runF2(const OrbitSetup& setup, State& s, const Bins& bins, int n,
                                 const KeepGoing& keepGoing) {
    return dispatchColumns<2>(setup, s, bins, n, keepGoing);
}

}  // namespace detail

int periodOf(std::span<const double> tail) {
    const std::size_t w = tail.size();
    for (std::size_t p = 1; p <= static_cast<std::size_t>(kMaxPeriod) && 2 * p <= w; ++p) {
        // The newest pair first: most candidates fail there.
        if (!(std::fabs(tail[w - 1] - tail[w - 1 - p]) < kPeriodTolerance)) continue;
        bool repeats = true;
        for (std::size_t i = 0; i + p < w && repeats; ++i) {
            repeats = std::fabs(tail[i + p] - tail[i]) < kPeriodTolerance;
        }
        if (repeats) return static_cast<int>(p);
    }
    return 0;
}

bool computeColumns(const OrbitSetup& setup, std::span<const double> a, const Bins& bins,
                    std::span<ColumnOutcome> out, const KeepGoing& keepGoing) {
    const int n = static_cast<int>(std::min<std::size_t>(a.size(), kLanes));
    if (n == 0) return true;
    auto s = std::make_unique<State>();
    // A full group counts straight into the caller's bins, cleared first; a
    // partial one (lanes beyond n repeat the last column) into a scratch
    // area, copied out for its n columns afterwards.
    const std::ptrdiff_t rows = std::max(setup.rows, 0);
    std::vector<std::uint32_t> scratch;
    Bins lanes = bins;
    if (rows > 0 && n < kLanes) {
        scratch.assign(static_cast<std::size_t>(kLanes * (rows + 1)), 0);
        lanes = Bins{scratch.data(), rows + 1, 1};
    } else if (rows > 0 && bins.columnStride == 1) {
        for (std::ptrdiff_t b = 0; b <= rows; ++b) {
            std::fill_n(bins.counts + b * bins.binStride, kLanes, 0u);
        }
    } else if (rows > 0) {
        for (std::ptrdiff_t b = 0; b <= rows; ++b) {
            std::uint32_t* row = bins.counts + b * bins.binStride;
            for (int l = 0; l < kLanes; ++l) row[l * bins.columnStride] = 0;
        }
    }
    const Interval range = setup.map.xRange();
    const bool formula = setup.map.isFormula();
    if (formula) {
        s->code = &setup.map.compiled()->code();
        s->range[0] = range.from;
        s->range[1] = range.to;
    }
    for (int l = 0; l < kLanes; ++l) {
        const int v = l / W, w = l % W;
        s->a[v][w] = a[std::min(l, n - 1)];
        s->x[v][w] = setup.x0;
        s->inside[v][w] = formula ? std::min(setup.x0 - range.from, range.to - setup.x0)
                                  : std::min(setup.x0, 1 - setup.x0);
        s->next[v][w] = 0;
        s->product[v][w] = 0.5;
        s->exponent[v][w] = 1;
        s->sinX[v][w] = 0;
        s->zero[l] = false;
        s->logSum[l] = 0;
    }
    const bool finished = formula ? detail::runCode(setup, *s, lanes, n, keepGoing)
                          : setup.map.kind() == Map::Kind::Sine
                              ? detail::runF2(setup, *s, lanes, n, keepGoing)
                              : detail::runF1(setup, *s, lanes, n, keepGoing);
    if (!finished) return false;
    if (!scratch.empty()) {
        for (int l = 0; l < n; ++l) {
            for (std::ptrdiff_t b = 0; b <= rows; ++b) {
                bins.counts[l * bins.columnStride + b * bins.binStride] =
                    scratch[static_cast<std::size_t>(l * (rows + 1) + b)];
            }
        }
    }
    const std::int64_t K = setup.kept;
    const std::size_t tailLength = static_cast<std::size_t>(std::min<std::int64_t>(K, kTailLength));
    for (int l = 0; l < n; ++l) {
        const int v = l / W, w = l % W;
        ColumnOutcome& o = out[l];
        const double x = s->x[v][w];
        o.escaped = !std::isfinite(x);
        o.leftRange = o.escaped || s->inside[v][w] < 0 || x < range.from || x > range.to;
        if (K == 0 || !setup.lyapunov) {
            o.lyapunov = std::numeric_limits<double>::quiet_NaN();
        } else if (o.escaped) {
            o.lyapunov = std::numeric_limits<double>::infinity();
        } else if (s->zero[l]) {
            o.lyapunov = -std::numeric_limits<double>::infinity();
        } else {
            // The product as m·2^e with m in [0.5, 1).
            int e = 0;
            const double m = std::frexp(s->product[v][w], &e);
            const double exponent = static_cast<double>(s->exponent[v][w] + e);
            o.lyapunov =
                (exponent * std::log(2.0) + std::log(m) + s->logSum[l]) / static_cast<double>(K);
        }
        o.period = o.escaped ? 0 : periodOf(std::span(s->tail[l], tailLength));
        if (!o.escaped && o.period == 0) {
            o.settling = settlingPoint(setup.map, a[l], std::span(s->tail[l], tailLength));
        }
    }
    return true;
}

double settlingPoint(const Map& map, double a, std::span<const double> tail) {
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    if (tail.size() < 3) return kNaN;
    double previous = std::fabs(tail[1] - tail[0]);
    for (std::size_t i = 2; i < tail.size(); ++i) {
        const double d = std::fabs(tail[i] - tail[i - 1]);
        if (!(d <= previous)) return kNaN;
        previous = d;
    }
    Map::Stepper f = map.stepper();
    double x = tail.back();
    for (int i = 0; i < 200; ++i) {
        double slope = 0;
        const double g = f.valueAndSlope(a, x, slope) - x;
        if (g == 0) break;
        const double step = g / (slope - 1);
        if (!std::isfinite(step)) return kNaN;
        x -= step;
        if (std::fabs(step) <= 1e-15 * std::fmax(1.0, std::fabs(x))) break;
    }
    const double residual = std::fabs(f.value(a, x) - x);
    const Interval range = map.xRange();
    if (!(residual <= 1e-12 * std::fmax(1.0, std::fabs(x)))) return kNaN;
    if (!(std::fabs(x - tail.back()) <= 0.05 * range.width())) return kNaN;
    return x;
}

void visitKept(const OrbitSetup& setup, double a, const std::function<void(double x)>& visit) {
    const double scale = setup.rows / (setup.xMax - setup.xMin);
    const double rows = setup.rows;
    withValue(setup.map, [&](auto map) {
        double x = setup.x0;
        for (std::int64_t n = 0; n < setup.transient && std::isfinite(x); ++n) x = map(a, x);
        for (std::int64_t n = 0; n < setup.kept && std::isfinite(x); ++n) {
            x = map(a, x);
            const double r = (x - setup.xMin) * scale;
            if (r >= 0 && r < rows) visit(x);
        }
    });
}

}  // namespace corvane::bifurcation
