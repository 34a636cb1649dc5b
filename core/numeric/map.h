// One map of x with its parameter a, as every kernel and tool window names
// it: a built-in map (a·x·(1−x) or a·x²·sin(π·x), evaluated as maps.h
// does) or a formula of the user's own with the ranges it was chosen with.
// A Map is a small value: copies share the compiled formula, which never
// changes, so copies may go to other threads; each thread evaluates
// through a Stepper of its own.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/numeric/custom_map.h"
#include "core/numeric/maps.h"

namespace corvane {

// The a the built-in maps take in the tool windows (x lies in [0, 1]), and
// how far a formula's ranges of a and x may reach.
inline constexpr double kMostBuiltInA = 5;
inline constexpr double kFarthestA = 1000;
inline constexpr double kFarthestX = 1000;

// A closed interval [from, to].
struct Interval {
    double from = 0;
    double to = 1;
    bool contains(double v) const { return v >= from && v <= to; }
    double width() const { return to - from; }
    bool operator==(const Interval&) const = default;
};

class Map {
public:
    enum class Kind : std::uint8_t { Logistic, Sine, Formula };

    // a·x·(1−x) unless told otherwise.
    Map() = default;
    static Map logistic() { return Map(Kind::Logistic); }
    static Map sine() { return Map(Kind::Sine); }
    // The main window's choice of map: 2 is a·x²·sin(π·x), any other the
    // logistic map it starts with.
    static Map fromChoice(int choice) { return choice == 2 ? sine() : logistic(); }
    // A compiled formula, meant for a in `a` and x in `x`, its orbits
    // started at x0 (clamped into `x`). Throws std::invalid_argument for a
    // null formula or empty ranges.
    static Map formula(std::shared_ptr<const custom::CustomMap> compiled, Interval a, Interval x,
                       double x0);

    Kind kind() const { return kind_; }
    bool isFormula() const { return kind_ == Kind::Formula; }
    // The compiled formula; null for a built-in map.
    const std::shared_ptr<const custom::CustomMap>& compiled() const { return compiled_; }
    // How titles, menus, status texts and files name the map:
    // "a*x*(1-x)", "a*x^2*sin(PI*x)" or the formula as typed.
    std::string caption() const;

    // The a the tool windows take for the map: [0, kMostBuiltInA] for the
    // built-in maps; for a formula the range it was chosen with, widened to
    // take in [0, kMostBuiltInA] too and kept within ±kFarthestA.
    Interval parameterRange() const;
    // The x its orbits live in ([0, 1] for the built-in maps).
    Interval xRange() const;
    // The a range a diagram opens with, and the x0 orbits start from.
    Interval startParameters() const;
    double startX0() const;
    // Where f′ changes sign (maxima and minima, kinks included) in the
    // x-range, the same for every a of the parameter range; empty when they
    // move with a (found once, when the map is made).
    const std::vector<double>& criticalPoints() const;
    // The most map evaluations one picture of a graph may spend (a
    // formula's steps cost tens of times a built-in one's).
    std::int64_t evaluationBudget() const;
    // Roundings one step makes (value and slope), for error estimates.
    double roundingsPerStep() const;

    // Value equality: the same kind, formula text and ranges.
    bool operator==(const Map& other) const;

    // Evaluates the map on one thread.
    class Stepper {
    public:
        explicit Stepper(const Map& map);
        double value(double a, double x);
        // f′(x) at a: for the built-in maps f1′(x) = a·(1 − 2x) and
        // f2′(x) = a·x·(2·sin(πx) + πx·cos(πx)), in this order; a formula's
        // exact derivative (at a kink the slope of the branch taken).
        double slope(double a, double x);
        double valueAndSlope(double a, double x, double& slope);
        // ∂f/∂a at (a, x): the built-in maps are linear in a; a formula's
        // exact derivative in a.
        double parameterSlope(double a, double x);

    private:
        Kind kind_;
        std::unique_ptr<custom::Evaluator> formula_;
    };
    Stepper stepper() const { return Stepper(*this); }

private:
    explicit Map(Kind kind) : kind_(kind) {}
    Kind kind_ = Kind::Logistic;
    std::shared_ptr<const custom::CustomMap> compiled_;
    Interval a_;
    Interval x_;
    double x0_ = 0.5;
    std::shared_ptr<const std::vector<double>> critical_;
};

// Calls fn with the map's value as a function of (a, x), chosen once, so
// that a long loop gets a built-in map inlined (as maps.h evaluates it); a
// formula's goes through a stepper of the calling thread.
template <class Fn>
decltype(auto) withValue(const Map& map, Fn&& fn) {
    switch (map.kind()) {
        case Map::Kind::Logistic:
            return fn([](double a, double x) { return f1(a, x); });
        case Map::Kind::Sine:
            return fn([](double a, double x) { return f2(a, x); });
        case Map::Kind::Formula:
            break;
    }
    Map::Stepper stepper = map.stepper();
    return fn([&stepper](double a, double x) { return stepper.value(a, x); });
}

// The critical points of f over `x` for the a in `a`: the zeros of f′ and
// the kinks where its sign changes, found on a fine grid and narrowed by
// bisection at a few a across the range; empty unless every a gives the
// same points.
std::vector<double> findCriticalPoints(const Map& map, Interval a, Interval x);

}  // namespace corvane
