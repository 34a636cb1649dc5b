#include "core/tools/table_number.h"

#include <charconv>
#include <cmath>

namespace corvane::tools {

std::string tableNumber(double value) {
    if (std::isnan(value)) return "undefined";
    if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
    char buffer[32];
    // Without a format: the shortest text that reads back exactly, fixed or
    // scientific, whichever has fewer characters.
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
    if (error != std::errc()) return "undefined";
    return std::string(buffer, end);
}

}  // namespace corvane::tools
