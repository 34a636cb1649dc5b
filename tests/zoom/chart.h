// Where Form2's single chart lies on the scripted desktop.
#pragma once

namespace corvane::testing {

// The screen is 28800 x 16200 twips, so Form2 is 25920 x 14580 and its client
// area below the menu bar 25800 x 13770: the chart spans x from 0.08 to 0.98
// and y from 0.05 to 0.95 of it.
struct Chart {
    double left;
    double bottom;
    double right;
    double top;

    double height() const { return bottom - top; }
    // Iterate n of N on the horizontal axis.
    double x(long long n, long long N) const {
        return left + (right - left) * static_cast<double>(n) / static_cast<double>(N);
    }
    // An orbit value on the -0.25 .. 1.25 scale.
    double orbitY(double v) const { return bottom - (v + 0.25) / 1.5 * height(); }
    // A difference on the -M .. M scale.
    double differenceY(double d, double M) const {
        return (bottom + top) / 2 - d / M * height() / 2;
    }
};

inline constexpr Chart kForm2Chart{2064, 13081.5, 25284, 688.5};

}  // namespace corvane::testing
