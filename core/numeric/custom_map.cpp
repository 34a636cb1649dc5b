#include "core/numeric/custom_map.h"

#include <muParser.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <exception>
#include <limits>
#include <map>
#include <sstream>

#include "core/numeric/maps.h"

// GiNaC's headers are not clean under every warning the project enables.
#if defined(__clang__)
#pragma clang diagnostic push
#pragma clang diagnostic ignored "-Wunused-parameter"
#pragma clang diagnostic ignored "-Wdeprecated-copy"
#else
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-parameter"
#pragma GCC diagnostic ignored "-Wdeprecated-copy"
#endif
#include <ginac/ginac.h>
#if defined(__clang__)
#pragma clang diagnostic pop
#else
#pragma GCC diagnostic pop
#endif

#if __has_include(<omp.h>) && defined(CORVANE_MUPARSER_OPENMP)
#include <omp.h>
#endif

namespace corvane::custom {

namespace {

// What a comma where a number was meant is told.
constexpr const char* kDecimalPoint = "decimals take a point, not a comma: 2.5, not 2,5";

// Whether a comma stands between two digits, as in a decimal comma.
bool hasDecimalComma(const std::string& f) {
    for (std::size_t i = 1; i + 1 < f.size(); ++i) {
        if (f[i] == ',' && std::isdigit(static_cast<unsigned char>(f[i - 1])) &&
            std::isdigit(static_cast<unsigned char>(f[i + 1]))) {
            return true;
        }
    }
    return false;
}

std::string decimalCommaHint(const std::string& f) {
    return hasDecimalComma(f) ? std::string(" (") + kDecimalPoint + ")" : std::string();
}


// Longer formulas are refused: the derivative's size and the time to take
// it stay bounded.
constexpr std::size_t kLongestFormula = 500;
// One-sided differences further apart than this (relative) mark a kink.
constexpr double kKinkTolerance = 1e-3;
// A symbolic derivative longer than this is not used.
constexpr std::size_t kLongestDerivative = 20000;

double minOf(double u, double v) { return v < u ? v : u; }
double maxOf(double u, double v) { return v > u ? v : u; }

// The names a formula may use, and nothing else: muparser's own constants
// (_pi, _e) and functions are cleared first.
void configure(mu::Parser& p, double* a, double* x) {
    p.ClearConst();
    p.ClearFun();
    p.DefineConst("pi", kPi);
    p.DefineConst("e", std::exp(1.0));
    using F1 = double (*)(double);
    struct Unary {
        const char* name;
        F1 fn;
    };
    static constexpr Unary unary[] = {
        {"sin", [](double v) { return std::sin(v); }},
        {"cos", [](double v) { return std::cos(v); }},
        {"tan", [](double v) { return std::tan(v); }},
        {"asin", [](double v) { return std::asin(v); }},
        {"acos", [](double v) { return std::acos(v); }},
        {"atan", [](double v) { return std::atan(v); }},
        {"sinh", [](double v) { return std::sinh(v); }},
        {"cosh", [](double v) { return std::cosh(v); }},
        {"tanh", [](double v) { return std::tanh(v); }},
        {"exp", [](double v) { return std::exp(v); }},
        {"log", [](double v) { return std::log(v); }},
        {"log10", [](double v) { return std::log10(v); }},
        {"sqrt", [](double v) { return std::sqrt(v); }},
        {"abs", [](double v) { return std::fabs(v); }},
        {"floor", [](double v) { return std::floor(v); }},
        {"ceil", [](double v) { return std::ceil(v); }},
    };
    for (const Unary& u : unary) p.DefineFun(u.name, u.fn);
    p.DefineFun("min", &minOf);
    p.DefineFun("max", &maxOf);
    p.DefineVar("a", a);
    p.DefineVar("x", x);
}

// muparser runs its bulk mode on OpenMP threads of its own; the explorer's
// threads are oneTBB's, so each keeps muparser to the thread it runs on.
void oneThreadForMuparser() {
#if __has_include(<omp.h>) && defined(CORVANE_MUPARSER_OPENMP)
    if (omp_get_max_threads() != 1) omp_set_num_threads(1);
#endif
}

bool isFunctionName(const std::string& name) {
    for (const char* f : {"sin", "cos", "tan", "asin", "acos", "atan", "sinh", "cosh", "tanh",
                          "exp", "log", "log10", "sqrt", "abs", "floor", "ceil", "min", "max"}) {
        if (name == f) return true;
    }
    return false;
}

std::string quoted(const std::string& s) { return "'" + s + "'"; }

bool isNameChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

// The refusal of a formula muparser could not read.
CustomMap::Compiled refusal(const std::string& formula, const mu::ParserError& e) {
    const int pos = e.GetPos();
    const std::string token = e.GetToken();
    // muparser may point just past the end.
    const int column = pos >= 0 ? std::min(pos + 1, static_cast<int>(formula.size()) + 1) : 0;
    std::string what;
    switch (e.GetCode()) {
        case mu::ecUNASSIGNABLE_TOKEN: {
            std::size_t after = static_cast<std::size_t>(std::max(pos, 0)) + token.size();
            while (after < formula.size() && formula[after] == ' ') ++after;
            if (!token.empty() &&
                (std::isdigit(static_cast<unsigned char>(token[0])) || token[0] == '.')) {
                what = "invalid number " + quoted(token);
            } else if (isFunctionName(token)) {
                what = quoted(token) + " must be followed directly by '('";
            } else if (after < formula.size() && formula[after] == '(') {
                what = "unknown function " + quoted(token);
            } else if (!token.empty() && isNameChar(token[0])) {
                what = "unknown name " + quoted(token);
            } else {
                what = "unexpected " + quoted(token);
            }
            break;
        }
        case mu::ecUNEXPECTED_OPERATOR:
            what = "unexpected operator " + quoted(token);
            break;
        case mu::ecUNEXPECTED_EOF:
            what = "the formula ends too early";
            break;
        case mu::ecUNEXPECTED_ARG_SEP:
            what = "unexpected comma" + decimalCommaHint(formula);
            break;
        case mu::ecUNEXPECTED_VAL:
            what = "unexpected number " + quoted(token) + " (an operator missing before it?)";
            break;
        case mu::ecUNEXPECTED_VAR:
            what = "unexpected " + quoted(token) + " (an operator missing before it?)";
            break;
        case mu::ecUNEXPECTED_PARENS:
            what = "unexpected parenthesis " + quoted(token);
            break;
        case mu::ecMISSING_PARENS:
            what = "missing closing parenthesis";
            break;
        case mu::ecUNEXPECTED_FUN:
            what = "unexpected function " + quoted(token);
            break;
        case mu::ecTOO_MANY_PARAMS:
            what = "too many arguments for " + quoted(token) + decimalCommaHint(formula);
            break;
        case mu::ecTOO_FEW_PARAMS:
            what = "too few arguments for " + quoted(token);
            break;
        case mu::ecMISSING_ELSE_CLAUSE:
            what = "'?' without its ':'";
            break;
        case mu::ecMISPLACED_COLON:
            what = "':' without its '?'";
            break;
        default: {
            // muparser's own words, without its 0-based position.
            what = e.GetMsg();
            const std::size_t at = what.find(" at position");
            if (at != std::string::npos) what.erase(at);
            while (!what.empty() && what.back() == '.') what.pop_back();
            if (!what.empty()) what[0] = static_cast<char>(std::tolower(what[0]));
            break;
        }
    }
    CustomMap::Compiled c;
    c.column = column;
    c.error = column > 0 ? what + " at column " + std::to_string(column) : what;
    return c;
}

// The column of the first comma outside every parenthesis, or 0: muparser
// would read "2,5*x" as two formulas and use the last.
int topLevelCommaColumn(const std::string& f) {
    int depth = 0;
    for (std::size_t i = 0; i < f.size(); ++i) {
        if (f[i] == '(') ++depth;
        if (f[i] == ')') --depth;
        if (f[i] == ',' && depth <= 0) return static_cast<int>(i) + 1;
    }
    return 0;
}

// The column of a lone '=' (muparser would take it for an assignment), or 0.
int assignmentColumn(const std::string& f) {
    for (std::size_t i = 0; i < f.size(); ++i) {
        if (f[i] != '=') continue;
        const char before = i > 0 ? f[i - 1] : ' ';
        const char after = i + 1 < f.size() ? f[i + 1] : ' ';
        if (before == '<' || before == '>' || before == '!' || before == '=' || after == '=') {
            continue;
        }
        return static_cast<int>(i) + 1;
    }
    return 0;
}

std::string trimmed(const std::string& s) {
    const auto first = s.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    const auto last = s.find_last_not_of(" \t\r\n");
    return s.substr(first, last - first + 1);
}

// A parser of the formula, or the error muparser raised.
void compileInto(mu::Parser& p, const std::string& formula, double* a, double* x) {
    configure(p, a, x);
    p.SetExpr(formula);
}

}  // namespace

double differenceStep(double x) {
    static const double h = std::cbrt(std::numeric_limits<double>::epsilon());
    return h * std::max(1.0, std::fabs(x));
}

std::string symbolicDerivative(const std::string& formula) {
    // What GiNaC would read otherwise than muparser, or cannot differentiate.
    for (const char* word :
         {"?", ":", "<", ">", "=", "!", "&", "|", "floor", "ceil", "min", "max", "abs", "log10"}) {
        if (formula.find(word) != std::string::npos) return {};
    }
    // Every number becomes a symbol of its own, so that GiNaC does no
    // arithmetic on numbers (nor grows them: (9^9)^(9^9)) and the derivative
    // carries each as it was written.
    std::string text;
    std::vector<std::string> numbers;
    for (std::size_t i = 0; i < formula.size();) {
        const char c = formula[i];
        const bool startsNumber = (std::isdigit(static_cast<unsigned char>(c)) ||
                                   (c == '.' && i + 1 < formula.size() &&
                                    std::isdigit(static_cast<unsigned char>(formula[i + 1])))) &&
                                  (i == 0 || !isNameChar(formula[i - 1]));
        if (isNameChar(c) && !startsNumber) {
            while (i < formula.size() && isNameChar(formula[i])) text += formula[i++];
            continue;
        }
        if (!startsNumber) {
            text += c;
            ++i;
            continue;
        }
        std::size_t j = i;
        while (j < formula.size() &&
               (std::isdigit(static_cast<unsigned char>(formula[j])) || formula[j] == '.')) {
            ++j;
        }
        if (j < formula.size() && (formula[j] == 'e' || formula[j] == 'E')) {
            std::size_t k = j + 1;
            if (k < formula.size() && (formula[k] == '+' || formula[k] == '-')) ++k;
            if (k < formula.size() && std::isdigit(static_cast<unsigned char>(formula[k]))) {
                while (k < formula.size() && std::isdigit(static_cast<unsigned char>(formula[k]))) {
                    ++k;
                }
                j = k;
            }
        }
        text += " k" + std::to_string(numbers.size()) + " ";
        numbers.push_back(formula.substr(i, j - i));
        i = j;
    }
    try {
        GiNaC::symbol x("x"), a("a"), pi("pi"), e("e");
        GiNaC::symtab table;
        table["x"] = x;
        table["a"] = a;
        table["pi"] = pi;
        table["e"] = e;
        std::vector<GiNaC::symbol> constants;
        constants.reserve(numbers.size());
        for (std::size_t k = 0; k < numbers.size(); ++k) {
            constants.emplace_back("k" + std::to_string(k));
            table["k" + std::to_string(k)] = constants.back();
        }
        GiNaC::parser reader(table);
        reader.strict = true;
        const GiNaC::ex f = reader(text);
        const GiNaC::ex d = f.diff(x);
        // As GiNaC leaves it or expanded, whichever is shorter: fewer steps
        // for muparser (a - 2*a*x rather than -a*x - a*(-1 + x)).
        std::ostringstream out;
        out << d;
        std::string printed = out.str();
        if (printed.size() <= kLongestDerivative) {
            std::ostringstream expanded;
            expanded << d.expand();
            if (expanded.str().size() < printed.size()) printed = expanded.str();
        }
        if (printed.size() > kLongestDerivative) return {};
        // The numbers back in place of their symbols.
        std::string result;
        for (std::size_t i = 0; i < printed.size();) {
            if (isNameChar(printed[i])) {
                std::size_t j = i;
                while (j < printed.size() && isNameChar(printed[j])) ++j;
                const std::string name = printed.substr(i, j - i);
                if (name.size() > 1 && name[0] == 'k' &&
                    std::all_of(name.begin() + 1, name.end(), [](char c) {
                        return std::isdigit(static_cast<unsigned char>(c));
                    })) {
                    const std::size_t k = std::stoul(name.substr(1));
                    if (k >= numbers.size()) return {};
                    result += "(" + numbers[k] + ")";
                } else {
                    result += name;
                }
                i = j;
            } else {
                result += printed[i++];
            }
        }
        return result;
    } catch (const std::exception&) {
        return {};
    }
}

CustomMap::Compiled CustomMap::compile(const std::string& typed) {
    const std::string formula = trimmed(typed);
    Compiled out;
    if (formula.empty()) {
        out.error = "the formula is empty";
        return out;
    }
    if (formula.size() > kLongestFormula) {
        out.error = "the formula is longer than " + std::to_string(kLongestFormula) + " characters";
        out.column = static_cast<int>(kLongestFormula) + 1;
        return out;
    }
    double a = 1, x = 0.5;
    mu::Parser p;
    try {
        compileInto(p, formula, &a, &x);
        p.Eval();  // reads the formula, unknown names refused
        const mu::varmap_type used = p.GetUsedVar();
        if (const int column = topLevelCommaColumn(formula); column > 0 || p.GetNumResults() > 1) {
            out.error = hasDecimalComma(formula)
                             ? std::string(kDecimalPoint)
                             : std::string("a comma separates only the arguments of min and max");
            if (column > 0) out.error += " at column " + std::to_string(column);
            out.column = column;
            return out;
        }
        if (const int column = assignmentColumn(formula)) {
            out.error = "'=' is no operator here (for equality write '==') at column " +
                        std::to_string(column);
            out.column = column;
            return out;
        }
        if (used.find("x") == used.end()) {
            out.error = "the formula has no x";
            return out;
        }
    } catch (const mu::ParserError& e) {
        return refusal(formula, e);
    }
    auto map = std::shared_ptr<CustomMap>(new CustomMap());
    map->formula_ = formula;
    std::string d = symbolicDerivative(formula);
    if (!d.empty()) {
        // Used only when muparser reads it and it agrees with a central
        // difference where both are finite: GiNaC then read the formula as
        // muparser does.
        try {
            double da = 1, dx = 0.5;
            mu::Parser dp;
            compileInto(dp, d, &da, &dx);
            dp.Eval();
            constexpr std::array<double, 4> as{0.7, 1.3, 2.9, 3.7};
            constexpr std::array<double, 5> xs{0.1, 0.23, 0.5, 0.77, 0.9};
            for (double av : as) {
                for (double xv : xs) {
                    const double h = differenceStep(xv);
                    a = av;
                    x = xv + h;
                    const double up = p.Eval();
                    x = xv - h;
                    const double down = p.Eval();
                    const double difference = (up - down) / ((xv + h) - (xv - h));
                    da = av;
                    dx = xv;
                    const double symbolic = dp.Eval();
                    if (!std::isfinite(difference) || !std::isfinite(symbolic)) continue;
                    if (std::fabs(symbolic - difference) >
                        1e-5 * std::max({1.0, std::fabs(symbolic), std::fabs(difference)})) {
                        d.clear();
                        break;
                    }
                }
                if (d.empty()) break;
            }
        } catch (const mu::ParserError&) {
            d.clear();
        }
    }
    map->derivative_ = d;
    map->derivativeKind_ = d.empty() ? DerivativeKind::CentralDifference : DerivativeKind::Symbolic;
    out.map = std::move(map);
    return out;
}

Evaluator CustomMap::evaluator() const { return Evaluator(*this); }

double CustomMap::value(double a, double x) const { return evaluator().value(a, x); }

double CustomMap::slope(double a, double x) const { return evaluator().slope(a, x); }

struct Evaluator::Scalar {
    double a = 0;
    double x = 0;
    double da = 0;
    double dx = 0;
    mu::Parser f;
    mu::Parser d;
    mu::Parser both;  // "(f), (f′)"
    bool symbolic = false;
};

Evaluator::Evaluator(const CustomMap& map)
    : scalar_(std::make_unique<Scalar>()), formula_(map.formula()) {
    // The map compiled once already: these cannot fail.
    compileInto(scalar_->f, map.formula(), &scalar_->a, &scalar_->x);
    scalar_->f.Eval();
    if (map.derivativeKind() == DerivativeKind::Symbolic) {
        compileInto(scalar_->d, map.derivativeFormula(), &scalar_->da, &scalar_->dx);
        scalar_->d.Eval();
        compileInto(scalar_->both, "(" + map.formula() + "),(" + map.derivativeFormula() + ")",
                    &scalar_->a, &scalar_->x);
        scalar_->both.Eval();
        scalar_->symbolic = true;
    }
}

Evaluator::~Evaluator() = default;
Evaluator::Evaluator(Evaluator&&) noexcept = default;
Evaluator& Evaluator::operator=(Evaluator&&) noexcept = default;

double Evaluator::value(double a, double x) {
    scalar_->a = a;
    scalar_->x = x;
    return scalar_->f.Eval();
}

double Evaluator::slope(double a, double x) {
    if (scalar_->symbolic) {
        scalar_->da = a;
        scalar_->dx = x;
        return scalar_->d.Eval();
    }
    return differenceSlope(a, x, value(a, x));
}

double Evaluator::differenceSlope(double a, double x, double fx) {
    const double h = differenceStep(x);
    const double up = x + h;
    const double down = x - h;
    const double fUp = value(a, up);
    const double fDown = value(a, down);
    const double forward = (fUp - fx) / (up - x);
    const double backward = (fx - fDown) / (x - down);
    // Both sides agree: the formula is smooth across [x − h, x + h].
    if (std::fabs(forward - backward) <=
        kKinkTolerance * std::max({1.0, std::fabs(forward), std::fabs(backward)})) {
        return (fUp - fDown) / (up - down);
    }
    // A kink (min, max, abs, a conditional) lies within h of x: the side
    // whose differences over h and h/2 agree is the branch x lies on.
    const double upHalf = x + 0.5 * h;
    const double downHalf = x - 0.5 * h;
    const double forwardHalf = (value(a, upHalf) - fx) / (upHalf - x);
    const double backwardHalf = (fx - value(a, downHalf)) / (x - downHalf);
    return std::fabs(forwardHalf - forward) <= std::fabs(backwardHalf - backward) ? forward
                                                                                  : backward;
}

double Evaluator::valueAndSlope(double a, double x, double& slope) {
    if (!scalar_->symbolic) {
        const double fx = value(a, x);
        slope = differenceSlope(a, x, fx);
        return fx;
    }
    scalar_->a = a;
    scalar_->x = x;
    int n = 0;
    const double* results = scalar_->both.Eval(n);
    slope = results[1];
    return results[0];
}

void Evaluator::values(std::span<const double> a, std::span<const double> x,
                       std::span<double> out) {
    const std::size_t n = std::min({a.size(), x.size(), out.size()});
    if (n == 0) return;
    oneThreadForMuparser();
    if (!bulk_) bulk_ = std::make_unique<mu::Parser>();
    // muparser reads the variables through pointers it never writes.
    compileInto(*bulk_, formula_, const_cast<double*>(a.data()), const_cast<double*>(x.data()));
    bulk_->Eval(out.data(), static_cast<int>(n));
}

std::span<const Example> examples() {
    static constexpr Example list[] = {
        {"tent", "x < 0.5 ? 2*a*x : 2*a*(1-x)", 0.0, 1.0, 0.0, 1.0, 0.3},
        {"sine", "a*sin(pi*x)", 0.6, 1.0, 0.0, 1.0, 0.5},
        {"cubic", "a*x*(1-x*x)", 1.0, 2.6, 0.0, 1.0, 0.5773502691896258},
        {"Gauss", "exp(-6.2*x^2)+a", -1.0, 1.0, -1.0, 1.5, 0.0},
        {"circle", "x + a - 0.5/pi*sin(2*pi*x) - floor(x + a - 0.5/pi*sin(2*pi*x))", 0.0, 1.0, 0.0,
         1.0, 0.2},
    };
    return list;
}

}  // namespace corvane::custom
