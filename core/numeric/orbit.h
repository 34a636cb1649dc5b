// Stepping an orbit the way the sequence plots do, and the difference of two
// orbits the way the difference chart does. Plain arithmetic: where the
// points go is the caller's business (`Points` has put(n, y)).
//
// A long loop runs in stretches of at most kStretch steps, each a function
// with no call in it but the map's sine, so that the orbit's chain stays in
// registers while the points go to `Points` beside it.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

namespace corvane {

// The most steps of one stretch.
inline constexpr std::int64_t kStretch = 256;

// The toolkit's own drawing code may return with the upper halves of the
// AVX registers still in use. Until they are cleared every SSE instruction of
// a loop is merged with them, which makes the orbit loops about a third
// slower. A stretch calls this first.
inline void clearUpperVectorState() {
#if (defined(__x86_64__) || defined(__i386__)) && !defined(__AVX__)
    // Built without AVX, this program keeps nothing in the upper halves, so
    // clearing them disturbs none of its values.
    if (__builtin_cpu_supports("avx")) asm volatile("vzeroupper");
#endif
}

// --- The orbit of a sequence plot ------------------------------------------

// The chart's vertical placement: y = -0.25 at bottom, 1.25 at the top.
struct OrbitChart {
    double bottom;
    double height;  // bottom - top

    // Where the value y is placed.
    double place(double y) const { return bottom - ((y + 0.25) * height) / 1.5; }
    // The value the placed point stands for: the orbit goes on from it, so
    // that it keeps to the drawn grid of this chart.
    double readBack(double placed) const { return (1.5 * (bottom - placed)) / height - 0.25; }
};

// Whether a value is drawn: -0.25 and 1.25 themselves are, anything else
// outside (NaN included) is not.
inline bool onOrbitChart(double y) { return y >= -0.25 && y <= 1.25; }

// Where a stretch of the orbit stopped: at step n with the orbit at x, or
// before step n with its value off the chart.
struct OrbitStretch {
    double x;
    std::int64_t n;
    bool offChart;
};

// Steps n .. last of the orbit from x (`step` is x -> f(x)), ending early
// after a step n with (n & mask) == 0 or before a value off the chart.
// Step n puts (n, place(y)) to `out`, y being the value of step n.
template <class Step, class Points>
[[gnu::noinline]] OrbitStretch orbitStretch(Step step, double x, std::int64_t n, std::int64_t last,
                                            std::int64_t mask, OrbitChart chart, Points& out) {
    clearUpperVectorState();
    Points points = out;
    bool offChart = false;
    for (;;) {
        const double y = step(x);
        if (!onOrbitChart(y)) [[unlikely]] {
            offChart = true;
            break;
        }
        const double py = chart.place(y);
        points.put(n, py);
        x = chart.readBack(py);
        if (n == last || (n & mask) == 0) break;
        ++n;
    }
    out = points;
    return {x, n, offChart};
}

// The plotted orbit of N steps from x0 in `chart`, one stretch after the
// other: put(n, y, placed) for each step drawn, `poll(n)` after each step with
// (n & mask) == 0 (true stops). Returns the last step drawn; off the chart
// the orbit ends before the step that left it.
struct PlottedOrbitEnd {
    std::int64_t lastDrawn;
    bool offChart;
    bool stopped;
};

template <class Step, class Put, class Poll>
PlottedOrbitEnd forEachPlottedPoint(Step step, double x0, std::int64_t N, OrbitChart chart,
                                    std::int64_t mask, Put&& put, Poll&& poll) {
    double x = x0;
    for (std::int64_t n = 1; n <= N; ++n) {
        const double y = step(x);
        if (!onOrbitChart(y)) return {n - 1, true, false};
        const double py = chart.place(y);
        put(n, y, py);
        x = chart.readBack(py);
        if ((n & mask) == 0 && poll(n)) return {n, false, true};
    }
    return {N, false, false};
}

// --- The difference of two orbits ------------------------------------------

// The half-range M of the scale stays where M + 1 still fits its 32-bit integer.
inline constexpr std::int32_t kLargestDifferenceScale = std::numeric_limits<std::int32_t>::max() - 1;

// |d| to the nearest integer, an exact half to the even neighbour, at most
// kLargestDifferenceScale.
inline std::int32_t differenceScaleFor(double magnitude) {
    const double rounded = std::nearbyint(magnitude);
    if (rounded >= kLargestDifferenceScale) return kLargestDifferenceScale;
    return static_cast<std::int32_t>(rounded);
}

// The two orbits side by side, at iterate n.
struct Orbits {
    double u;
    double v;
    std::int64_t n;
};

// The first pass: the largest finite |u - v| so far, through iterate `last`
// or the next one with (n & mask) == 0. `map` is (a, x) -> f(x).
template <class Map>
[[gnu::noinline]] Orbits scanStretch(Map map, double a1, double a2, Orbits at, std::int64_t last,
                                     std::int64_t mask, double& largest) {
    clearUpperVectorState();
    double u = at.u;
    double v = at.v;
    double most = largest;
    std::int64_t n = at.n;
    do {
        ++n;
        const double un = map(a1, u);
        const double vn = map(a2, v);
        // NaN and the infinities fail the first comparison.
        const double size = std::fabs(un - vn);
        if (size <= std::numeric_limits<double>::max() && size > most) most = size;
        u = un;
        v = vn;
    } while (n != last && (n & mask) != 0);
    largest = most;
    return {u, v, n};
}

// The vertical scale of the difference chart: from bottom - height at
// d = scale down to bottom at d = -scale.
struct DifferenceScale {
    double bottom;
    double height;  // bottom - top
    double scale;
    double perScale;  // 1 / scale

    // Only a scale that had to stop at its largest value leaves differences
    // beyond it; they lie outside the chart and are not drawn. NaN and the
    // infinities are not drawn either.
    bool shows(double d) const { return std::fabs(d) <= scale; }
    // Dividing by a power of two is the same as multiplying by its
    // reciprocal, bit for bit; the usual scales 1 and 2 need no division.
    template <bool powerOfTwo>
    double place(double d) const {
        const double half = (height * (d + scale)) / 2;
        return bottom - (powerOfTwo ? half * perScale : half / scale);
    }
};

// The second pass: put(n, place(d)) for each difference drawn.
template <bool powerOfTwo, class Map, class Points>
[[gnu::noinline]] Orbits drawStretch(Map map, double a1, double a2, Orbits at, std::int64_t last,
                                     std::int64_t mask, DifferenceScale chart, Points& out) {
    clearUpperVectorState();
    Points points = out;
    double u = at.u;
    double v = at.v;
    std::int64_t n = at.n;
    do {
        ++n;
        const double un = map(a1, u);
        const double vn = map(a2, v);
        const double d = un - vn;
        if (chart.shows(d)) [[likely]] {
            points.put(n, chart.place<powerOfTwo>(d));
        }
        u = un;
        v = vn;
    } while (n != last && (n & mask) != 0);
    out = points;
    return {u, v, n};
}

}  // namespace corvane
