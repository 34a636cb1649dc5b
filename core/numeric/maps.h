// The two maps of the unit interval, each operation in double precision in
// exactly this order. Pi is the shortened 3.14159265358979, not the double
// nearest to pi.
#pragma once

#include <bit>
#include <cmath>
#include <cstdint>

namespace corvane {

inline constexpr double kPi = std::bit_cast<double>(std::uint64_t{0x400921FB54442D11});

// f1(x) = a·x·(1−x)
inline double f1(double a, double x) { return (a * x) * (1 - x); }

// f2(x) = a·x²·sin(π·x); the square is two multiplications.
inline double f2(double a, double x) { return ((a * x) * x) * std::sin(kPi * x); }

// The selected map (1 or 2); any other choice leaves x unchanged.
inline double applyMap(int choice, double a, double x) {
    if (choice == 1) return f1(a, x);
    if (choice == 2) return f2(a, x);
    return x;
}

// The k-fold map f^k(x) of the selected map (1 or 2; any other leaves x
// unchanged), k >= 0.
inline double iterateMap(int choice, double a, int k, double x) {
    for (int j = 0; j < k; ++j) x = applyMap(choice, a, x);
    return x;
}

// Runs `fn` with the selected map as a function of (a, x), chosen once so
// that a long loop gets it inlined; with no map selected `none` stands in.
template <class None, class Fn>
decltype(auto) withMap(int choice, None none, Fn&& fn) {
    switch (choice) {
        case 1:
            return fn([](double a, double x) { return f1(a, x); });
        case 2:
            return fn([](double a, double x) { return f2(a, x); });
        default:
            return fn(none);
    }
}

}  // namespace corvane
