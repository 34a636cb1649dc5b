#include "core/numeric/csv.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>

namespace corvane {
namespace {

TEST(CsvNumber, WritesTheShortestExactForm) {
    struct Case {
        double value;
        const char* text;
    };
    const Case cases[] = {
        {0.0, "0"},
        {-0.0, "-0"},
        {3.7, "3.7"},
        {0.1, "0.1"},
        {1.0 / 3.0, "0.3333333333333333"},
        {1e-300, "1e-300"},
        {DBL_MAX, "1.7976931348623157e+308"},
        {DBL_TRUE_MIN, "5e-324"},
        {std::numeric_limits<double>::infinity(), "inf"},
        {-std::numeric_limits<double>::infinity(), "-inf"},
        {std::numeric_limits<double>::quiet_NaN(), "nan"},
    };
    for (const Case& c : cases) EXPECT_EQ(csvNumber(c.value), c.text) << c.text;
}

TEST(CsvNumber, EveryValueReadsBackExactly) {
    std::mt19937_64 random(7);
    for (int i = 0; i < 100000; ++i) {
        double value;
        const std::uint64_t bits = random();
        std::memcpy(&value, &bits, sizeof value);
        if (!std::isfinite(value)) continue;
        const std::string text = csvNumber(value);
        EXPECT_EQ(std::strtod(text.c_str(), nullptr), value) << text;
    }
}

TEST(CsvNumber, IgnoresACommaLocale) {
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = previous ? previous : "C";
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8")) {
        if (const char* ci = std::getenv("CI"); ci && std::string(ci) == "true")
            FAIL() << "the locale de_DE.UTF-8 must be installed under CI";
        GTEST_SKIP() << "the locale de_DE.UTF-8 is not installed";
    }
    const std::string text = csvNumber(2.5);
    std::setlocale(LC_NUMERIC, saved.c_str());
    EXPECT_EQ(text, "2.5");
}

TEST(CsvField, QuotesOnlyWhenNeeded) {
    EXPECT_EQ(csvField("a*x*(1-x)"), "a*x*(1-x)");
    EXPECT_EQ(csvField("min(x,1-x)"), "\"min(x,1-x)\"");
    EXPECT_EQ(csvField("say \"hi\""), "\"say \"\"hi\"\"\"");
}

}  // namespace
}  // namespace corvane
