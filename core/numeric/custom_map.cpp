#include "core/numeric/custom_map.h"

#include <muParser.h>

#include <algorithm>
#include <cctype>
#include <cmath>

#include "core/numeric/maps.h"

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

// Longer formulas are refused: the code made for them and the time to
// make it stay bounded.
constexpr std::size_t kLongestFormula = 500;

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
void compileInto(mu::Parser& p, const std::string& formula, double* a, double* x,
                 double* b = nullptr) {
    configure(p, a, x);
    if (b) p.DefineVar("b", b);
    p.SetExpr(formula);
}

}  // namespace

CustomMap::Compiled CustomMap::compile(const std::string& typed, Compiler compiler,
                                       Variables variables) {
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
    const bool two = variables == Variables::XAB;
    double a = 1, x = 0.5, b = 1;
    mu::Parser p;
    try {
        compileInto(p, formula, &a, &x, two ? &b : nullptr);
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
    // muparser accepted it: its tree, in muparser's own grammar.
    std::optional<FormulaTree> tree = readFormula(formula, variables);
    if (!tree) {
        out.error = "the formula cannot be compiled (a fault of the program: please report it)";
        return out;
    }
    auto map = std::shared_ptr<CustomMap>(new CustomMap());
    map->formula_ = formula;
    const bool native = compiler == Compiler::Native;
    map->code_ = two ? FormulaCode::makeTwo(std::move(*tree), false, native)
                     : FormulaCode::make(std::move(*tree), native);
    out.map = std::move(map);
    return out;
}

std::shared_ptr<const CustomMap> CustomMap::fromTree(FormulaTree tree, std::string caption,
                                                     Compiler compiler) {
    auto map = std::shared_ptr<CustomMap>(new CustomMap());
    map->formula_ = std::move(caption);
    map->code_ = FormulaCode::make(std::move(tree), compiler == Compiler::Native);
    return map;
}

Evaluator CustomMap::evaluator() const { return Evaluator(*this); }

double CustomMap::value(double a, double x) const { return code_->value(a, x); }

double CustomMap::slope(double a, double x) const { return evaluator().slope(a, x); }

void Evaluator::values(std::span<const double> a, std::span<const double> x,
                       std::span<double> out) const {
    const std::size_t n = std::min({a.size(), x.size(), out.size()});
    for (std::size_t i = 0; i < n; ++i) out[i] = code_->value(a[i], x[i]);
}

Reference::Reference(const std::string& formula) : parser_(std::make_unique<mu::Parser>()) {
    // Without muparser's rewriting (x^2 as x·x, folded constants), each
    // operation as written: the compiled code's order.
    parser_->EnableOptimizer(false);
    compileInto(*parser_, formula, &a_, &x_);
}

Reference::~Reference() = default;

double Reference::value(double a, double x) {
    a_ = a;
    x_ = x;
    return parser_->Eval();
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
