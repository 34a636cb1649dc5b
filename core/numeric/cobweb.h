// The cobweb (staircase) diagram's numbers: the graph of the k-fold map f^k
// sampled finely enough that every hump shows, its crossings with the
// diagonal (the points of period k) with their slopes, and the staircase of
// an orbit of f^k between the graph and the diagonal.
//
// f^k and its slope come from one pass over the orbit: the values exactly
// as maps.h evaluates the map, the slope by the chain rule,
// (f^k)′(x) = f′(x_0)·f′(x_1)···f′(x_{k−1}) with f1′(x) = a·(1 − 2x) and
// f2′(x) = a·x·(2·sin(πx) + πx·cos(πx)), π shortened as in maps.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "core/numeric/map.h"

namespace corvane::cobweb {

inline constexpr int kMostFold = 64;                // k from 1 to 64
inline constexpr std::int64_t kMostSteps = 10'000;  // n from 0 to 10^4
// The x the graph is drawn across, [from, to]; the picture's vertical range
// reaches a quarter of its width below and above it ([−0.25, 1.25] for the
// built-in maps' [0, 1], as in the orbit windows); an orbit that leaves it
// stops there.
struct Span {
    double from = 0;
    double to = 1;
    double width() const { return to - from; }
    double bottom() const { return from - 0.25 * width(); }
    double top() const { return to + 0.25 * width(); }
};

// f^k(x) and (f^k)′(x).
struct Point {
    double y = 0;
    double slope = 0;
};
Point iterateWithSlope(const Map& map, double a, int k, double x);

// --- The graph of f^k across its span ----------------------------------------

struct CurveOptions {
    // The x the graph is sampled across.
    Span span;
    // The uniform grid the refinement starts from.
    int startIntervals = 1024;
    // The most the drawn chords may stray from the graph, in units of the
    // span's width. The refinement goes in rounds: every interval whose
    // ends' slopes say the graph may climb more than a sixth of the
    // picture across it, stray from its chord by more than this, or hold a
    // peak or trough its ends miss by more, is cut into 4 to 16 equal
    // parts (enough, by the same slopes, to meet all three), and the new
    // parts are looked at in the next round.
    double tolerance = 1e-4;
    // The most map evaluations (samples times k) the refinement may spend.
    // A round that would pass it (a chaotic f^k with very many humps) is
    // the last: what is left goes to all its intervals alike (fewer parts
    // each, or halves for every so many), so that the graph is as fine
    // across the whole span.
    std::int64_t evaluationBudget = 4'000'000;
};

// The samples, in increasing x across the span.
struct Curve {
    std::vector<double> x;
    std::vector<double> y;
    std::vector<double> slope;
    // The budget ran out before the tolerance was met everywhere.
    bool budgetReached = false;
    // The samples i where f^k(x) − x may meet zero at x[i] or before
    // x[i + 1]: zero there, a change of sign, or slopes that say it may dip
    // to zero and back; in increasing order. markCrossingHints() finds
    // them for a curve made otherwise.
    std::vector<std::uint32_t> crossingHints;
    std::size_t size() const { return x.size(); }

    // Room the sampling works in, kept from one call to the next: the
    // next round's samples, a round's new samples, which intervals a round
    // looks at and how many parts each is cut into.
    struct Work {
        std::vector<double> x, y, slope;
        std::vector<double> newX, newY, newSlope;
        std::vector<std::uint8_t> fresh, parts;
    } work;
};

// Fills `out` (its memory is reused from one call to the next).
void sampleCurve(const Map& map, double a, int k, const CurveOptions& options, Curve& out);

// Sets curve.crossingHints from its samples.
void markCrossingHints(Curve& curve);

// The samples reduced for a picture `columns` pixels wide across the span: in
// each column the first, lowest, highest and last sample in x order (fewer
// when they coincide), so that a polyline through them covers every hump
// the samples hold while drawing at most four points a column.
void reduceToColumns(const Curve& curve, int columns, std::vector<double>& xs,
                     std::vector<double>& ys, const Span& span = {});

// --- The points of period k --------------------------------------------------

struct PeriodicPoint {
    double x = 0;
    double slope = 0;     // (f^k)′(x)
    bool stable = false;  // |slope| < 1
    // The least p (dividing k) with f^p(x) = x to within 1e-9·max(1, |x|);
    // k when none smaller is.
    int period = 0;
};

namespace detail {
// A crossing in the making: a sign change of f^k(x) − x between xa and xb,
// or one found exactly at xa.
struct Crossing {
    double xa, ga, sa;  // x, f^k(x) − x and (f^k)′(x) at one end
    double xb, gb, sb;  // and at the other
    bool exact;         // f^k(xa) = xa exactly; xb is xa
};
}  // namespace detail

struct PeriodicPoints {
    std::vector<PeriodicPoint> points;  // in increasing x
    // More crossings than `most`; only the first `most` are listed.
    bool truncated = false;

    // Room the search works in, kept from one call to the next.
    struct Work {
        std::vector<detail::Crossing> crossings;
    } work;
};

// The crossings of f^k with the diagonal across the curve, bracketed between the
// curve's samples (where f^k(x) − x changes sign, or where the slopes say
// it dips to zero and back between two samples) and narrowed by bisection
// with Newton steps where they stay inside the bracket. On a curve that
// reached its budget the slopes at the samples no longer tell what lies
// between them, and only the changes of sign count.
void findPeriodicPoints(const Map& map, double a, int k, const Curve& curve, PeriodicPoints& out,
                        std::size_t most = 8192);

// --- The orbit of f^k and its staircase -----------------------------------------

struct Orbit {
    // x_0 .. x_m, each x_j = f^k(x_{j−1}), m ≤ n.
    std::vector<double> x;
    // The step j at which the orbit left the picture's range or became
    // non-finite (x_j is then `lastValue`, not in `x`); 0 when it did not.
    std::int64_t stoppedAt = 0;
    double lastValue = 0;
    std::int64_t steps() const { return static_cast<std::int64_t>(x.size()) - 1; }
};

// n steps of f^k from x0, stopping where the orbit leaves the picture's
// range (the span's bottom to top) or is no longer finite.
void orbitOf(const Map& map, double a, int k, double x0, std::int64_t n, Orbit& out,
             const Span& span = {});

struct Segment {
    double x1, y1, x2, y2;
};

// Two segments a step: for step j, vertical from (x_{j−1}, x_{j−1}) up or
// down to the graph at (x_{j−1}, x_j), the first from (x_0, base); then
// horizontal to the diagonal at (x_j, x_j).
void staircase(std::span<const double> orbit, std::vector<Segment>& out, double base = 0);

// The period of the cycle the orbit's later half repeats (its last 128
// values at most; periods up to 64, as in the bifurcation explorer), in
// steps of f^k; 0 when it repeats none (chaotic, or not settled yet).
int tailPeriod(std::span<const double> orbit);

}  // namespace corvane::cobweb
