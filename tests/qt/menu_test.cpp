// Menus built from tables: what runs when a menu opens or an entry is chosen.
#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <string>
#include <vector>

#include "qt_test_support.h"

namespace corvane::platform {
namespace {

using testing::qtWindow;

class QtMenuTest : public ::testing::Test {
protected:
    void SetUp() override {
        window = platform.createWindow("Form1");
        window->setWidth(static_cast<float>(600 * platform.twipsPerPixel()));
        window->setHeight(static_cast<float>(400 * platform.twipsPerPixel()));
        window->setMenu({
            {"mnuFile",
             "File",
             [this] { log.push_back("open File"); },
             {{"mnuPrint", "Print", [this] { log.push_back("Print"); }, {}},
              {"mnuDash", "-", [this] { log.push_back("-"); }, {}},
              {"mnuLine", "", nullptr, {}},
              {"mnuExit", "Exit", [this] { log.push_back("Exit"); }, {}}}},
            {"mnuClear", "Clear", [this] { log.push_back("Clear"); }, {}},
            {"mnuRnD", "R&D", [this] { log.push_back("R&D"); }, {}},
            {"mnuQuiet", "Quiet", nullptr, {{"mnuNothing", "Nothing", nullptr, {}}}},
        });
        window->show();
        QApplication::processEvents();
        bar = qtWindow(*window).form()->menuBar();
    }

    QAction* topLevel(const char* name) {
        for (QAction* action : bar->actions()) {
            if (action->objectName() == name) return action;
        }
        return nullptr;
    }

    void clickOnBar(const char* name) {
        QAction* action = topLevel(name);
        ASSERT_NE(action, nullptr) << name;
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(action).center());
        QApplication::processEvents();
    }

    QtPlatform platform;
    std::unique_ptr<Window> window;
    QMenuBar* bar = nullptr;
    std::vector<std::string> log;
};

TEST_F(QtMenuTest, BarShowsTheTableInOrderWithCaptionsAsGiven) {
    std::vector<std::string> shown;
    for (QAction* action : bar->actions()) shown.push_back(action->iconText().toStdString());
    EXPECT_EQ(shown, (std::vector<std::string>{"File", "Clear", "R&D", "Quiet"}));

    QMenu* file = topLevel("mnuFile")->menu();
    ASSERT_NE(file, nullptr);
    std::vector<std::string> items;
    // A caption "-" is shown as given; only an entry with nothing at all
    // is a separator.
    for (QAction* action : file->actions()) {
        items.push_back(action->isSeparator() ? "separator " + action->objectName().toStdString()
                                              : action->iconText().toStdString());
    }
    EXPECT_EQ(items, (std::vector<std::string>{"Print", "-", "separator mnuLine", "Exit"}));
    EXPECT_EQ(topLevel("mnuClear")->menu(), nullptr);
}

TEST_F(QtMenuTest, OpeningAMenuWithItemsRunsItsHandler) {
    clickOnBar("mnuFile");
    QMenu* file = topLevel("mnuFile")->menu();
    EXPECT_TRUE(file->isVisible());
    EXPECT_EQ(log, (std::vector<std::string>{"open File"}));
    file->close();
}

TEST_F(QtMenuTest, ClickingATopLevelEntryWithoutItemsRunsItsHandler) {
    clickOnBar("mnuClear");
    EXPECT_EQ(log, (std::vector<std::string>{"Clear"}));
    clickOnBar("mnuRnD");
    EXPECT_EQ(log, (std::vector<std::string>{"Clear", "R&D"}));
}

TEST_F(QtMenuTest, ChoosingAnItemRunsItsHandler) {
    QMenu* file = topLevel("mnuFile")->menu();
    for (QAction* action : file->actions()) {
        if (action->objectName() == "mnuExit") action->trigger();
    }
    EXPECT_EQ(log, (std::vector<std::string>{"Exit"}));
}

TEST_F(QtMenuTest, EntriesWithoutHandlersDoNothing) {
    clickOnBar("mnuQuiet");
    QMenu* quiet = topLevel("mnuQuiet")->menu();
    quiet->actions().front()->trigger();
    quiet->close();
    EXPECT_TRUE(log.empty());
}

TEST_F(QtMenuTest, NoCommandStartsWhileAnotherRuns) {
    // A nested event loop inside a command must not let a second one in.
    window->setMenu({
        {"mnuLong",
         "Long",
         [this] {
             log.push_back("long begins");
             clickOnBar("mnuShort");
             log.push_back("long ends");
         },
         {}},
        {"mnuShort", "Short", [this] { log.push_back("short"); }, {}},
    });
    QApplication::processEvents();
    bar = qtWindow(*window).form()->menuBar();
    clickOnBar("mnuLong");
    EXPECT_EQ(log, (std::vector<std::string>{"long begins", "long ends"}));
    clickOnBar("mnuShort");
    EXPECT_EQ(log.back(), "short");
}

TEST_F(QtMenuTest, AHandlerMayReplaceTheMenuThatRanIt) {
    window->setMenu(
        {{"mnuSwap",
          "Swap",
          [this] {
              log.push_back("swap");
              window->setMenu({{"mnuNew", "New", [this] { log.push_back("new"); }, {}}});
          },
          {}}});
    QApplication::processEvents();
    bar = qtWindow(*window).form()->menuBar();
    clickOnBar("mnuSwap");
    QApplication::processEvents();
    bar = qtWindow(*window).form()->menuBar();
    clickOnBar("mnuNew");
    EXPECT_EQ(log, (std::vector<std::string>{"swap", "new"}));
}

TEST_F(QtMenuTest, DrawingInACommandReachesTheScreenWhenItEnds) {
    const double tpp = platform.twipsPerPixel();
    window->setMenu({{"mnuDraw",
                      "Draw",
                      [this, tpp] { window->Box(10 * tpp, 10 * tpp, 20 * tpp, 20 * tpp, true); },
                      {}}});
    QApplication::processEvents();
    bar = qtWindow(*window).form()->menuBar();
    QtCanvas* canvas = qtWindow(*window).canvas();
    QApplication::processEvents();
    bool repainted = false;
    struct Spy : QObject {
        bool* flag;
        explicit Spy(bool* f) : flag(f) {}
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::Paint) *flag = true;
            return false;
        }
    } spy(&repainted);
    canvas->installEventFilter(&spy);
    clickOnBar("mnuDraw");
    QApplication::processEvents();
    canvas->removeEventFilter(&spy);
    EXPECT_TRUE(repainted);
}

}  // namespace
}  // namespace corvane::platform
