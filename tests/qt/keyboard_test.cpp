// Keys on the real desktop: Enter (Return or the keypad's) in the input row
// plots as the menu item "Corvane" does, messages included; Escape hides the
// zoom, histogram and function graph windows and leaves the main window.
#include <gtest/gtest.h>

#include <QMessageBox>
#include <QTest>

#include "program_on_qt.h"

namespace corvane::platform {
namespace {

using testing::dismiss;
using testing::handleDialogs;
using testing::ProgramOnQt;
using testing::qtWindow;

using QtKeyboardTest = ProgramOnQt;

TEST_F(QtKeyboardTest, EnterInAnyFieldDrawsWhatTheMenuItemDraws) {
    // The reference: the menu item, in a program of its own.
    Program byMenu(platform);
    byMenu.startUp();
    QtForm* menuForm = qtWindow(byMenu.form1().window()).form();
    choose(menuForm, "mnuLogistic");
    menuForm->findChild<QLineEdit*>("Text1")->setText("3.7");
    menuForm->findChild<QLineEdit*>("Text2")->setText("0.2");
    menuForm->findChild<QLineEdit*>("Text3")->setText("100");
    choose(menuForm, "mnuPlot");
    ASSERT_EQ(byMenu.module.plotCount, 1);
    const QImage expected = qtWindow(byMenu.form1().window()).image().copy();

    struct Case {
        const char* field;
        Qt::Key key;
    };
    const Case cases[] = {
        {"Text1", Qt::Key_Return},
        {"Text2", Qt::Key_Enter},
        {"Text3", Qt::Key_Return},
        {"Text3", Qt::Key_Enter},
    };
    choose(form1(), "mnuLogistic");
    type("3.7", "0.2", "100");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.field);
        choose(form1(), "mnuClear");
        QTest::keyClick(field(c.field), c.key);
        EXPECT_EQ(program.module.plotCount, 1);
        EXPECT_EQ(program.module.slotA[1], 3.7);
        EXPECT_EQ(qtWindow(program.form1().window()).image(), expected);
    }
}

TEST_F(QtKeyboardTest, EnterShowsTheMenuItemsMessagesOverTheMainWindow) {
    QString text;
    QWidget* parent = nullptr;
    handleDialogs({[&](QWidget* dialog) {
        text = qobject_cast<QMessageBox*>(dialog)->text();
        parent = dialog->parentWidget();
        dismiss(dialog);
    }});
    QTest::keyClick(field("Text2"), Qt::Key_Return);  // no map chosen yet
    EXPECT_EQ(text, "Please choose a function");
    EXPECT_EQ(parent, form1());

    choose(form1(), "mnuSin");
    type("2.2", "", "50");
    handleDialogs({[&](QWidget* dialog) {
        text = qobject_cast<QMessageBox*>(dialog)->text();
        dismiss(dialog);
    }});
    QTest::keyClick(field("Text1"), Qt::Key_Enter);
    EXPECT_EQ(text, "Please enter all values");
    EXPECT_EQ(program.module.plotCount, 0);
}

TEST_F(QtKeyboardTest, EscapeHidesTheOtherWindowsAndLeavesTheMainWindow) {
    choose(form1(), "mnuLogistic");
    type("3.7", "0.2", "100");
    choose(form1(), "mnuPlot");
    choose(form1(), "mnuPlot1");  // the zoom shows Form2
    choose(form1(), "mnuFGraph");
    program.form3().window().show();
    for (Window* window :
         {&program.form2().window(), &program.form3().window(), &program.form4().window()}) {
        QtForm* shown = form(*window);
        SCOPED_TRACE(shown->objectName().toStdString());
        ASSERT_TRUE(shown->isVisible());
        shown->activateWindow();
        QApplication::processEvents();
        QTest::keyClick(shown, Qt::Key_Escape);
        EXPECT_FALSE(shown->isVisible());
    }
    // Form2 kept its picture for the next command that shows it.
    EXPECT_GT(testing::countBlack(qtWindow(program.form2().window()).image()), 0);

    form1()->activateWindow();
    QApplication::processEvents();
    QTest::keyClick(field("Text1"), Qt::Key_Escape);
    QTest::keyClick(form1(), Qt::Key_Escape);
    EXPECT_TRUE(form1()->isVisible());
    EXPECT_FALSE(platform.endRequested());
    EXPECT_EQ(program.module.plotCount, 1);
}

}  // namespace
}  // namespace corvane::platform
