// A command that fails with an exception half-way is reported in a message
// box and stops; the program goes on.
#include <string>
#include <vector>

#include "tests/support/program_test.h"

namespace corvane::testing {
namespace {

using CommandFailure = ProgramTest;

const std::string kReport = "This command could not be completed:\rsurface lost";

TEST_F(CommandFailure, AFailedPlotIsReportedAndTakesNoPanel) {
    plot(1, "3.7", "0.2", "100");
    ASSERT_EQ(m().plotCount, 1);
    form1().failNextDrawing("surface lost");
    plot(1, "2.9", "0.3", "50");
    EXPECT_EQ(ui.messages(), std::vector<std::string>{kReport});
    EXPECT_EQ(m().plotCount, 1);
    EXPECT_EQ(m().slotA[2], 0);  // the slot keeps what it held
    // The program goes on: the next plot takes panel 2.
    ui.clearDialogs();
    plot(1, "2.9", "0.3", "50");
    EXPECT_TRUE(ui.messages().empty());
    EXPECT_EQ(m().plotCount, 2);
    EXPECT_EQ(m().slotA[2], 2.9);
}

// Every window's commands are guarded, whichever surface fails.
TEST_F(CommandFailure, EveryWindowReportsInsteadOfStopping) {
    struct Case {
        const char* surface;  // the window whose drawing fails
        const char* window;   // the window whose menu item runs
        const char* item;
        std::vector<std::string> inputs;
    };
    const std::vector<Case> cases = {
        {"Form2", "Form1", "mnuPlot1", {}},
        {"Form2", "Form1", "mnuDifference", {"1", "2"}},
        {"Form3", "Form1", "mnuHisto", {"1", "100"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.item);
        plot(1, "3.7", "0.2", "100");
        plot(1, "3.7", "0.2001", "100");
        ui.clearDialogs();
        program.form2();
        program.form3();
        win(c.surface).failNextDrawing("surface lost");
        for (const std::string& answer : c.inputs) ui.answerInput(answer);
        win(c.window).click(c.item);
        ASSERT_FALSE(ui.messages().empty());
        EXPECT_EQ(ui.messages().back(), kReport);
        EXPECT_FALSE(ui.ended());
        form1().click("mnuClear");
    }
}

}  // namespace
}  // namespace corvane::testing
