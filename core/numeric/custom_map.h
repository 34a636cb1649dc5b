// A map of the user's own: a formula in x and a, checked by muparser (which
// reports a fault with its column), then compiled to machine code with its
// exact derivative (formula_code.h). The kernels see a map (value and slope
// at (a, x)), never the parser.
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

#include "core/numeric/formula_code.h"

namespace mu {
class Parser;
}

namespace corvane::custom {

// How an accepted formula is run: as machine code, or (when that fails or
// is not wanted) its tree evaluated step by step.
enum class Compiler { Native, Tree };

class Evaluator;

// A compiled formula; immutable, so one may be shared between threads,
// each evaluating it through an Evaluator of its own.
class CustomMap {
public:
    struct Compiled;
    // The formula compiled, or why it was refused. With Variables::XAB the
    // formula may name b as well, and its code is made for a map of two
    // parameters (FormulaCode::makeTwo).
    static Compiled compile(const std::string& formula, Compiler compiler = Compiler::Native,
                            Variables variables = Variables::XA);
    // A map of x and a built as a tree rather than typed (one pass of a
    // forcing sequence, say), named `caption`.
    static std::shared_ptr<const CustomMap> fromTree(FormulaTree tree, std::string caption,
                                                     Compiler compiler = Compiler::Native);

    // The formula as typed, without leading and trailing blanks.
    const std::string& formula() const { return formula_; }
    // The code it runs as.
    const FormulaCode& code() const { return *code_; }

    // An evaluator for the calling thread.
    Evaluator evaluator() const;

    // One value or slope at a time, through the formula's code.
    double value(double a, double x) const;
    double slope(double a, double x) const;

private:
    friend class Evaluator;
    CustomMap() = default;
    std::string formula_;
    std::shared_ptr<const FormulaCode> code_;
};

struct CustomMap::Compiled {
    std::shared_ptr<const CustomMap> map;  // null when refused
    // What is wrong, e.g. "unknown function 'sni' at column 3".
    std::string error;
    // 1-based column of the fault in the formula; 0 when it has no place.
    int column = 0;
};

// Evaluates one compiled formula; cheap to make, one a thread.
class Evaluator {
public:
    explicit Evaluator(const CustomMap& map) : code_(map.code_) {}

    // f(x) at a.
    double value(double a, double x) const { return code_->value(a, x); }
    // f′(x) at a, exact; at a kink (min, max, abs, a conditional) the slope
    // of the branch taken.
    double slope(double a, double x) const {
        double d = 0;
        code_->valueAndSlope(a, x, d);
        return d;
    }
    // f(x) and, into `slope`, f′(x).
    double valueAndSlope(double a, double x, double& slope) const {
        return code_->valueAndSlope(a, x, slope);
    }
    // ∂f/∂a at (a, x).
    double parameterSlope(double a, double x) const {
        double d = 0;
        code_->valueAndParameterSlope(a, x, d);
        return d;
    }
    // out[i] = f(x[i]) at a[i] (the spans have one length).
    void values(std::span<const double> a, std::span<const double> x, std::span<double> out) const;

private:
    std::shared_ptr<const FormulaCode> code_;  // kept alive by the evaluator too
};

// muparser's own evaluation of an accepted formula, operation by operation
// as written (its optimiser off): the reference the compiled code is checked
// against. Not to be shared between threads.
class Reference {
public:
    explicit Reference(const std::string& formula);
    ~Reference();
    double value(double a, double x);

private:
    double a_ = 0, x_ = 0;
    std::unique_ptr<mu::Parser> parser_;
};

// The formulas offered in the dialog's drop-down: name and formula.
struct Example {
    const char* name;
    const char* formula;
    double aMin, aMax, xMin, xMax, x0;
};
std::span<const Example> examples();

}  // namespace corvane::custom
