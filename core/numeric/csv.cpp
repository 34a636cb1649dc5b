#include "core/numeric/csv.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace corvane {

char* writeCsvNumber(char* out, double value) {
    // to_chars without a precision writes the shortest form that reads back
    // as the same double, and never looks at the locale; only a NaN's sign
    // ("-nan") is not wanted.
    if (std::isnan(value)) {
        std::memcpy(out, "nan", 3);
        return out + 3;
    }
    return std::to_chars(out, out + 32, value).ptr;
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

std::string exactNumber(double value) { return csvNumber(value); }

std::string csvComment(std::string_view text) {
    return csvField("# " + std::string(text)) + "\n";
}

std::string csvAbout(const CsvAbout& about) {
    auto orNone = [](const std::string& s) { return s.empty() ? std::string("none") : s; };
    return csvComment("Corvane " CORVANE_VERSION) + csvComment("what: " + about.what) +
           csvComment("map: " + orNone(about.map)) +
           csvComment("parameters: " + orNone(about.parameters));
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
