// The parameter plane's kernel: for each point (p, q) of a plane of two
// parameters, iterate a map of x, discard a transient and take the
// Lyapunov exponent, the period and (for a map of the circle) the winding
// number of what is kept.
//
// Two kinds of plane:
//  - a forcing sequence: a map of x and a stepped with a = p at each letter
//    A and a = q at each letter B of a sequence ("AB", "AABAB"), repeated;
//  - a map of x and two parameters: the sine-circle map
//    θ ↦ θ + Ω − (K/2π)·sin(2πθ) (p = Ω, q = K; θ taken mod 1 with its
//    whole turns counted), or a formula in x, a = p and b = q.
// Either way the plane steps one pass of the sequence at a time (the map
// composed over its letters, one letter for a map of two parameters),
// compiled as one formula (formula_code.h), sixteen points side by side.
// Each point's arithmetic is its own: the result never depends on how
// points are grouped or on how many threads share them.
#pragma once

#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "core/numeric/formula_tree.h"
#include "core/numeric/map.h"

namespace corvane::plane {

enum class Mode : std::uint8_t { Forcing, TwoParameter };

// The longest forcing sequence, and the longest period told apart from
// chaos (in passes of the sequence).
inline constexpr int kLongestSequence = 64;
inline constexpr int kMaxPeriod = 64;
// Two iterates closer than this are the same point of a cycle.
inline constexpr double kPeriodTolerance = 1e-9;

// The sine-circle map as a formula of x (θ), a (Ω) and b (K).
inline constexpr const char* kCircleFormula = "x + a - b/(2*pi)*sin(2*pi*x)";

// The sequence written as letters A and B, 1 to kLongestSequence of them
// (lower case taken as upper case, blanks dropped); nullopt otherwise.
std::optional<std::string> readSequence(const std::string& typed);

// What a plane is a plane of.
struct PlaneMap {
    Mode mode = Mode::Forcing;
    Map map;                    // Forcing: the map stepped
    std::string sequence = "AB";  // Forcing: its letters
    // TwoParameter: a formula in x, a and b as typed; empty: the sine-circle
    // map.
    std::string formula;

    bool isCircle() const { return mode == Mode::TwoParameter && formula.empty(); }
    bool operator==(const PlaneMap&) const = default;
};

// How titles and captions name the plane's map: "a*x*(1-x), sequence AB",
// "sine-circle map" or the formula.
std::string planeCaption(const PlaneMap& map);

// The tree of one pass: the map's tree composed over the sequence, each
// letter A naming a and each letter B naming b (or, with `fixedB`, that
// number); a map of two parameters' own tree. The map's tree for the
// built-in maps is their formula, which gives their values bit for bit.
custom::FormulaTree passTree(const PlaneMap& map, std::optional<double> fixedB = std::nullopt);

// The map of x and a that one pass is at q (b, or the letters B, fixed at
// q), for the cobweb and the explorer: a = p across `pRange`, x across the
// map's x-range (θ mod 1 for the sine-circle map).
Map passMap(const PlaneMap& map, double q, Interval pRange);

// The largest pass compiled to machine code; a larger one runs as its tree.
inline constexpr std::size_t kMostCompiledNodes = 2048;

// A plane's map ready to run: its pass compiled.
class PlaneCode {
public:
    struct Made;
    // Compiles the map; a formula that is refused gives the reason.
    static Made make(const PlaneMap& map, custom::Compiler compiler = custom::Compiler::Native);

    const PlaneMap& map() const { return map_; }
    const custom::FormulaCode& code() const { return *code_; }
    // Steps of the map one pass takes (the sequence's letters, else 1).
    int stepsPerPass() const { return steps_; }
    bool circle() const { return map_.isCircle(); }
    // Why the pass runs as its tree, not as machine code; empty when not.
    std::string nativeRefusal() const;

private:
    std::string refusal_;
    PlaneMap map_;
    std::shared_ptr<const custom::FormulaCode> code_;
    int steps_ = 1;
};

struct PlaneCode::Made {
    std::shared_ptr<const PlaneCode> code;  // null when refused
    std::string error;
};

// The orbit each point runs: from x0, T steps discarded, K kept (each
// rounded up to whole passes of the sequence, K to at least one).
struct Orbit {
    double x0 = 0.5;
    std::int64_t transient = 1000;
    std::int64_t kept = 1000;
};

// The passes an orbit's steps take.
std::int64_t passesOf(std::int64_t steps, int stepsPerPass);

struct PointOutcome {
    // (1/steps)·Σ ln|f′| over the kept steps (per step of the map, not per
    // pass); −∞ when some f′ was exactly 0; +∞ when the orbit escaped; NaN
    // when some f′ was no number (0/0 in a formula's derivative).
    double lyapunov = 0;
    // The smallest p ≤ kMaxPeriod (in passes) with x_{n+p} = x_n within
    // kPeriodTolerance over the last min(passes, 2·kMaxPeriod) kept passes
    // (mod 1 for a map of the circle); 0 when there is none.
    int period = 0;
    // A map of the circle's winding number, turns per step over the kept
    // steps; NaN otherwise.
    double winding = std::numeric_limits<double>::quiet_NaN();
    // The orbit became non-finite.
    bool escaped = false;
};

// Computes the points (p[i], q[i]), i < n ≤ kPoints, side by side.
// `keepGoing` is asked between blocks of passes; false abandons the points
// (the outcomes are then incomplete) and computePoints returns false.
inline constexpr int kPoints = 16;
bool computePoints(const PlaneCode& code, const Orbit& orbit, std::span<const double> p,
                   std::span<const double> q, std::span<PointOutcome> out,
                   const std::function<bool()>& keepGoing = {});

// The plane's pixels: `columns` × `rows` of them across [pMin, pMax] ×
// [qMin, qMax], each at its centre; row 0 at the top (q largest).
struct Grid {
    double pMin = 2, pMax = 4, qMin = 2, qMax = 4;
    int columns = 0, rows = 0;
    double p(int column) const { return pMin + (pMax - pMin) * ((column + 0.5) / columns); }
    double q(int row) const { return qMax - (qMax - qMin) * ((row + 0.5) / rows); }
};

// Computes rows [rowFrom, rowTo) of the grid into out (row-major, the
// whole grid's size). False when keepGoing stopped it.
bool computeRows(const PlaneCode& code, const Orbit& orbit, const Grid& grid, int rowFrom,
                 int rowTo, std::span<PointOutcome> out, const std::function<bool()>& keepGoing = {});

// The period of the cycle the last values of an orbit lie on (see
// PointOutcome::period); on the circle, distances are taken mod 1.
int periodOf(std::span<const double> tail, bool circle);

}  // namespace corvane::plane
