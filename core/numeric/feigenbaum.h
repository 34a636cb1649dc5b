// Feigenbaum's constants from the period-doubling cascade of a map.
//
// The superstable parameters s_0 < s_1 < … are the a at which the critical
// point c lies on a cycle of period 2^n: g_n(a) = f_a^(2^n)(c) − c = 0 at
// a = s_n (c = 0.5 for a·x·(1−x), the maximum of x²·sin(πx) for
// a·x²·sin(πx), a formula's one critical point). Each s_n is Newton's root of g_n, the derivative
// dg_n/da carried along the orbit by the chain rule
// (x′ ← ∂f/∂a(x) + f′(x)·x′, both built-in maps linear in a so
// ∂f/∂a(x) = f_1(x); a formula's by a central difference in a),
// and the map evaluated exactly as maps.h does. s_0 starts at the a that
// makes c a fixed point of the first-order step from a = 1; s_1 starts in
// the first change of sign of g_1 above s_0 on a coarse scan; every later
// s_n starts from the extrapolation s_{n−1} + (s_{n−1} − s_{n−2})/δ_{n−1}
// (δ_1 taken as 4).
//
// From them, for n ≥ 2:
//   δ_n = (s_{n−1} − s_{n−2}) / (s_n − s_{n−1})        → 4.6692016…
//   d_n = f^(2^(n−1))(c) − c at a = s_n (n ≥ 1): the signed distance from
//         the critical point to the point of its cycle nearest to it
//   α_n = d_{n−1} / d_n                                  → −2.5029079…
//
// When precision gives out. Every evaluation of g_n also carries a
// first-order estimate of its rounding error, the roundings of the steps
// taken as independent: e² ← (f′(x)·e)² + (m·u·f(x))² with u = 2^−53 and m
// the roundings a step makes (kOpsF1, kOpsF2), so that the root is
// uncertain by U_n = e/|g_n′| + 2 ulp(s_n). (Adding the magnitudes instead
// gives a bound some ten times wider at n = 10 that the errors measured
// against long double never come near.) A row is
//   - Resolved when Newton converged (its last step no more than
//     max(4 ulp, 2·U_n)), the root lies above s_{n−1} and below
//     s_{n−1} + (s_{n−1} − s_{n−2}), its cycle is the one the cascade makes
//     (d_n of the other sign than d_{n−1}, and |d_n| more than four times
//     its own uncertainty |∂d_n/∂a|·U_n + 4u), and δ_n is known to a
//     relative uncertainty
//     (U_n + U_{n−1})/gap_n + (U_{n−1} + U_{n−2})/gap_{n−1} of at most
//     kDeltaTolerance;
//   - Imprecise when all of that holds but δ_n's uncertainty is larger:
//     s_n stands, δ_n and α_n are noise and are not given;
//   - Failed when Newton did not converge within kMostNewtonSteps, found a
//     root outside that interval or of another cycle, or the gap
//     s_n − s_{n−1} is under kLeastGapUlps ulps of s_n or under 4·U_n. The
//     search stops at the first failed row.
#pragma once

#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "core/numeric/map.h"

namespace corvane::feigenbaum {

inline constexpr int kMostN = 24;
inline constexpr int kMostNewtonSteps = 60;
inline constexpr double kDeltaTolerance = 1e-5;
inline constexpr double kLeastGapUlps = 256;
// Roundings a step of each map makes, its derivative's included, counting
// the sine's as two: f1 three operations, f2 six and a sine.
inline constexpr double kOpsF1 = 4;
inline constexpr double kOpsF2 = 12;

inline constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// g_n(a) = f^(2^n)(c) − c, its derivative in a, and the bound on its
// rounding error.
struct Evaluation {
    double g = 0;
    double slope = 0;
    double error = 0;
};
Evaluation evaluate(const Map& map, double a, int n, double c);

// f^(2^(n−1))(c) − c at a (n ≥ 1), and its derivative in a.
struct Distance {
    double d = 0;
    double slope = 0;
};
Distance distance(const Map& map, double a, int n, double c);

struct NewtonOutcome {
    double root = kNaN;
    double uncertainty = kNaN;  // U_n
    int steps = 0;
    bool converged = false;
};
// Newton's method on g_n from `start`; steps are clamped to [lo, hi] when
// lo < hi.
NewtonOutcome newton(const Map& map, int n, double c, double start, double lo = 0, double hi = 0);

enum class Status : std::uint8_t { Resolved = 0, Imprecise = 1, Failed = 2 };
enum class Failure : std::uint8_t {
    None,
    NoConvergence,   // Newton's steps did not settle
    OutsideBracket,  // the root is not between s_{n−1} and the next gap
    WrongCycle,      // the root is not of the cascade's cycle of period 2^n
    GapUnresolved,   // s_n − s_{n−1} is lost in the rounding
};

struct Row {
    int n = 0;
    double s = kNaN;
    double uncertainty = kNaN;       // U_n
    double gap = kNaN;               // s_n − s_{n−1}, n ≥ 1
    double delta = kNaN;             // δ_n, n ≥ 2, resolved rows only
    double deltaUncertainty = kNaN;  // its rounding uncertainty, absolute
    double d = kNaN;                 // d_n, n ≥ 1
    double dUncertainty = kNaN;      // |∂d_n/∂a|·U_n + 4u
    double alpha = kNaN;             // α_n, n ≥ 2, resolved rows only
    double alphaUncertainty = kNaN;  // its rounding uncertainty, absolute
    int newtonSteps = 0;
    Status status = Status::Failed;
    Failure failure = Failure::None;
};

// The verdict on row n ≥ 1 (its s, uncertainty, gap, d and dUncertainty
// set) after row n − 1, its root sought in (lo, hi) when n ≥ 2: the first of
// OutsideBracket, GapUnresolved and WrongCycle that applies, as the rule
// above says, or None.
Failure judge(const Row& row, const Row& previous, double lo, double hi);

// Row n ≥ 2, not failed, after rows n − 1 and n − 2: Resolved with δ_n, α_n
// and their uncertainties when δ_n's relative uncertainty is at most
// kDeltaTolerance, else Imprecise without them.
void grade(Row& row, const Row& previous, const Row& beforePrevious);

// Called after each row with the rows so far and the map evaluations made;
// returning false stops the search.
using Progress = std::function<bool(const std::vector<Row>& rows, std::int64_t evaluations)>;

struct Outcome {
    Map map;
    // Why the map cannot be searched (see whyNoSearch); empty when it was.
    std::string refusal;
    double c = kNaN;
    std::vector<Row> rows;
    bool cancelled = false;
    std::int64_t evaluations = 0;  // map steps, values and slopes together
    // The best δ_n and α_n, each with an error bound: its distance to the
    // estimate of the row before (the estimates converge geometrically
    // with a ratio well under one half, so that this bounds their distance
    // to the limit) plus its rounding uncertainty. Of the resolved rows n ≥ 3
    // whose row n − 1 is resolved too, the one with the smallest bound; NaN
    // and -1 when there is none.
    double delta = kNaN;
    double deltaError = kNaN;
    int deltaRow = -1;
    double alpha = kNaN;
    double alphaError = kNaN;
    int alphaRow = -1;
    // The last resolved row with n ≥ 3 after a resolved row, or -1.
    int lastResolved = -1;
};

// Why the search cannot serve a map, as a sentence; empty when it can: it
// follows the orbit of the map's critical point, so it needs exactly one
// that stays put as a changes.
std::string whyNoSearch(const Map& map);

// s_0 … s_mostN (mostN from 2 to kMostN), stopping early at a failed row;
// nothing (and `refusal` set) for a map whyNoSearch refuses.
Outcome search(const Map& map, int mostN, const Progress& progress = {});

}  // namespace corvane::feigenbaum
