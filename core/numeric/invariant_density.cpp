#include "core/numeric/invariant_density.h"

#include <algorithm>
#include <cmath>
#include <numbers>
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

std::optional<Histogram> count(const Orbit& setup,
                               const std::function<bool(std::int64_t stepsDone)>& stop) {
    Histogram h;
    h.setup = setup;
    const std::int32_t m = std::clamp(setup.bins, kMinBins, kMaxBins);
    h.setup.bins = m;
    const std::int64_t n = std::clamp<std::int64_t>(setup.iterates, 0, kMaxIterates);
    h.setup.iterates = n;
    const std::int64_t transient = std::max<std::int64_t>(setup.transient, 0);
    const double binWidth = 1.0 / m;
    // The last min(N, kTailLength) kept iterates are taken one by one for the
    // period; all before them go through the counting loop.
    const std::int64_t tailLength = std::min<std::int64_t>(n, bifurcation::kTailLength);
    std::vector<double> tail;
    tail.reserve(static_cast<std::size_t>(tailLength));

    BinCounters counters;
    counters.reset(m, n);
    std::int64_t finiteSteps = 0;  // kept steps with a finite result
    const bool finished = withMap(
        setup.map == 2 ? 2 : 1, [](double, double x) { return x; },
        [&](auto map) {
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
            const std::int64_t bulk = n - tailLength;
            if (!countOrbitInto(counters, step, x, bulk, m, binWidth, kPollMask, poll)) {
                return false;
            }
            if (std::isfinite(last)) {
                finiteSteps = bulk;
            } else {
                // countOrbit ended at the first value that is not finite; how
                // far it got is found again (rare, so off the counting loop).
                for (double y = map(a, x); std::isfinite(y); y = map(a, y)) ++finiteSteps;
            }
            x = last;
            for (std::int64_t i = 0; i < tailLength && std::isfinite(x); ++i) {
                x = map(a, x);
                if (!std::isfinite(x)) break;
                ++finiteSteps;
                if (x <= 1 && x >= 0) counters.add(locateBinInUnit(x, m, binWidth));
                tail.push_back(x);
            }
            h.lastIterate = x;
            return true;
        });
    if (!finished) return std::nullopt;
    counters.finish();

    h.counts.assign(static_cast<std::size_t>(m), 0);
    for (std::int32_t j = 0; j <= m; ++j) {
        h.counts[static_cast<std::size_t>(std::min(j, m - 1))] += counters.at(j);
    }
    for (std::int32_t c : h.counts) h.counted += c;
    h.outside = finiteSteps - h.counted;

    if (!std::isfinite(h.lastIterate)) {
        h.fate = Fate::Escaped;
    } else if (n < 2) {
        h.fate = Fate::TooFewIterates;
    } else if (const int p = bifurcation::periodOf(tail); p > 0) {
        h.period = p;
        double slope = 1;
        for (std::size_t i = tail.size() - static_cast<std::size_t>(p); i < tail.size(); ++i) {
            slope *= bifurcation::derivative(h.setup.map, setup.a, tail[i]);
        }
        h.multiplier = slope;
        h.fate = std::fabs(slope) > 1 + kNeutralSlack ? Fate::UnstableCycle : Fate::Periodic;
    } else {
        h.fate = Fate::Chaotic;
    }
    return h;
}

double binDensity(const Histogram& h, std::int32_t j) {
    const std::int64_t kept = h.counted + h.outside;
    if (kept <= 0) return 0;
    const std::int32_t m = static_cast<std::int32_t>(h.counts.size());
    const double width = binHigh(m, j) - binLow(m, j);
    return static_cast<double>(h.counts[static_cast<std::size_t>(j)]) /
           (static_cast<double>(kept) * width);
}

bool closedFormKnown(int map, double a) { return map == 1 && a == 4; }

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
        case Fate::Escaped:
            return "escaped";
        case Fate::TooFewIterates:
            return "too few iterates for a period";
    }
    return "";
}

void writeCsv(const Histogram& h, CsvWriter& out) {
    const Orbit& s = h.setup;
    out.comment("Density of the kept iterates of " + std::string(mapFormula(s.map)) +
                " at a = " + exactNumber(s.a));
    out.comment("x0 = " + exactNumber(s.x0) + ", T = " + std::to_string(s.transient) + ", N = " +
                std::to_string(s.iterates) + ", bins = " + std::to_string(s.bins) + " over [0, 1]");
    std::string fate = fateName(h.fate);
    if (h.fate == Fate::Periodic || h.fate == Fate::UnstableCycle) {
        fate += " " + std::to_string(h.period);
    }
    out.comment(fate + "; " + std::to_string(h.counted) + " iterates in [0, 1], " +
                std::to_string(h.outside) + " outside");
    const bool known = closedFormKnown(s.map, s.a);
    if (known) {
        const Fit fit = fitClosedForm(h);
        out.comment(
            "closed form 1/(pi*sqrt(x*(1-x))), averaged over each bin: largest relative "
            "deviation " +
            exactNumber(fit.largestRelativeDeviation) + ", chi-square " +
            exactNumber(fit.chiSquare) + " with " + std::to_string(fit.degreesOfFreedom) +
            " degrees of freedom");
        out.header({"x_low", "x_high", "count", "density", "closed_form"});
    } else {
        out.header({"x_low", "x_high", "count", "density"});
    }
    const std::int32_t m = static_cast<std::int32_t>(h.counts.size());
    for (std::int32_t j = 0; j < m; ++j) {
        const double lo = binLow(m, j);
        const double hi = binHigh(m, j);
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
