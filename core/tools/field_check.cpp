#include "core/tools/field_check.h"

#include <cmath>

#include "core/numeric/number_text.h"

namespace corvane::tools {

std::string refusalOf(const FieldRule& rule) {
    return rule.name + (rule.whole ? " must be a whole number from " : " must be a number from ") +
           numberText(rule.least) + " to " + numberText(rule.most) + ".";
}

FieldCheck checkField(std::string_view text, const FieldRule& rule) {
    const std::optional<double> value = toDouble(text);
    const bool fits = value && *value >= rule.least && *value <= rule.most &&
                      (!rule.whole || *value == std::floor(*value));
    if (!fits) return {std::nullopt, refusalOf(rule)};
    return {*value + 0.0, {}};
}

}  // namespace corvane::tools
