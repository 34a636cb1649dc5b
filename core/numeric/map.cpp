#include "core/numeric/map.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "core/numeric/maps.h"

namespace corvane {

namespace {

// The grid the critical points are looked for on, and the a they are
// compared at (fractions of the start range).
constexpr int kCriticalGrid = 2048;
constexpr double kCriticalAt[] = {0.25, 0.5, 0.75};
// Two points closer than this (in units of the x-range's width) are one.
constexpr double kSamePoint = 1e-7;

// The maximum of x²·sin(πx) on [0, 1], with the shortened π: the zero of
// its slope x·(2·sin(πx) + πx·cos(πx)) in (0.5, 1), where the bracket is 2
// at 0.5 and about −π at 1; of the two neighbouring doubles, the one with
// the larger value.
double sineCriticalPoint() {
    auto bracket = [](double x) { return 2 * std::sin(kPi * x) + (kPi * x) * std::cos(kPi * x); };
    double lo = 0.5, hi = 1.0;
    for (;;) {
        const double mid = 0.5 * (lo + hi);
        if (mid <= lo || mid >= hi) break;
        (bracket(mid) > 0 ? lo : hi) = mid;
    }
    auto g = [](double x) { return (x * x) * std::sin(kPi * x); };
    return g(hi) > g(lo) ? hi : lo;
}

// The sign of a slope, with 0 for zero and for anything not finite.
int signOf(double v) { return v > 0 ? 1 : (v < 0 ? -1 : 0); }

// Narrows a change of the slope's sign between lo (sign `low`) and hi.
double narrowSignChange(Map::Stepper& f, double a, double lo, double hi, int low) {
    for (int i = 0; i < 200; ++i) {
        const double mid = 0.5 * (lo + hi);
        if (mid <= lo || mid >= hi) break;
        const int s = signOf(f.slope(a, mid));
        if (s == 0) return mid;
        (s == low ? lo : hi) = mid;
    }
    return 0.5 * (lo + hi);
}

std::vector<double> criticalPointsAt(Map::Stepper& f, double a, Interval x) {
    std::vector<double> points;
    int lastSign = 0;
    double lastX = x.from;
    for (int i = 0; i <= kCriticalGrid; ++i) {
        const double xi = i == kCriticalGrid ? x.to : x.from + x.width() * i / kCriticalGrid;
        const int s = signOf(f.slope(a, xi));
        if (s == 0) continue;
        if (lastSign != 0 && s != lastSign) {
            points.push_back(narrowSignChange(f, a, lastX, xi, lastSign));
        }
        lastSign = s;
        lastX = xi;
    }
    return points;
}

}  // namespace

Map Map::formula(std::shared_ptr<const custom::CustomMap> compiled, Interval a, Interval x,
                 double x0) {
    if (!compiled) throw std::invalid_argument("no formula");
    if (!(a.from < a.to) || !(x.from < x.to)) throw std::invalid_argument("empty range");
    Map m(Kind::Formula);
    m.compiled_ = std::move(compiled);
    m.a_ = a;
    m.x_ = x;
    m.x0_ = std::clamp(x0, x.from, x.to) + 0.0;
    m.critical_ = std::make_shared<const std::vector<double>>(findCriticalPoints(m, a, x));
    return m;
}

std::string Map::caption() const {
    switch (kind_) {
        case Kind::Logistic:
            return "a*x*(1-x)";
        case Kind::Sine:
            return "a*x^2*sin(PI*x)";
        case Kind::Formula:
            break;
    }
    return compiled_->formula();
}

Interval Map::parameterRange() const {
    if (kind_ != Kind::Formula) return {0, kMostBuiltInA};
    return {std::fmax(std::fmin(a_.from, 0.0), -kFarthestA),
            std::fmin(std::fmax(a_.to, kMostBuiltInA), kFarthestA)};
}

Interval Map::xRange() const { return kind_ == Kind::Formula ? x_ : Interval{0, 1}; }

Interval Map::startParameters() const {
    switch (kind_) {
        case Kind::Logistic:
            return {2.5, 4.0};
        case Kind::Sine:
            return {1.5, 2.6};
        case Kind::Formula:
            break;
    }
    return a_;
}

double Map::startX0() const {
    switch (kind_) {
        case Kind::Logistic:
            return 0.5;
        case Kind::Sine:
            return criticalPoints().front();
        case Kind::Formula:
            break;
    }
    return x0_;
}

const std::vector<double>& Map::criticalPoints() const {
    static const std::vector<double> logistic{0.5};
    static const std::vector<double> sine{sineCriticalPoint()};
    switch (kind_) {
        case Kind::Logistic:
            return logistic;
        case Kind::Sine:
            return sine;
        case Kind::Formula:
            break;
    }
    return *critical_;
}

std::int64_t Map::evaluationBudget() const {
    // About 5 ms of steps with their slopes: f2's sine and cosine cost
    // tens of times f1's products, a formula's pass through the parser
    // several times f2's.
    switch (kind_) {
        case Kind::Logistic:
            return 4'000'000;
        case Kind::Sine:
            return 300'000;
        case Kind::Formula:
            break;
    }
    return 100'000;
}

double Map::roundingsPerStep() const {
    switch (kind_) {
        case Kind::Logistic:
            return 4;
        case Kind::Sine:
            return 12;
        case Kind::Formula:
            break;
    }
    // Each operator, function and number of the formula may round once.
    return std::max<double>(4, static_cast<double>(compiled_->formula().size()));
}

bool Map::operator==(const Map& other) const {
    if (kind_ != other.kind_) return false;
    if (kind_ != Kind::Formula) return true;
    return compiled_->formula() == other.compiled_->formula() && a_ == other.a_ &&
           x_ == other.x_ && x0_ == other.x0_;
}

Map::Stepper::Stepper(const Map& map) : kind_(map.kind()) {
    if (map.isFormula()) formula_ = std::make_unique<custom::Evaluator>(*map.compiled());
}

double Map::Stepper::value(double a, double x) {
    switch (kind_) {
        case Kind::Logistic:
            return f1(a, x);
        case Kind::Sine:
            return f2(a, x);
        case Kind::Formula:
            break;
    }
    return formula_->value(a, x);
}

double Map::Stepper::slope(double a, double x) {
    switch (kind_) {
        case Kind::Logistic:
            return a * (1 - 2 * x);
        case Kind::Sine:
            return (a * x) * (2 * std::sin(kPi * x) + (kPi * x) * std::cos(kPi * x));
        case Kind::Formula:
            break;
    }
    return formula_->slope(a, x);
}

double Map::Stepper::valueAndSlope(double a, double x, double& slope) {
    if (kind_ == Kind::Formula) return formula_->valueAndSlope(a, x, slope);
    slope = this->slope(a, x);
    return value(a, x);
}

double Map::Stepper::parameterSlope(double a, double x) {
    switch (kind_) {
        case Kind::Logistic:
            return f1(1, x);
        case Kind::Sine:
            return f2(1, x);
        case Kind::Formula:
            break;
    }
    return formula_->parameterSlope(a, x);
}

std::vector<double> findCriticalPoints(const Map& map, Interval a, Interval x) {
    Map::Stepper f = map.stepper();
    std::vector<double> first;
    for (std::size_t k = 0; k < std::size(kCriticalAt); ++k) {
        const double at = a.from + a.width() * kCriticalAt[k];
        std::vector<double> points = criticalPointsAt(f, at, x);
        if (k == 0) {
            first = std::move(points);
            continue;
        }
        if (points.size() != first.size()) return {};
        for (std::size_t i = 0; i < points.size(); ++i) {
            if (std::fabs(points[i] - first[i]) > kSamePoint * x.width()) return {};
        }
    }
    return first;
}

}  // namespace corvane
