// A map of the user's own as the "Custom..." dialog would give it.
#pragma once

#include <optional>

#include "core/numeric/map.h"

namespace corvane::explore {

inline std::optional<Map> choiceOf(const char* formula, double aMin, double aMax, double x0 = 0.5,
                                   double xMin = 0, double xMax = 1) {
    auto compiled = custom::CustomMap::compile(formula);
    if (!compiled.map) return std::nullopt;
    return Map::formula(compiled.map, {aMin, aMax}, {xMin, xMax}, x0);
}

}  // namespace corvane::explore
