// Numbers as text and text as numbers, the way every window writes and reads
// them: decimal point '.', whatever the locale.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace corvane {

// Default text form: 15 significant digits, no trailing zeros, integers as
// plain digits, exponent form for very small or large values (1E-10, 1E+15).
std::string numberText(double value);

// A decimal number with optional sign, optional fraction and optional
// exponent, blanks before and after allowed. Nothing else.
bool isNumeric(std::string_view text);

// Empty when the text is not numeric or its value is beyond the double range.
std::optional<double> toDouble(std::string_view text);

// To the nearest integer, an exact half to the even neighbour; empty when the
// text is not numeric or the result does not fit.
std::optional<std::int16_t> toInt16(std::string_view text);
std::optional<std::int32_t> toInt32(std::string_view text);

// The same rounding for a double; empty when it does not fit or is not finite.
std::optional<std::int16_t> roundToInt16(double value);
std::optional<std::int32_t> roundToInt32(double value);

}  // namespace corvane
