// The About box, F1 from every window, and the Help menu of the real
// program reaching both.
#include "help/help.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDockWidget>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <functional>

#include "gui/picture.h"
#include "platform/qt/qt_platform.h"
#include "platform/qt/qt_window.h"
#include "windows/functions/form4.h"
#include "windows/histogram/form3.h"
#include "windows/main/form1.h"
#include "windows/program.h"
#include "windows/zoom/form2.h"

namespace corvane::help {
namespace {

// Runs `inspect` on the next modal dialog from inside its event loop;
// `inspect` closes it.
void whenModalAppears(std::function<void(QWidget*)> inspect) {
    auto* timer = new QTimer;
    auto* waited = new QElapsedTimer;
    waited->start();
    QObject::connect(timer, &QTimer::timeout, [timer, waited, inspect] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal && waited->elapsed() < 5000) return;
        timer->stop();
        timer->deleteLater();
        delete waited;
        if (!modal) {
            ADD_FAILURE() << "no modal dialog appeared";
            return;
        }
        inspect(modal);
    });
    timer->start(10);
}

TEST(AboutText, NamesTheVersionTheLicencesAndEveryLinkedLibrary) {
    const QString text = aboutText();
    EXPECT_TRUE(
        text.contains(QRegularExpression(QStringLiteral(R"(Corvane</b> \d+\.\d+(\.\d+)?)"))))
        << text.toStdString();
    // Each library `ldd app/corvane` shows the program linking (directly or
    // through another), on one line with the licence of its Debian package.
    struct Case {
        QString library;
        const char* licence;
    };
    const Case cases[] = {
        {QStringLiteral("Qt ") + QString::fromLatin1(qVersion()), "LGPL-3.0 or GPL-2.0"},
        {QStringLiteral("libcups"), "Apache-2.0 with the GPL-2.0 and LGPL-2.0 exception"},
        {QStringLiteral("oneTBB"), "Apache-2.0"},
        {QStringLiteral("muparser"), "MIT"},
        {QStringLiteral("nlohmann/json"), "MIT"},
        {QStringLiteral("LLVM"), "Apache-2.0 with the LLVM exception"},
        {QStringLiteral("Z3"), "MIT, BSD-3-Clause"},
        {QStringLiteral("GMP"), "LGPL-2.1-or-later, LGPL-3.0-or-later or GPL-2.0-or-later"},
        {QStringLiteral("libgomp"), "GPL-3.0-or-later with the GCC Runtime Library Exception"},
        {QStringLiteral("libstdc++"), "GPL-3.0-or-later with the GCC Runtime Library Exception"},
        {QStringLiteral("GNU C Library"), "LGPL-2.1-or-later"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.library.toStdString());
        const QRegularExpression item(
            QStringLiteral("<li>[^<]*") + QRegularExpression::escape(c.library) +
            QStringLiteral("[^<]*: ") + QRegularExpression::escape(QString::fromUtf8(c.licence)) +
            QStringLiteral("[^<]*</li>"));
        EXPECT_TRUE(text.contains(item)) << text.toStdString();
    }
    // Corvane's own code is MIT, and no library it links puts the whole
    // under the GPL.
    EXPECT_TRUE(text.contains(QStringLiteral("Licence: MIT, for Corvane's own source code")));
    EXPECT_FALSE(text.contains(QStringLiteral("covered by the GNU GPL")));
}

class HelpOnQt : public ::testing::Test {
protected:
    void SetUp() override {
        qApp->installEventFilter(&key);
        program.setHelpLink(&help);
        program.startUp();
        platform.flushDrawing();
        QApplication::processEvents();
    }
    void TearDown() override { qApp->removeEventFilter(&key); }

    static platform::QtForm* form(platform::Window& window) {
        return dynamic_cast<platform::QtWindow&>(window).form();
    }
    platform::QtForm* form1() { return form(program.form1().window()); }
    static void choose(QWidget* window, const char* item) {
        auto* action = window->findChild<QAction*>(item);
        ASSERT_NE(action, nullptr) << item;
        action->trigger();
        QApplication::processEvents();
    }
    // The page shown, with "#section" when the guide was opened at one.
    bool guideShows(const char* page) const {
        if (!help.guide() || !help.guide()->isVisible()) return false;
        const QUrl shown = help.guide()->browser()->source();
        QString at = shown.fileName();
        if (shown.hasFragment()) at += QLatin1Char('#') + shown.fragment();
        return at == QLatin1String(page);
    }

    platform::QtPlatform platform;
    Help help{[this] { return platform.dialogOwner(); }};
    HelpKey key{help};
    Program program{platform};
};

TEST_F(HelpOnQt, AboutFromTheHelpMenuBelongsToTheMainWindow) {
    QWidget* parent = nullptr;
    QString title;
    QString text;
    whenModalAppears([&](QWidget* dialog) {
        parent = dialog->parentWidget();
        title = dialog->windowTitle();
        text = qobject_cast<QMessageBox*>(dialog)->text();
        qobject_cast<QMessageBox*>(dialog)->accept();
    });
    choose(form1(), "mnuAbout");
    EXPECT_EQ(parent, form1());
    EXPECT_EQ(title, "About Corvane");
    EXPECT_EQ(text, aboutText());
}

TEST_F(HelpOnQt, GuideFromTheHelpMenuOpensAtTheContentsThenWhereTheReaderWas) {
    EXPECT_EQ(help.guide(), nullptr);
    choose(form1(), "mnuGuide");
    EXPECT_TRUE(guideShows("index.html"));
    help.guide()->showPage(QStringLiteral("maps.html"));
    help.guide()->close();
    choose(form1(), "mnuGuide");
    EXPECT_TRUE(guideShows("maps.html"));
}

TEST_F(HelpOnQt, F1OpensTheGuideAtThePageOfTheWindow) {
    program.form2().window().show();
    program.form3().window().show();
    program.form4().window().show();
    struct Case {
        QWidget* target;
        const char* page;
    };
    const Case cases[] = {
        {form1(), "main-window.html"},
        {form1()->findChild<QLineEdit*>("Text2"), "main-window.html"},
        {form(program.form2().window()), "zoom-difference.html"},
        {form(program.form3().window()), "histograms.html"},
        {form(program.form4().window()), "function-graphs.html"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.page);
        if (help.guide()) help.guide()->close();
        QTest::keyClick(c.target, Qt::Key_F1);
        EXPECT_TRUE(guideShows(c.page));
    }
    // In the guide itself F1 leaves the reader where they are.
    help.guide()->showPage(QStringLiteral("exercises.html"));
    QTest::keyClick(help.guide()->browser(), Qt::Key_F1);
    EXPECT_TRUE(guideShows("exercises.html"));
}

// The tool windows, their docks and dialogs, known by their objectNames:
// F1 from a field inside each opens the page and section about it.
TEST_F(HelpOnQt, F1InAToolWindowOpensTheSectionOfItsDockOrDialog) {
    struct Tool {
        const char* window;
        const char* part;  // a dock or dialog inside it, or null
        bool dock;
        const char* page;
    };
    const Tool tools[] = {
        {"BifurcationWindow", nullptr, false, "explorer.html"},
        {"BifurcationWindow", "fieldsDock", true, "explorer.html#view"},
        {"BifurcationWindow", "densityDock", true, "explorer.html#density"},
        {"BifurcationWindow", "CustomMapDialog", false, "custom-maps.html#dialog"},
        {"BifurcationWindow", "PictureOptionsDialog", false, "sessions.html#pictures"},
        {"CobwebWindow", nullptr, false, "cobweb.html"},
        {"CobwebWindow", "CustomMapDialog", false, "custom-maps.html#dialog"},
        {"FeigenbaumWindow", nullptr, false, "feigenbaum.html"},
        {"PlaneWindow", nullptr, false, "parameter-plane.html"},
        {"PlaneWindow", "stepsDialog", false, "parameter-plane.html#steps"},
        {"PlaneWindow", "PictureOptionsDialog", false, "sessions.html#pictures"},
    };
    for (const Tool& t : tools) {
        SCOPED_TRACE(std::string(t.window) + " " + (t.part ? t.part : ""));
        QMainWindow window;
        window.setObjectName(QString::fromLatin1(t.window));
        window.setCentralWidget(new QLineEdit);
        QWidget* inside = &window;
        if (t.part && t.dock) {
            auto* dock = new QDockWidget(&window);
            dock->setObjectName(QString::fromLatin1(t.part));
            dock->setWidget(new QWidget);
            window.addDockWidget(Qt::RightDockWidgetArea, dock);
            inside = dock->widget();
        } else if (t.part) {
            auto* dialog = new QDialog(&window);
            dialog->setObjectName(QString::fromLatin1(t.part));
            inside = dialog;
        }
        auto* field = new QLineEdit(inside == &window ? window.centralWidget() : inside);
        EXPECT_EQ(guidePageFor(field), t.page);
        window.show();
        inside->show();
        if (help.guide()) help.guide()->close();
        QTest::keyClick(field, Qt::Key_F1);
        EXPECT_TRUE(guideShows(t.page));
    }
    // The picture options dialog is known by the name it has.
    gui::PictureOptionsDialog options(nullptr, gui::PictureOptions{});
    EXPECT_EQ(guidePageFor(&options), "sessions.html#pictures");
}

// F1 in a modal dialog the guide explains opens its section and leaves the
// dialog open.
TEST_F(HelpOnQt, F1InAModalDialogOpensItsSectionAndKeepsItOpen) {
    QMainWindow window;
    window.setObjectName(QStringLiteral("CobwebWindow"));
    window.show();
    QDialog dialog(&window);
    dialog.setObjectName(QStringLiteral("CustomMapDialog"));
    auto* formula = new QLineEdit(&dialog);
    bool stillOpen = false;
    bool shown = false;
    bool lent = false;
    whenModalAppears([&](QWidget* modal) {
        QTest::keyClick(formula, Qt::Key_F1);
        shown = guideShows("custom-maps.html#dialog");
        stillOpen = modal->isVisible() && QApplication::activeModalWidget() == modal;
        // The guide is the dialog's window while it is open: not blocked by it.
        lent = help.guide() && help.guide()->parentWidget() == modal;
        dialog.reject();
    });
    dialog.exec();
    EXPECT_TRUE(shown);
    EXPECT_TRUE(stillOpen);
    EXPECT_TRUE(lent);
    // Closed, the dialog gives the guide back as a window of its own, still
    // open where it was.
    ASSERT_NE(help.guide(), nullptr);
    EXPECT_EQ(help.guide()->parentWidget(), nullptr);
    EXPECT_TRUE(help.guide()->isWindow());
    EXPECT_TRUE(guideShows("custom-maps.html#dialog"));
}

TEST_F(HelpOnQt, OtherKeysAndF1UnderAModalDialogAreLeftAlone) {
    QTest::keyClick(form1(), Qt::Key_F1, Qt::ShiftModifier);
    QTest::keyClick(form1(), Qt::Key_F2);
    EXPECT_EQ(help.guide(), nullptr);

    bool opened = true;
    whenModalAppears([&](QWidget* dialog) {
        QTest::keyClick(form1(), Qt::Key_F1);
        opened = help.guide() != nullptr;
        qobject_cast<QMessageBox*>(dialog)->accept();
    });
    choose(form1(), "mnuPlot");  // "Please choose a function"
    EXPECT_FALSE(opened);
}

}  // namespace
}  // namespace corvane::help
