// Entry of k: rounding to the nearest whole number, the two refusals, and a
// refused k still taking its panel.
#include <ostream>

#include "tests/functions/graph_test_support.h"

namespace corvane::testing {
namespace {

struct KCase {
    const char* name;
    const char* typed;    // "" is also what Cancel gives
    const char* message;  // nullptr: accepted
    int k;                // 0 when refused
};

void PrintTo(const KCase& c, std::ostream* os) { *os << c.name; }

class KEntry : public FunctionGraphs, public ::testing::WithParamInterface<KCase> {};

TEST_P(KEntry, SetsKOrRefusesIt) {
    const KCase& c = GetParam();
    openGraphs();
    typeA("3.9");
    graph(1, c.typed);
    if (c.message) {
        EXPECT_EQ(ui.messages(), std::vector<std::string>{c.message});
    } else {
        EXPECT_TRUE(ui.messages().empty());
    }
    EXPECT_EQ(program.form4().curK, c.k);
    EXPECT_EQ(program.form4().graphCount, 1);
    const Graph g = onlyGraph();
    expectFrame(g, panel(1));
    EXPECT_EQ(g.title, "a=3.9, k=" + std::to_string(c.k) + ", function 1");
    if (c.k == 0) {
        EXPECT_TRUE(g.curve.empty());
    } else {
        EXPECT_EQ(g.curve.size(), 100u);
        expectCurve(g, panel(1), 1, 3.9, c.k);
    }
}

constexpr const char* kInvalid = "Invalid number.";
constexpr const char* kNotANumber = "Enter a valid number";

INSTANTIATE_TEST_SUITE_P(
    Form4, KEntry,
    ::testing::Values(
        KCase{"One", "1", nullptr, 1}, KCase{"HalfGoesDownToEven", "2.5", nullptr, 2},
        KCase{"HalfGoesUpToEven", "3.5", nullptr, 4}, KCase{"NearestWhole", "2.6", nullptr, 3},
        KCase{"BlanksAround", " 3 ", nullptr, 3}, KCase{"Exponent", "1e1", nullptr, 10},
        KCase{"Largest", "32767", nullptr, 32767}, KCase{"RoundsToZero", "0.4", kInvalid, 0},
        KCase{"Zero", "0", kInvalid, 0}, KCase{"Negative", "-3", kInvalid, 0},
        KCase{"Above16Bits", "99999", kInvalid, 0},
        KCase{"RoundsAbove16Bits", "32767.5", kInvalid, 0},
        KCase{"Below16Bits", "-40000", kInvalid, 0},
        KCase{"BeyondDoubleRange", "1e999", kInvalid, 0}, KCase{"Letters", "abc", kNotANumber, 0},
        KCase{"EmptyOrCancel", "", kNotANumber, 0}, KCase{"OnlyBlanks", "   ", kNotANumber, 0},
        KCase{"DecimalComma", "1,5", kNotANumber, 0}, KCase{"TrailingText", "2x", kNotANumber, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FunctionGraphs, RefusedKStillTakesItsPanel) {
    openGraphs();
    typeA("3.9");
    graph(1, "abc");
    graph(2, "0");
    graph(2, "2");
    EXPECT_EQ(ui.messages(), (std::vector<std::string>{kNotANumber, kInvalid}));
    const auto all = drawnGraphs();
    ASSERT_EQ(all.size(), 3u);
    expectFrame(all[0], panel(1));
    EXPECT_TRUE(all[0].curve.empty());
    EXPECT_EQ(all[0].title, "a=3.9, k=0, function 1");
    expectFrame(all[1], panel(2));
    EXPECT_TRUE(all[1].curve.empty());
    EXPECT_EQ(all[1].title, "a=3.9, k=0, function 2");
    expectFrame(all[2], panel(3));
    expectCurve(all[2], panel(3), 2, 3.9, 2);
    EXPECT_EQ(all[2].title, "a=3.9, k=2, function 2");
}

// A refusal does not keep the k of the graph before.
TEST_F(FunctionGraphs, RefusalAfterAnAcceptedK) {
    openGraphs();
    typeA("3.9");
    graph(1, "5");
    EXPECT_EQ(program.form4().curK, 5);
    graph(1, "-1");
    EXPECT_EQ(program.form4().curK, 0);
    const auto all = drawnGraphs();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].curve.size(), 100u);
    EXPECT_TRUE(all[1].curve.empty());
    EXPECT_EQ(all[1].title, "a=3.9, k=0, function 1");
}

}  // namespace
}  // namespace corvane::testing
