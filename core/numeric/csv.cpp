#include "core/numeric/csv.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace corvane {

char* writeCsvNumber(char* out, double value) {
    // to_chars with a precision writes what printf's "%.17g" writes in the C
    // locale, whatever the locale, trailing zeros dropped; only a NaN's sign
    // ("-nan") is not wanted.
    if (std::isnan(value)) {
        std::memcpy(out, "nan", 3);
        return out + 3;
    }
    return std::to_chars(out, out + 32, value, std::chars_format::general, 17).ptr;
}

void appendCsvNumber(std::string& out, double value) {
    char buffer[32];
    out.append(buffer, writeCsvNumber(buffer, value));
}

std::string csvNumber(double value) {
    std::string text;
    appendCsvNumber(text, value);
    return text;
}

std::string exactNumber(double value) {
    if (std::isnan(value)) return "nan";
    if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
    // to_chars without a precision gives the shortest form that reads back
    // as the same double, and never looks at the locale.
    char buffer[32];
    return std::string(buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr);
}

std::string csvField(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    quoted += '"';
    return quoted;
}

char* writeCsvInteger(char* out, std::int64_t value) {
    return std::to_chars(out, out + 24, value).ptr;
}

}  // namespace corvane
