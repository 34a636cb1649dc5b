// The main window's Explore menu hands the chosen map (and for the cobweb
// the a field's value, when it is one) to the explorer's link, and does
// nothing where the program has no explorer.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "tests/support/program_test.h"
#include "windows/explore_link.h"

namespace corvane::testing {
namespace {

struct RecordingLink : ExploreLink {
    std::vector<int> opened;
    struct Cobweb {
        int map;
        std::optional<double> a;
        bool operator==(const Cobweb&) const = default;
    };
    std::vector<Cobweb> cobwebs;
    void openBifurcation(int mapChoice) override { opened.push_back(mapChoice); }
    void openCobweb(int mapChoice, std::optional<double> a) override {
        cobwebs.push_back({mapChoice, a});
    }
    std::vector<int> feigenbaums;
    void openFeigenbaum(int mapChoice) override { feigenbaums.push_back(mapChoice); }
    std::vector<int> planes;
    void openPlane(int mapChoice) override { planes.push_back(mapChoice); }
    std::vector<std::string> sessions;
    void openSession() override { sessions.push_back("open"); }
    void saveSession() override { sessions.push_back("save"); }
    void openRecentSession() override { sessions.push_back("recent"); }
};

class ExploreMenu : public ProgramTest {};

TEST_F(ExploreMenu, ComesAfterExportAndBeforeHelpWithItsWindowsThenSessions) {
    std::vector<std::string> top, explore;
    for (const auto& item : form1().menu()) {
        top.push_back(item.caption);
        if (item.name != "mnuExplore") continue;
        for (const auto& inner : item.items) explore.push_back(inner.name + "=" + inner.caption);
    }
    ASSERT_GE(top.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(top.end() - 3, top.end()),
              (std::vector<std::string>{"Export", "Explore", "Help"}));
    EXPECT_EQ(explore, (std::vector<std::string>{"mnuExploreBifurcation=Bifurcation diagram",
                                                 "mnuExploreCobweb=Cobweb",
                                                 "mnuExploreFeigenbaum=Feigenbaum constants",
                                                 "mnuExplorePlane=Parameter plane",
                                                 "mnuExploreSeparator=",
                                                 "mnuExploreOpenSession=Open session...",
                                                 "mnuExploreSaveSession=Save session...",
                                                 "mnuExploreOpenRecent=Open recent..."}));
}

TEST_F(ExploreMenu, HandsTheSessionEntriesToTheLink) {
    RecordingLink link;
    program.setExploreLink(&link);
    form1().click("mnuExploreSaveSession");
    form1().click("mnuExploreOpenSession");
    form1().click("mnuExploreOpenRecent");
    EXPECT_EQ(link.sessions, (std::vector<std::string>{"save", "open", "recent"}));
    EXPECT_TRUE(link.opened.empty());
    program.setExploreLink(nullptr);
    form1().click("mnuExploreOpenSession");  // without a link: nothing
}

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

TEST_F(ExploreMenu, OpensFeigenbaumsConstantsAndThePlaneForTheChosenMap) {
    RecordingLink link;
    program.setExploreLink(&link);
    for (const char* item : {"mnuExploreFeigenbaum", "mnuExplorePlane"}) form1().click(item);
    chooseMap(2);
    for (const char* item : {"mnuExploreFeigenbaum", "mnuExplorePlane"}) form1().click(item);
    chooseMap(1);
    for (const char* item : {"mnuExploreFeigenbaum", "mnuExplorePlane"}) form1().click(item);
    EXPECT_EQ(link.feigenbaums, (std::vector<int>{0, 2, 1}));
    EXPECT_EQ(link.planes, (std::vector<int>{0, 2, 1}));
    EXPECT_TRUE(link.opened.empty());
    EXPECT_TRUE(link.cobwebs.empty());
    program.setExploreLink(nullptr);
}

TEST_F(ExploreMenu, OpensTheCobwebForTheChosenMapAtTheAFieldsValue) {
    RecordingLink link;
    program.setExploreLink(&link);
    struct Case {
        int map;
        std::string field;
        std::optional<double> a;
    };
    // Only a number from 0 to 5, as the plots take, is handed on.
    const Case cases[] = {
        {0, "", std::nullopt},  {2, "3.7", 3.7},         {1, "2", 2.0}, {1, "abc", std::nullopt},
        {1, "6", std::nullopt}, {2, "-1", std::nullopt}, {1, "5", 5.0}, {1, "0", 0.0}};
    std::vector<RecordingLink::Cobweb> expected;
    for (const Case& c : cases) {
        if (c.map > 0) chooseMap(c.map);
        form1().field("Text1").setText(c.field);
        form1().click("mnuExploreCobweb");
        expected.push_back({c.map, c.a});
    }
    EXPECT_EQ(link.cobwebs, expected);
    EXPECT_TRUE(link.opened.empty());
    EXPECT_TRUE(ui.dialogs().empty());
    program.setExploreLink(nullptr);
}

TEST_F(ExploreMenu, WithoutAnExplorerTheItemsDoNothing) {
    for (const char* item : {"mnuExploreBifurcation", "mnuExploreCobweb", "mnuExploreFeigenbaum",
                             "mnuExplorePlane"}) {
        form1().click(item);
        EXPECT_TRUE(form1().blank()) << item;
        EXPECT_TRUE(ui.dialogs().empty()) << item;
        EXPECT_EQ(m().funcChoice, 0) << item;
    }
}

}  // namespace
}  // namespace corvane::testing
