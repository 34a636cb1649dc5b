#include "tests/support/program_test.h"

namespace corvane::testing {

platform::MenuBar ownMenus(const FakeWindow& window) {
    platform::MenuBar own;
    for (const auto& item : window.menu()) {
        if (item.name == "mnuExport" || item.name == "mnuExplore" || item.name == "mnuHelp") break;
        own.push_back(item);
    }
    return own;
}

void ProgramTest::TearDown() {
    for (const auto& error : ui.scriptErrors()) ADD_FAILURE() << error;
}

void ProgramTest::type(const std::string& a, const std::string& x0, const std::string& n) {
    form1().field("Text1").setText(a);
    form1().field("Text2").setText(x0);
    form1().field("Text3").setText(n);
}

void ProgramTest::chooseMap(int map) { form1().click(map == 1 ? "mnuLogistic" : "mnuSin"); }

void ProgramTest::plot(int map, const std::string& a, const std::string& x0,
                       const std::string& n) {
    chooseMap(map);
    type(a, x0, n);
    form1().click("mnuPlot");
}

}  // namespace corvane::testing
