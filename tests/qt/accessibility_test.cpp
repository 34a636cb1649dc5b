// What assistive technology sees of the windows (Qt's accessibility tree, the
// one Qt hands to AT-SPI on Linux), and which window each dialog belongs to.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QAccessibleInterface>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QProgressDialog>
#include <QTest>
#include <QWindow>
#include <chrono>
#include <thread>

#include "program_on_qt.h"

namespace corvane::platform {
namespace {

using testing::dismiss;
using testing::handleDialogs;
using testing::ProgramOnQt;
using testing::qtWindow;

// Every interface below `root`, depth first.
void collect(QAccessibleInterface* root, std::vector<QAccessibleInterface*>& out) {
    for (int i = 0; i < root->childCount(); ++i) {
        QAccessibleInterface* child = root->child(i);
        if (!child) continue;
        out.push_back(child);
        collect(child, out);
    }
}

std::vector<QAccessibleInterface*> tree(QWidget* window) {
    std::vector<QAccessibleInterface*> all;
    QAccessibleInterface* root = QAccessible::queryAccessibleInterface(window);
    if (root) collect(root, all);
    return all;
}

using QtAccessibilityTest = ProgramOnQt;

TEST_F(QtAccessibilityTest, InputFieldsAreNamedByTheirLabels) {
    QStringList edits;
    for (QAccessibleInterface* node : tree(form1())) {
        if (node->role() == QAccessible::EditableText) edits << node->text(QAccessible::Name);
    }
    EXPECT_EQ(edits, (QStringList{"Input a: (0-5)", "Input x0: (0-1)", "Input N:"}));

    for (const char* name : {"Text1", "Text2", "Text3"}) {
        SCOPED_TRACE(name);
        QLineEdit* edit = field(name);
        QLabel* label = nullptr;
        for (QLabel* candidate : form1()->findChildren<QLabel*>()) {
            if (candidate->buddy() == edit) label = candidate;
        }
        ASSERT_NE(label, nullptr);
        // The label is what labels the field, in the tree too.
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(edit);
        bool labelled = false;
        for (const auto& relation : iface->relations(QAccessible::Label)) {
            labelled = labelled || relation.first->object() == label;
        }
        EXPECT_TRUE(labelled);
    }
}

TEST_F(QtAccessibilityTest, TheFieldsAreTheTabOrderAndTheDrawingTakesNoFocus) {
    QStringList order;
    QWidget* at = field("Text1");
    for (int i = 0; i < 4; ++i) {
        order << at->objectName();
        do {
            at = at->nextInFocusChain();
        } while (!(at->focusPolicy() & Qt::TabFocus) || !at->isVisible() ||
                 at->window() != form1());
    }
    EXPECT_EQ(order, (QStringList{"Text1", "Text2", "Text3", "Text1"}));
    EXPECT_EQ(qtWindow(program.form1().window()).canvas()->focusPolicy(), Qt::NoFocus);
}

TEST_F(QtAccessibilityTest, EachDrawingSurfaceHasANameAndSaysWhatItShows) {
    program.form2();
    program.form3();
    program.form4();
    struct Case {
        Window* window;
        QString name;
        QString description;
    };
    const Case cases[] = {
        {&program.form1().window(), "Orbit plots",
         "No plots. Choose a function, type a, x0 and N, then choose Corvane."},
        {&program.form2().window(), "Enlarged chart", "No chart."},
        {&program.form3().window(), "Histograms", "No histograms."},
        {&program.form4().window(), "Function graphs",
         "No graphs. Choose a map in the Function menu to draw one."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        QAccessibleInterface* canvas =
            QAccessible::queryAccessibleInterface(qtWindow(*c.window).canvas());
        ASSERT_NE(canvas, nullptr);
        EXPECT_EQ(canvas->text(QAccessible::Name), c.name);
        EXPECT_EQ(canvas->text(QAccessible::Description), c.description);
        // It is part of its window's tree.
        bool inTree = false;
        for (QAccessibleInterface* node : tree(form(*c.window))) {
            inTree = inTree || node->object() == qtWindow(*c.window).canvas();
        }
        EXPECT_TRUE(inTree);
    }

    // After a command the description follows what was drawn.
    choose(form1(), "mnuLogistic");
    type("3.7", "0.2", "100");
    QTest::keyClick(field("Text3"), Qt::Key_Return);
    type("3.2", "0.2", "50");
    choose(form1(), "mnuPlot");
    QAccessibleInterface* canvas =
        QAccessible::queryAccessibleInterface(qtWindow(program.form1().window()).canvas());
    EXPECT_EQ(canvas->text(QAccessible::Description),
              "Plots 1 and 2: 1: a = 3.7, x0 = 0.2, n = 100; 2: a = 3.2, x0 = 0.2, n = 50");
}

// The window a dialog opened by `run` belongs to, and the text it showed.
struct Seen {
    QWidget* parent = nullptr;
    QWindow* transientParent = nullptr;
    QString kind;
};

Seen seen(QWidget* dialog) {
    Seen s;
    s.parent = dialog->parentWidget();
    s.transientParent =
        dialog->windowHandle() ? dialog->windowHandle()->transientParent() : nullptr;
    s.kind = qobject_cast<QMessageBox*>(dialog)    ? "message"
             : qobject_cast<QInputDialog*>(dialog) ? "input"
                                                   : "other";
    return s;
}

using QtDialogOwnerTest = ProgramOnQt;

TEST_F(QtDialogOwnerTest, DialogsBelongToTheWindowWhoseCommandAsks) {
    choose(form1(), "mnuLogistic");
    type("3.7", "0.2", "100");
    choose(form1(), "mnuPlot");
    program.form3().window().show();
    choose(form1(), "mnuFGraph");
    QtForm* form3 = form(program.form3().window());
    QtForm* form4 = form(program.form4().window());

    struct Case {
        const char* what;
        QtForm* window;  // whose item is chosen
        const char* item;
        int dialogs;
        QtForm* owner;  // the window every dialog must belong to
        QStringList kinds;
    };
    const std::vector<Case> cases = {
        {"the main window's Difference asks over the main window",
         form1(),
         "mnuDifference",
         1,
         form1(),
         {"message"}},
        {"the histogram window's Histogram asks over it",
         form3,
         "mnuHistogram",
         3,
         form3,
         {"input", "input", "message"}},
        {"the main window's Histogram shows the histogram window first",
         form1(),
         "mnuHisto",
         3,
         form3,
         {"input", "input", "message"}},
        {"the function window reads the main window's fields",
         form4,
         "mnuFunction",
         1,
         form4,
         {"message"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (std::string(c.item) == "mnuFunction") field("Text1")->setText("");
        std::vector<Seen> all;
        std::vector<std::function<void(QWidget*)>> steps(c.dialogs, [&all](QWidget* dialog) {
            all.push_back(seen(dialog));
            dismiss(dialog);
        });
        handleDialogs(steps);
        choose(c.window, c.item);
        ASSERT_EQ(static_cast<int>(all.size()), c.dialogs);
        QStringList kinds;
        for (const Seen& s : all) {
            kinds << s.kind;
            EXPECT_EQ(s.parent, c.owner);
            EXPECT_EQ(s.transientParent, c.owner->windowHandle());
        }
        EXPECT_EQ(kinds, c.kinds);
    }
}

TEST_F(QtDialogOwnerTest, TheProgressDialogBelongsToTheWindowOfItsCommand) {
    QWidget* parent = nullptr;
    program.form3().window().show();
    QtForm* form3 = form(program.form3().window());
    program.form3().window().setMenu({{"mnuLong",
                                       "Long",
                                       [&] {
                                           auto progress = platform.beginProgress("Counting", 10);
                                           std::this_thread::sleep_for(
                                               std::chrono::milliseconds(600));
                                           progress->poll(1);
                                           if (QWidget* modal = QApplication::activeModalWidget()) {
                                               parent = modal->parentWidget();
                                           }
                                       },
                                       {}}});
    choose(form3, "mnuLong");
    EXPECT_EQ(parent, form3);
}

TEST_F(QtDialogOwnerTest, OutsideACommandADialogBelongsToTheActiveWindowOrNone) {
    QWidget* parent = nullptr;
    const auto ask = [&] {
        handleDialogs({[&](QWidget* dialog) {
            parent = dialog->parentWidget();
            dismiss(dialog);
        }});
        platform.MsgBox("Hello", Buttons::Ok);
    };
    form1()->activateWindow();
    QApplication::processEvents();
    QWidget* active = QApplication::activeWindow();
    ask();
    EXPECT_EQ(parent, active);
    EXPECT_EQ(parent, active ? form1() : nullptr);

    // With no window on screen the dialog stands on its own.
    program.form1().window().hide();
    QApplication::processEvents();
    ask();
    EXPECT_EQ(parent, nullptr);
}

}  // namespace
}  // namespace corvane::platform
