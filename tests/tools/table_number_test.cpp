#include "core/tools/table_number.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>

namespace corvane::tools {
namespace {

TEST(TableNumber, WritesTheShortestTextThatReadsBackExactly) {
    struct Case {
        double value;
        const char* text;
    };
    const double inf = std::numeric_limits<double>::infinity();
    const Case cases[] = {
        {0.03, "0.03"},
        {0.1 + 0.2, "0.30000000000000004"},
        {-0.0, "-0"},
        {0, "0"},
        {3, "3"},
        {1e-300, "1e-300"},
        {3.5e27, "3.5e+27"},
        {-2.5e-7, "-2.5e-07"},
        {123456, "123456"},
        {1e22, "1e+22"},
        {std::numeric_limits<double>::denorm_min(), "5e-324"},
        {std::numeric_limits<double>::quiet_NaN(), "undefined"},
        {inf, "inf"},
        {-inf, "-inf"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(tableNumber(c.value), c.text) << c.text;
        // What is written reads back as the same double.
        if (std::isfinite(c.value)) {
            EXPECT_EQ(std::strtod(c.text, nullptr), c.value) << c.text;
        }
    }
}

}  // namespace
}  // namespace corvane::tools
