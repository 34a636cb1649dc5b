// The code a formula of the user's own runs as: machine code compiled for it
// by LLVM's ORC JIT, or, where no machine code could be made, its tree
// evaluated operation by operation. Both compute each operation of the
// formula in its written order (no fused multiply-add, no reassociation) and
// carry the exact derivative with the value (formula_rules.h), so they give
// the same bits, and a*x*(1-x) gives exactly the built-in f1.
//
// Immutable once made: one code serves every thread and window.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "core/numeric/formula_tree.h"

namespace corvane::custom {

// The orbits one call of the lane functions advances side by side.
inline constexpr int kCodeLanes = 16;

class FormulaCode {
public:
    // Compiles the tree to machine code; with `native` false, or when the
    // compiler fails, the code evaluates the tree (nativeRefusal says why).
    static std::shared_ptr<const FormulaCode> make(FormulaTree tree, bool native = true);
    // The code of a map of x and two parameters (a tree that may name b):
    // advanceTwo alone. With `wrap`, every iterate is taken mod 1 and its
    // whole turns are counted, as for a map of the circle.
    static std::shared_ptr<const FormulaCode> makeTwo(FormulaTree tree, bool wrap,
                                                      bool native = true);
    ~FormulaCode();
    FormulaCode(const FormulaCode&) = delete;
    FormulaCode& operator=(const FormulaCode&) = delete;

    // Whether the formula runs as machine code.
    bool isNative() const { return jit_ != nullptr; }
    // Why it does not, e.g. "the compiler found no target for this
    // processor"; empty when it does.
    const std::string& nativeRefusal() const { return refusal_; }
    // How long compiling took, in seconds (0 for the tree).
    double compileSeconds() const { return seconds_; }

    double value(double a, double x) const { return value_(context(), a, x); }
    // f(x) and, into slope, f′(x).
    double valueAndSlope(double a, double x, double& slope) const {
        return slope_(context(), a, x, &slope);
    }
    // f(x) and, into slope, ∂f/∂a.
    double valueAndParameterSlope(double a, double x, double& slope) const {
        return parameterSlope_(context(), a, x, &slope);
    }

    // kCodeLanes orbits, lane l at a[l] from x[l], `steps` steps each.
    // inside[l] keeps the least distance of the iterates within
    // [range[0], range[1]] (negative once one was outside); an orbit no
    // longer finite stays where it is. With `out`, step n's iterates go to
    // out[n·kCodeLanes + l].
    void advance(const double* a, double* x, double* inside, const double* range, double* out,
                 std::int64_t steps) const {
        advance_(context(), a, x, inside, range, out, steps);
    }
    // As advance with `out`, and |f′| at each new iterate multiplied into
    // product[l]; next[l] holds f(x[l]) before and after.
    void advanceWithSlopes(const double* a, double* x, double* next, double* inside,
                           const double* range, double* product, double* out,
                           std::int64_t steps) const {
        advanceSlopes_(context(), a, x, next, inside, range, product, out, steps);
    }

    // Made by makeTwo: kCodeLanes orbits, lane l at (a[l], b[l]) from x[l],
    // `steps` steps each: |f′(x)| at each x multiplied into product[l], then
    // x ↦ f(x) (an orbit no longer finite stays where it is); when the code
    // wraps, the new x becomes x − ⌊x⌋ and ⌊x⌋ is added to turns[l]. With
    // `out`, step n's iterates go to out[n·kCodeLanes + l].
    void advanceTwo(const double* a, const double* b, double* x, double* product, double* turns,
                    double* out, std::int64_t steps) const {
        advanceTwo_(context(), a, b, x, product, turns, out, steps);
    }
    bool wraps() const { return wrap_; }
    // The tree the code was made from.
    const FormulaTree& tree() const { return tree_; }

    using ValueFn = double (*)(const void*, double, double);
    using SlopeFn = double (*)(const void*, double, double, double*);
    using AdvanceFn = void (*)(const void*, const double*, double*, double*, const double*, double*,
                               std::int64_t);
    using SlopesFn = void (*)(const void*, const double*, double*, double*, double*, const double*,
                              double*, double*, std::int64_t);
    using TwoFn = void (*)(const void*, const double*, const double*, double*, double*, double*,
                           double*, std::int64_t);

private:
    FormulaCode() = default;
    static std::shared_ptr<const FormulaCode> build(FormulaTree tree, bool native, bool two,
                                                    bool wrap);
    const void* context() const { return this; }
    struct Jit;
    FormulaTree tree_;
    std::unique_ptr<Jit> jit_;
    std::string refusal_;
    double seconds_ = 0;
    ValueFn value_ = nullptr;
    SlopeFn slope_ = nullptr;
    SlopeFn parameterSlope_ = nullptr;
    AdvanceFn advance_ = nullptr;
    SlopesFn advanceSlopes_ = nullptr;
    TwoFn advanceTwo_ = nullptr;
    bool wrap_ = false;
};

}  // namespace corvane::custom
