// Message boxes, input dialogs, the progress dialog and ending the program.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QDialogButtonBox>
#include <QInputDialog>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "qt_test_support.h"

namespace corvane::platform {
namespace {

using testing::whenModalAppears;

QAbstractButton* buttonLabelled(QWidget* dialog, const QString& text) {
    for (QAbstractButton* button : dialog->findChildren<QAbstractButton*>()) {
        if (button->isVisible() && button->text().remove('&') == text) return button;
    }
    return nullptr;
}

QStringList visibleButtons(QWidget* dialog) {
    QStringList texts;
    for (QAbstractButton* button : dialog->findChildren<QAbstractButton*>()) {
        if (button->isVisible()) texts << button->text().remove('&');
    }
    texts.sort();
    return texts;
}

TEST(QtMessageBoxTest, ShowsTheProgramsNameTheTextAndOnlyTheButtonsAskedFor) {
    struct Case {
        const char* what;
        std::string text;
        Buttons buttons;
        const char* click;
        QStringList expectedButtons;
        QString expectedText;
        Answer expected;
    };
    const std::vector<Case> cases = {
        {"ok", "Done.", Buttons::Ok, "OK", {"OK"}, "Done.", Answer::Ok},
        {"carriage return breaks the line",
         "First line\rSecond line",
         Buttons::Ok,
         "OK",
         {"OK"},
         "First line\nSecond line",
         Answer::Ok},
        {"CR LF breaks it once", "One\r\nTwo", Buttons::Ok, "OK", {"OK"}, "One\nTwo", Answer::Ok},
        {"yes", "Continue?", Buttons::YesNo, "Yes", {"No", "Yes"}, "Continue?", Answer::Yes},
        {"no",
         "Continue?\rReally?",
         Buttons::YesNo,
         "No",
         {"No", "Yes"},
         "Continue?\nReally?",
         Answer::No},
        {"markup stays text",
         "<b>a</b> & b",
         Buttons::Ok,
         "OK",
         {"OK"},
         "<b>a</b> & b",
         Answer::Ok},
    };
    QtPlatform platform;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QString title;
        QString text;
        QStringList buttons;
        bool hasIcon = true;
        Qt::TextFormat format = Qt::AutoText;
        whenModalAppears([&](QWidget* dialog) {
            auto* box = qobject_cast<QMessageBox*>(dialog);
            ASSERT_NE(box, nullptr);
            title = box->windowTitle();
            text = box->text();
            format = box->textFormat();
            hasIcon = box->icon() != QMessageBox::NoIcon || !box->iconPixmap().isNull();
            buttons = visibleButtons(box);
            QAbstractButton* button = buttonLabelled(box, c.click);
            ASSERT_NE(button, nullptr);
            button->click();
        });
        EXPECT_EQ(platform.MsgBox(c.text, c.buttons), c.expected);
        EXPECT_EQ(title, "Corvane");
        EXPECT_EQ(text, c.expectedText);
        EXPECT_EQ(format, Qt::PlainText);
        EXPECT_FALSE(hasIcon);
        EXPECT_EQ(buttons, c.expectedButtons);
    }
}

TEST(QtMessageBoxTest, EscapeAnswersNoToAQuestion) {
    QtPlatform platform;
    whenModalAppears([](QWidget* dialog) { QTest::keyClick(dialog, Qt::Key_Escape); });
    EXPECT_EQ(platform.MsgBox("Go on?", Buttons::YesNo), Answer::No);
}

TEST(QtInputBoxTest, OkGivesTheTypedTextAndCancelOrClosingGivesNothing) {
    struct Case {
        const char* what;
        const char* typed;
        const char* action;  // "OK", "Cancel" or "close"
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"ok", "0.25", "OK", "0.25"},
        {"ok with nothing typed", "", "OK", ""},
        {"cancel", "3.5", "Cancel", ""},
        {"closed", "3.5", "close", ""},
    };
    QtPlatform platform;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QString title;
        QString label;
        QString initial = "not read";
        whenModalAppears([&](QWidget* dialog) {
            auto* input = qobject_cast<QInputDialog*>(dialog);
            ASSERT_NE(input, nullptr);
            title = input->windowTitle();
            label = input->labelText();
            auto* edit = input->findChild<QLineEdit*>();
            ASSERT_NE(edit, nullptr);
            initial = edit->text();
            QTest::keyClicks(edit, c.typed);
            if (std::string(c.action) == "close") {
                input->close();
                return;
            }
            QAbstractButton* button = buttonLabelled(input, c.action);
            ASSERT_NE(button, nullptr);
            button->click();
        });
        EXPECT_EQ(platform.InputBox("Value of a:", "Parameter"), c.expected);
        EXPECT_EQ(title, "Parameter");
        EXPECT_EQ(label, "Value of a:");
        EXPECT_EQ(initial, "");
    }
}

class QtProgressTest : public ::testing::Test {
protected:
    static void waitPastTheDelay() { std::this_thread::sleep_for(std::chrono::milliseconds(600)); }
    QtPlatform platform;
};

TEST_F(QtProgressTest, QuickCommandsShowNoDialog) {
    auto progress = platform.beginProgress("Plotting", 1000);
    for (int done = 0; done < 1000; done += 100) EXPECT_FALSE(progress->poll(done));
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(QtProgressTest, LongCommandsShowAModalDialogThatCanCancel) {
    auto progress = platform.beginProgress("Plotting the orbit", 4'000'000'000LL);
    waitPastTheDelay();
    EXPECT_FALSE(progress->poll(1'000'000'000LL));
    auto* dialog = qobject_cast<QProgressDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->windowModality(), Qt::ApplicationModal);
    EXPECT_EQ(dialog->labelText(), "Plotting the orbit");
    // A quarter done, whatever the scale of the range.
    EXPECT_NEAR(
        double(dialog->value() - dialog->minimum()) / (dialog->maximum() - dialog->minimum()), 0.25,
        0.01);

    QAbstractButton* cancel = buttonLabelled(dialog, "Cancel");
    ASSERT_NE(cancel, nullptr);
    cancel->click();
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    EXPECT_TRUE(progress->poll(1'000'000'001LL));
    progress.reset();
    QApplication::processEvents();
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(QtProgressTest, DialogGoesAwayWithTheCommand) {
    auto progress = platform.beginProgress("Counting", 10);
    waitPastTheDelay();
    EXPECT_FALSE(progress->poll(5));
    ASSERT_NE(qobject_cast<QProgressDialog*>(QApplication::activeModalWidget()), nullptr);
    progress.reset();
    QApplication::processEvents();
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

// Ending the program quits the event loop for good, so it runs in a child
// process of its own.
class QtEndProgramTest : public ::testing::Test {
protected:
    void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

void endFromAMenuCommandThenKeepGoing() {
    QtPlatform platform;
    auto window = platform.createWindow("Form1");
    auto other = platform.createWindow("Form2");
    bool afterwards = false;
    window->setMenu({{"mnuExit",
                      "Exit",
                      [&] {
                          platform.endProgram();
                          // Whatever the command still does must not wait for a user.
                          platform.MsgBox("never shown", Buttons::Ok);
                          afterwards = platform.InputBox("never shown", "").empty() &&
                                       platform.beginProgress("x", 10)->poll(1);
                      },
                      {}}});
    window->show();
    other->show();
    QTimer::singleShot(0, [&] {
        for (QAction* action : testing::qtWindow(*window).form()->menuBar()->actions()) {
            action->trigger();
        }
    });
    QTimer::singleShot(3000, [] { std::_Exit(3); });  // the loop did not end
    const int status = QApplication::exec();
    if (!afterwards || window->isVisible() || other->isVisible()) std::_Exit(4);
    std::_Exit(status);
}

TEST_F(QtEndProgramTest, EndsTheEventLoopWithStatusZeroAndHidesEverything) {
    EXPECT_EXIT(endFromAMenuCommandThenKeepGoing(), ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace corvane::platform
