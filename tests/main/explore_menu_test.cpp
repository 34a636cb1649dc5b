// The main window's Explore menu hands the chosen map to the explorer's
// link, and does nothing where the program has no explorer.
#include <gtest/gtest.h>

#include <vector>

#include "tests/support/program_test.h"
#include "windows/explore_link.h"

namespace corvane::testing {
namespace {

struct RecordingLink : ExploreLink {
    std::vector<int> opened;
    void openBifurcation(int mapChoice) override { opened.push_back(mapChoice); }
};

class ExploreMenu : public ProgramTest {};

TEST_F(ExploreMenu, OpensTheBifurcationDiagramForTheChosenMap) {
    RecordingLink link;
    program.setExploreLink(&link);
    form1().click("mnuExploreBifurcation");
    chooseMap(2);
    form1().click("mnuExploreBifurcation");
    chooseMap(1);
    form1().click("mnuExploreBifurcation");
    EXPECT_EQ(link.opened, (std::vector<int>{0, 2, 1}));
    program.setExploreLink(nullptr);
}

TEST_F(ExploreMenu, WithoutAnExplorerTheItemDoesNothing) {
    form1().click("mnuExploreBifurcation");
    EXPECT_TRUE(form1().blank());
    EXPECT_TRUE(ui.dialogs().empty());
    EXPECT_EQ(m().funcChoice, 0);
}

}  // namespace
}  // namespace corvane::testing
