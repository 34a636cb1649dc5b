#include "core/numeric/number_text.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <locale.h>

namespace corvane {

namespace {

// The C locale, for formatting and reading with '.' as the decimal point
// whatever locale the program runs under (the toolkit sets the C library's
// from the environment).
locale_t cLocale() {
    static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    return c;
}

}  // namespace

std::string numberText(double value) {
    if (value == 0.0) return "0";  // also for -0
    char buffer[40];
    // Only this thread formats in the C locale meanwhile.
    const locale_t previous = uselocale(cLocale());
    std::snprintf(buffer, sizeof buffer, "%.15G", value);
    uselocale(previous);
    return buffer;
}

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    return text;
}

}  // namespace

bool isNumeric(std::string_view text) {
    text = trimmed(text);
    std::size_t i = 0;
    const std::size_t n = text.size();
    if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
    std::size_t digits = 0;
    while (i < n && isDigit(text[i])) ++i, ++digits;
    if (i < n && text[i] == '.') {
        ++i;
        while (i < n && isDigit(text[i])) ++i, ++digits;
    }
    if (digits == 0) return false;
    if (i < n && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
        std::size_t expDigits = 0;
        while (i < n && isDigit(text[i])) ++i, ++expDigits;
        if (expDigits == 0) return false;
    }
    return i == n;
}

std::optional<double> toDouble(std::string_view text) {
    if (!isNumeric(text)) return std::nullopt;
    const std::string copy(trimmed(text));
    errno = 0;
    const double value = strtod_l(copy.c_str(), nullptr, cLocale());
    if (std::isinf(value)) return std::nullopt;  // beyond the double range
    return value;  // an underflow gives 0 or a tiny value, which is fine
}

std::optional<std::int16_t> roundToInt16(double value) {
    const double r = std::nearbyint(value);  // ties to even
    if (!(r >= -32768.0 && r <= 32767.0)) return std::nullopt;
    return static_cast<std::int16_t>(r);
}

std::optional<std::int32_t> roundToInt32(double value) {
    const double r = std::nearbyint(value);
    if (!(r >= -2147483648.0 && r <= 2147483647.0)) return std::nullopt;
    return static_cast<std::int32_t>(r);
}

std::optional<std::int16_t> toInt16(std::string_view text) {
    const auto value = toDouble(text);
    if (!value) return std::nullopt;
    return roundToInt16(*value);
}

std::optional<std::int32_t> toInt32(std::string_view text) {
    const auto value = toDouble(text);
    if (!value) return std::nullopt;
    return roundToInt32(*value);
}

}  // namespace corvane
