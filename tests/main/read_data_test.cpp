// Reading a, x0 and N from the input row.
#include "tests/support/program_test.h"

namespace corvane::testing {
namespace {

constexpr const char* kAll = "Please enter all values";
constexpr const char* kNumeric = "Please enter numerical values in the range indicated";
constexpr const char* kRange = "Invalid parameter value";

struct ReadCase {
    const char* a;
    const char* x0;
    const char* n;
    const char* message;  // nullptr: accepted
    double curA, curX0, curN;  // stored values (checked when stored)
    bool stored;
};

class ReadData : public ProgramTest, public ::testing::WithParamInterface<ReadCase> {};

TEST_P(ReadData, ChecksInOrder) {
    const ReadCase& c = GetParam();
    // Earlier values, to see whether they are kept.
    m().curA = 1.5;
    m().curX0 = 0.5;
    m().curN = 7.0;
    type(c.a, c.x0, c.n);
    program.form1().readData();
    if (c.message) {
        EXPECT_EQ(program.form1().dataOk, 0);
        EXPECT_EQ(ui.messages(), std::vector<std::string>{c.message});
    } else {
        EXPECT_EQ(program.form1().dataOk, -1);
        EXPECT_TRUE(ui.messages().empty());
    }
    if (c.stored) {
        EXPECT_EQ(m().curA.value(), c.curA);
        EXPECT_EQ(m().curX0.value(), c.curX0);
        EXPECT_EQ(m().curN.value(), c.curN);
    } else {
        EXPECT_EQ(m().curA.value(), 1.5);
        EXPECT_EQ(m().curX0.value(), 0.5);
        EXPECT_EQ(m().curN.value(), 7.0);
    }
    EXPECT_EQ(m().plotCount, 0);
    EXPECT_TRUE(form1().blank());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReadData,
    ::testing::Values(
        ReadCase{"", "", "", kAll, 0, 0, 0, false},
        ReadCase{"", "abc", "10", kAll, 0, 0, 0, false},  // empty wins over non-numeric
        ReadCase{"3", "0.5", "", kAll, 0, 0, 0, false},
        ReadCase{" ", "0.5", "10", kNumeric, 0, 0, 0, false},  // blanks are not empty
        ReadCase{"abc", "0.5", "10", kNumeric, 0, 0, 0, false},
        ReadCase{"3", "0.5", "1,5", kNumeric, 0, 0, 0, false},
        ReadCase{"5", "1", "1", nullptr, 5, 1, 1, true},
        ReadCase{"0", "0", "1", nullptr, 0, 0, 1, true},
        ReadCase{" 3.70 ", "0.2", "100", nullptr, 3.7, 0.2, 100, true},
        ReadCase{"5.0001", "0.5", "10", kRange, 5.0001, 0.5, 10, true},
        ReadCase{"-0.0001", "0.5", "10", kRange, -0.0001, 0.5, 10, true},
        ReadCase{"6", "0.5", "10", kRange, 6, 0.5, 10, true},
        ReadCase{"3", "1.01", "10", kRange, 3, 1.01, 10, true},
        ReadCase{"3", "-1e-300", "10", kRange, 3, -1e-300, 10, true},
        ReadCase{"3", "0.5", "0", kRange, 3, 0.5, 0, true},
        ReadCase{"3", "0.5", "-3", kRange, 3, 0.5, -3, true},
        ReadCase{"3", "0.5", "0.4", kRange, 3, 0.5, 0, true},
        ReadCase{"3", "0.5", "0.6", nullptr, 3, 0.5, 1, true},
        ReadCase{"3", "0.5", "2.5", nullptr, 3, 0.5, 2, true},
        ReadCase{"3", "0.5", "3.5", nullptr, 3, 0.5, 4, true},
        ReadCase{"3", "0.5", "1e3", nullptr, 3, 0.5, 1000, true},
        ReadCase{"3", "0.5", "2147483647", nullptr, 3, 0.5, 2147483647, true},
        // Numeric but beyond what the variables hold: rejected, nothing stored.
        ReadCase{"3", "0.5", "2147483648", kRange, 0, 0, 0, false},
        ReadCase{"3", "0.5", "-1e12", kRange, 0, 0, 0, false},
        ReadCase{"1e999", "0.5", "10", kRange, 0, 0, 0, false},
        ReadCase{"3", "-1e999", "10", kRange, 0, 0, 0, false}));

}  // namespace
}  // namespace corvane::testing
