// Maps of the user's own in the explorer: the "Custom..." dialog, the
// diagram of a formula, its title, status and exports.
#include <gtest/gtest.h>
#include <oneapi/tbb/task_arena.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <chrono>
#include <thread>

#include "explore/bifurcation_view.h"
#include "explore/bifurcation_window.h"
#include "explore/custom_map_dialog.h"
#include "tests/explore/formula_map.h"
#include "tests/explore/explorer_wait.h"

namespace corvane::explore {
namespace {


// --- The dialog ---------------------------------------------------------------

struct DialogCase {
    const char* formula;
    const char* error;  // empty: accepted
    int cursor;         // where the formula's cursor is left when refused
};

class CustomDialogFormula : public testing::TestWithParam<DialogCase> {};

TEST_P(CustomDialogFormula, IsAcceptedOrNamedWithItsPlace) {
    const DialogCase& c = GetParam();
    RecentFormulas recent;
    CustomMapDialog dialog(recent, nullptr);
    dialog.formulaBox()->setEditText(QString::fromLatin1(c.formula));
    const bool accepted = dialog.tryAccept();
    EXPECT_EQ(accepted, *c.error == 0);
    EXPECT_EQ(dialog.errorText(), QString::fromLatin1(c.error));
    // The formula stays for editing.
    EXPECT_EQ(dialog.formulaBox()->currentText(), QString::fromLatin1(c.formula));
    if (accepted) {
        ASSERT_TRUE(dialog.choice());
        EXPECT_EQ(recent.list(), QStringList{QString::fromLatin1(c.formula).trimmed()});
    } else {
        EXPECT_FALSE(dialog.choice());
        EXPECT_TRUE(recent.list().isEmpty());
        if (c.cursor >= 0) {
            EXPECT_EQ(dialog.formulaBox()->lineEdit()->cursorPosition(), c.cursor);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, CustomDialogFormula,
    testing::Values(DialogCase{"2*a*min(x,1-x)", "", -1},
                    DialogCase{"x < 0.5 ? 2*a*x : 2*a*(1-x)", "", -1},
                    DialogCase{"", "the formula is empty", -1},
                    DialogCase{"a*x*sni(x)", "unknown function 'sni' at column 5", 4},
                    DialogCase{"  a*x*sni(x)", "unknown function 'sni' at column 5", 6},
                    DialogCase{"a*y", "unknown name 'y' at column 3", 2},
                    DialogCase{"a*(x", "missing closing parenthesis at column 5", 4},
                    DialogCase{"a*a", "the formula has no x", -1}));

TEST(CustomDialog, ExamplesFillTheRangesAndRecentFormulasComeFirst) {
    RecentFormulas recent;
    for (int i = 0; i < 12; ++i) recent.add(QStringLiteral("a*x + %1").arg(i));
    recent.add(QStringLiteral("a*x + 3"));  // used again: first, once
    ASSERT_EQ(recent.list().size(), RecentFormulas::kMost);
    EXPECT_EQ(recent.list().front(), "a*x + 3");
    EXPECT_EQ(recent.list().count("a*x + 3"), 1);
    CustomMapDialog dialog(recent, nullptr);
    QComboBox* box = dialog.formulaBox();
    ASSERT_EQ(box->count(), RecentFormulas::kMost + 5);
    EXPECT_EQ(box->itemText(0), "a*x + 3");
    EXPECT_EQ(box->currentText(), "a*x + 3");  // the newest recent one to start with
    EXPECT_EQ(box->itemText(RecentFormulas::kMost), "tent:  x < 0.5 ? 2*a*x : 2*a*(1-x)");
    // Choosing an example from the list: its formula alone, its ranges.
    box->setCurrentIndex(RecentFormulas::kMost + 1);
    emit box->activated(RecentFormulas::kMost + 1);
    EXPECT_EQ(box->currentText(), "a*sin(pi*x)");
    EXPECT_EQ(dialog.field("aMin")->text(), "0.6");
    EXPECT_EQ(dialog.field("aMax")->text(), "1");
    // A refused number shows under its field, which keeps the text; the
    // dialog stays.
    struct Refused {
        const char* field;
        const char* typed;
        const char* shownAt;
        const char* refusal;
    };
    const Refused refused[] = {
        {"aMax", "0.5", "aMax", "a_min must be less than a_max."},
        {"aMax", "one", "aMax", "a_max must be a number from -1000 to 1000."},
        {"aMin", "-1e9", "aMin", "a_min must be a number from -1000 to 1000."},
        {"xMax", "inf", "xMax", "x_max must be a number from -1000 to 1000."},
        {"xMin", "2", "xMax", "x_min must be less than x_max."},
        {"x0", "1.5", "x0", "x0 must be a number from 0 to 1."},
    };
    for (const Refused& r : refused) {
        const QString before = dialog.field(r.field)->text();
        dialog.field(r.field)->setText(QString::fromLatin1(r.typed));
        EXPECT_FALSE(dialog.tryAccept()) << r.typed;
        EXPECT_EQ(dialog.fieldRefusal(r.shownAt), QString::fromLatin1(r.refusal)) << r.typed;
        EXPECT_EQ(dialog.field(r.field)->text(), QString::fromLatin1(r.typed));
        EXPECT_FALSE(dialog.choice());
        dialog.field(r.field)->setText(before);
    }
    EXPECT_TRUE(dialog.tryAccept());
    EXPECT_TRUE(dialog.fieldRefusal("aMax").isEmpty());
    EXPECT_EQ(dialog.choice()->startParameters().from, 0.6);
    EXPECT_EQ(dialog.choice()->caption(), "a*sin(pi*x)");
    EXPECT_EQ(recent.list().front(), "a*sin(pi*x)");
}

// --- The window ---------------------------------------------------------------

class CustomWindow : public testing::Test {
protected:
    void SetUp() override {
        window = std::make_unique<BifurcationWindow>(Map::logistic(), nullptr, 2);
        window->resize(700, 500);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        ASSERT_TRUE(waitIdle(*window));
    }
    QAction* action(const char* name) const {
        return window->findChild<QAction*>(QString::fromLatin1(name));
    }
    std::unique_ptr<BifurcationWindow> window;
};

TEST_F(CustomWindow, CustomEntryShowsTheFormulaWithItsTitleAndDerivative) {
    int asked = 0;
    window->setCustomMapAsker([&](QWidget*, RecentFormulas&, const Map* current) {
        ++asked;
        EXPECT_EQ(current, nullptr);  // a built-in map is shown
        return choiceOf("2*a*min(x,1-x)", 0.2, 1.0, 0.3);
    });
    QAction* custom = action("actionMapCustom");
    ASSERT_TRUE(custom);
    EXPECT_EQ(custom->text().remove('&'), QString::fromUtf8("Custom\u2026"));
    custom->trigger();
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(window->view().map.isFormula());
    EXPECT_EQ(window->view().aMin, 0.2);
    EXPECT_EQ(window->view().x0, 0.3);
    EXPECT_EQ(window->windowTitle(), "Bifurcation diagram: 2*a*min(x,1-x)");
    EXPECT_EQ(window->derivativeText(), "machine code, exact derivative");
    EXPECT_TRUE(custom->isChecked());
    ASSERT_TRUE(waitIdle(*window));
    // Undo goes back to f1, its title and no derivative note.
    window->undo();
    EXPECT_EQ(window->windowTitle(), "Bifurcation diagram: a*x*(1-x)");
    EXPECT_TRUE(window->derivativeText().isEmpty());
    EXPECT_TRUE(action("actionMap1")->isChecked());
    window->redo();
    EXPECT_EQ(window->windowTitle(), "Bifurcation diagram: 2*a*min(x,1-x)");
    ASSERT_TRUE(waitIdle(*window));
}

TEST_F(CustomWindow, CancelledDialogChangesNothing) {
    window->setCustomMapAsker(
        [](QWidget*, RecentFormulas&, const Map*) { return std::optional<Map>(); });
    const View before = window->view();
    action("actionMapCustom")->trigger();
    EXPECT_EQ(window->view(), before);
    EXPECT_TRUE(action("actionMap1")->isChecked());
    EXPECT_FALSE(action("actionMapCustom")->isChecked());
    EXPECT_FALSE(window->canUndo());
}

TEST_F(CustomWindow, LogisticFormulaDrawsTheBuiltInPicture) {
    const QImage builtin = window->diagramImage();
    View v = window->view();
    ASSERT_TRUE(window->showCustomMap(*choiceOf("a*x*(1-x)", v.aMin, v.aMax, v.x0)));
    ASSERT_TRUE(waitIdle(*window));
    EXPECT_EQ(window->derivativeText(), "machine code, exact derivative");
    EXPECT_EQ(window->diagramImage(), builtin);
}

TEST_F(CustomWindow, HomeReturnsToTheFormulasStartView) {
    ASSERT_TRUE(window->showCustomMap(*choiceOf("a*sin(pi*x)", 0.6, 1.0)));
    View zoomed = window->view();
    zoomed.aMin = 0.8;
    ASSERT_TRUE(window->showView(zoomed));
    window->home();
    EXPECT_EQ(window->view().aMin, 0.6);
    EXPECT_TRUE(window->view().map.isFormula());
    ASSERT_TRUE(waitIdle(*window));
}

TEST_F(CustomWindow, NonFiniteValuesGiveEscapedColumns) {
    // a·x² from 0.9 grows without bound for a > 1/0.9 and overflows.
    ASSERT_TRUE(window->showCustomMap(*choiceOf("x*x*a", 1.5, 3, 0.9)));
    ASSERT_TRUE(waitIdle(*window));
    const ColumnData* data = window->data();
    ASSERT_TRUE(data);
    for (const auto& o : data->outcomes) EXPECT_TRUE(o.escaped);
}

TEST_F(CustomWindow, ExportsNameTheFormula) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(window->showCustomMap(*choiceOf("2*a*min(x,1-x)", 0.2, 1.0, 0.3)));
    ASSERT_TRUE(waitIdle(*window));
    EXPECT_EQ(window->picture().text("Title"), "Bifurcation diagram: 2*a*min(x,1-x)");
    // The kept values come from the formula: the tent map's first kept
    // iterate of the first column.
    const QString csv = dir.filePath("kept.csv");
    View v = window->view();
    v.transient = 0;
    ASSERT_EQ(writeKeptValuesCsv(v, 10, 20, csv.toStdString()).status,
              platform::ExportOutcome::Status::Written);
    QFile file(csv);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    // The formula's comma keeps its comment line one quoted cell.
    QByteArray line = file.readLine();
    QList<QByteArray> comments;
    for (; line.startsWith("#") || line.startsWith("\"#"); line = file.readLine()) {
        comments << line;
    }
    ASSERT_EQ(comments.size(), 4);
    EXPECT_EQ(comments[2], "\"# map: f(x) = 2*a*min(x,1-x)\"\n");
    EXPECT_EQ(line, "a,x\n");
    const QList<QByteArray> cells = file.readLine().trimmed().split(',');
    ASSERT_EQ(cells.size(), 2);
    const double a0 = bifurcation::columnA(0.2, 1.0, 0, 10);
    EXPECT_EQ(cells[1].toDouble(), 2 * a0 * 0.3);
}

}  // namespace
}  // namespace corvane::explore
