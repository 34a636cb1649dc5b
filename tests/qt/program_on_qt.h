// The whole program on the Qt desktop, for tests that press keys, read the
// accessibility tree or watch dialogs.
#pragma once

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QMenu>
#include <functional>
#include <string>
#include <vector>

#include "qt_test_support.h"
#include "windows/functions/form4.h"
#include "windows/histogram/form3.h"
#include "windows/main/form1.h"
#include "windows/program.h"
#include "windows/zoom/form2.h"

namespace corvane::platform::testing {

class ProgramOnQt : public ::testing::Test {
protected:
    void SetUp() override {
        program.startUp();
        platform.flushDrawing();
        QApplication::processEvents();
    }

    QtForm* form(Window& window) { return qtWindow(window).form(); }
    QtForm* form1() { return form(program.form1().window()); }
    QLineEdit* field(const char* name) { return form1()->findChild<QLineEdit*>(name); }
    // Chooses a menu item (or opens a menu) of a window as the user would:
    // through its action, so it runs as a command of that window.
    static void choose(QtForm* window, const char* item) {
        auto* action = window->findChild<QAction*>(item);
        ASSERT_NE(action, nullptr) << item;
        if (action->menu()) {
            emit action->menu()->aboutToShow();
        } else {
            action->trigger();
        }
        QApplication::processEvents();
    }
    void type(const char* a, const char* x0, const char* n) {
        field("Text1")->setText(a);
        field("Text2")->setText(x0);
        field("Text3")->setText(n);
    }

    QtPlatform platform;
    Program program{platform};
};

// Handles the next modal dialogs in turn: each step sees one dialog and
// must close it.
inline void handleDialogs(std::vector<std::function<void(QWidget*)>> steps) {
    if (steps.empty()) return;
    auto first = steps.front();
    steps.erase(steps.begin());
    whenModalAppears([first, rest = std::move(steps)](QWidget* dialog) {
        first(dialog);
        handleDialogs(rest);
    });
}

inline void dismiss(QWidget* dialog) { static_cast<QDialog*>(dialog)->reject(); }

}  // namespace corvane::platform::testing
