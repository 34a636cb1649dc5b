#include "core/numeric/feigenbaum.h"

#include <algorithm>
#include <cmath>

#include "core/numeric/maps.h"

namespace corvane::feigenbaum {

namespace {

constexpr double kUnit = 0x1p-53;  // half an ulp of 1
// Coarse scan for s_1 above s_0, up to the a at which f(c) = 1.
constexpr int kScanSteps = 256;

double ulp(double x) { return std::nextafter(std::fabs(x), HUGE_VAL) - std::fabs(x); }

// The orbit of c, its a-derivative and the variance of its rounding error.
struct State {
    double x, dx, v;
};

// One map's step: the value exactly as maps.h evaluates it, and beside it
// f′(x) and ∂f/∂a(x), sharing its sine.
struct StepF1 {
    double next, slope, byA;
    StepF1(double a, double x)
        : next((a * x) * (1 - x)), slope(a * (1 - 2 * x)), byA(x * (1 - x)) {}
};
struct StepF2 {
    double next, slope, byA;
    StepF2(double a, double x) {
        const double px = kPi * x;
        const double sine = std::sin(px);
        next = ((a * x) * x) * sine;
        slope = a * x * (2 * sine + px * std::cos(px));
        byA = (x * x) * sine;
    }
};

// Each built-in map's loop compiled on its own: inlined into the dispatch
// beside the formula's loop, f1's took twice as long a step.
template <class Step>
[[gnu::noinline]] State run(double a, std::int64_t steps, double c, double ops) {
    const double m = ops * kUnit;
    State s{c, 0, 0};
    for (std::int64_t j = 0; j < steps; ++j) {
        const Step t(a, s.x);
        s.dx = t.byA + t.slope * s.dx;
        const double rounding = m * t.next;
        s.v = (t.slope * t.slope) * s.v + rounding * rounding;
        s.x = t.next;
    }
    return s;
}

// A formula's step through its stepper: f′ as the stepper takes it, ∂f/∂a
// by a central difference in a.
State runFormula(const Map& map, double a, std::int64_t steps, double c) {
    Map::Stepper f = map.stepper();
    const double m = map.roundingsPerStep() * kUnit;
    State s{c, 0, 0};
    for (std::int64_t j = 0; j < steps && std::isfinite(s.x); ++j) {
        double slope = 0;
        const double next = f.valueAndSlope(a, s.x, slope);
        s.dx = f.parameterSlope(a, s.x) + slope * s.dx;
        const double rounding = m * next;
        s.v = (slope * slope) * s.v + rounding * rounding;
        s.x = next;
    }
    return s;
}

State orbit(const Map& map, double a, std::int64_t steps, double c) {
    switch (map.kind()) {
        case Map::Kind::Logistic:
            return run<StepF1>(a, steps, c, kOpsF1);
        case Map::Kind::Sine:
            return run<StepF2>(a, steps, c, kOpsF2);
        case Map::Kind::Formula:
            break;
    }
    return runFormula(map, a, steps, c);
}

// Where the scan for s_1 ends: the a at which f(c) = 1 for the built-in
// maps (both a times a function of x); a formula's start range's end.
double scanTop(const Map& map, double c) {
    switch (map.kind()) {
        case Map::Kind::Logistic:
            return 1 / f1(1.0, c);
        case Map::Kind::Sine:
            return 1 / f2(1.0, c);
        case Map::Kind::Formula:
            break;
    }
    return map.startParameters().to;
}

}  // namespace

Evaluation evaluate(const Map& map, double a, int n, double c) {
    const State s = orbit(map, a, std::int64_t{1} << n, c);
    return {s.x - c, s.dx, std::sqrt(s.v) + kUnit * std::fabs(s.x - c)};
}

Distance distance(const Map& map, double a, int n, double c) {
    const State s = orbit(map, a, std::int64_t{1} << (n - 1), c);
    return {s.x - c, s.dx};
}

NewtonOutcome newton(const Map& map, int n, double c, double start, double lo, double hi) {
    NewtonOutcome out;
    const bool bracketed = lo < hi;
    double a = start;
    for (int k = 1; k <= kMostNewtonSteps; ++k) {
        const Evaluation v = evaluate(map, a, n, c);
        if (!std::isfinite(v.g) || !std::isfinite(v.slope) || v.slope == 0) {
            out.steps = k;
            return out;
        }
        const double step = v.g / v.slope;
        const double noise = v.error / std::fabs(v.slope);
        double next = a - step;
        if (bracketed && !(next > lo && next < hi)) next = 0.5 * (a + (next <= lo ? lo : hi));
        const bool settled = std::fabs(step) <= std::max(4 * ulp(a), 2 * noise);
        a = next;
        if (settled) {
            out.root = a;
            out.uncertainty = noise + 2 * ulp(a);
            out.steps = k;
            out.converged = true;
            return out;
        }
    }
    out.steps = kMostNewtonSteps;
    out.root = a;
    return out;
}

Failure judge(const Row& row, const Row& previous, double lo, double hi) {
    if (row.n >= 2 && !(row.s > lo && row.s < hi)) return Failure::OutsideBracket;
    if (!(row.gap >= kLeastGapUlps * ulp(row.s)) || !(row.gap >= 4 * row.uncertainty)) {
        return Failure::GapUnresolved;
    }
    if (!(std::fabs(row.d) > 4 * row.dUncertainty)) return Failure::WrongCycle;
    if (row.n >= 2 && (row.d < 0) == (previous.d < 0)) return Failure::WrongCycle;
    return Failure::None;
}

void grade(Row& row, const Row& p, const Row& q) {
    const double rel =
        (row.uncertainty + p.uncertainty) / row.gap + (p.uncertainty + q.uncertainty) / p.gap;
    if (!(rel <= kDeltaTolerance)) {
        row.status = Status::Imprecise;
        row.delta = row.deltaUncertainty = row.alpha = row.alphaUncertainty = kNaN;
        return;
    }
    row.status = Status::Resolved;
    row.delta = p.gap / row.gap;
    row.deltaUncertainty = row.delta * rel;
    row.alpha = p.d / row.d;
    row.alphaUncertainty = std::fabs(row.alpha) *
                           (row.dUncertainty / std::fabs(row.d) + p.dUncertainty / std::fabs(p.d));
}

std::string whyNoSearch(const Map& map) {
    const std::size_t points = map.criticalPoints().size();
    if (points == 1) return {};
    if (points > 1) {
        return "f(x) = " + map.caption() + " has " + std::to_string(points) +
               " critical points in its x-range; the search follows the orbit of one, so it "
               "needs a map with exactly one";
    }
    return "f(x) = " + map.caption() +
           " has no critical point that stays put as a changes in its x-range; the search "
           "follows the orbit of one";
}

Outcome search(const Map& map, int mostN, const Progress& progress) {
    Outcome out;
    out.map = map;
    out.refusal = whyNoSearch(map);
    if (!out.refusal.empty()) return out;
    mostN = std::clamp(mostN, 2, kMostN);
    const double c = map.criticalPoints().front();
    out.c = c;
    std::vector<Row>& rows = out.rows;

    auto count = [&](int n, int evaluations) {
        out.evaluations += (std::int64_t{1} << n) * evaluations;
    };

    for (int n = 0; n <= mostN; ++n) {
        Row row;
        row.n = n;
        double start = map.isFormula() ? map.startParameters().from : 1.0, lo = 0, hi = 0;
        if (n == 1) {
            // The first change of sign of g_1 above s_0 (where g_1 is zero
            // too, c being a fixed point there).
            const double s0 = rows[0].s;
            const double top = scanTop(map, c);
            const double h = (top - s0) / kScanSteps;
            double prev = evaluate(map, s0 + h, 1, c).g;
            count(1, 1);
            bool found = false;
            for (int j = 2; j <= kScanSteps && !found; ++j) {
                const double a = s0 + j * h;
                const double g = evaluate(map, a, 1, c).g;
                count(1, 1);
                if ((g < 0) != (prev < 0)) {
                    lo = a - h;
                    hi = a;
                    found = true;
                }
                prev = g;
            }
            start = 0.5 * (lo + hi);
            if (!found) {
                row.failure = Failure::NoConvergence;
                rows.push_back(row);
                if (progress) progress(rows, out.evaluations);
                break;
            }
        } else if (n >= 2) {
            const Row& p = rows[n - 1];
            // Before there is a ratio, the gaps taken to shrink fourfold.
            const double delta = n >= 3 ? rows[n - 2].gap / p.gap : 4.0;
            lo = p.s;
            hi = p.s + p.gap;
            start = p.s + p.gap / delta;
        }
        const NewtonOutcome root = newton(map, n, c, start, lo, hi);
        count(n, root.steps);
        row.newtonSteps = root.steps;
        row.s = root.root;
        row.uncertainty = root.uncertainty;
        if (!root.converged) row.failure = Failure::NoConvergence;
        if (row.failure == Failure::None && n >= 1) {
            const Row& p = rows[n - 1];
            row.gap = row.s - p.s;
            const Distance d = distance(map, row.s, n, c);
            count(n - 1, 1);
            row.d = d.d;
            row.dUncertainty = std::fabs(d.slope) * row.uncertainty + 4 * kUnit;
            row.failure = judge(row, p, lo, hi);
        }
        if (row.failure != Failure::None) {
            rows.push_back(row);
            if (progress) progress(rows, out.evaluations);
            break;
        }
        row.status = Status::Resolved;
        if (n >= 2) grade(row, rows[n - 1], rows[n - 2]);
        rows.push_back(row);
        if (progress && !progress(rows, out.evaluations)) {
            out.cancelled = true;
            break;
        }
    }

    // The best estimates: of the resolved rows after a resolved row, the
    // one with the smallest error bound.
    for (std::size_t i = 3; i < rows.size(); ++i) {
        const Row& r = rows[i];
        const Row& p = rows[i - 1];
        if (r.status != Status::Resolved || p.status != Status::Resolved) continue;
        out.lastResolved = static_cast<int>(i);
        const double deltaError = std::fabs(r.delta - p.delta) + r.deltaUncertainty;
        if (!(deltaError >= out.deltaError)) {
            out.delta = r.delta;
            out.deltaError = deltaError;
            out.deltaRow = static_cast<int>(i);
        }
        const double alphaError = std::fabs(r.alpha - p.alpha) + r.alphaUncertainty;
        if (!(alphaError >= out.alphaError)) {
            out.alpha = r.alpha;
            out.alphaError = alphaError;
            out.alphaRow = static_cast<int>(i);
        }
    }
    return out;
}

}  // namespace corvane::feigenbaum
