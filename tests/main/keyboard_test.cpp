// The keyboard: Enter in the input row plots exactly as the menu item
// "Corvane" does; Escape hides the other windows and leaves the main window
// alone; each input field is named by its label.
#include <string>
#include <vector>

#include "tests/support/program_test.h"

namespace corvane::testing {
namespace {

using Keyboard = ProgramTest;

// What a plot command leaves behind, to compare a menu click with Enter.
struct Outcome {
    std::vector<fake::Dialog> dialogs;
    std::vector<DrawOp> picture;
    int plotCount;
    std::vector<double> slots;
    std::string description;
};

bool sameOps(const std::vector<DrawOp>& a, const std::vector<DrawOp>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].kind != b[i].kind || a[i].x1 != b[i].x1 || a[i].y1 != b[i].y1 ||
            a[i].x2 != b[i].x2 || a[i].y2 != b[i].y2 || a[i].text != b[i].text) {
            return false;
        }
    }
    return true;
}

struct Scenario {
    const char* what;
    int map;  // 0: none chosen
    const char* a;
    const char* x0;
    const char* n;
    std::vector<platform::Answer> questions;  // for a seventh plot
    int earlierPlots;
};

// Runs the scenario in a fresh program; `trigger` starts the plot.
Outcome run(const Scenario& s, const std::function<void(FakeWindow&)>& trigger) {
    FakePlatform ui;
    Program program(ui);
    program.startUp();
    FakeWindow& form1 = ui.window("Form1");
    form1.click("mnuLogistic");
    for (int i = 0; i < s.earlierPlots; ++i) {
        form1.field("Text1").setText("3.2");
        form1.field("Text2").setText("0.2");
        form1.field("Text3").setText("20");
        form1.click("mnuPlot");
    }
    program.module.funcChoice = static_cast<std::int16_t>(s.map);
    ui.clearDialogs();
    for (const auto answer : s.questions) ui.answerQuestion(answer);
    form1.field("Text1").setText(s.a);
    form1.field("Text2").setText(s.x0);
    form1.field("Text3").setText(s.n);
    trigger(form1);
    std::vector<double> slots;
    for (int k = 1; k <= 6; ++k) {
        slots.push_back(program.module.slotA[k]);
        slots.push_back(program.module.slotX0[k]);
        slots.push_back(program.module.slotN[k]);
    }
    EXPECT_TRUE(ui.scriptErrors().empty());
    return {ui.dialogs(), form1.picture(), program.module.plotCount, slots, form1.description()};
}

TEST_F(Keyboard, EnterInAnyFieldDoesExactlyWhatTheMenuItemCorvaneDoes) {
    using platform::Answer;
    const std::vector<Scenario> scenarios = {
        {"a plot", 1, "3.7", "0.2", "100", {}, 0},
        {"map 2", 2, "2.2", "0.7", "50", {}, 1},
        {"no map chosen", 0, "3.7", "0.2", "100", {}, 0},
        {"a field empty", 1, "3.7", "", "100", {}, 0},
        {"not a number", 1, "3,7", "0.2", "100", {}, 0},
        {"out of range", 1, "5.5", "0.2", "100", {}, 0},
        {"an overflow", 1, "4.5", "0.2", "100", {}, 0},
        {"a seventh plot erases", 1, "3.7", "0.2", "100", {Answer::Yes}, 6},
        {"a seventh plot is refused", 1, "3.7", "0.2", "100", {Answer::No}, 6},
    };
    for (const Scenario& s : scenarios) {
        SCOPED_TRACE(s.what);
        const Outcome byMenu = run(s, [](FakeWindow& w) { w.click("mnuPlot"); });
        for (const char* field : {"Text1", "Text2", "Text3"}) {
            SCOPED_TRACE(field);
            const Outcome byEnter =
                run(s, [field](FakeWindow& w) { EXPECT_TRUE(w.pressEnter(field)); });
            ASSERT_EQ(byEnter.dialogs.size(), byMenu.dialogs.size());
            for (std::size_t i = 0; i < byMenu.dialogs.size(); ++i) {
                EXPECT_EQ(byEnter.dialogs[i].text, byMenu.dialogs[i].text);
            }
            EXPECT_TRUE(sameOps(byEnter.picture, byMenu.picture));
            EXPECT_EQ(byEnter.plotCount, byMenu.plotCount);
            EXPECT_EQ(byEnter.slots, byMenu.slots);
            EXPECT_EQ(byEnter.description, byMenu.description);
        }
    }
}

TEST_F(Keyboard, EnterIsGuardedLikeTheMenu) {
    chooseMap(1);
    type("3.7", "0.2", "100");
    form1().failNextDrawing("surface lost");
    EXPECT_TRUE(form1().pressEnter("Text2"));
    EXPECT_EQ(ui.messages(),
              std::vector<std::string>{"This command could not be completed:\rsurface lost"});
    EXPECT_EQ(m().plotCount, 0);
}

TEST_F(Keyboard, EscapeHidesTheOtherWindowsAsCloseDoesAndKeepsTheirPictures) {
    plot(1, "3.7", "0.2", "100");
    form1().click("mnuPlot1");  // Form2 shows the zoom
    ui.answerInput("1");
    ui.answerInput("10");
    form1().click("mnuHisto");  // Form3 shows a histogram
    form1().click("mnuFGraph");
    for (const char* name : {"Form2", "Form3", "Form4"}) {
        SCOPED_TRACE(name);
        FakeWindow& window = win(name);
        ASSERT_TRUE(window.isVisible());
        const std::size_t drawn = window.picture().size();
        EXPECT_TRUE(window.pressEscape());
        EXPECT_FALSE(window.isVisible());
        EXPECT_EQ(window.picture().size(), drawn);
        EXPECT_EQ(ui.windowsCreated(name), 1);  // hidden, not discarded
    }
    EXPECT_TRUE(form1().isVisible());
    EXPECT_TRUE(ui.messages().empty());
}

TEST_F(Keyboard, EscapeInTheMainWindowDoesNothing) {
    plot(1, "3.7", "0.2", "100");
    EXPECT_FALSE(form1().pressEscape());
    EXPECT_TRUE(form1().isVisible());
    EXPECT_FALSE(ui.ended());
    EXPECT_EQ(m().plotCount, 1);
}

TEST_F(Keyboard, EachInputFieldIsNamedByItsLabel) {
    EXPECT_EQ(form1().labelOf("Text1"), "Input a: (0-5)");
    EXPECT_EQ(form1().labelOf("Text2"), "Input x0: (0-1)");
    EXPECT_EQ(form1().labelOf("Text3"), "Input N:");
}

}  // namespace
}  // namespace corvane::testing
