// Any text through the numeric test and the conversions: no undefined
// behaviour, and a text is numeric exactly when it converts (overflow aside).
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/numeric/number_text.h"

namespace {

// One more than the decimal exponent of the first significant digit of a
// numeric text ("5" gives 1, "0.02" gives -1), worked out from the characters.
long long decimalMagnitude(std::string_view t) {
    long long firstDigit = 0;
    bool seenNonZero = false, afterPoint = false;
    long long position = 0;  // digits before the point
    long long fraction = 0;  // digits after the point
    std::size_t i = 0;
    while (i < t.size() && (t[i] == ' ' || t[i] == '\t' || t[i] == '+' || t[i] == '-')) ++i;
    for (; i < t.size() && t[i] != 'e' && t[i] != 'E'; ++i) {
        if (t[i] == '.') {
            afterPoint = true;
            continue;
        }
        if (t[i] < '0' || t[i] > '9') break;
        if (afterPoint) {
            ++fraction;
        } else {
            ++position;
        }
        if (!seenNonZero && t[i] != '0') {
            seenNonZero = true;
            firstDigit = afterPoint ? 1 - fraction : position;
        }
    }
    if (!seenNonZero) return -1000000;
    // Leading zeros before the point do not count.
    if (firstDigit > 0) {
        std::size_t j = 0;
        while (j < t.size() && (t[j] == ' ' || t[j] == '\t' || t[j] == '+' || t[j] == '-')) ++j;
        while (j < t.size() && t[j] == '0') ++j, --firstDigit, --position;
        firstDigit = position;
    }
    long long exponent = 0;
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        ++i;
        bool negative = false;
        if (i < t.size() && (t[i] == '+' || t[i] == '-')) negative = t[i++] == '-';
        for (; i < t.size() && t[i] >= '0' && t[i] <= '9'; ++i) {
            if (exponent < 100000000) exponent = exponent * 10 + (t[i] - '0');
        }
        if (negative) exponent = -exponent;
    }
    return firstDigit + exponent;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const bool numeric = corvane::isNumeric(text);
    const auto value = corvane::toDouble(text);
    if (value && !numeric) std::abort();
    if (numeric && !value && decimalMagnitude(text) < 308) std::abort();  // only overflow may fail
    const auto i16 = corvane::toInt16(text);
    const auto i32 = corvane::toInt32(text);
    if ((i16 || i32) && !value) std::abort();
    if (value) {
        if (!std::isfinite(*value)) std::abort();
        if (i16 != corvane::roundToInt16(*value)) std::abort();
        if (i32 != corvane::roundToInt32(*value)) std::abort();
        const double r = std::nearbyint(*value);
        if (i32.has_value() != (r >= -2147483648.0 && r <= 2147483647.0)) std::abort();
        if (i16 && (*i16 < -32768 || *i16 > 32767)) std::abort();
        // The text form reads back as nearly the same number.
        const std::string written = corvane::numberText(*value);
        const auto again = corvane::toDouble(written);
        if (!corvane::isNumeric(written)) std::abort();
        if (again && std::abs(*again - *value) > 1e-14 * std::abs(*value)) std::abort();
    }
    return 0;
}
