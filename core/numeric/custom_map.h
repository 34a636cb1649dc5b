// A map of the user's own: a formula in x and a, parsed and evaluated by
// muparser, with its derivative taken symbolically by GiNaC where the
// formula allows and by a central difference otherwise. The kernels see a
// map (value and slope at (a, x)), never the parser.
//
// The formula's names: the variables x and a; the constants pi (the
// shortened π of maps.h, so that a formula can agree with the built-in maps
// bit for bit) and e; the functions sin, cos, tan, asin, acos, atan, sinh,
// cosh, tanh, exp, log (natural), log10, sqrt, abs, floor, ceil, min, max;
// the operators + − * / ^, comparisons, && || and the conditional c ? u : v.
#pragma once

#include <memory>
#include <span>
#include <string>
#include <vector>

namespace mu {
class Parser;
}

namespace corvane::custom {

enum class DerivativeKind { Symbolic, CentralDifference };

class Evaluator;

// A compiled formula; immutable, so one may be shared between threads,
// each evaluating it through an Evaluator of its own.
class CustomMap {
public:
    struct Compiled;
    // The formula compiled, or why it was refused.
    static Compiled compile(const std::string& formula);

    // The formula as typed, without leading and trailing blanks.
    const std::string& formula() const { return formula_; }
    DerivativeKind derivativeKind() const { return derivativeKind_; }
    // The symbolic derivative in the formula's syntax; empty for a central
    // difference.
    const std::string& derivativeFormula() const { return derivative_; }

    // An evaluator for the calling thread.
    Evaluator evaluator() const;

    // Convenience for one value at a time (each call makes a parser: slow).
    double value(double a, double x) const;
    double slope(double a, double x) const;

private:
    CustomMap() = default;
    std::string formula_;
    std::string derivative_;
    DerivativeKind derivativeKind_ = DerivativeKind::CentralDifference;
};

struct CustomMap::Compiled {
    std::shared_ptr<const CustomMap> map;  // null when refused
    // What is wrong, e.g. "unknown function 'sni' at column 3".
    std::string error;
    // 1-based column of the fault in the formula; 0 when it has no place.
    int column = 0;
};

// Evaluates one compiled formula; not to be shared between threads.
class Evaluator {
public:
    explicit Evaluator(const CustomMap& map);
    ~Evaluator();
    Evaluator(Evaluator&&) noexcept;
    Evaluator& operator=(Evaluator&&) noexcept;

    // f(x) at a.
    double value(double a, double x);
    // f′(x) at a: the symbolic derivative, or the central difference
    // (f(x + h) − f(x − h)) / 2h with h = cbrt(ε)·max(1, |x|) where the
    // forward and backward differences agree; where they do not (a kink of
    // min, max, abs or a conditional within h), the one-sided difference on
    // the branch x lies on: the side whose differences over h and h/2 agree.
    double slope(double a, double x);
    // f(x) and, into `slope`, f′(x): with a symbolic derivative in one pass
    // of muparser over both formulas.
    double valueAndSlope(double a, double x, double& slope);
    // out[i] = f(x[i]) at a[i], all in one pass of muparser's bulk mode
    // (the spans have one length).
    void values(std::span<const double> a, std::span<const double> x, std::span<double> out);

private:
    double differenceSlope(double a, double x, double fx);
    struct Scalar;
    std::unique_ptr<Scalar> scalar_;
    std::unique_ptr<mu::Parser> bulk_;
    std::string formula_;
};

// The derivative's step for a central difference at x.
double differenceStep(double x);

// The formula of f′ for a formula of f, through GiNaC, in a syntax muparser
// reads; empty when the formula has something GiNaC cannot differentiate
// as muparser means it (a conditional, floor, ceil, min, max, abs, log10, a
// comparison).
std::string symbolicDerivative(const std::string& formula);

// The formulas offered in the dialog's drop-down: name and formula.
struct Example {
    const char* name;
    const char* formula;
    double aMin, aMax, xMin, xMax, x0;
};
std::span<const Example> examples();

}  // namespace corvane::custom
