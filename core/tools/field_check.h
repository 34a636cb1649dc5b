// A typed field of a tool window read against what it accepts: a number
// (or a whole number) within a closed range. A refused text is never
// brought into range or rounded: the field keeps it, the value shown stays,
// and the refusal says what the field takes, in one wording whatever was
// wrong (empty, not a number, "nan", "inf", out of range).
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/numeric/map.h"

namespace corvane::tools {

using corvane::kFarthestA;
using corvane::kFarthestX;
using corvane::kMostBuiltInA;

struct FieldRule {
    std::string name;  // as the field's label says it: "x0", "a_min", "K"
    double least = 0;
    double most = 1;
    bool whole = false;  // only whole numbers
};

struct FieldCheck {
    std::optional<double> value;  // the number read, when accepted
    std::string refusal;          // why not, when refused; empty otherwise
    bool accepted() const { return value.has_value(); }
};

// "x0 must be a number from 0 to 1.", "K must be a whole number from 1 to
// 100000000."
std::string refusalOf(const FieldRule& rule);

// Reads the text the way every window reads numbers (decimal point '.',
// an optional exponent, blanks around allowed); −0 is read as 0.
FieldCheck checkField(std::string_view text, const FieldRule& rule);

}  // namespace corvane::tools
