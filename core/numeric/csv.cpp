#include "core/numeric/csv.h"

#include <locale.h>

#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace corvane {

namespace {

constexpr std::uint64_t kPow10[20] = {1ULL,
                                      10ULL,
                                      100ULL,
                                      1000ULL,
                                      10000ULL,
                                      100000ULL,
                                      1000000ULL,
                                      10000000ULL,
                                      100000000ULL,
                                      1000000000ULL,
                                      10000000000ULL,
                                      100000000000ULL,
                                      1000000000000ULL,
                                      10000000000000ULL,
                                      100000000000000ULL,
                                      1000000000000000ULL,
                                      10000000000000000ULL,
                                      100000000000000000ULL,
                                      1000000000000000000ULL,
                                      10000000000000000000ULL};

// "00" … "99".
constexpr std::array<char, 200> kPairs = [] {
    std::array<char, 200> pairs{};
    for (int i = 0; i < 100; ++i) {
        pairs[2 * i] = static_cast<char>('0' + i / 10);
        pairs[2 * i + 1] = static_cast<char>('0' + i % 10);
    }
    return pairs;
}();

// 10^0 … 10^22, all exact in 128 bits.
constexpr std::array<unsigned __int128, 23> kWidePow10 = [] {
    std::array<unsigned __int128, 23> powers{};
    powers[0] = 1;
    for (std::size_t i = 1; i < powers.size(); ++i) powers[i] = powers[i - 1] * 10;
    return powers;
}();

// round(m · 2^shift · 10^scale) for 0 < m < 2^53, -128 < shift < 0,
// 0 <= scale <= 22, halves to even, and `floor` the same rounded down:
// exact in 128 bits (m · 10^22 < 2^127).
std::uint64_t scaledRound(std::uint64_t m, int shift, int scale, std::uint64_t& floor) {
    const unsigned __int128 product = m * kWidePow10[static_cast<std::size_t>(scale)];
    const int right = -shift;
    const unsigned __int128 whole = product >> right;
    const unsigned __int128 rest = product - (whole << right);
    const unsigned __int128 half = static_cast<unsigned __int128>(1) << (right - 1);
    floor = static_cast<std::uint64_t>(whole);
    // Up or not is as good as random: decided without a branch.
    const bool up = (rest > half) | ((rest == half) & ((floor & 1) != 0));
    return floor + static_cast<std::uint64_t>(up);
}

// The 17 significant digits of |value| for 1e-6 <= |value| < 100, as the
// integer d (10^16 <= d < 10^17) and the decimal exponent E of its first
// digit, correctly rounded; false outside that range (or for 0).
bool seventeenDigits(double value, std::uint64_t& d, int& E) {
    const double magnitude = std::fabs(value);
    if (!(magnitude >= 1e-6 && magnitude < 100)) return false;
    // A normal double: magnitude = m · 2^shift with 2^52 <= m < 2^53.
    const auto bits = std::bit_cast<std::uint64_t>(magnitude);
    const int biased = static_cast<int>(bits >> 52);
    const std::uint64_t m = (bits & ((std::uint64_t{1} << 52) - 1)) | (std::uint64_t{1} << 52);
    const int shift = biased - 1075;
    // ⌊(biased − 1023) · log10 2⌋: the first digit's place, or one below it.
    E = ((biased - 1023) * 78913) >> 18;
    for (int attempt = 0; attempt < 3; ++attempt) {
        const int scale = 16 - E;
        if (scale < 0 || scale > 22) return false;
        std::uint64_t below = 0;
        d = scaledRound(m, shift, scale, below);
        if (below >= kPow10[17]) {
            ++E;
        } else if (below < kPow10[16]) {
            --E;
        } else {
            if (d == kPow10[17]) {
                // Rounded up to the next power of ten, as printf rounds it.
                d = kPow10[16];
                ++E;
            }
            return true;
        }
    }
    return false;
}

void writeDigits(char* out, std::uint64_t d, int count) {
    // Two digits at a time from the right.
    int i = count;
    while (i >= 2) {
        const auto pair = static_cast<unsigned>(d % 100);
        d /= 100;
        out[i - 2] = kPairs[2 * pair];
        out[i - 1] = kPairs[2 * pair + 1];
        i -= 2;
    }
    if (i == 1) out[0] = static_cast<char>('0' + d);
}

// The 16 digits of d < 10^16, in two halves of eight and each half in two
// of four: independent steps that can run side by side, where taking two
// digits at a time off the whole is one long chain.
void writeSixteenDigits(char* out, std::uint64_t d) {
    const auto pairsOfFour = [](char* to, std::uint32_t four) {
        std::memcpy(to, &kPairs[2 * (four / 100)], 2);
        std::memcpy(to + 2, &kPairs[2 * (four % 100)], 2);
    };
    const auto high = static_cast<std::uint32_t>(d / 100000000);
    const auto low = static_cast<std::uint32_t>(d % 100000000);
    pairsOfFour(out, high / 10000);
    pairsOfFour(out + 4, high % 10000);
    pairsOfFour(out + 8, low / 10000);
    pairsOfFour(out + 12, low % 10000);
}

}  // namespace

char* writeCsvNumber(char* out, double value) {
    if (std::isnan(value)) {
        std::memcpy(out, "nan", 3);
        return out + 3;
    }
    if (std::isinf(value)) {
        if (value > 0) {
            std::memcpy(out, "inf", 3);
            return out + 3;
        }
        std::memcpy(out, "-inf", 4);
        return out + 4;
    }
    std::uint64_t d = 0;
    int E = 0;
    if (!seventeenDigits(value, d, E)) {
        // Zeros, and the tiny and the large: printf's own "%.17g", in the C
        // locale for this thread meanwhile.
        static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
        const locale_t previous = uselocale(c);
        const int written = std::snprintf(out, 32, "%.17g", value);
        uselocale(previous);
        return out + written;
    }
    char* p = out;
    if (std::signbit(value)) *p++ = '-';
    // The usual values of an orbit, 0.1 <= |value| < 10: the digits go
    // straight into place, then the trailing zeros are taken back (%.17g
    // drops them too).
    if (E == -1 || E == 0) {
        const char lead = static_cast<char>('0' + d / kPow10[16]);
        p[1] = '.';
        char* rest = p + 2;
        if (E == 0) {
            p[0] = lead;
        } else {
            p[0] = '0';
            *rest++ = lead;
        }
        writeSixteenDigits(rest, d % kPow10[16]);
        char* end = rest + 16;
        while (end[-1] == '0') --end;
        if (end[-1] == '.') --end;
        return end;
    }
    // Trailing zeros go: %.17g drops them too.
    int digits = 17;
    while (d % 10 == 0) {
        d /= 10;
        --digits;
    }
    char text[17] = {};
    writeDigits(text, d, digits);
    if (E >= 0) {
        // E + 1 digits before the point (E < 2).
        const int whole = E + 1;
        if (digits <= whole) {
            std::memcpy(p, text, static_cast<std::size_t>(digits));
            p += digits;
            for (int i = digits; i < whole; ++i) *p++ = '0';
            return p;
        }
        std::memcpy(p, text, static_cast<std::size_t>(whole));
        p += whole;
        *p++ = '.';
        std::memcpy(p, text + whole, static_cast<std::size_t>(digits - whole));
        return p + (digits - whole);
    }
    if (E < -4) {
        // %.17g writes the exponent form below 1e-4.
        *p++ = text[0];
        if (digits > 1) {
            *p++ = '.';
            std::memcpy(p, text + 1, static_cast<std::size_t>(digits - 1));
            p += digits - 1;
        }
        *p++ = 'e';
        *p++ = '-';
        const int power = -E;
        *p++ = static_cast<char>('0' + power / 10);
        *p++ = static_cast<char>('0' + power % 10);
        return p;
    }
    *p++ = '0';
    *p++ = '.';
    for (int i = 0; i < -E - 1; ++i) *p++ = '0';
    std::memcpy(p, text, static_cast<std::size_t>(digits));
    return p + digits;
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
