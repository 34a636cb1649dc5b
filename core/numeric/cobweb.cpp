#include "core/numeric/cobweb.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/numeric/bifurcation.h"
#include "core/numeric/custom_map.h"
#include "core/numeric/maps.h"

namespace corvane::cobweb {

namespace {

// One step of a map with the chain rule beside it: returns f(x) exactly as
// maps.h evaluates it and multiplies `slope` by f′(x) as
// Map::Stepper::slope evaluates it.
struct StepF1 {
    double a;
    double operator()(double x, double& slope) const {
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
};

// A formula of the user's own, through its evaluator: value and slope in
// one pass.
struct StepCustom {
    double a;
    custom::Evaluator* f;
    double operator()(double x, double& slope) const {
        double d = 0;
        const double y = f->valueAndSlope(a, x, d);
        slope = slope * d;
        return y;
    }
};

// Calls fn with the step of the map, so that the loops over samples are
// compiled for each map with its step inline.
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
Point iterateOne(const Step& step, int k, double x) {
    double slope = 1;
    for (int j = 0; j < k; ++j) x = step(x, slope);
    return {x, slope};
}

// Replaces each x of v[0, n) by f^k(x) and sets d[0, n) to (f^k)′(x), the
// same as iterateOne gives. The orbits go on side by side, one step of all
// at a time: one orbit alone waits for each step's result before the next,
// while independent ones overlap in the processor.
// (In groups of 64, which stay in the nearest cache.)
template <class Step>
void iterateEach(const Step& step, int k, double* v, double* d, std::size_t n) {
    std::fill(d, d + n, 1.0);
    for (std::size_t from = 0; from < n; from += 64) {
        const std::size_t to = std::min(n, from + 64);
        for (int j = 0; j < k; ++j) {
            for (std::size_t i = from; i < to; ++i) v[i] = step(v[i], d[i]);
        }
    }
}

// Into how many equal parts the interval between the samples (xl, yl, dl)
// and (xr, yr, dr), value and slope, is cut: 4 to 16, or 0. Judged by the
// slopes at its ends, it is cut where the graph may climb more than a
// sixth of the picture (no hump hides unnoticed in less), stray from its
// chord (across it) by more than the tolerance (in units of x), or hold a
// peak or trough more than the tolerance beyond its ends; into enough
// parts that none of these remains (the climb shrinks with the part's
// width, the other two with its square). Not where an end is not finite,
// the interval lies wholly above or below the picture, or no double lies
// between its ends.
int partsFor(double xl, double yl, double dl, double xr, double yr, double dr, const Span& span,
             double tolerance) {
    const double h = xr - xl, dy = yr - yl, mid = 0.5 * (xl + xr);
    const double rise = h * std::max(std::fabs(dl), std::fabs(dr));
    const double reach = rise + std::fabs(dy);
    if (!std::isfinite(yl) || !std::isfinite(yr) || !std::isfinite(dl) || !std::isfinite(dr) ||
        !(mid > xl && mid < xr) || !(reach < 1e300) || std::min(yl, yr) - reach > span.top() ||
        std::max(yl, yr) + reach < span.bottom()) {
        return 0;
    }
    // The stray from the chord, h·max(|dl − s|, |dr − s|) against
    // tolerance·√(1 + s²) for the chord's slope s = Δy/h; a peak or trough
    // between ends whose slopes differ in sign lies at most h·min(|dl|, |dr|)
    // beyond the nearer end (where the tangents at the ends meet). Each over
    // its limit, compared as fourth powers of the parts needed.
    const double climb = rise / (0.25 * span.width());
    const double stray = std::max(std::fabs(h * dl - dy), std::fabs(h * dr - dy));
    const double peak = dl * dr < 0 ? h * std::min(std::fabs(dl), std::fabs(dr)) : 0.0;
    const double t2 = tolerance * tolerance;
    const double q =
        std::max({climb * climb * climb * climb,
                  (stray * stray) * (h * h) / (t2 * (h * h + dy * dy)), (peak * peak) / t2});
    if (!(q > 1)) return 0;
    int parts = 4;
    while (parts < 16 && double(parts) * parts * parts * parts < q) ++parts;
    // Parts too narrow for doubles to tell apart: fewer.
    const double scale = std::max(std::fabs(xl), std::fabs(xr));
    while (parts > 2 && !(h > parts * (4 * std::numeric_limits<double>::epsilon()) * scale)) {
        parts /= 2;
    }
    return parts;
}

}  // namespace

Point iterateWithSlope(const Map& map, double a, int k, double x) {
    return withStep(map, a, [&](const auto& step) { return iterateOne(step, k, x); });
}

void sampleCurve(const Map& map, double a, int k, const CurveOptions& options, Curve& out) {
    const int startIntervals = std::max(options.startIntervals, 1);
    const std::size_t starts = static_cast<std::size_t>(startIntervals) + 1;
    const std::int64_t perSample = std::max(k, 1);
    const std::size_t mostSamples = std::max<std::size_t>(
        starts,
        static_cast<std::size_t>(std::max<std::int64_t>(options.evaluationBudget, 0) / perSample));
    const Span span = options.span;
    const double tolerance = options.tolerance * span.width();
    Curve::Work& work = out.work;
    out.budgetReached = false;

    withStep(map, a, [&](const auto& step) {
        // The starting grid, every interval of it to be looked at.
        out.x.resize(starts);
        for (std::size_t i = 0; i + 1 < starts; ++i) {
            out.x[i] = span.from + span.width() * (static_cast<double>(i) / startIntervals);
        }
        out.x[starts - 1] = span.to;
        out.y = out.x;
        out.slope.resize(starts);
        iterateEach(step, k, out.y.data(), out.slope.data(), starts);
        work.fresh.assign(starts - 1, 1);
        std::size_t total = starts;
        // Rounds: each finds the intervals to cut among those the last one
        // made, evaluates their new samples together, and puts them in
        // place between their ends.
        bool cut = true;
        while (cut && !out.budgetReached) {
            const std::size_t n = out.size();
            // The parts each interval the last round made needs.
            work.parts.assign(n - 1, 0);
            std::size_t wanted = 0, flagged = 0;
            for (std::size_t i = 0; i + 1 < n; ++i) {
                if (!work.fresh[i]) continue;
                const int parts = partsFor(out.x[i], out.y[i], out.slope[i], out.x[i + 1],
                                           out.y[i + 1], out.slope[i + 1], span, tolerance);
                work.parts[i] = static_cast<std::uint8_t>(parts);
                wanted += parts > 0 ? static_cast<std::size_t>(parts) - 1 : 0;
                flagged += parts > 0;
            }
            // Past the budget, the last round: what is left of it shared
            // evenly, interval j of those flagged getting the new samples
            // between j·room/flagged and (j + 1)·room/flagged (at most
            // those it wants).
            if (total + wanted > mostSamples) {
                out.budgetReached = true;
                const std::size_t room = mostSamples - total;
                std::size_t j = 0;
                for (std::uint8_t& parts : work.parts) {
                    if (parts == 0) continue;
                    const std::size_t share = (j + 1) * room / flagged - j * room / flagged;
                    if (share < parts)
                        parts = static_cast<std::uint8_t>(share == 0 ? 0 : share + 1);
                    ++j;
                }
            }
            work.newX.clear();
            for (std::size_t i = 0; i + 1 < n; ++i) {
                const int parts = work.parts[i];
                total += parts > 0 ? static_cast<std::size_t>(parts) - 1 : 0;
                const double width = (out.x[i + 1] - out.x[i]) / std::max(parts, 1);
                for (int p = 1; p < parts; ++p) work.newX.push_back(out.x[i] + width * p);
            }
            cut = !work.newX.empty();
            work.newY = work.newX;
            work.newSlope.resize(work.newX.size());
            iterateEach(step, k, work.newY.data(), work.newSlope.data(), work.newX.size());
            // The samples in order, the new ones between their ends; the
            // intervals they make are the ones looked at next.
            work.x.clear();
            work.y.clear();
            work.slope.clear();
            work.fresh.clear();
            std::size_t added = 0;
            for (std::size_t i = 0; i < n; ++i) {
                work.x.push_back(out.x[i]);
                work.y.push_back(out.y[i]);
                work.slope.push_back(out.slope[i]);
                if (i + 1 == n) break;
                const int parts = work.parts[i];
                for (int p = 1; p < parts; ++p, ++added) {
                    work.x.push_back(work.newX[added]);
                    work.y.push_back(work.newY[added]);
                    work.slope.push_back(work.newSlope[added]);
                }
                work.fresh.insert(work.fresh.end(), static_cast<std::size_t>(std::max(parts, 1)),
                                  parts > 0);
            }
            out.x.swap(work.x);
            out.y.swap(work.y);
            out.slope.swap(work.slope);
        }
    });
    markCrossingHints(out);
}

void markCrossingHints(Curve& curve) {
    // g = f^k(x) − x: zero at a sample, a change of sign before the next,
    // or a turn back towards zero between them (its slope s − 1 pointing
    // to zero at the first and away at the next).
    curve.crossingHints.clear();
    const std::size_t n = curve.size();
    for (std::size_t i = 0; i < n; ++i) {
        const double g = curve.y[i] - curve.x[i];
        bool hint = g == 0;
        if (i + 1 < n) {
            const double next = curve.y[i + 1] - curve.x[i + 1];
            hint = hint || g * next < 0 ||
                   (g * (curve.slope[i] - 1) < 0 && g * (curve.slope[i + 1] - 1) > 0);
        }
        if (hint) curve.crossingHints.push_back(static_cast<std::uint32_t>(i));
    }
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
            if (curve.y[j] < lowest) lowest = curve.y[low = j];
            if (curve.y[j] > highest) highest = curve.y[high = j];
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

// Where the cubic through both ends of a sign change, with their values
// and slopes, crosses zero: a start for Newton's steps that is usually
// within a few units in the last place already. Found by Newton's steps
// on the cubic itself from the chord's crossing, kept while they stay
// inside; NaN when the chord gives none.
double cubicCrossing(const Crossing& c) {
    const double h = c.xb - c.xa;
    const double ga = c.ga, gb = c.gb;
    const double ma = (c.sa - 1) * h, mb = (c.sb - 1) * h;  // slopes of g in t
    double t = ga / (ga - gb);
    for (int i = 0; i < 3; ++i) {
        const double t2 = t * t, t3 = t2 * t;
        const double p = (2 * t3 - 3 * t2 + 1) * ga + (t3 - 2 * t2 + t) * ma +
                         (3 * t2 - 2 * t3) * gb + (t3 - t2) * mb;
        const double dp = (6 * t2 - 6 * t) * ga + (3 * t2 - 4 * t + 1) * ma +
                          (6 * t - 6 * t2) * gb + (3 * t2 - 2 * t) * mb;
        const double next = t - p / dp;
        if (!(next > 0 && next < 1)) break;
        t = next;
    }
    return c.xa + t * (c.xb - c.xa);
}

// A crossing being narrowed: its bracket, whether f^k(x) − x is negative
// at its low end, and the last x tried with f^k(x) and its slope there.
struct Narrowing {
    double lo, hi;
    bool risesAtLo;
    double x;
    Point p;
};

Narrowing startOf(const Crossing& c) {
    if (c.exact) return {c.xa, c.xa, false, c.xa, {c.xa, c.sa}};
    Narrowing n{std::min(c.xa, c.xb),
                std::max(c.xa, c.xb),
                (c.xa < c.xb) == (c.ga < 0),
                cubicCrossing(c),
                {}};
    if (!(n.x > n.lo && n.x < n.hi)) n.x = 0.5 * (n.lo + n.hi);
    return n;
}

// Sets n.x to the next x to try, from Newton's step where it stays inside
// the bracket, else the bracket's middle; false when n is done: f^k(x) − x
// at its noise, Newton standing still (its last step taken when inside,
// the slope that of the x before, within the noise of it) or no double
// left between the bracket's ends.
bool stepNarrowing(Narrowing& n) {
    // f^k(x) − x is computed to about this; below it the sign says little.
    constexpr double kNoise = 4 * std::numeric_limits<double>::epsilon();
    const double g = n.p.y - n.x;
    if (g == 0) return false;
    ((g < 0) == n.risesAtLo ? n.lo : n.hi) = n.x;
    double x = n.x - g / (n.p.slope - 1);
    const bool inside = x > n.lo && x < n.hi;
    if (std::fabs(g) <= kNoise * std::max(1.0, std::fabs(n.x)) ||
        std::fabs(x - n.x) <= kNoise * std::fabs(n.x)) {
        if (inside) n.x = x;
        return false;
    }
    if (!inside) x = 0.5 * (n.lo + n.hi);
    if (!(x > n.lo && x < n.hi)) return false;
    n.x = x;
    return true;
}

// Narrows the sign changes (the crossings with a bracket) to the noise of
// f^k(x) − x, at most 100 steps each: every round evaluates the trials of
// all that go on together.
template <class Step>
void narrow(const Step& step, int k, std::vector<Narrowing>& all) {
    std::vector<Narrowing*> going;
    for (Narrowing& n : all) {
        if (n.lo < n.hi) going.push_back(&n);
    }
    std::vector<double> x, slope;
    for (int round = 0; round <= 100 && !going.empty(); ++round) {
        x.resize(going.size());
        slope.resize(going.size());
        for (std::size_t i = 0; i < going.size(); ++i) x[i] = going[i]->x;
        iterateEach(step, k, x.data(), slope.data(), going.size());
        std::size_t kept = 0;
        for (std::size_t i = 0; i < going.size(); ++i) {
            going[i]->p = {x[i], slope[i]};
            if (round < 100 && stepNarrowing(*going[i])) going[kept++] = going[i];
        }
        going.resize(kept);
    }
}

// The least p dividing k with f^p(x) = x to within 1e-9·max(1, |x|) for
// each point; k when no smaller one is. All the points' orbits go on
// together, a step at a time.
template <class Step>
void leastPeriods(const Step& step, int k, std::vector<PeriodicPoint>& points) {
    std::vector<double> v;
    for (PeriodicPoint& point : points) {
        v.push_back(point.x);
        point.period = k;
    }
    double unused = 1;
    for (int p = 1; p < k; ++p) {
        for (double& x : v) x = step(x, unused);
        for (std::size_t i = 0; i < points.size() && k % p == 0; ++i) {
            const double start = points[i].x;
            if (points[i].period == k &&
                std::fabs(v[i] - start) <= 1e-9 * std::max(1.0, std::fabs(start))) {
                points[i].period = p;
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
    crossings.clear();
    withStep(map, a, [&](const auto& step) {
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
        // The samples where something may start: the curve's hints.
        const std::size_t n = curve.size();
        const std::vector<double>& xs = curve.x;
        const std::vector<double>& ys = curve.y;
        const std::vector<double>& ss = curve.slope;
        for (const std::uint32_t i : curve.crossingHints) {
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
            } else if (!curve.budgetReached && std::isfinite(gi) && std::isfinite(gn) &&
                       !searchDip(searchDip, xs[i], gi, ss[i], xs[i + 1], gn, ss[i + 1], 0)) {
                break;
            }
        }
        // The sign changes narrowed, the exact ones as found.
        std::vector<Narrowing> all;
        for (const Crossing& c : crossings) all.push_back(startOf(c));
        narrow(step, k, all);
        for (const Narrowing& n : all) {
            out.points.push_back({n.x, n.p.slope, std::fabs(n.p.slope) < 1, 0});
        }
        leastPeriods(step, k, out.points);
    });
}

void orbitOf(const Map& map, double a, int k, double x0, std::int64_t n, Orbit& out,
             const Span& span) {
    const double bottom = span.bottom(), top = span.top();
    out.x.clear();
    out.stoppedAt = 0;
    out.lastValue = 0;
    out.x.reserve(static_cast<std::size_t>(std::max<std::int64_t>(n, 0)) + 1);
    out.x.push_back(x0);
    withValue(map, [&](auto f) {
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
    });
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
