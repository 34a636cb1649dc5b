#include "core/numeric/number_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <limits>

#include "core/maybe_number.h"

namespace corvane {
namespace {

struct TextCase {
    double value;
    const char* text;
};

TEST(NumberText, WritesTheDefaultForm) {
    const TextCase cases[] = {
        {3.7, "3.7"},
        {0.25, "0.25"},
        {100, "100"},
        {1e-10, "1E-10"},
        {1e15, "1E+15"},
        {123456789012345.0, "123456789012345"},
        {-0.0, "0"},
        {0.0, "0"},
        {-2.5, "-2.5"},
        {0.1 + 0.2, "0.3"},  // rounded to 15 significant digits
        {1.0 / 3.0, "0.333333333333333"},
        {2147483647.0, "2147483647"},
        {0.0001, "0.0001"},
        {0.00001, "1E-05"},
    };
    for (const auto& c : cases) EXPECT_EQ(numberText(c.value), c.text) << c.value;
}

struct NumericCase {
    const char* text;
    bool numeric;
};

TEST(NumericText, AcceptsPlainDecimalNumbersOnly) {
    const NumericCase cases[] = {
        {" 3.7 ", true}, {"3.70", true},  {"1e-10", true}, {"-0", true},   {".5", true},
        {"5.", true},    {"+2", true},    {"1E3", true},   {"\t4\t", true}, {"1e+05", true},
        {"1e", false},   {"+", false},    {"", false},     {"   ", false}, {"1,5", false},
        {"0x10", false}, {"inf", false},  {"nan", false},  {".", false},   {"-.", false},
        {"1e5.5", false}, {"1 2", false}, {"3.7a", false}, {"$5", false},  {"--1", false},
    };
    for (const auto& c : cases) EXPECT_EQ(isNumeric(c.text), c.numeric) << '"' << c.text << '"';
}

TEST(NumericText, IsNumericExactlyWhenItConverts) {
    const char* texts[] = {" 3.7 ", "1e", ".5", "5.", "0x10", "inf", "", "+", "1,5", "-0"};
    for (const char* t : texts) EXPECT_EQ(isNumeric(t), toDouble(t).has_value()) << t;
}

TEST(Conversions, RoundHalvesToEven) {
    EXPECT_EQ(toInt32("2.5"), 2);
    EXPECT_EQ(toInt32("3.5"), 4);
    EXPECT_EQ(toInt32("-2.5"), -2);
    EXPECT_EQ(toInt32("0.4"), 0);
    EXPECT_EQ(toInt32("0.6"), 1);
    EXPECT_EQ(toInt32("1e3"), 1000);
    EXPECT_EQ(toInt16("1.5"), 2);
    EXPECT_EQ(toInt16("0.5"), 0);
}

TEST(Conversions, ReportOutOfRangeInsteadOfOverflowing) {
    EXPECT_EQ(toInt16("32767"), 32767);
    EXPECT_EQ(toInt16("32767.4"), 32767);
    EXPECT_FALSE(toInt16("32767.5").has_value());  // rounds to 32768
    EXPECT_EQ(toInt16("-32768"), -32768);
    EXPECT_FALSE(toInt16("-32769").has_value());
    EXPECT_EQ(toInt32("2147483647"), 2147483647);
    EXPECT_FALSE(toInt32("2147483648").has_value());
    EXPECT_EQ(toInt32("-2147483648"), std::numeric_limits<std::int32_t>::min());
    EXPECT_FALSE(toInt32("1e300").has_value());
    EXPECT_FALSE(toDouble("1e999").has_value());
    EXPECT_FALSE(toDouble("-1e999").has_value());
    EXPECT_EQ(toDouble("1e-999"), 0.0);  // an underflow is simply 0
    EXPECT_FALSE(roundToInt32(std::numeric_limits<double>::quiet_NaN()).has_value());
    EXPECT_FALSE(roundToInt16(std::numeric_limits<double>::infinity()).has_value());
}

TEST(Conversions, IgnoreTheLocale) {
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) {
        const char* ci = std::getenv("CI");
        if (ci && std::string(ci) == "true") FAIL() << "the locale de_DE.UTF-8 is not installed";
        GTEST_SKIP() << "the locale de_DE.UTF-8 is not installed (./test.sh generates it)";
    }
    EXPECT_EQ(toDouble("3.25"), 3.25);
    EXPECT_FALSE(toDouble("3,25").has_value());  // reading stays '.' only
    EXPECT_EQ(numberText(3.25), "3.25");
    EXPECT_EQ(numberText(1e-10), "1E-10");
    EXPECT_EQ(numberText(-3.7), "-3.7");
    std::setlocale(LC_ALL, "C");
}

TEST(MaybeNumber, EmptyIsZeroInArithmeticAndNothingInText) {
    MaybeNumber empty;
    EXPECT_TRUE(empty.isEmpty());
    EXPECT_EQ(empty + 2.0, 2.0);
    EXPECT_FALSE(empty > 0);
    EXPECT_EQ("a=" + empty.text() + ", k=", "a=, k=");
    MaybeNumber three = 3.7;
    EXPECT_EQ(three.text(), "3.7");
    EXPECT_FALSE(three.isEmpty());
}

}  // namespace
}  // namespace corvane
