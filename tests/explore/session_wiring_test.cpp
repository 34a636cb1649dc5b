// Sessions on the real windows: a lesson saved with every window open comes
// back as it was in a program started afresh; a refused file changes
// nothing and names itself; the tool windows' File menus reach the wiring.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QTemporaryDir>
#include <cstdio>
#include <memory>
#include <string>

#include "app/explore_wiring.h"
#include "app/render.h"
#include "core/tools/session.h"
#include "explore/bifurcation_window.h"
#include "explore/cobweb_window.h"
#include "explore/feigenbaum_window.h"
#include "explore/plane_window.h"
#include "platform/fake/fake_platform.h"
#include "tests/explore/explorer_wait.h"
#include "tests/explore/formula_map.h"
#include "tests/explore/wired_program.h"
#include "windows/program.h"

namespace corvane {
namespace {

// A session without its windows' places, as text (which a failure shows).
std::string withoutPlaces(tools::Session s) {
    if (s.explorer) s.explorer->geometry.reset();
    if (s.cobweb) s.cobweb->geometry.reset();
    if (s.feigenbaum) s.feigenbaum->geometry.reset();
    if (s.plane) s.plane->geometry.reset();
    return tools::writeSession(s);
}

class Sessions : public WiredProgram {
protected:
    void SetUp() override {
        WiredProgram::SetUp();
        ASSERT_TRUE(dir.isValid());
        wiring.setSettingsFile(dir.filePath("settings.ini"));
        wiring.setTell([this](QWidget*, const QString& text, bool) { told << text; });
    }
    std::string path(const char* name) const { return dir.filePath(name).toStdString(); }
    // `--render` of a shipped lesson into out/ at width × height; then the
    // lesson opened in this program's windows, and the options that export
    // their pictures at that size.
    gui::PictureOptions renderAndOpen(const char* lesson, int width, int height) {
        const std::string file = std::string(CORVANE_LESSONS_DIR) + "/" + lesson;
        app::CommandLine::Render render;
        render.output = dir.filePath("out").toStdString();
        render.width = width;
        render.height = height;
        fake::FakePlatform renderUi;
        std::FILE* out = std::tmpfile();
        std::FILE* err = std::tmpfile();
        EXPECT_EQ(app::renderSession(renderUi, file, render, out, err), 0);
        std::fclose(out);
        std::fclose(err);
        EXPECT_TRUE(wiring.openSessionFile(file).ok);
        gui::PictureOptions options;
        options.size = gui::PictureOptions::Size::Custom;
        options.customWidth = width;
        options.customHeight = height;
        return options;
    }

    QTemporaryDir dir;
    QStringList told;
};

// A second program, as a student's would be, opening what the first saved.
struct OtherProgram {
    OtherProgram() {
        program.setExploreLink(&wiring);
        program.startUp();
    }
    ~OtherProgram() { program.setExploreLink(nullptr); }
    fake::FakePlatform ui;
    Program program{ui};
    ExploreWiring wiring{program};
};

TEST_F(Sessions, ALessonSavedWithEveryWindowOpensAsItWasInAnotherProgram) {
    auto& form1 = ui.window("Form1");
    form1.click("mnuSin");
    form1.field("Text1").setText("2.3");
    form1.field("Text2").setText("0.4");
    form1.field("Text3").setText("120");
    form1.click("mnuExploreBifurcation");
    explore::BifurcationWindow* explorer = wiring.bifurcation();
    ASSERT_TRUE(explorer->showCustomMap(*explore::choiceOf("exp(-6.2*x^2)+a", -1, 1, 0, -1, 1.5)));
    tools::View zoomed = explorer->view();
    zoomed.aMin = -0.8;
    zoomed.aMax = -0.2;
    ASSERT_TRUE(explorer->showView(zoomed));
    explorer->undo();  // the history has a redo step
    explorer->findChild<QLineEdit*>("lambdaMin")->setText("-1.5");
    explorer->findChild<QLineEdit*>("lambdaMax")->setText("0.25");
    ASSERT_TRUE(explorer->applyFields());
    form1.click("mnuExploreCobweb");
    explore::CobwebWindow* cobweb = wiring.cobweb();
    cobweb->selectMap(Map::logistic());
    cobweb->setA(3.83);
    cobweb->setX0(0.3);
    cobweb->setFold(3);
    cobweb->setSteps(400);
    explorer->setCursorA(-0.5);  // not the cobweb's a: out of the cobweb's range
    form1.click("mnuExploreFeigenbaum");
    wiring.feigenbaum()->setMostN(10);
    form1.click("mnuExplorePlane");
    explore::PlaneWindow* plane = wiring.plane();
    ASSERT_TRUE(plane->selectMap({plane::Mode::TwoParameter, {}, "", "a - x*x + b*sin(x)"}));
    tools::PlaneView tongue = plane->view();
    tongue.qMax = 1.5;
    tongue.kept = 300;
    ASSERT_TRUE(plane->showView(tongue));
    plane->setCursorPoint(1.25, 0.5);
    plane->setColouring(tools::PlaneColouring::Period);
    const tools::Session before = wiring.session();
    ASSERT_EQ(wiring.saveSessionFile(path("lesson.corvane")).status,
              platform::ExportOutcome::Status::Written);

    OtherProgram other;
    const ExploreWiring::Opened opened = other.wiring.openSessionFile(path("lesson.corvane"));
    ASSERT_TRUE(opened.ok) << opened.error;
    EXPECT_TRUE(opened.notes.empty());
    EXPECT_EQ(other.ui.window("Form1").field("Text1").text(), "2.3");
    EXPECT_EQ(other.ui.window("Form1").field("Text3").text(), "120");
    EXPECT_EQ(other.program.module.funcChoice, 2);
    ASSERT_NE(other.wiring.bifurcation(), nullptr);
    EXPECT_TRUE(other.wiring.bifurcation()->isVisible());
    EXPECT_EQ(other.wiring.bifurcation()->model().history(), explorer->model().history());
    EXPECT_TRUE(other.wiring.bifurcation()->canRedo());
    EXPECT_EQ(other.wiring.bifurcation()->cursorA(), std::optional<double>(-0.5));
    EXPECT_EQ(other.wiring.bifurcation()->lambdaRange(), std::optional(std::pair(-1.5, 0.25)));
    EXPECT_EQ(other.wiring.bifurcation()->findChild<QLineEdit*>("lambdaMax")->text(), "0.25");
    ASSERT_NE(other.wiring.cobweb(), nullptr);
    EXPECT_EQ(other.wiring.cobweb()->a(), 3.83);
    EXPECT_EQ(other.wiring.cobweb()->fold(), 3);
    EXPECT_EQ(other.wiring.cobweb()->steps(), 400);
    ASSERT_NE(other.wiring.feigenbaum(), nullptr);
    EXPECT_EQ(other.wiring.feigenbaum()->mostN(), 10);
    EXPECT_EQ(other.wiring.feigenbaum()->map(), Map::sine());
    ASSERT_NE(other.wiring.plane(), nullptr);
    EXPECT_TRUE(other.wiring.plane()->isVisible());
    EXPECT_EQ(other.wiring.plane()->model().history(), plane->model().history());
    EXPECT_EQ(other.wiring.plane()->model().cursor(), std::optional(std::pair(1.25, 0.5)));
    EXPECT_EQ(other.wiring.plane()->model().colouring(), tools::PlaneColouring::Period);
    // What it shows is what was saved, window places aside.
    EXPECT_EQ(withoutPlaces(other.wiring.session()), withoutPlaces(before));
    other.wiring.feigenbaum()->wait();
    wiring.feigenbaum()->wait();
}

TEST_F(Sessions, ARefusedFileChangesNothingAndIsNamed) {
    ui.window("Form1").field("Text1").setText("3.5");
    ui.window("Form1").click("mnuExploreCobweb");
    wiring.cobweb()->setFold(2);
    const std::string good = path("good.corvane");
    ASSERT_EQ(wiring.saveSessionFile(good).status, platform::ExportOutcome::Status::Written);
    // A later version of the file, and one cut short.
    QFile in(QString::fromStdString(good));
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    const QByteArray text = in.readAll();
    QByteArray newer = text;
    newer.replace("\"version\": 1", "\"version\": 7");
    struct Case {
        const char* name;
        QByteArray contents;
        const char* says;
    };
    const Case cases[] = {{"newer.corvane", newer, "newer Corvane (format version 7"},
                          {"cut.corvane", text.left(text.size() - 40), "corrupt or cut short"}};
    const tools::Session shown = wiring.session();
    for (const Case& c : cases) {
        QFile out(dir.filePath(c.name));
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(c.contents);
        out.close();
        wiring.sessionCommands()->openPath(nullptr, dir.filePath(c.name));
        ASSERT_FALSE(told.isEmpty());
        EXPECT_TRUE(told.back().startsWith("Cannot open " + dir.filePath(c.name) + ": "))
            << told.back().toStdString();
        EXPECT_TRUE(told.back().contains(c.says)) << told.back().toStdString();
        EXPECT_EQ(wiring.session(), shown);
    }
    // Files opened are offered by File → Open recent, newest first; the
    // refused ones are not.
    const QString other = dir.filePath("other.corvane");
    ASSERT_TRUE(QFile::copy(QString::fromStdString(good), other));
    wiring.sessionCommands()->openPath(nullptr, other);
    wiring.sessionCommands()->openPath(nullptr, QString::fromStdString(good));
    EXPECT_EQ(wiring.recentSessions(), (QStringList{QString::fromStdString(good), other}));
    QMenu* recent = wiring.cobweb()->findChild<QMenu*>("menuOpenRecent");
    ASSERT_NE(recent, nullptr);
    emit recent->aboutToShow();
    ASSERT_EQ(recent->actions().size(), 2);
    EXPECT_EQ(recent->actions().front()->text(), QString::fromStdString(good));
    // A file that is gone is not offered, and said so when opened.
    QFile::remove(other);
    EXPECT_EQ(wiring.recentSessions(), QStringList{QString::fromStdString(good)});
    told.clear();
    wiring.sessionCommands()->openPath(nullptr, other);
    ASSERT_EQ(told.size(), 1);
    EXPECT_EQ(told[0], "Cannot open " + other + ": No such file or directory.");
    EXPECT_EQ(wiring.recentSessions(), QStringList{QString::fromStdString(good)});
}

TEST_F(Sessions, ASessionClosesTheWindowsItDoesNotNameAndNotesAFormulaLeftOut) {
    ui.window("Form1").click("mnuExploreFeigenbaum");
    ui.window("Form1").click("mnuExploreBifurcation");
    wiring.feigenbaum()->wait();
    tools::Session s;
    s.main = {"3.9", "0.1", "50", 1};
    s.cobweb = tools::CobwebPart{};
    std::string text = tools::writeSession(s);
    const std::string logistic = R"("kind": "logistic")";
    text.replace(
        text.find(logistic), logistic.size(),
        R"("kind": "formula", "formula": "a*x*(1-x", "a": [0, 4], "x": [0, 1], "x0": 0.5)");
    QFile out(dir.filePath("broken.corvane"));
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(QByteArray::fromStdString(text));
    out.close();
    wiring.sessionCommands()->openPath(nullptr, dir.filePath("broken.corvane"));
    ASSERT_EQ(told.size(), 1);
    EXPECT_TRUE(told[0].contains("The formula a*x*(1-x no longer compiles"))
        << told[0].toStdString();
    EXPECT_EQ(ui.window("Form1").field("Text1").text(), "3.9");
    EXPECT_FALSE(wiring.bifurcation()->isVisible());
    EXPECT_FALSE(wiring.feigenbaum()->isVisible());
    EXPECT_EQ(wiring.cobweb(), nullptr);
}

TEST_F(Sessions, EveryLessonShippedOpensWhole) {
    const QDir lessons(QStringLiteral(CORVANE_LESSONS_DIR));
    const QStringList files = lessons.entryList({QStringLiteral("*.corvane")}, QDir::Files);
    EXPECT_EQ(files, (QStringList{"arnold-tongues.corvane", "exercise-density-a4.corvane",
                                  "exercise-feigenbaum-s3.corvane", "exercise-lyapunov.corvane",
                                  "exercise-three-cycle.corvane", "feigenbaum-constants.corvane",
                                  "gauss-map-formula.corvane", "parameter-plane.corvane",
                                  "period-3-window.corvane", "route-to-chaos.corvane"}));
    for (const QString& name : files) {
        SCOPED_TRACE(name.toStdString());
        const std::string file = lessons.filePath(name).toStdString();
        const tools::SessionRead read = tools::readSessionFile(file);
        ASSERT_TRUE(read.session) << read.error;
        EXPECT_TRUE(read.notes.empty());
        OtherProgram other;
        const ExploreWiring::Opened opened = other.wiring.openSessionFile(file);
        ASSERT_TRUE(opened.ok) << opened.error;
        // The program shows what the lesson holds.
        EXPECT_EQ(withoutPlaces(other.wiring.session()), withoutPlaces(*read.session));
        if (other.wiring.feigenbaum()) other.wiring.feigenbaum()->wait();
    }
}

TEST_F(Sessions, RenderDrawsWhatTheWindowsOfTheLessonExport) {
    // The lesson opened in the windows, each picture exported at that size.
    const gui::PictureOptions options = renderAndOpen("period-3-window.corvane", 640, 400);
    ASSERT_NE(wiring.cobweb(), nullptr);
    explore::CobwebWindow& cobweb = *wiring.cobweb();
    cobweb.waitIdle();
    ASSERT_EQ(cobweb.writePicture(path("cobweb.png"), gui::PictureFormat::Png, options).status,
              platform::ExportOutcome::Status::Written);
    explore::BifurcationWindow& explorer = *wiring.bifurcation();
    ASSERT_TRUE(explore::waitIdle(explorer));
    ASSERT_TRUE(explorer.writePictureFile(path("explorer.png"), gui::PictureFormat::Png, options));
    for (const char* name : {"cobweb.png", "explorer.png"}) {
        SCOPED_TRACE(name);
        const QImage rendered(dir.filePath(QStringLiteral("out/") + name));
        const QImage exported(dir.filePath(name));
        ASSERT_FALSE(rendered.isNull());
        EXPECT_EQ(rendered.size(), QSize(640, 400));
        EXPECT_TRUE(rendered == exported);
    }
}

TEST_F(Sessions, RenderDrawsTheParameterPlaneAsItsWindowExportsIt) {
    const gui::PictureOptions options = renderAndOpen("parameter-plane.corvane", 480, 360);
    ASSERT_NE(wiring.plane(), nullptr);
    explore::PlaneWindow& plane = *wiring.plane();
    plane.waitForPicture();
    ASSERT_TRUE(plane.isComplete());
    ASSERT_EQ(plane.writePicture(path("plane.png"), gui::PictureFormat::Png, options).status,
              platform::ExportOutcome::Status::Written);
    const QImage rendered(dir.filePath(QStringLiteral("out/plane.png")));
    ASSERT_EQ(rendered.size(), QSize(480, 360));
    EXPECT_TRUE(rendered == QImage(dir.filePath(QStringLiteral("plane.png"))));
    QFile csv(dir.filePath(QStringLiteral("out/plane.csv")));
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    EXPECT_TRUE(csv.readAll().contains("A,B,lambda,period"));
}

TEST_F(Sessions, EveryToolWindowsFileMenuOffersThem) {
    ui.window("Form1").click("mnuExploreBifurcation");
    ui.window("Form1").click("mnuExploreCobweb");
    ui.window("Form1").click("mnuExploreFeigenbaum");
    ui.window("Form1").click("mnuExplorePlane");
    const QWidget* windows[] = {wiring.bifurcation(), wiring.cobweb(), wiring.feigenbaum(),
                                wiring.plane()};
    for (const QWidget* w : windows) {
        SCOPED_TRACE(w->windowTitle().toStdString());
        const auto* file = w->findChild<QMenu*>("menuFile");
        ASSERT_NE(file, nullptr);
        QStringList names;
        for (const QAction* a : file->actions()) names << a->objectName();
        EXPECT_EQ(names.mid(0, 3),
                  (QStringList{"actionOpenSession", "actionSaveSession", "menuOpenRecent"}));
    }
    wiring.feigenbaum()->wait();
}

}  // namespace
}  // namespace corvane
