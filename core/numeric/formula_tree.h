// A formula of the user's own as a tree of operations, read in muparser's
// grammar (precedence, associativity, names), and evaluated with its exact
// derivative by forward differentiation: every operation carries its value
// and the derivative of that value together.
//
// The tree is what the machine-code compiler translates; evaluated here it
// is the compiler's stand-in where no machine code could be made, and gives
// the same bits.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace corvane::custom {

enum class Op : unsigned char {
    Number,
    A,
    X,
    B,  // the second parameter of a map of two (b); 0 elsewhere
    Negate,
    Add,
    Subtract,
    Multiply,
    Divide,
    Power,
    Less,
    Greater,
    LessEqual,
    GreaterEqual,
    Equal,
    NotEqual,
    And,
    Or,
    Choose,  // c ? u : v
    Sin,
    Cos,
    Tan,
    Asin,
    Acos,
    Atan,
    Sinh,
    Cosh,
    Tanh,
    Exp,
    Log,
    Log10,
    Sqrt,
    Abs,
    Floor,
    Ceil,
    Min,
    Max,
};

struct Node {
    Op op = Op::Number;
    double number = 0;  // for Op::Number
    // The operands' indices in the tree; every operand comes before its
    // operation, so the nodes in order are an evaluation order.
    int args[3] = {-1, -1, -1};
};

struct FormulaTree {
    std::vector<Node> nodes;  // the last node is the formula's value
};

// The variables a formula may name: x and a, or x, a and b.
enum class Variables { XA, XAB };

// The tree of a formula that muparser accepted (with the names of
// custom_map.h); nullopt for anything outside the grammar read here.
std::optional<FormulaTree> readFormula(const std::string& formula,
                                       Variables variables = Variables::XA);

// Which derivative is taken: f′(x), ∂f/∂a or none (the value alone).
enum class Along { X, A, None };

// A value with its derivative.
struct Dual {
    double value = 0;
    double derivative = 0;
};

// f(a, x) and its derivative along x or a. At a kink (min, max, abs, a
// conditional) the derivative is the one of the branch taken; floor, ceil
// and comparisons have derivative 0.
Dual evaluate(const FormulaTree& tree, double a, double x, Along along);
// A map of x and two parameters: its value and f′(x) at (a, b).
Dual evaluate(const FormulaTree& tree, double a, double b, double x);

}  // namespace corvane::custom
