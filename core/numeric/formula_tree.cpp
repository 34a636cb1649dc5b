#include "core/numeric/formula_tree.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>

#include "core/numeric/formula_rules.h"
#include "core/numeric/maps.h"

namespace corvane::custom {

namespace {

struct Function {
    const char* name;
    Op op;
    int arguments;
};

constexpr Function kFunctions[] = {
    {"sin", Op::Sin, 1},   {"cos", Op::Cos, 1},   {"tan", Op::Tan, 1},     {"asin", Op::Asin, 1},
    {"acos", Op::Acos, 1}, {"atan", Op::Atan, 1}, {"sinh", Op::Sinh, 1},   {"cosh", Op::Cosh, 1},
    {"tanh", Op::Tanh, 1}, {"exp", Op::Exp, 1},   {"log", Op::Log, 1},     {"log10", Op::Log10, 1},
    {"sqrt", Op::Sqrt, 1}, {"abs", Op::Abs, 1},   {"floor", Op::Floor, 1}, {"ceil", Op::Ceil, 1},
    {"min", Op::Min, 2},   {"max", Op::Max, 2},
};

// Recursive descent in muparser's precedence, lowest first:
//   c ? u : v (right to left), ||, &&, comparisons, + −, * /, a sign,
//   ^ (right to left, its exponent may carry a sign), operands.
class Reader {
public:
    Reader(const std::string& text, Variables variables) : s_(text), variables_(variables) {}

    std::optional<FormulaTree> read() {
        const int root = choose();
        skip();
        if (failed_ || root < 0 || at_ != s_.size()) return std::nullopt;
        return std::move(tree_);
    }

private:
    void skip() {
        while (at_ < s_.size() && std::isspace(static_cast<unsigned char>(s_[at_]))) ++at_;
    }
    bool take(const char* token) {
        skip();
        const std::size_t n = std::strlen(token);
        if (s_.compare(at_, n, token) != 0) return false;
        at_ += n;
        return true;
    }
    // Takes a one-character operator unless it begins a longer one.
    bool takeAlone(char c, const char* unlessFollowedBy) {
        skip();
        if (at_ >= s_.size() || s_[at_] != c) return false;
        if (at_ + 1 < s_.size() && std::strchr(unlessFollowedBy, s_[at_ + 1])) return false;
        ++at_;
        return true;
    }
    int add(Op op, int u = -1, int w = -1, int c = -1, double number = 0) {
        if (failed_) return -1;
        if ((u < 0 && op >= Op::Negate) || tree_.nodes.size() > kMostNodes) {
            failed_ = true;
            return -1;
        }
        Node n;
        n.op = op;
        n.number = number;
        n.args[0] = u;
        n.args[1] = w;
        n.args[2] = c;
        tree_.nodes.push_back(n);
        return static_cast<int>(tree_.nodes.size()) - 1;
    }
    int fail() {
        failed_ = true;
        return -1;
    }

    int choose() {
        const int c = either();
        if (!takeAlone('?', "")) return c;
        const int u = choose();
        if (!takeAlone(':', "")) return fail();
        const int v = choose();
        return add(Op::Choose, c, u, v);
    }
    int either() {
        int u = both();
        while (take("||")) u = add(Op::Or, u, both());
        return u;
    }
    int both() {
        int u = compare();
        while (take("&&")) u = add(Op::And, u, compare());
        return u;
    }
    int compare() {
        int u = sum();
        for (;;) {
            Op op;
            if (take("<=")) {
                op = Op::LessEqual;
            } else if (take(">=")) {
                op = Op::GreaterEqual;
            } else if (take("==")) {
                op = Op::Equal;
            } else if (take("!=")) {
                op = Op::NotEqual;
            } else if (takeAlone('<', "=")) {
                op = Op::Less;
            } else if (takeAlone('>', "=")) {
                op = Op::Greater;
            } else {
                return u;
            }
            u = add(op, u, sum());
        }
    }
    int sum() {
        int u = product();
        for (;;) {
            if (takeAlone('+', "")) {
                u = add(Op::Add, u, product());
            } else if (takeAlone('-', "")) {
                u = add(Op::Subtract, u, product());
            } else {
                return u;
            }
        }
    }
    int product() {
        int u = sign();
        for (;;) {
            if (takeAlone('*', "")) {
                u = add(Op::Multiply, u, sign());
            } else if (takeAlone('/', "")) {
                u = add(Op::Divide, u, sign());
            } else {
                return u;
            }
        }
    }
    int sign() {
        if (++depth_ > kDeepest) return fail();
        int u;
        if (takeAlone('-', "")) {
            u = add(Op::Negate, sign());
        } else if (takeAlone('+', "")) {
            u = sign();
        } else {
            u = power();
        }
        --depth_;
        return u;
    }
    int power() {
        const int base = operand();
        if (!takeAlone('^', "")) return base;
        return add(Op::Power, base, sign());
    }
    int operand() {
        skip();
        if (at_ >= s_.size()) return fail();
        const char c = s_[at_];
        if (c == '(') {
            ++at_;
            const int u = choose();
            if (!take(")")) return fail();
            return u;
        }
        if (std::isdigit(static_cast<unsigned char>(c)) || c == '.') return number();
        if (!(std::isalpha(static_cast<unsigned char>(c)) || c == '_')) return fail();
        std::size_t end = at_;
        while (end < s_.size() &&
               (std::isalnum(static_cast<unsigned char>(s_[end])) || s_[end] == '_')) {
            ++end;
        }
        const std::string name = s_.substr(at_, end - at_);
        at_ = end;
        if (name == "x") return add(Op::X);
        if (name == "a") return add(Op::A);
        if (name == "b" && variables_ == Variables::XAB) return add(Op::B);
        if (name == "pi") return add(Op::Number, -1, -1, -1, kPi);
        if (name == "e") return add(Op::Number, -1, -1, -1, std::exp(1.0));
        for (const Function& f : kFunctions) {
            if (name != f.name) continue;
            if (at_ >= s_.size() || s_[at_] != '(') return fail();
            ++at_;
            const int u = choose();
            int w = -1;
            if (f.arguments == 2) {
                if (!take(",")) return fail();
                w = choose();
            }
            if (!take(")")) return fail();
            return add(f.op, u, w);
        }
        return fail();
    }
    int number() {
        // digits with at most one point, then an optional exponent
        std::size_t end = at_;
        while (end < s_.size() &&
               (std::isdigit(static_cast<unsigned char>(s_[end])) || s_[end] == '.')) {
            ++end;
        }
        if (end < s_.size() && (s_[end] == 'e' || s_[end] == 'E')) {
            std::size_t k = end + 1;
            if (k < s_.size() && (s_[k] == '+' || s_[k] == '-')) ++k;
            if (k < s_.size() && std::isdigit(static_cast<unsigned char>(s_[k]))) {
                while (k < s_.size() && std::isdigit(static_cast<unsigned char>(s_[k]))) ++k;
                end = k;
            }
        }
        double v = 0;
        const auto [ptr, ec] = std::from_chars(s_.data() + at_, s_.data() + end, v);
        if (ec == std::errc::result_out_of_range) {
            // muparser reads such numbers as ±inf or 0, as strtod does.
            v = std::strtod(s_.substr(at_, end - at_).c_str(), nullptr);
        } else if (ec != std::errc() || ptr != s_.data() + end) {
            return fail();
        }
        at_ = end;
        return add(Op::Number, -1, -1, -1, v);
    }

    static constexpr std::size_t kMostNodes = 4096;
    static constexpr int kDeepest = 1000;
    const std::string& s_;
    Variables variables_;
    std::size_t at_ = 0;
    int depth_ = 0;
    bool failed_ = false;
    FormulaTree tree_;
};

// Doubles, operation by operation as C++ writes them.
struct Doubles {
    using Value = double;
    using Cond = bool;
    static double constant(double c) { return c; }
    static double add(double u, double w) { return u + w; }
    static double subtract(double u, double w) { return u - w; }
    static double multiply(double u, double w) { return u * w; }
    static double divide(double u, double w) { return u / w; }
    static double negate(double u) { return -u; }
    static double power(double u, double w) { return std::pow(u, w); }
    static double sqrt(double u) { return std::sqrt(u); }
    static double fabs(double u) { return std::fabs(u); }
    static double floor(double u) { return std::floor(u); }
    static double ceil(double u) { return std::ceil(u); }
    static double call(Op op, double u) {
        switch (op) {
            case Op::Sin:
                return std::sin(u);
            case Op::Cos:
                return std::cos(u);
            case Op::Tan:
                return std::tan(u);
            case Op::Asin:
                return std::asin(u);
            case Op::Acos:
                return std::acos(u);
            case Op::Atan:
                return std::atan(u);
            case Op::Sinh:
                return std::sinh(u);
            case Op::Cosh:
                return std::cosh(u);
            case Op::Tanh:
                return std::tanh(u);
            case Op::Exp:
                return std::exp(u);
            case Op::Log:
                return std::log(u);
            case Op::Log10:
                return std::log10(u);
            default:
                return std::nan("");
        }
    }
    static bool compare(Op op, double u, double w) {
        switch (op) {
            case Op::Less:
                return u < w;
            case Op::Greater:
                return u > w;
            case Op::LessEqual:
                return u <= w;
            case Op::GreaterEqual:
                return u >= w;
            case Op::Equal:
                return u == w;
            default:
                return u != w;
        }
    }
    static bool truthy(double u) { return u != 0; }
    static bool both(bool p, bool q) { return p && q; }
    static bool either(bool p, bool q) { return p || q; }
    static double choose(bool c, double u, double w) { return c ? u : w; }
    static double number(bool c) { return c ? 1.0 : 0.0; }
};

}  // namespace

std::optional<FormulaTree> readFormula(const std::string& formula, Variables variables) {
    return Reader(formula, variables).read();
}

Dual evaluate(const FormulaTree& tree, double a, double x, Along along) {
    Doubles b;
    thread_local std::vector<Rules<Doubles>::T> scratch;
    const auto r = run(b, tree, along, a, x, scratch);
    return {r.v, r.d ? *r.d : 0.0};
}

Dual evaluate(const FormulaTree& tree, double a, double second, double x) {
    Doubles b;
    thread_local std::vector<Rules<Doubles>::T> scratch;
    const auto r = run(b, tree, Along::X, a, x, second, scratch);
    return {r.v, r.d ? *r.d : 0.0};
}

}  // namespace corvane::custom
