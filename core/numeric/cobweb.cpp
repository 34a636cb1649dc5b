#include "core/numeric/cobweb.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <type_traits>

#include "core/numeric/bifurcation.h"
#include "core/numeric/custom_map.h"
#include "core/numeric/maps.h"

// The vector helpers below are always inlined within this file; no vector
// crosses a function boundary that another compilation unit sees.
#if defined(__clang__)
#pragma clang diagnostic ignored "-Wunknown-warning-option"
#endif
#pragma GCC diagnostic ignored "-Wpsabi"

namespace corvane::cobweb {

namespace {

// Makes room for at least n elements. The work's vectors only grow, so
// that from the second graph on nothing is allocated or cleared.
template <class T>
T* room(std::vector<T>& v, std::size_t n) {
    if (v.size() < n) v.resize(std::max(n, 2 * v.size()));
    return v.data();
}

// Four intervals in one vector: one register where the processor has
// AVX2 (the functions cloned for it below), two elsewhere. Each lane
// computes exactly what the plain expression computes on one double.
using V = double __attribute__((vector_size(32)));
using VI = std::int64_t __attribute__((vector_size(32)));
constexpr std::size_t W = 4;

// The loops over every sample in the widest vectors the processor has.
#if defined(__x86_64__) && !defined(__clang__) && !defined(__SANITIZE_THREAD__) && \
    !defined(__SANITIZE_ADDRESS__)
#define CORVANE_COBWEB_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define CORVANE_COBWEB_CLONES
#endif

[[gnu::always_inline]] inline V absV(V v) { return (V)((VI)v & 0x7fffffffffffffffLL); }
[[gnu::always_inline]] inline V maxV(V a, V b) { return a > b ? a : b; }
[[gnu::always_inline]] inline V minV(V a, V b) { return a < b ? a : b; }

// A step whose map has no vector form (calls into a library): lane by lane.
template <class Step>
[[gnu::always_inline]] inline V laneByLane(const Step& step, V x, V& slope) {
    V y;
    for (std::size_t w = 0; w < W; ++w) {
        double lane = slope[w];
        y[w] = step(x[w], lane);
        slope[w] = lane;
    }
    return y;
}

// One step of a map with the chain rule beside it: returns f(x) exactly as
// maps.h evaluates it and multiplies `slope` by f′(x) as
// bifurcation::derivative evaluates it.
struct StepF1 {
    double a;
    double operator()(double x, double& slope) const {
        slope = slope * (a * (1 - 2 * x));
        return (a * x) * (1 - x);
    }
    V operator()(V x, V& slope) const {
        slope = slope * (a * (1 - 2 * x));
        return (a * x) * (1 - x);
    }
};

struct StepF2 {
    double a;
    double operator()(double x, double& slope) const {
        const double s = std::sin(kPi * x);
        const double c = std::cos(kPi * x);
        slope = slope * ((a * x) * (2 * s + (kPi * x) * c));
        return ((a * x) * x) * s;
    }
    V operator()(V x, V& slope) const { return laneByLane(*this, x, slope); }
};

// A formula of the user's own, through its evaluator.
struct StepCustom {
    double a;
    custom::Evaluator* f;
    double operator()(double x, double& slope) const {
        slope = slope * f->slope(a, x);
        return f->value(a, x);
    }
    V operator()(V x, V& slope) const { return laneByLane(*this, x, slope); }
};

template <class Fn>
decltype(auto) withStep(const Map& map, double a, Fn&& fn) {
    switch (map.kind()) {
        case Map::Kind::Logistic:
            return fn(StepF1{a});
        case Map::Kind::Sine:
            return fn(StepF2{a});
        case Map::Kind::Formula:
            break;
    }
    custom::Evaluator f = map.compiled()->evaluator();
    return fn(StepCustom{a, &f});
}

template <class Step>
Point iterateOne(Step step, int k, double x) {
    double slope = 1;
    for (int j = 0; j < k; ++j) x = step(x, slope);
    return {x, slope};
}

// Evaluates f^k and its slope at x[0..n), into y and slope, several orbits
// side by side so that their chains overlap in the processor.
template <std::size_t kLanes = 8, class Step>
[[gnu::always_inline]] inline void iterateManyBody(Step step, int k, const double* x, double* y,
                                                   double* slope, std::size_t n) {
    std::size_t i = 0;
    for (; i + kLanes <= n; i += kLanes) {
        double v[kLanes];
        double d[kLanes];
        for (std::size_t l = 0; l < kLanes; ++l) {
            v[l] = x[i + l];
            d[l] = 1;
        }
        for (int j = 0; j < k; ++j) {
            // Unrolled, so that the lanes stay in registers.
#pragma GCC unroll 16
            for (std::size_t l = 0; l < kLanes; ++l) v[l] = step(v[l], d[l]);
        }
        for (std::size_t l = 0; l < kLanes; ++l) {
            y[i + l] = v[l];
            slope[i + l] = d[l];
        }
    }
    if constexpr (kLanes > 8) {
        // The rest eight at a time, as far as it goes.
        iterateManyBody<8>(step, k, x + i, y + i, slope + i, n - i);
    } else {
        for (; i < n; ++i) {
            const Point p = iterateOne(step, k, x[i]);
            y[i] = p.y;
            slope[i] = p.slope;
        }
    }
}

// The logistic map's lanes in the widest vectors the processor has (its
// steps are plain products and differences: the same in every width).
CORVANE_COBWEB_CLONES void iterateManyF1(double a, int k, const double* x, double* y, double* slope,
                                         std::size_t n) {
    iterateManyBody<16>(StepF1{a}, k, x, y, slope, n);
}

template <class Step>
void iterateMany(Step step, int k, const double* x, double* y, double* slope, std::size_t n) {
    if constexpr (std::is_same_v<Step, StepF1>) {
        iterateManyF1(step.a, k, x, y, slope, n);
    } else {
        iterateManyBody(step, k, x, y, slope, n);
    }
}

// Whether f^k(x) − x, g0 at one sample and g1 at the next (the slopes of
// f^k s0 and s1), may meet zero at the first or before the next: zero at
// the first, a change of sign, or a turn back towards zero between them
// (its slope s − 1 pointing to zero at the first and away at the next).
// NaN says no.
template <class T>
[[gnu::always_inline]] inline auto mayCross(T g0, T s0, T g1, T s1) {
    return (g0 == 0) | (g0 * g1 < 0) | ((g0 * (s0 - 1) < 0) & (g0 * (s1 - 1) > 0));
}

// The intervals (i, i + 1) … (i + W − 1, i + W) side by side: x, value and
// slope at their left and their right ends.
struct Intervals {
    V xl, yl, dl, xr, yr, dr;
};

[[gnu::always_inline]] inline Intervals intervalsAt(const double* xs, const double* ys,
                                                    const double* ds, std::size_t i) {
    Intervals v;
    std::memcpy(&v.xl, xs + i, sizeof v.xl);
    std::memcpy(&v.yl, ys + i, sizeof v.yl);
    std::memcpy(&v.dl, ds + i, sizeof v.dl);
    std::memcpy(&v.xr, xs + i + 1, sizeof v.xr);
    std::memcpy(&v.yr, ys + i + 1, sizeof v.yr);
    std::memcpy(&v.dr, ds + i + 1, sizeof v.dr);
    return v;
}

// The measures of the refinement for a span of x: samples close enough
// that the graph climbs or falls at most a sixth of the picture between
// them (no hump can hide there unnoticed), the tolerance in units of the
// span's width, and the picture's vertical range.
struct Measures {
    double coarsestRise;
    double tolerance;
    double bottom, top;
    Measures(const Span& span, double tolerance)
        : coarsestRise(0.25 * span.width()),
          tolerance(tolerance * span.width()),
          bottom(span.bottom()),
          top(span.top()) {}
};

// Whether the graph between the samples (xl, yl, dl) and (xr, yr, dr),
// value and slope, needs another sample between them; all lanes computed
// whole, without branches: which way each goes is as good as random.
[[gnu::always_inline]] inline VI needsSplit(V xl, V yl, V dl, V xr, V yr, V dr, const Measures& m) {
    const double tolerance = m.tolerance;
    const V mid = 0.5 * (xl + xr);
    const VI room = (mid > xl) & (mid < xr);  // some double lies between them
    const V h = xr - xl;
    const V dy = yr - yl;
    // The most the graph may climb or fall from an end, judged by the
    // slopes at the ends; an interval wholly above or below the picture,
    // or with an end that is not finite, needs nothing.
    const V adl = absV(dl), adr = absV(dr);
    const V rise = h * maxV(adl, adr);
    const V reach = rise + absV(dy);
    const VI visible =
        (minV(yl, yr) - reach <= m.top) & (maxV(yl, yr) + reach >= m.bottom) & (reach < 1e300);
    const VI coarse = rise > m.coarsestRise;
    // How far the graph may stray from the chord, across it, against the
    // tolerance: h·max(|dl − s|, |dr − s|) > tolerance·√(1 + s²) for the
    // chord's slope s = Δy/h, squared and multiplied through by h².
    const V stray = maxV(absV(h * dl - dy), absV(h * dr - dy));
    const V h2 = h * h;
    const VI bent = (stray * stray) * h2 > (tolerance * tolerance) * (h2 + dy * dy);
    // A peak or trough between them (slopes of opposite signs) lies at
    // most h·min(|dl|, |dr|) beyond the nearer end's value: where the
    // tangents at the ends meet bounds it.
    const VI peak = ((dl * dr) < 0) & (h * minV(adl, adr) > tolerance);
    return room & visible & (coarse | bent | peak);
}

// Lists into `cut`, in increasing order, every i in [from, to) whose
// interval (i, i + 1) needs cutting, side by side and without branches;
// returns their count. Reads up to W samples past `to` and writes up to W
// places past the count.
CORVANE_COBWEB_CLONES std::size_t listCuts(const double* xs, const double* ys, const double* ds,
                                           std::size_t from, std::size_t to, const Measures& m,
                                           std::uint32_t* cut) {
    std::size_t count = 0;
    for (std::size_t i = from; i < to; i += W) {
        const Intervals v = intervalsAt(xs, ys, ds, i);
        const VI flags = needsSplit(v.xl, v.yl, v.dl, v.xr, v.yr, v.dr, m) & 1;
        for (std::size_t w = 0; w < W; ++w) {
            cut[count] = static_cast<std::uint32_t>(i + w);
            count += static_cast<std::size_t>(flags[w]);
        }
    }
    return count;
}

}  // namespace

Point iterateWithSlope(const Map& map, double a, int k, double x) {
    return withStep(map, a, [&](auto step) { return iterateOne(step, k, x); });
}

namespace {

// Into how many equal parts a flagged interval is cut: enough, judged by
// the slopes at its ends, that each part climbs at most the coarsest rise and
// strays from its chord (across it), or misses its peak, by at most the
// tolerance (both shrink with the square of the part's width); from
// kFewestParts to kMostParts, the parts being looked at again in the next
// round. Compared as fourth powers, without roots and with one division.
constexpr int kFewestParts = 4;
constexpr int kMostParts = 16;
// Room past the samples in use, for the copies of whole blocks.
constexpr std::size_t kPadding = kMostParts;
constexpr double kPartNumbers[kMostParts] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};

int partsFor(double h, double yl, double dl, double yr, double dr, const Measures& m) {
    const double tolerance = m.tolerance;
    const double dy = yr - yl;
    const double rise = (h * std::max(std::fabs(dl), std::fabs(dr))) / m.coarsestRise;
    const double stray = std::max(std::fabs(h * dl - dy), std::fabs(h * dr - dy));
    const double peak = dl * dr < 0 ? h * std::min(std::fabs(dl), std::fabs(dr)) : 0.0;
    const double t2 = tolerance * tolerance;
    const double q =
        std::max({(rise * rise) * (rise * rise),
                  ((stray * stray) * (h * h)) / (t2 * (h * h + dy * dy)), (peak * peak) / t2});
    int parts = kFewestParts;
#pragma GCC unroll 16
    for (int j = kFewestParts; j < kMostParts; ++j) {
        parts += static_cast<double>(j * j * j * j) < q;  // q > NaN counts nothing
    }
    return parts;
}

}  // namespace

void sampleCurve(const Map& map, double a, int k, const CurveOptions& options, Curve& out) {
    const int startIntervals = std::max(options.startIntervals, 1);
    const std::size_t starts = static_cast<std::size_t>(startIntervals) + 1;
    const std::int64_t perSample = std::max(k, 1);
    const std::size_t mostSamples = std::max<std::size_t>(
        starts,
        static_cast<std::size_t>(std::max<std::int64_t>(options.evaluationBudget, 0) / perSample));
    const Span span = options.span;
    const Measures measures(span, options.tolerance);
    Curve::Work& work = out.work;
    using Block = Curve::Block;
    using Child = Curve::Child;

    // The samples in blocks: the starting grid, then for every interval cut
    // into parts a block of its own: its ends (copies of the samples it
    // lies between) and the new samples between them, side by side.
    std::size_t size = starts;
    double* xs = room(work.x, size + kPadding);
    double* ys = room(work.y, size + kPadding);
    double* ds = room(work.slope, size + kPadding);
    Block* blocks = room(work.blocks, 1);
    Child* children = room(work.children, 1);
    std::size_t blockCount = 1, childCount = 0;
    blocks[0] = {0, static_cast<std::uint32_t>(starts), 0, 0};
    for (std::size_t i = 0; i < starts; ++i) {
        xs[i] = span.from + span.width() * (static_cast<double>(i) / startIntervals);
    }
    xs[starts - 1] = span.to;

    out.budgetReached = false;
    withStep(map, a, [&](auto step) {
        iterateMany(step, k, xs, ys, ds, starts);
        // The logistic map's few products cost less than gathering the
        // new samples into a row and putting them back: its blocks are
        // evaluated where they lie, ends and all (the same values again).
        constexpr bool kInPlace = std::is_same_v<decltype(step), StepF1>;
        // Each round looks at the intervals of the blocks made in the last.
        std::size_t fromBlock = 0, toBlock = 1;
        std::size_t regionStart = 0;
        while (fromBlock < toBlock) {
            // Which intervals need cutting: (i, i + 1) for every i of the
            // region, side by side; then their list, without those across
            // two blocks.
            const std::size_t regionEnd = size;
            for (std::size_t i = regionEnd; i < regionEnd + W; ++i) {
                xs[i] = xs[regionEnd - 1];
                ys[i] = ys[regionEnd - 1];
                ds[i] = ds[regionEnd - 1];
            }
            std::uint32_t* cut = room(work.cut, regionEnd - regionStart + W);
            const std::size_t cuts =
                listCuts(xs, ys, ds, regionStart, regionEnd - 1, measures, cut);
            // Room, made once for the most this round can add.
            const std::size_t most = cuts * (kMostParts + 1);
            xs = room(work.x, size + most + kPadding);
            ys = room(work.y, size + most + kPadding);
            ds = room(work.slope, size + most + kPadding);
            double* inner = kInPlace ? nullptr : room(work.inner, most + kPadding);
            std::uint32_t* source = kInPlace ? nullptr : room(work.source, cuts);
            blocks = room(work.blocks, blockCount + cuts);
            children = room(work.children, childCount + cuts);
            // A block for each interval cut, its children's list in its
            // parent (which comes in x order); the new samples' x in a row.
            std::size_t innerCount = 0;
            const std::size_t firstNew = blockCount;
            std::size_t parent = fromBlock;
            blocks[parent].firstChild = static_cast<std::uint32_t>(childCount);
            for (std::size_t c = 0; c < cuts; ++c) {
                const std::size_t i = cut[c];
                while (i >= blocks[parent].first + blocks[parent].count) {
                    blocks[parent].childCount =
                        static_cast<std::uint32_t>(childCount) - blocks[parent].firstChild;
                    ++parent;
                    blocks[parent].firstChild = static_cast<std::uint32_t>(childCount);
                }
                if (i + 1 == blocks[parent].first + blocks[parent].count) {
                    continue;  // across two blocks
                }
                const double xl = xs[i], xr = xs[i + 1], h = xr - xl;
                int parts = partsFor(h, ys[i], ds[i], ys[i + 1], ds[i + 1], measures);
                // Parts too narrow for doubles to tell apart: fewer.
                while (parts > 2 && !(h > parts * (4 * std::numeric_limits<double>::epsilon()) *
                                              std::max(std::fabs(xl), std::fabs(xr)))) {
                    parts /= 2;
                }
                if (size + static_cast<std::size_t>(parts) + 1 > mostSamples) {
                    out.budgetReached = true;
                    break;
                }
                const std::size_t at = size;
                size += static_cast<std::size_t>(parts) + 1;
                xs[at] = xl;
                // All kMostParts places written, two at a time (the width
                // of the vectors this loop compiles to everywhere), the
                // next block's overwriting those past this one's.
                const double width = h / parts;
                static_assert(kMostParts % 2 == 0);
                for (std::size_t q = 0; q < kMostParts; q += 2) {
                    using V2 = double __attribute__((vector_size(16)));
                    V2 p;
                    std::memcpy(&p, kPartNumbers + q, sizeof p);
                    const V2 x = xl + width * p;
                    std::memcpy(xs + at + 1 + q, &x, sizeof x);
                    if constexpr (!kInPlace) std::memcpy(inner + innerCount + q, &x, sizeof x);
                }
                innerCount += static_cast<std::size_t>(parts) - 1;
                xs[at + parts] = xr;
                if constexpr (!kInPlace)
                    source[blockCount - firstNew] = static_cast<std::uint32_t>(i);
                children[childCount++] = {static_cast<std::uint32_t>(i - blocks[parent].first),
                                          static_cast<std::uint32_t>(blockCount)};
                blocks[blockCount++] = {static_cast<std::uint32_t>(at),
                                        static_cast<std::uint32_t>(parts + 1), 0, 0};
            }
            blocks[parent].childCount =
                static_cast<std::uint32_t>(childCount) - blocks[parent].firstChild;
            for (std::size_t b = parent + 1; b < toBlock; ++b) {
                blocks[b].firstChild = static_cast<std::uint32_t>(childCount);
                blocks[b].childCount = 0;
            }
            if constexpr (kInPlace) {
                // The new blocks evaluated where they lie, their ends again.
                iterateMany(step, k, xs + regionEnd, ys + regionEnd, ds + regionEnd,
                            size - regionEnd);
            } else {
                // The new samples evaluated side by side, then put in place
                // between their ends: all kMostParts − 1 places copied, the
                // right end and the next block overwriting those past them.
                double* innerY = room(work.innerY, innerCount + kPadding);
                double* innerD = room(work.innerSlope, innerCount + kPadding);
                iterateMany(step, k, inner, innerY, innerD, innerCount);
                std::size_t n = 0;
                for (std::size_t b = firstNew; b < blockCount; ++b) {
                    const std::size_t first = blocks[b].first, parts = blocks[b].count - 1;
                    const std::size_t i = source[b - firstNew];
                    ys[first] = ys[i];
                    ds[first] = ds[i];
                    std::memcpy(ys + first + 1, innerY + n, (kMostParts - 1) * sizeof(double));
                    std::memcpy(ds + first + 1, innerD + n, (kMostParts - 1) * sizeof(double));
                    ys[first + parts] = ys[i + 1];
                    ds[first + parts] = ds[i + 1];
                    n += parts - 1;
                }
            }
            if (out.budgetReached) break;  // the last blocks stay as they are
            fromBlock = firstNew;
            toBlock = blockCount;
            regionStart = regionEnd;
        }
    });

    // In x order: each block's samples, with the blocks of its intervals
    // between them (without their ends, which are its own samples).
    std::size_t total = 2;
    for (std::size_t b = 0; b < blockCount; ++b) total += blocks[b].count - 2;
    out.x.resize(total + kPadding);
    out.y.resize(total + kPadding);
    out.slope.resize(total + kPadding);
    double* ox = out.x.data();
    double* oy = out.y.data();
    double* od = out.slope.data();
    std::size_t o = 0;
    // Samples [from, to), W at a time: the next copy overwrites what the
    // last wrote past its end.
    auto copy = [&](std::size_t from, std::size_t to) {
        for (std::size_t i = from; i < to; i += W) {
            const std::size_t at = o + (i - from);
            std::memcpy(ox + at, xs + i, W * sizeof(double));
            std::memcpy(oy + at, ys + i, W * sizeof(double));
            std::memcpy(od + at, ds + i, W * sizeof(double));
        }
        o += to - from;
    };
    auto emit = [&](auto& self, const Block& block, bool ends) -> void {
        std::size_t at = block.first + (ends ? 0 : 1);
        const std::size_t end = block.first + block.count - (ends ? 0 : 1);
        for (std::uint32_t c = 0; c < block.childCount; ++c) {
            const Child& child = children[block.firstChild + c];
            const std::size_t upTo = block.first + child.interval + 1;
            copy(at, upTo);
            at = upTo;
            self(self, blocks[child.block], false);
        }
        copy(at, end);
    };
    emit(emit, blocks[0], true);
    out.x.resize(total);
    out.y.resize(total);
    out.slope.resize(total);
    markCrossingHints(out);
}

namespace {

// The hints of the intervals (i, i + 1) for i in [0, to), side by side and
// written without branches, into `hints`; returns their count. Reads the
// samples up to i + W.
CORVANE_COBWEB_CLONES std::size_t crossingHints(const double* xs, const double* ys,
                                                const double* ds, std::size_t to,
                                                std::uint32_t* hints) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < to; i += W) {
        const Intervals v = intervalsAt(xs, ys, ds, i);
        const VI hit = mayCross(v.yl - v.xl, v.dl, v.yr - v.xr, v.dr) & 1;
        for (std::size_t w = 0; w < W; ++w) {
            hints[count] = static_cast<std::uint32_t>(i + w);
            count += static_cast<std::size_t>(hit[w]);
        }
    }
    return count;
}

}  // namespace

void markCrossingHints(Curve& curve) {
    const std::size_t n = curve.size();
    std::uint32_t* hints = room(curve.work.hints, n);
    const double* xs = curve.x.data();
    const double* ys = curve.y.data();
    const double* ds = curve.slope.data();
    // Whole groups of W intervals side by side; the last sample has no
    // interval of its own.
    std::size_t i = n > W ? (n - 1) / W * W : 0;
    std::size_t count = crossingHints(xs, ys, ds, i, hints);
    for (; i < n; ++i) {
        const double g = ys[i] - xs[i];
        const bool last = i + 1 == n;
        const double next = last ? std::numeric_limits<double>::quiet_NaN() : ys[i + 1] - xs[i + 1];
        if (mayCross(g, ds[i], next, last ? next : ds[i + 1])) {
            hints[count++] = static_cast<std::uint32_t>(i);
        }
    }
    curve.crossingHints.assign(hints, hints + count);
}

void reduceToColumns(const Curve& curve, int columns, std::vector<double>& xs,
                     std::vector<double>& ys, const Span& span) {
    xs.clear();
    ys.clear();
    const std::size_t n = curve.size();
    if (n == 0 || columns <= 0) return;
    auto put = [&](std::size_t i) {
        xs.push_back(curve.x[i]);
        ys.push_back(curve.y[i]);
    };
    std::size_t i = 0;
    while (i < n) {
        // The column of sample i, and where the next one starts.
        const double c = std::clamp(std::floor((curve.x[i] - span.from) / span.width() * columns),
                                    0.0, columns - 1.0);
        const double end = c + 1 >= columns ? std::numeric_limits<double>::infinity()
                                            : span.from + (c + 1) / columns * span.width();
        std::size_t j = i + 1;
        std::size_t low = i, high = i;
        double lowest = curve.y[i], highest = curve.y[i];
        for (; j < n && curve.x[j] < end; ++j) {
            const double y = curve.y[j];
            low = y < lowest ? j : low;
            lowest = y < lowest ? y : lowest;
            high = y > highest ? j : high;
            highest = y > highest ? y : highest;
        }
        // First, then the extremes in x order, then last; each once.
        const std::size_t order[4] = {i, std::min(low, high), std::max(low, high), j - 1};
        std::size_t previous = n;
        for (std::size_t k : order) {
            if (k != previous) put(k);
            previous = k;
        }
        i = j;
    }
}

namespace {

using detail::Crossing;

// Where the cubic through both ends with their slopes crosses zero: a
// start for Newton's steps that is usually within a few units in the last
// place already. Found by Newton's steps on the cubic itself from the
// chord's crossing, for 2·W crossings side by side.
constexpr std::size_t kCubicLanes = 2 * W;

CORVANE_COBWEB_CLONES void cubicCrossings(const Crossing* const (&c)[kCubicLanes],
                                          double (&x)[kCubicLanes]) {
    for (std::size_t half = 0; half < kCubicLanes; half += W) {
        V xa, xb, ga, gb, ma, mb;
        for (std::size_t w = 0; w < W; ++w) {
            const Crossing& one = *c[half + w];
            const double h = one.xb - one.xa;
            xa[w] = one.xa;
            xb[w] = one.xb;
            ga[w] = one.ga;
            gb[w] = one.gb;
            ma[w] = (one.sa - 1) * h;  // slopes of g in t
            mb[w] = (one.sb - 1) * h;
        }
        V t = ga / (ga - gb);
        VI going = t == t;  // every lane, in the type of a comparison
        for (int i = 0; i < 3; ++i) {
            const V t2 = t * t, t3 = t2 * t;
            const V p = (2 * t3 - 3 * t2 + 1) * ga + (t3 - 2 * t2 + t) * ma +
                        (3 * t2 - 2 * t3) * gb + (t3 - t2) * mb;
            const V dp = (6 * t2 - 6 * t) * ga + (3 * t2 - 4 * t + 1) * ma + (6 * t - 6 * t2) * gb +
                         (3 * t2 - 2 * t) * mb;
            const V next = t - p / dp;
            going = going & (next > 0) & (next < 1);
            t = going ? next : t;
        }
        const V at = xa + t * (xb - xa);
        std::memcpy(x + half, &at, sizeof at);
    }
}

// Narrows the sign changes of f^k(x) − x to where they change, to the
// noise of f^k(x) − x: from the chord's crossing, Newton steps while they
// stay in the bracket, halving otherwise. Several at once, side by side.
template <class Step>
void narrow(Step step, int k, std::span<const Crossing> in, std::span<PeriodicPoint> out) {
    constexpr std::size_t kLanes = 8;
    // f^k(x) − x is computed to about this; below it the sign says little.
    constexpr double kNoise = 4 * std::numeric_limits<double>::epsilon();
    for (std::size_t base = 0; base < in.size(); base += kLanes) {
        const std::size_t lanes = std::min(kLanes, in.size() - base);
        double lo[kLanes], hi[kLanes], x[kLanes], g[kLanes], slope[kLanes];
        double y[kLanes], d[kLanes];
        bool risesAtLo[kLanes], done[kLanes];
        static_assert(kLanes == kCubicLanes);
        const Crossing* crossing[kLanes];
        for (std::size_t l = 0; l < kLanes; ++l) crossing[l] = &in[base + std::min(l, lanes - 1)];
        cubicCrossings(crossing, x);
        for (std::size_t l = 0; l < kLanes; ++l) {
            const Crossing& c = *crossing[l];
            lo[l] = std::min(c.xa, c.xb);
            hi[l] = std::max(c.xa, c.xb);
            risesAtLo[l] = (c.xa < c.xb) == (c.ga < 0);  // g < 0 at lo
            if (!(x[l] > lo[l] && x[l] < hi[l])) x[l] = 0.5 * (lo[l] + hi[l]);
            done[l] = l >= lanes;
        }
        iterateMany(step, k, x, y, d, kLanes);
        for (std::size_t l = 0; l < kLanes; ++l) {
            g[l] = y[l] - x[l];
            slope[l] = d[l];
        }
        for (int iteration = 0; iteration < 100; ++iteration) {
            bool any = false;
            double trial[kLanes];
            for (std::size_t l = 0; l < kLanes; ++l) {
                trial[l] = x[l];
                if (done[l]) continue;
                if (g[l] == 0) {
                    done[l] = true;
                    continue;
                }
                ((g[l] < 0) == risesAtLo[l] ? lo[l] : hi[l]) = x[l];
                double next = x[l] - g[l] / (slope[l] - 1);
                if (std::fabs(g[l]) <= kNoise * std::max(1.0, std::fabs(x[l])) ||
                    std::fabs(next - x[l]) <= kNoise * std::fabs(x[l])) {
                    // At the noise, or Newton stands still: one last step
                    // when it stays inside.
                    if (next > lo[l] && next < hi[l]) x[l] = next;
                    done[l] = true;
                    continue;
                }
                if (!(next > lo[l] && next < hi[l])) next = 0.5 * (lo[l] + hi[l]);
                if (!(next > lo[l] && next < hi[l])) {
                    done[l] = true;  // no double left between them
                    continue;
                }
                trial[l] = next;
                any = true;
            }
            if (!any) break;
            iterateMany(step, k, trial, y, d, kLanes);
            for (std::size_t l = 0; l < kLanes; ++l) {
                if (done[l]) continue;
                x[l] = trial[l];
                g[l] = y[l] - x[l];
                slope[l] = d[l];
            }
        }
        for (std::size_t l = 0; l < lanes; ++l) {
            PeriodicPoint& p = out[base + l];
            p.x = x[l];
            p.slope = slope[l];
            p.stable = std::fabs(slope[l]) < 1;
        }
    }
}

// The least period of each point among the divisors of k (k when no
// smaller one is), several side by side.
template <class Step>
void leastPeriods(Step step, int k, std::span<PeriodicPoint> points) {
    constexpr std::size_t kLanes = 8;
    for (std::size_t base = 0; base < points.size(); base += kLanes) {
        const std::size_t lanes = std::min(kLanes, points.size() - base);
        double start[kLanes], v[kLanes], unused[kLanes];
        for (std::size_t l = 0; l < kLanes; ++l) {
            start[l] = v[l] = points[base + std::min(l, lanes - 1)].x;
            unused[l] = 1;
            if (l < lanes) points[base + l].period = k;
        }
        for (int p = 1; p < k; ++p) {
#pragma GCC unroll 8
            for (std::size_t l = 0; l < kLanes; ++l) v[l] = step(v[l], unused[l]);
            if (k % p != 0) continue;
            for (std::size_t l = 0; l < lanes; ++l) {
                PeriodicPoint& point = points[base + l];
                if (point.period == k &&
                    std::fabs(v[l] - start[l]) <= 1e-9 * std::max(1.0, std::fabs(start[l]))) {
                    point.period = p;
                }
            }
        }
    }
}

}  // namespace

void findPeriodicPoints(const Map& map, double a, int k, const Curve& curve, PeriodicPoints& out,
                        std::size_t most) {
    out.points.clear();
    out.truncated = false;
    std::vector<Crossing>& crossings = out.work.crossings;
    std::vector<Crossing>& changes = out.work.changes;
    std::vector<PeriodicPoint>& narrowed = out.work.narrowed;
    crossings.clear();
    withStep(map, a, [&](auto step) {
        auto add = [&](const Crossing& c) {
            if (crossings.size() >= most) {
                out.truncated = true;
                return false;
            }
            crossings.push_back(c);
            return true;
        };
        // Looks for crossings in [xl, xr] where f^k − x keeps one sign at
        // both ends but the slopes say it turns towards zero between them:
        // halves until a sign change shows or the turn stays clear of zero.
        auto searchDip = [&](auto& self, double xl, double gl, double sl, double xr, double gr,
                             double sr, int depth) -> bool {
            const double dl = sl - 1, dr = sr - 1;  // slopes of f^k − x
            const bool turns = gl > 0 ? (dl < 0 && dr > 0) : (dl > 0 && dr < 0);
            if (!turns || depth > 40) return true;
            const double h = xr - xl;
            const double u = (gr - gl - dr * h) / (dl - dr);
            const double tip = gl + dl * u;  // bound on the turn's extreme
            if (gl > 0 ? tip > 0 : tip < 0) return true;
            const double xm = 0.5 * (xl + xr);
            if (!(xm > xl && xm < xr)) return true;
            const Point m = iterateOne(step, k, xm);
            const double gm = m.y - xm;
            if (gm == 0) return add({xm, 0, m.slope, xm, 0, m.slope, true});
            if ((gm > 0) != (gl > 0)) {
                // Two crossings: one on each side of xm.
                return add({xl, gl, sl, xm, gm, m.slope, false}) &&
                       add({xm, gm, m.slope, xr, gr, sr, false});
            }
            return self(self, xl, gl, sl, xm, gm, m.slope, depth + 1) &&
                   self(self, xm, gm, m.slope, xr, gr, sr, depth + 1);
        };
        const std::size_t n = curve.size();
        const double* xs = curve.x.data();
        const double* ys = curve.y.data();
        const double* ss = curve.slope.data();
        // The samples where something may start: the curve's hints.
        const std::uint32_t* candidates = curve.crossingHints.data();
        const std::size_t count = curve.crossingHints.size();
        for (std::size_t c = 0; c < count; ++c) {
            const std::size_t i = candidates[c];
            const double gi = ys[i] - xs[i];
            if (gi == 0) {
                if (!add({xs[i], 0, ss[i], xs[i], 0, ss[i], true})) break;
                continue;
            }
            if (i + 1 >= n) continue;
            const double gn = ys[i + 1] - xs[i + 1];
            if (gn == 0) continue;  // found at i + 1
            if ((gi < 0 && gn > 0) || (gi > 0 && gn < 0)) {
                if (!add({xs[i], gi, ss[i], xs[i + 1], gn, ss[i + 1], false})) break;
            } else if (std::isfinite(gi) && std::isfinite(gn) &&
                       !searchDip(searchDip, xs[i], gi, ss[i], xs[i + 1], gn, ss[i + 1], 0)) {
                break;
            }
        }
        // The sign changes narrowed side by side, the exact ones as found.
        changes.clear();
        for (const Crossing& c : crossings) {
            if (!c.exact) changes.push_back(c);
        }
        narrowed.resize(changes.size());
        narrow(step, k, std::span<const Crossing>(changes), std::span<PeriodicPoint>(narrowed));
        out.points.resize(crossings.size());
        std::size_t next = 0;
        for (std::size_t i = 0; i < crossings.size(); ++i) {
            PeriodicPoint& p = out.points[i];
            const Crossing& c = crossings[i];
            if (c.exact) {
                p.x = c.xa;
                p.slope = c.sa;
                p.stable = std::fabs(c.sa) < 1;
            } else {
                p = narrowed[next++];
            }
        }
        leastPeriods(step, k, std::span<PeriodicPoint>(out.points));
    });
}

namespace {

// The orbit of f^k for one map, each in a function of its own so that the
// chain keeps x and a in registers (the sine map's calls would otherwise
// leave them in memory for every map).
template <class F>
[[gnu::noinline]] void orbitLoop(F f, double a, int k, double x0, std::int64_t n, double bottom,
                                 double top, Orbit& out) {
    double x = x0;
    for (std::int64_t j = 1; j <= n; ++j) {
        for (int i = 0; i < k; ++i) x = f(a, x);
        if (!(x >= bottom && x <= top)) {
            out.stoppedAt = j;
            out.lastValue = x;
            return;
        }
        out.x.push_back(x);
    }
}

}  // namespace

void orbitOf(const Map& map, double a, int k, double x0, std::int64_t n, Orbit& out, const Span& span) {
    const double bottom = span.bottom(), top = span.top();
    out.x.clear();
    out.stoppedAt = 0;
    out.lastValue = 0;
    out.x.reserve(static_cast<std::size_t>(std::max<std::int64_t>(n, 0)) + 1);
    out.x.push_back(x0);
    switch (map.kind()) {
        case Map::Kind::Logistic:
            orbitLoop([](double aa, double x) { return f1(aa, x); }, a, k, x0, n, bottom, top, out);
            return;
        case Map::Kind::Sine:
            orbitLoop([](double aa, double x) { return f2(aa, x); }, a, k, x0, n, bottom, top, out);
            return;
        case Map::Kind::Formula:
            break;
    }
    custom::Evaluator e = map.compiled()->evaluator();
    orbitLoop([&e](double aa, double x) { return e.value(aa, x); }, a, k, x0, n, bottom, top, out);
}

void staircase(std::span<const double> orbit, std::vector<Segment>& out, double base) {
    out.clear();
    if (orbit.size() < 2) return;
    out.reserve(2 * (orbit.size() - 1));
    for (std::size_t j = 1; j < orbit.size(); ++j) {
        const double from = orbit[j - 1];
        const double to = orbit[j];
        out.push_back({from, j == 1 ? base : from, from, to});
        out.push_back({from, to, to, to});
    }
}

int tailPeriod(std::span<const double> orbit) {
    // The later half: the start of a short orbit is no part of its cycle.
    const std::size_t length = std::min<std::size_t>(orbit.size() / 2, bifurcation::kTailLength);
    return bifurcation::periodOf(orbit.subspan(orbit.size() - length));
}

}  // namespace corvane::cobweb
