// The Help menu: last in the main window's menu bar, its items reaching the
// program's help link, guarded like every command, and harmless without one.
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/support/program_test.h"
#include "windows/help_link.h"

namespace corvane::testing {
namespace {

class RecordingHelp : public HelpLink {
public:
    void showGuide() override {
        calls.push_back("guide");
        if (fail) throw std::runtime_error("no guide");
    }
    void showAbout() override { calls.push_back("about"); }
    std::vector<std::string> calls;
    bool fail = false;
};

using HelpMenu = ProgramTest;

TEST_F(HelpMenu, IsTheLastMenuWithGuideAndAbout) {
    const auto& menu = form1().menu();
    ASSERT_FALSE(menu.empty());
    EXPECT_EQ(menu.back().name, "mnuHelp");
    EXPECT_EQ(menu.back().caption, "Help");
    std::vector<std::string> items;
    for (const auto& item : menu.back().items) items.push_back(item.name + "=" + item.caption);
    EXPECT_EQ(items, (std::vector<std::string>{"mnuGuide=Guide\tF1", "mnuAbout=About Corvane"}));
}

TEST_F(HelpMenu, WithoutALinkTheItemsDoNothing) {
    form1().click("mnuGuide");
    form1().click("mnuAbout");
    EXPECT_TRUE(ui.dialogs().empty());
    EXPECT_TRUE(form1().blank());
}

TEST_F(HelpMenu, ItemsReachTheLinkAndAreGuarded) {
    RecordingHelp help;
    program.setHelpLink(&help);
    form1().click("mnuGuide");
    form1().click("mnuAbout");
    EXPECT_EQ(help.calls, (std::vector<std::string>{"guide", "about"}));
    help.fail = true;
    form1().click("mnuGuide");
    EXPECT_EQ(ui.messages(),
              std::vector<std::string>{"This command could not be completed:\rno guide"});
}

}  // namespace
}  // namespace corvane::testing
