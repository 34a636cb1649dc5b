#include "core/tools/verdicts.h"

#include <cmath>
#include <charconv>

namespace corvane::tools {

namespace {

std::string lambdaText(double lambda) {
    if (std::isnan(lambda)) return "-";
    if (std::isinf(lambda)) return lambda < 0 ? "-inf" : "inf";
    return shortNumber(lambda);
}

std::string rangeText(const Interval& r) {
    return "[" + shortNumber(r.from) + ", " + shortNumber(r.to) + "]";
}

// x0 → x1 → … as the path shows it.
std::string pathText(const std::vector<double>& path) {
    std::string t;
    for (std::size_t i = 0; i < path.size(); ++i) {
        if (i > 0) t += " \u2192 ";
        t += shortNumber(path[i]);
    }
    return t;
}

}  // namespace

std::string shortNumber(double v, int digits) {
    if (std::fabs(v) < 1e-12) v = 0;
    if (std::isnan(v)) return "nan";
    // Whatever the locale's decimal separator.
    char buffer[40];
    const auto end =
        std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::general, digits);
    return std::string(buffer, end.ptr);
}

std::string columnVerdict(const bifurcation::ColumnOutcome& o, std::int64_t kept,
                          const Interval& range) {
    std::string what;
    if (o.escaped) {
        what = "escaped (the orbit is no longer finite)";
    } else if (o.period > 0) {
        what = "period " + std::to_string(o.period);
    } else if (kept < 2) {
        what = "too few kept steps for a period";
    } else if (!std::isnan(o.settling)) {
        what = "converging to " + shortNumber(o.settling);
    } else if (o.lyapunov > 0) {
        what = "chaotic";
    } else if (std::isnan(o.lyapunov)) {
        what = "no period up to " + std::to_string(bifurcation::kMaxPeriod);
    } else {
        what = "periodic, period above " + std::to_string(bifurcation::kMaxPeriod) +
               ", or still converging";
    }
    if (o.leftRange && !o.escaped) what += ", the orbit left " + rangeText(range);
    const double lambda = o.escaped ? std::nan("") : o.lyapunov;
    return what + ", \u03bb = " + lambdaText(lambda);
}

std::string fateText(const density::Histogram& h) {
    using density::Fate;
    std::string t;
    switch (h.fate) {
        case Fate::Chaotic:
            t = "Chaotic (\u03bb = " + lambdaText(h.lyapunov) + ").";
            break;
        case Fate::LongPeriod:
            t = "No period up to " + std::to_string(bifurcation::kMaxPeriod) + " and \u03bb = " +
                lambdaText(h.lyapunov) + " \u2264 0: periodic with a longer period, or still "
                "converging.";
            break;
        case Fate::Converging:
            t = "Converging to the fixed point " + shortNumber(h.limit) + ", too slowly to "
                "settle within the transient.";
            break;
        case Fate::Periodic:
            t = "Period " + std::to_string(h.period) + ".";
            break;
        case Fate::UnstableCycle: {
            const std::string cycle =
                h.period == 1 ? "the fixed point " + shortNumber(h.lastIterate)
                              : "a cycle of period " + std::to_string(h.period);
            const std::string unstable = " (unstable, slope " + shortNumber(h.multiplier) + ")";
            if (h.exactArrival) {
                t = "In exact arithmetic " + pathText(h.arrival) +
                    (h.period == 1 ? ", and " + shortNumber(h.lastIterate) + " is a fixed point"
                                   : ", which lies on " + cycle) +
                    unstable + ": the orbit stays there, so there is no density to show. "
                    "Choose another x0.";
            } else if (!h.arrival.empty()) {
                t = "The orbit " + pathText(h.arrival) + " landed exactly on " + cycle + unstable +
                    " and stays there, so this is not the density. Choose another x0.";
            } else {
                t = "The orbit landed exactly on " + cycle + unstable +
                    " and stays there, so this is not the density. Choose another x0.";
            }
            break;
        }
        case Fate::Escaped:
            t = "The orbit escaped: it is no longer finite.";
            break;
        case Fate::TooFewIterates:
            t = "Too few iterates for a period.";
            break;
    }
    if (h.outside > 0) {
        t += " " + std::to_string(h.outside) + " iterates lay outside " + rangeText(h.range) +
             " and are not drawn.";
    }
    return t;
}

}  // namespace corvane::tools
