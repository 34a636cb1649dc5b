#include "core/numeric/invariant_density.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <span>
#include <string>

#include "core/numeric/bifurcation.h"
#include "core/numeric/bin_count.h"
#include "core/numeric/maps.h"
#include "core/numeric/number_text.h"

namespace corvane::density {

namespace {

// Steps between two questions whether to stop.
constexpr std::int64_t kPollMask = (std::int64_t{1} << 16) - 1;
// A cycle whose slope lies this little beyond ±1 is taken as neutral, not
// unstable: at a bifurcation the computed slope strays past 1 by rounding.
constexpr double kNeutralSlack = 1e-6;

}  // namespace

double binLow(std::int32_t bins, std::int32_t j) { return binEdge(j, 1.0 / bins); }

double binHigh(std::int32_t bins, std::int32_t j) {
    // The counter above the last bin (the iterates at or above bins·(1/bins))
    // is part of the last bin, which so reaches 1.
    return j + 1 >= bins ? 1.0 : binEdge(j + 1, 1.0 / bins);
}

namespace {

// Counts a formula's orbit into bins over its x-range, one step at a time
// through its stepper. Returns false when stopped.
bool countFormula(const Orbit& setup, std::int64_t transient, std::int64_t n,
                  std::size_t tailLength, Histogram& h, std::vector<double>& tail,
                  std::int64_t& finiteSteps,
                  const std::function<bool(std::int64_t stepsDone)>& stop) {
    Map::Stepper f = setup.map.stepper();
    const Interval range = h.range;
    const std::int32_t m = static_cast<std::int32_t>(h.counts.size());
    const double scale = m / range.width();
    double x = setup.x0;
    for (std::int64_t i = 1; i <= transient && std::isfinite(x); ++i) {
        x = f.value(setup.a, x);
        if ((i & kPollMask) == 0 && stop && stop(i)) return false;
    }
    const std::int64_t tailStart = n - static_cast<std::int64_t>(tailLength);
    for (std::int64_t i = 0; i < n && std::isfinite(x); ++i) {
        x = f.value(setup.a, x);
        if (!std::isfinite(x)) break;
        ++finiteSteps;
        if (range.contains(x)) {
            const auto j = std::min<std::int64_t>(static_cast<std::int64_t>((x - range.from) * scale),
                                                  m - 1);
            ++h.counts[static_cast<std::size_t>(j)];
        }
        if (i >= tailStart) tail.push_back(x);
        if (((i + 1) & kPollMask) == 0 && stop && stop(transient + i + 1)) return false;
    }
    h.lastIterate = x;
    return true;
}

// Counts a built-in map's orbit into bins over [0, 1] in the counting loop.
bool countBuiltin(const Orbit& setup, std::int64_t transient, std::int64_t n,
                  std::size_t tailLength, BinCounters& counters, Histogram& h,
                  std::vector<double>& tail, std::int64_t& finiteSteps,
                  const std::function<bool(std::int64_t stepsDone)>& stop) {
    const std::int32_t m = h.setup.bins;
    const double binWidth = 1.0 / m;
    auto run = [&](auto map) {
        const double a = setup.a;
        double x = setup.x0;
        for (std::int64_t i = 1; i <= transient && std::isfinite(x); ++i) {
            x = map(a, x);
            if ((i & kPollMask) == 0 && stop && stop(i)) return false;
        }
        if (!std::isfinite(x)) {
            h.lastIterate = x;
            return true;
        }
        // The last value the loop reached, kept beside it (off the chain of x).
        double last = x;
        const auto step = [&](double y) {
            last = map(a, y);
            return last;
        };
        const auto poll = [&](std::int64_t done) { return stop && stop(transient + done); };
        const std::int64_t bulk = n - static_cast<std::int64_t>(tailLength);
        if (!countOrbitInto(counters, step, x, bulk, m, binWidth, kPollMask, poll)) return false;
        if (std::isfinite(last)) {
            finiteSteps = bulk;
        } else {
            // countOrbit ended at the first value that is not finite; how
            // far it got is found again (rare, so off the counting loop).
            for (double y = map(a, x); std::isfinite(y); y = map(a, y)) ++finiteSteps;
        }
        x = last;
        for (std::size_t i = 0; i < tailLength && std::isfinite(x); ++i) {
            x = map(a, x);
            if (!std::isfinite(x)) break;
            ++finiteSteps;
            if (x <= 1 && x >= 0) counters.add(locateBinInUnit(x, m, binWidth));
            tail.push_back(x);
        }
        h.lastIterate = x;
        return true;
    };
    return withValue(setup.map, run);
}

// x0 and the iterates up to the first that lies on the cycle the tail
// ends on (its last p values), when that takes at most kShortArrival steps.
std::vector<double> arrivalOn(const Orbit& setup, std::span<const double> cycle) {
    Map::Stepper f = setup.map.stepper();
    std::vector<double> path{setup.x0};
    double x = setup.x0;
    for (int i = 0; i <= kShortArrival; ++i) {
        if (std::find(cycle.begin(), cycle.end(), x) != cycle.end()) return path;
        x = f.value(setup.a, x);
        path.push_back(x);
    }
    return {};
}

// λ over `steps` steps from x: (1/steps)·Σ ln|f′| as a product whose binary
// exponent is taken out of every factor.
double lyapunovFrom(const Map& map, double a, double x, std::int64_t steps) {
    Map::Stepper f = map.stepper();
    double product = 1;
    std::int64_t exponent = 0;
    for (std::int64_t i = 0; i < steps; ++i) {
        double slope = 0;
        x = f.valueAndSlope(a, x, slope);
        if (slope == 0) return -std::numeric_limits<double>::infinity();
        if (!std::isfinite(x) || !std::isfinite(slope)) {
            return std::numeric_limits<double>::quiet_NaN();
        }
        int e = 0;
        product *= std::frexp(std::fabs(slope), &e);
        exponent += e;
        product = std::frexp(product, &e);
        exponent += e;
    }
    return (static_cast<double>(exponent) * std::log(2.0) + std::log(product)) /
           static_cast<double>(steps);
}

}  // namespace

bool exactLogisticPath(double a, const std::vector<double>& path) {
    for (std::size_t i = 0; i + 1 < path.size(); ++i) {
        const double x = path[i];
        const double p = a * x;
        if (std::fma(a, x, -p) != 0) return false;
        // 1 − x exactly: its rounding error by Knuth's two-sum.
        const double q = 1 - x;
        const double back = q - 1;
        if ((1 - (q - back)) + (-x - back) != 0) return false;
        const double r = p * q;
        if (std::fma(p, q, -r) != 0) return false;
        if (r != path[i + 1]) return false;
    }
    return true;
}

std::optional<Histogram> count(const Orbit& setup,
                               const std::function<bool(std::int64_t stepsDone)>& stop) {
    Histogram h;
    h.setup = setup;
    h.range = setup.map.xRange();
    const std::int32_t m = std::clamp(setup.bins, kMinBins, kMaxBins);
    h.setup.bins = m;
    const std::int64_t n = std::clamp<std::int64_t>(setup.iterates, 0, kMaxIterates);
    h.setup.iterates = n;
    const std::int64_t transient = std::max<std::int64_t>(setup.transient, 0);
    // The last min(N, kTailLength) kept iterates are kept for the period.
    const std::size_t tailLength =
        static_cast<std::size_t>(std::min<std::int64_t>(n, bifurcation::kTailLength));
    std::vector<double> tail;
    tail.reserve(tailLength);
    std::int64_t finiteSteps = 0;  // kept steps with a finite result
    h.counts.assign(static_cast<std::size_t>(m), 0);
    if (setup.map.isFormula()) {
        if (!countFormula(h.setup, transient, n, tailLength, h, tail, finiteSteps, stop)) {
            return std::nullopt;
        }
    } else {
        BinCounters counters;
        counters.reset(m, n);
        if (!countBuiltin(h.setup, transient, n, tailLength, counters, h, tail, finiteSteps,
                          stop)) {
            return std::nullopt;
        }
        counters.finish();
        for (std::int32_t j = 0; j <= m; ++j) {
            h.counts[static_cast<std::size_t>(std::min(j, m - 1))] += counters.at(j);
        }
    }
    for (std::int32_t c : h.counts) h.counted += c;
    h.outside = finiteSteps - h.counted;

    if (!std::isfinite(h.lastIterate)) {
        h.fate = Fate::Escaped;
    } else if (n < 2) {
        h.fate = Fate::TooFewIterates;
    } else if (const int p = bifurcation::periodOf(tail); p > 0) {
        h.period = p;
        Map::Stepper f = setup.map.stepper();
        double slope = 1;
        for (std::size_t i = tail.size() - static_cast<std::size_t>(p); i < tail.size(); ++i) {
            slope *= f.slope(setup.a, tail[i]);
        }
        h.multiplier = slope;
        h.fate = std::fabs(slope) > 1 + kNeutralSlack ? Fate::UnstableCycle : Fate::Periodic;
        if (h.fate == Fate::UnstableCycle) {
            h.arrival = arrivalOn(h.setup, std::span(tail).last(static_cast<std::size_t>(p)));
            h.exactArrival = !h.arrival.empty() && setup.map.kind() == Map::Kind::Logistic &&
                             exactLogisticPath(setup.a, h.arrival);
        }
    } else if (const double limit = bifurcation::settlingPoint(setup.map, setup.a, tail);
               !std::isnan(limit)) {
        h.fate = Fate::Converging;
        h.limit = limit;
    } else {
        h.lyapunov = lyapunovFrom(setup.map, setup.a, h.lastIterate,
                                  std::min<std::int64_t>(n, kLyapunovSteps));
        h.fate = h.lyapunov > 0 ? Fate::Chaotic : Fate::LongPeriod;
    }
    return h;
}

double binLow(const Histogram& h, std::int32_t j) {
    const std::int32_t m = static_cast<std::int32_t>(h.counts.size());
    if (h.range == Interval{0, 1}) return binLow(m, j);
    return h.range.from + h.range.width() * (static_cast<double>(j) / m);
}

double binHigh(const Histogram& h, std::int32_t j) {
    const std::int32_t m = static_cast<std::int32_t>(h.counts.size());
    if (h.range == Interval{0, 1}) return binHigh(m, j);
    return j + 1 >= m ? h.range.to : binLow(h, j + 1);
}

double binDensity(const Histogram& h, std::int32_t j) {
    const std::int64_t kept = h.counted + h.outside;
    if (kept <= 0) return 0;
    const double width = binHigh(h, j) - binLow(h, j);
    return static_cast<double>(h.counts[static_cast<std::size_t>(j)]) /
           (static_cast<double>(kept) * width);
}

bool closedFormKnown(const Map& map, double a) {
    return map.kind() == Map::Kind::Logistic && a == 4;
}

bool comparesWithClosedForm(const Histogram& h) {
    return closedFormKnown(h.setup.map, h.setup.a) && h.counted > 0 &&
           h.fate != Fate::UnstableCycle && h.fate != Fate::Escaped;
}

double closedForm(double x) { return 1 / (std::numbers::pi * std::sqrt(x * (1 - x))); }

double closedFormMass(double x1, double x2) {
    x1 = std::clamp(x1, 0.0, 1.0);
    x2 = std::clamp(x2, 0.0, 1.0);
    return (2 / std::numbers::pi) * (std::asin(std::sqrt(x2)) - std::asin(std::sqrt(x1)));
}

Fit fitCounts(const std::vector<std::int32_t>& counts, const std::vector<double>& masses) {
    Fit fit;
    double total = 0;
    for (std::int32_t c : counts) total += c;
    std::int64_t used = 0;
    const std::size_t n = std::min(counts.size(), masses.size());
    for (std::size_t j = 0; j < n; ++j) {
        const double expected = total * masses[j];
        if (!(expected > 0)) continue;
        const double d = counts[j] - expected;
        fit.largestRelativeDeviation =
            std::max(fit.largestRelativeDeviation, std::fabs(d) / expected);
        fit.chiSquare += d * d / expected;
        ++used;
    }
    fit.degreesOfFreedom = std::max<std::int64_t>(used - 1, 0);
    return fit;
}

Fit fitClosedForm(const Histogram& h) {
    const std::int32_t m = static_cast<std::int32_t>(h.counts.size());
    std::vector<double> masses(static_cast<std::size_t>(m));
    for (std::int32_t j = 0; j < m; ++j) {
        masses[static_cast<std::size_t>(j)] = closedFormMass(binLow(m, j), binHigh(m, j));
    }
    return fitCounts(h.counts, masses);
}

std::pair<std::int64_t, std::int64_t> columnBins(std::int64_t bins, int columns, int c) {
    const std::int64_t first = std::min(bins - 1, std::int64_t(c) * bins / columns);
    const std::int64_t last = std::max(first + 1, std::int64_t(c + 1) * bins / columns);
    return {first, last};
}

std::vector<ColumnSummary> summariseColumns(const Histogram& h, int columns) {
    std::vector<ColumnSummary> out(static_cast<std::size_t>(std::max(columns, 0)));
    const std::int64_t m = static_cast<std::int64_t>(h.counts.size());
    if (m == 0) return out;
    for (int c = 0; c < columns; ++c) {
        const auto [first, last] = columnBins(m, columns, c);
        double sum = 0;
        double largest = 0;
        for (std::int64_t j = first; j < last; ++j) {
            const double d = binDensity(h, static_cast<std::int32_t>(j));
            sum += d;
            largest = std::max(largest, d);
        }
        out[static_cast<std::size_t>(c)] = {sum / static_cast<double>(last - first), largest};
    }
    return out;
}

const char* fateName(Fate fate) {
    switch (fate) {
        case Fate::Chaotic:
            return "chaotic";
        case Fate::Periodic:
            return "period";
        case Fate::UnstableCycle:
            return "unstable cycle";
        case Fate::Converging:
            return "converging to a fixed point";
        case Fate::LongPeriod:
            return "no period up to 64 with lambda <= 0: a longer period, or still converging";
        case Fate::Escaped:
            return "escaped";
        case Fate::TooFewIterates:
            return "too few iterates for a period";
    }
    return "";
}

void writeCsv(const Histogram& h, CsvWriter& out) {
    const Orbit& s = h.setup;
    out.about({"the density of the kept iterates", "f(x) = " + s.map.caption(),
               "a = " + exactNumber(s.a) + "; x0 = " + exactNumber(s.x0) +
                   "; T = " + std::to_string(s.transient) + "; N = " + std::to_string(s.iterates) +
                   "; bins = " + std::to_string(s.bins) + " from " + exactNumber(h.range.from) +
                   " to " + exactNumber(h.range.to)});
    std::string fate = fateName(h.fate);
    if (h.fate == Fate::Periodic || h.fate == Fate::UnstableCycle) {
        fate += " " + std::to_string(h.period);
    }
    if (h.fate == Fate::Converging) fate += " " + exactNumber(h.limit);
    if (!std::isnan(h.lyapunov)) fate += " (lambda = " + exactNumber(h.lyapunov) + ")";
    out.comment(fate + "; " + std::to_string(h.counted) + " iterates in the range; " +
                std::to_string(h.outside) + " outside");
    const bool known = comparesWithClosedForm(h);
    if (known) {
        const Fit fit = fitClosedForm(h);
        out.comment(
            "closed form 1/(pi*sqrt(x*(1-x))) averaged over each bin: largest relative "
            "deviation " +
            exactNumber(fit.largestRelativeDeviation) + "; chi-square " +
            exactNumber(fit.chiSquare) + " with " + std::to_string(fit.degreesOfFreedom) +
            " degrees of freedom");
        out.header({"x_low", "x_high", "count", "density", "closed_form"});
    } else {
        out.header({"x_low", "x_high", "count", "density"});
    }
    const std::int32_t m = static_cast<std::int32_t>(h.counts.size());
    for (std::int32_t j = 0; j < m; ++j) {
        const double lo = binLow(h, j);
        const double hi = binHigh(h, j);
        out.number(lo);
        out.number(hi);
        out.integer(h.counts[static_cast<std::size_t>(j)]);
        out.number(binDensity(h, j));
        if (known) out.number(closedFormMass(lo, hi) / (hi - lo));
        out.endRow();
    }
    out.flush();
}

}  // namespace corvane::density
