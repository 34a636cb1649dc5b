#include "core/tools/field_check.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>

namespace corvane::tools {
namespace {

const FieldRule kX0{"x0", 0, 1, false};
const FieldRule kK{"K", 1, 100'000'000, true};
const FieldRule kA{"a_min", -2.5, 1000, false};

TEST(FieldCheck, TakesNumbersInRangeAsTyped) {
    struct Case {
        const FieldRule* rule;
        const char* typed;
        double value;
    };
    const Case cases[] = {
        {&kX0, "0.5", 0.5},       {&kX0, " 1 ", 1},        {&kX0, "0", 0},
        {&kX0, "1e-300", 1e-300}, {&kX0, ".25", 0.25},     {&kK, "1", 1},
        {&kK, "1e3", 1000},       {&kK, "100000000", 1e8}, {&kA, "-2.5", -2.5},
        {&kA, "+999.75", 999.75},
    };
    for (const Case& c : cases) {
        const FieldCheck check = checkField(c.typed, *c.rule);
        ASSERT_TRUE(check.accepted()) << c.typed;
        EXPECT_EQ(*check.value, c.value) << c.typed;
        EXPECT_TRUE(check.refusal.empty()) << c.typed;
    }
    // −0 is 0 (never a negative zero shown back).
    EXPECT_FALSE(std::signbit(*checkField("-0", kX0).value));
}

TEST(FieldCheck, RefusesEverythingElseInOneWordingWithoutAValue) {
    struct Case {
        const FieldRule* rule;
        const char* typed;
    };
    const Case cases[] = {
        {&kX0, ""},    {&kX0, "   "},  {&kX0, "2"},     {&kX0, "-0.0001"}, {&kX0, "1.0000001"},
        {&kX0, "nan"}, {&kX0, "NaN"},  {&kX0, "inf"},   {&kX0, "-inf"},    {&kX0, "abc"},
        {&kX0, "0,5"}, {&kX0, "0.5x"}, {&kX0, "1e999"}, {&kK, "0"},        {&kK, "1.5"},
        {&kK, "1e9"},  {&kK, "-1"},    {&kA, "1e9"},    {&kA, "-3"},
    };
    for (const Case& c : cases) {
        const FieldCheck check = checkField(c.typed, *c.rule);
        EXPECT_FALSE(check.accepted()) << c.typed;
        EXPECT_EQ(check.refusal, refusalOf(*c.rule)) << c.typed;
    }
    EXPECT_EQ(refusalOf(kX0), "x0 must be a number from 0 to 1.");
    EXPECT_EQ(refusalOf(kK), "K must be a whole number from 1 to 100000000.");
    EXPECT_EQ(refusalOf(kA), "a_min must be a number from -2.5 to 1000.");
}

}  // namespace
}  // namespace corvane::tools
