// The value and derivative of each operation of a formula, written once for
// every way of carrying them out: on doubles (the tree's evaluator) and as
// machine code (the compiler). Both therefore compute the same operations in
// the same order and give the same bits.
//
// A backend B provides Value and Cond types and: constant, add, subtract,
// multiply, divide, negate, call (a function of the C library by Op), power,
// sqrt, fabs, floor, ceil, compare (by Op), truthy (≠ 0, NaN counts as
// true, as in C), both, either, choose (select by a Cond) and number (a Cond
// as 1 or 0).
#pragma once

#include <cmath>
#include <optional>
#include <vector>

#include "core/numeric/formula_tree.h"

namespace corvane::custom {

template <class B>
struct Rules {
    using V = typename B::Value;
    // A value and its derivative; no derivative means exactly 0, `one` that
    // it is exactly 1 (so that x's own derivative costs no multiplication).
    struct T {
        V v;
        std::optional<V> d;
        bool one = false;
    };

    B& b;

    // du·factor.
    std::optional<V> times(const T& u, V factor) {
        if (!u.d) return std::nullopt;
        if (u.one) return factor;
        return b.multiply(*u.d, factor);
    }
    // du / divisor.
    std::optional<V> over(const T& u, V divisor) {
        if (!u.d) return std::nullopt;
        return b.divide(*u.d, divisor);
    }
    std::optional<V> negated(std::optional<V> d) {
        if (!d) return std::nullopt;
        return b.negate(*d);
    }
    std::optional<V> sum(std::optional<V> p, std::optional<V> q) {
        if (!p) return q;
        if (!q) return p;
        return b.add(*p, *q);
    }
    V orZero(const std::optional<V>& d) { return d ? *d : b.constant(0.0); }

    T variable(V v, bool differentiated) {
        if (!differentiated) return {v, std::nullopt};
        return {v, b.constant(1.0), true};
    }

    // The operation `op` on its operands u, w, c (as many as it takes).
    T apply(Op op, const T& u, const T& w, const T& c) {
        switch (op) {
            case Op::Negate:
                return {b.negate(u.v), negated(u.d)};
            case Op::Add:
                return {b.add(u.v, w.v), sum(u.d, w.d)};
            case Op::Subtract:
                return {b.subtract(u.v, w.v), sum(u.d, negated(w.d))};
            case Op::Multiply:
                return {b.multiply(u.v, w.v), sum(times(u, w.v), times(w, u.v))};
            case Op::Divide: {
                const V q = b.divide(u.v, w.v);
                if (!w.d) return {q, over(u, w.v)};
                // (du − q·dw) / w
                const V qdw = *times(w, q);
                const V top = u.d ? b.subtract(*u.d, qdw) : b.negate(qdw);
                return {q, b.divide(top, w.v)};
            }
            case Op::Power: {
                const V p = b.power(u.v, w.v);
                if (!w.d) {
                    // w·u^(w−1)·du
                    if (!u.d) return {p, std::nullopt};
                    const V lower = b.power(u.v, b.subtract(w.v, b.constant(1.0)));
                    return {p, times(u, b.multiply(w.v, lower))};
                }
                // u^w·(dw·ln u + w·du/u)
                const std::optional<V> inner =
                    sum(times(w, b.call(Op::Log, u.v)), times(u, b.divide(w.v, u.v)));
                return {p, b.multiply(p, *inner)};
            }
            case Op::Less:
            case Op::Greater:
            case Op::LessEqual:
            case Op::GreaterEqual:
            case Op::Equal:
            case Op::NotEqual:
                return {b.number(b.compare(op, u.v, w.v)), std::nullopt};
            case Op::And:
                return {b.number(b.both(b.truthy(u.v), b.truthy(w.v))), std::nullopt};
            case Op::Or:
                return {b.number(b.either(b.truthy(u.v), b.truthy(w.v))), std::nullopt};
            case Op::Choose: {
                // u ? w : c
                const auto when = b.truthy(u.v);
                const V v = b.choose(when, w.v, c.v);
                if (!w.d && !c.d) return {v, std::nullopt};
                return {v, b.choose(when, orZero(w.d), orZero(c.d))};
            }
            case Op::Sin:
                return {b.call(Op::Sin, u.v), times(u, b.call(Op::Cos, u.v))};
            case Op::Cos:
                return {b.call(Op::Cos, u.v), times(u, b.negate(b.call(Op::Sin, u.v)))};
            case Op::Tan: {
                const V t = b.call(Op::Tan, u.v);
                return {t, times(u, b.add(b.constant(1.0), b.multiply(t, t)))};
            }
            case Op::Asin:
            case Op::Acos: {
                // ±du / √(1 − u²)
                const V root = b.sqrt(b.subtract(b.constant(1.0), b.multiply(u.v, u.v)));
                const std::optional<V> d = over(u, root);
                return {b.call(op, u.v), op == Op::Asin ? d : negated(d)};
            }
            case Op::Atan:
                return {b.call(Op::Atan, u.v),
                        over(u, b.add(b.constant(1.0), b.multiply(u.v, u.v)))};
            case Op::Sinh:
                return {b.call(Op::Sinh, u.v), times(u, b.call(Op::Cosh, u.v))};
            case Op::Cosh:
                return {b.call(Op::Cosh, u.v), times(u, b.call(Op::Sinh, u.v))};
            case Op::Tanh: {
                const V t = b.call(Op::Tanh, u.v);
                return {t, times(u, b.subtract(b.constant(1.0), b.multiply(t, t)))};
            }
            case Op::Exp: {
                const V e = b.call(Op::Exp, u.v);
                return {e, times(u, e)};
            }
            case Op::Log:
                return {b.call(Op::Log, u.v), over(u, u.v)};
            case Op::Log10:
                return {b.call(Op::Log10, u.v),
                        over(u, b.multiply(u.v, b.constant(std::log(10.0))))};
            case Op::Sqrt: {
                const V r = b.sqrt(u.v);
                return {r, over(u, b.multiply(b.constant(2.0), r))};
            }
            case Op::Abs: {
                // The slope of the side u lies on; at u = 0 the right one.
                const auto negative = b.compare(Op::Less, u.v, b.constant(0.0));
                if (!u.d) return {b.fabs(u.v), std::nullopt};
                const V du = *u.d;
                return {b.fabs(u.v), b.choose(negative, b.negate(du), du)};
            }
            case Op::Floor:
                return {b.floor(u.v), std::nullopt};
            case Op::Ceil:
                return {b.ceil(u.v), std::nullopt};
            case Op::Min:
            case Op::Max: {
                // min(u, w) = w < u ? w : u and max(u, w) = w > u ? w : u,
                // as the formula's reader defines them.
                const auto second = b.compare(op == Op::Min ? Op::Less : Op::Greater, w.v, u.v);
                const V v = b.choose(second, w.v, u.v);
                if (!u.d && !w.d) return {v, std::nullopt};
                return {v, b.choose(second, orZero(w.d), orZero(u.d))};
            }
            case Op::Number:
            case Op::A:
            case Op::X:
            case Op::B:
                break;
        }
        return u;
    }
};

// Evaluates the tree through backend b: `number`, `a`, `x` and `second`
// (the b of a map of two parameters, whose derivative is never taken) make
// the leaves. Returns the root's value and derivative along `along`.
template <class B>
typename Rules<B>::T run(B& b, const FormulaTree& tree, Along along, typename B::Value a,
                         typename B::Value x, typename B::Value second,
                         std::vector<typename Rules<B>::T>& scratch) {
    using T = typename Rules<B>::T;
    Rules<B> rules{b};
    scratch.clear();
    scratch.reserve(tree.nodes.size());
    const T none{b.constant(0.0), std::nullopt};
    for (const Node& n : tree.nodes) {
        switch (n.op) {
            case Op::Number:
                scratch.push_back({b.constant(n.number), std::nullopt});
                break;
            case Op::A:
                scratch.push_back(rules.variable(a, along == Along::A));
                break;
            case Op::X:
                scratch.push_back(rules.variable(x, along == Along::X));
                break;
            case Op::B:
                scratch.push_back(rules.variable(second, false));
                break;
            default: {
                const T& u = n.args[0] >= 0 ? scratch[std::size_t(n.args[0])] : none;
                const T& w = n.args[1] >= 0 ? scratch[std::size_t(n.args[1])] : none;
                const T& c = n.args[2] >= 0 ? scratch[std::size_t(n.args[2])] : none;
                scratch.push_back(rules.apply(n.op, u, w, c));
                break;
            }
        }
    }
    return scratch.back();
}

template <class B>
typename Rules<B>::T run(B& b, const FormulaTree& tree, Along along, typename B::Value a,
                         typename B::Value x, std::vector<typename Rules<B>::T>& scratch) {
    return run(b, tree, along, a, x, b.constant(0.0), scratch);
}

}  // namespace corvane::custom
