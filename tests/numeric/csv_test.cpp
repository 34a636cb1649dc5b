#include "core/numeric/csv.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cfloat>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace corvane {
namespace {

// The fields of one line of a CSV file as a spreadsheet reads it: commas
// separate, a field that begins with a quote runs to its closing quote.
std::vector<std::string> cells(const std::string& line) {
    std::vector<std::string> out(1);
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
                out.back() += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                out.back() += c;
            }
        } else if (c == '"' && out.back().empty()) {
            quoted = true;
        } else if (c == ',') {
            out.emplace_back();
        } else {
            out.back() += c;
        }
    }
    return out;
}

TEST(CsvNumber, WritesTheShortestFormThatReadsBack) {
    struct Case {
        double value;
        const char* text;
    };
    const Case cases[] = {
        {0.0, "0"},
        {-0.0, "-0"},
        {0.03, "0.03"},  // as typed
        {0.5, "0.5"},
        {3.7, "3.7"},
        {0.1 + 0.2, "0.30000000000000004"},
        {1.0 / 3.0, "0.3333333333333333"},
        {10, "10"},
        {1e-5, "1e-05"},
        {1e-300, "1e-300"},
        {DBL_MAX, "1.7976931348623157e+308"},
        {DBL_TRUE_MIN, "5e-324"},
        {std::numeric_limits<double>::infinity(), "inf"},
        {-std::numeric_limits<double>::infinity(), "-inf"},
        {std::numeric_limits<double>::quiet_NaN(), "nan"},
        {-std::numeric_limits<double>::quiet_NaN(), "nan"},  // no sign on a NaN
    };
    for (const Case& c : cases) EXPECT_EQ(csvNumber(c.value), c.text) << c.text;
}

// Every double, the values orbits take above all, reads back exactly, and
// one significant digit fewer would not.
TEST(CsvNumber, ReadsBackExactlyAndNoShorterTextWould) {
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> unit(-0.25, 1.25);
    std::uniform_real_distribution<double> power(-8, 3);
    for (int i = 0; i < 100000; ++i) {
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
        ASSERT_EQ(std::strtod(text.c_str(), nullptr), value) << text;
        // Its significant digits.
        std::string mantissa = text.substr(0, text.find('e'));
        // (A whole number's trailing zeros are no significant digits.)
        if (mantissa.find('.') == std::string::npos && text.find('e') == std::string::npos) {
            while (mantissa.size() > 1 && mantissa.back() == '0') mantissa.pop_back();
        }
        int digits = 0;
        for (std::size_t k = 0, leading = 1; k < mantissa.size(); ++k) {
            if (mantissa[k] >= '1' && mantissa[k] <= '9') leading = 0;
            if (!leading && std::isdigit(static_cast<unsigned char>(mantissa[k]))) ++digits;
        }
        // (Whole numbers from 10^16 on are written with all their digits.)
        if (digits > 1 && !(text.find('e') == std::string::npos && std::fabs(value) >= 1e16)) {
            char shorter[512];
            std::snprintf(shorter, sizeof shorter, "%.*g", digits - 1, value);
            ASSERT_NE(std::strtod(shorter, nullptr), value) << text << " vs " << shorter;
        }
    }
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
        csv.comment("a, comment");  // a spreadsheet keeps it in one cell
        csv.header({"n", "x"});
        for (int n = 1; n <= 20000; ++n) {
            csv.integer(n);
            csv.number(n / 7.0);
            csv.endRow();
        }
        csv.flush();
    }
    EXPECT_GT(pieces, 3);
    EXPECT_EQ(all.rfind("\"# a, comment\"\nn,x\n1,0.14285714285714285\n", 0), 0u);
    EXPECT_EQ(all.substr(all.size() - 25), "20000,2857.1428571428573\n");
}

// Every file's first lines: four comment lines, each one cell however the
// formula is written, then the file's own.
TEST(CsvAbout, FourLinesEachOneCell) {
    const std::string block = csvAbout({"the orbit of the cobweb", "f(x) = 2*a*min(x,1-x)",
                                        "a = 0.8; x0 = \"0.3\""});
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < block.size();) {
        const std::size_t end = block.find('\n', at);
        lines.push_back(block.substr(at, end - at));
        at = end + 1;
    }
    ASSERT_EQ(lines.size(), 4u) << block;
    const std::string want[] = {"# Corvane ", "# what: the orbit of the cobweb",
                                "# map: f(x) = 2*a*min(x,1-x)", "# parameters: a = 0.8; x0 = \"0.3\""};
    for (std::size_t i = 0; i < 4; ++i) {
        const std::vector<std::string> row = cells(lines[i]);
        ASSERT_EQ(row.size(), 1u) << lines[i];
        EXPECT_EQ(row[0].rfind(want[i], 0), 0u) << row[0];
    }
    EXPECT_EQ(lines[1].front(), '#');  // no comma: a plain comment line
    EXPECT_EQ(lines[2].front(), '"');
    EXPECT_EQ(csvAbout({"x", "", ""}).find("# map: none\n# parameters: none\n") != std::string::npos,
              true);
}

TEST(CsvField, QuotesOnlyWhenNeeded) {
    EXPECT_EQ(csvField("a*x*(1-x)"), "a*x*(1-x)");
    EXPECT_EQ(csvField("min(x,1-x)"), "\"min(x,1-x)\"");
    EXPECT_EQ(csvField("say \"hi\""), "\"say \"\"hi\"\"\"");
}

}  // namespace
}  // namespace corvane
