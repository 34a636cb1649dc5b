#include "core/numeric/csv.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>

namespace corvane {
namespace {

std::string printf17(double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.17g", value);
    return buffer;
}

TEST(CsvNumber, WritesSeventeenSignificantDigits) {
    struct Case {
        double value;
        const char* text;
    };
    const Case cases[] = {
        {0.0, "0"},
        {-0.0, "-0"},
        {0.5, "0.5"},
        {3.7, "3.7000000000000002"},
        {0.1, "0.10000000000000001"},
        {1.0 / 3.0, "0.33333333333333331"},
        {-0.25, "-0.25"},
        {1.25, "1.25"},
        {10, "10"},
        {99.999999999999986, "99.999999999999986"},
        {1e-5, "1.0000000000000001e-05"},
        {1e-300, "1e-300"},
        {DBL_MAX, "1.7976931348623157e+308"},
        {DBL_TRUE_MIN, "4.9406564584124654e-324"},
        {std::numeric_limits<double>::infinity(), "inf"},
        {-std::numeric_limits<double>::infinity(), "-inf"},
        {std::numeric_limits<double>::quiet_NaN(), "nan"},
        {-std::numeric_limits<double>::quiet_NaN(), "nan"},  // no sign on a NaN
    };
    for (const Case& c : cases) EXPECT_EQ(csvNumber(c.value), c.text) << c.text;
}

// Every double, the values orbits take above all, is written as printf
// writes it, and reads back exactly.
TEST(CsvNumber, AgreesWithPrintfAndReadsBackExactly) {
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> unit(-0.25, 1.25);
    std::uniform_real_distribution<double> power(-8, 3);
    for (int i = 0; i < 300000; ++i) {
        double value;
        if (i % 3 == 0) {
            const std::uint64_t bits = random();
            std::memcpy(&value, &bits, sizeof value);
            if (!std::isfinite(value)) continue;
        } else if (i % 3 == 1) {
            value = unit(random);
        } else {
            value = std::pow(10.0, power(random)) * (random() % 2 ? 1 : -1);
        }
        const std::string text = csvNumber(value);
        ASSERT_EQ(text, printf17(value)) << value;
        ASSERT_EQ(std::strtod(text.c_str(), nullptr), value) << text;
    }
    // Around the powers of ten, where the first digit moves.
    for (int e = -7; e <= 2; ++e) {
        double value = std::pow(10.0, e);
        for (int step = 0; step < 50; ++step) value = std::nextafter(value, 0.0);
        for (int step = 0; step < 100; ++step) {
            ASSERT_EQ(csvNumber(value), printf17(value));
            value = std::nextafter(value, 1e300);
        }
    }
}

// Values whose exact decimal has 18 significant digits, the last a 5: the
// seventeenth is rounded half to even, as printf rounds it.
TEST(CsvNumber, HalvesRoundToEvenAsPrintfDoes) {
    // from + m · 2^-j for odd m: its decimal ends at the j-th place, a 5.
    struct Case {
        double from;
        int j;
    };
    for (const Case& c : {Case{1, 17}, Case{0.5, 18}, Case{8, 17}}) {
        for (int m = 1; m < 4000; m += 2) {
            const double value = c.from + std::ldexp(m, -c.j);
            char exact[64];
            std::snprintf(exact, sizeof exact, "%.*f", c.j, value);
            const std::string_view digits(exact);
            ASSERT_EQ(digits.back(), '5') << exact;
            ASSERT_EQ(digits.size() - 1 - (digits[0] == '0' ? 1 : 0), 18u) << exact;
            ASSERT_EQ(csvNumber(value), printf17(value)) << exact;
            ASSERT_EQ(csvNumber(-value), printf17(-value)) << exact;
        }
    }
}

TEST(CsvNumber, ExactNumberIsTheShortestThatReadsBack) {
    EXPECT_EQ(exactNumber(3.7), "3.7");
    EXPECT_EQ(exactNumber(0.1), "0.1");
    EXPECT_EQ(exactNumber(1.0 / 3.0), "0.3333333333333333");
    EXPECT_EQ(exactNumber(-std::numeric_limits<double>::infinity()), "-inf");
}

TEST(CsvNumber, IgnoresACommaLocale) {
    const char* previous = std::setlocale(LC_ALL, nullptr);
    const std::string saved = previous ? previous : "C";
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) {
        if (const char* ci = std::getenv("CI"); ci && std::string(ci) == "true")
            FAIL() << "the locale de_DE.UTF-8 must be installed under CI";
        GTEST_SKIP() << "the locale de_DE.UTF-8 is not installed";
    }
    const std::string plain = csvNumber(2.5);
    const std::string exponent = csvNumber(2.5e-200);
    const std::string shortest = exactNumber(3.7);
    std::setlocale(LC_ALL, saved.c_str());
    EXPECT_EQ(plain, "2.5");
    EXPECT_EQ(exponent, "2.5e-200");
    EXPECT_EQ(shortest, "3.7");
}

TEST(CsvWriter, RowsGoOutInLargePiecesAndWhole) {
    std::string all;
    int pieces = 0;
    {
        CsvWriter csv([&](std::string_view text) {
            all.append(text);
            ++pieces;
        });
        csv.comment("a, comment");
        csv.header({"n", "x"});
        for (int n = 1; n <= 20000; ++n) {
            csv.integer(n);
            csv.number(n / 7.0);
            csv.endRow();
        }
        csv.flush();
    }
    EXPECT_GT(pieces, 3);
    EXPECT_EQ(all.rfind("# a, comment\nn,x\n1,0.14285714285714285\n", 0), 0u);
    EXPECT_EQ(all.substr(all.size() - 25), "20000,2857.1428571428573\n");
}

TEST(CsvField, QuotesOnlyWhenNeeded) {
    EXPECT_EQ(csvField("a*x*(1-x)"), "a*x*(1-x)");
    EXPECT_EQ(csvField("min(x,1-x)"), "\"min(x,1-x)\"");
    EXPECT_EQ(csvField("say \"hi\""), "\"say \"\"hi\"\"\"");
}

}  // namespace
}  // namespace corvane
