// The window of Feigenbaum's constants on the offscreen platform: the
// search off the user-interface thread with its progress and Cancel, the
// table's marked rows, the map menu, "Show in explorer" and the CSV export.
#include "explore/feigenbaum_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <chrono>
#include <cmath>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "core/numeric/csv.h"
#include "tests/qt/qt_test_support.h"

namespace corvane::explore {
namespace {

enum Column { N, S, Gap, Delta, Alpha, Note };

std::string readFile(const QString& path) {
    std::ifstream in(path.toStdString());
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class Feigenbaum : public testing::Test {
protected:
    void open(int map, FeigenbaumWindow::RowHook hook = {}) {
        window = std::make_unique<FeigenbaumWindow>(Map::fromChoice(map));
        if (hook) window->setRowHook(std::move(hook));
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
    template <class T>
    T* child(const char* name) {
        T* w = window->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    // Waits for the search as the window's timer would show it.
    void finish() {
        for (int i = 0; i < 500 && window->isComputing(); ++i) {
            QTest::qWait(10);
        }
        ASSERT_FALSE(window->isComputing());
    }

    std::unique_ptr<FeigenbaumWindow> window;
};

TEST_F(Feigenbaum, SearchesWhenShownAndMarksWherePrecisionGivesOut) {
    open(1);
    EXPECT_EQ(window->windowTitle(), "Feigenbaum constants: a*x*(1-x)");
    finish();
    EXPECT_EQ(window->progress(), 1.0);
    EXPECT_EQ(child<QProgressBar>("progress")->value(), 1000);
    EXPECT_FALSE(child<QPushButton>("cancel")->isEnabled());
    ASSERT_EQ(window->rowCount(), FeigenbaumWindow::kDefaultMostN + 1);
    EXPECT_TRUE(window->cellText(0, S).startsWith("2.0000000000000"))
        << window->cellText(0, S).toStdString();
    EXPECT_TRUE(window->cellText(1, S).startsWith("3.2360679774997"))
        << window->cellText(1, S).toStdString();
    EXPECT_TRUE(window->cellText(2, S).startsWith("3.49856169932"))
        << window->cellText(2, S).toStdString();
    EXPECT_EQ(window->cellText(1, Delta), "\u2014");  // no ratio before n = 2
    EXPECT_TRUE(window->cellText(2, Delta).startsWith("4.7089430135"));
    // δ_n to the digits rounding leaves: seven decimals at n = 8, fewer later.
    EXPECT_TRUE(window->cellText(8, Delta).startsWith("4.6691910"));
    EXPECT_TRUE(window->cellText(10, Delta).startsWith("4.669201"));
    EXPECT_LT(window->cellText(11, Delta).size(), window->cellText(8, Delta).size());
    EXPECT_TRUE(window->cellText(10, Alpha).startsWith("\u22122.50290"));
    // Past the cut-off: marked, not numbers.
    int marked = 0;
    for (int r = 0; r < window->rowCount(); ++r) {
        const auto& row = window->outcome().rows[static_cast<std::size_t>(r)];
        if (row.status != feigenbaum::Status::Imprecise) continue;
        ++marked;
        EXPECT_EQ(window->cellText(r, Delta), "(rounding)") << r;
        EXPECT_EQ(window->cellText(r, Alpha), "(rounding)") << r;
        EXPECT_FALSE(window->cellText(r, Note).isEmpty()) << r;
    }
    EXPECT_GE(marked, 3);
    EXPECT_TRUE(window->summary().startsWith("\u03b4 \u2248 4.66920"))
        << window->summary().toStdString();
    EXPECT_EQ(window->statusMessage(), "Found s_0 \u2026 s_16.");
}

TEST_F(Feigenbaum, ToTheEndTheSearchStopsAtARowItMarksAsFailed) {
    open(2);
    finish();
    window->setMostN(feigenbaum::kMostN);
    child<QPushButton>("compute")->click();
    finish();
    const auto& rows = window->outcome().rows;
    ASSERT_FALSE(rows.empty());
    ASSERT_EQ(rows.back().status, feigenbaum::Status::Failed);
    const int last = window->rowCount() - 1;
    EXPECT_EQ(window->cellText(last, Gap), "\u2014");
    EXPECT_EQ(window->cellText(last, Delta), "\u2014");
    EXPECT_FALSE(window->cellText(last, Note).isEmpty());
    EXPECT_TRUE(window->statusMessage().startsWith(QStringLiteral("Stopped at n = %1").arg(last)))
        << window->statusMessage().toStdString();
}

TEST_F(Feigenbaum, CancelStopsTheSearchAndKeepsTheRowsFound) {
    std::atomic<bool> held{false};
    open(1, [&held](int rows, const std::stop_token& stop) {
        if (rows != 5) return;
        held = true;
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!stop.stop_requested() && std::chrono::steady_clock::now() < until) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    for (int i = 0; i < 500 && !held; ++i) QTest::qWait(10);
    ASSERT_TRUE(held);
    EXPECT_TRUE(window->isComputing());
    window->pollNow();
    EXPECT_EQ(window->rowCount(), 5);
    EXPECT_GT(window->progress(), 0.0);
    EXPECT_LT(window->progress(), 0.01);  // rows grow twofold: most of the work is ahead
    QPushButton* cancel = child<QPushButton>("cancel");
    EXPECT_TRUE(cancel->isEnabled());
    EXPECT_FALSE(child<QPushButton>("showInExplorer")->isEnabled());
    QTest::mouseClick(cancel, Qt::LeftButton);
    EXPECT_FALSE(window->isComputing());
    EXPECT_TRUE(window->outcome().cancelled);
    EXPECT_EQ(window->rowCount(), 5);
    EXPECT_EQ(window->statusMessage(), "Cancelled after s_4.");
    EXPECT_FALSE(cancel->isEnabled());
    EXPECT_TRUE(child<QPushButton>("showInExplorer")->isEnabled());
}

TEST_F(Feigenbaum, ClosingWhileSearchingStopsTheSearch) {
    std::atomic<bool> held{false};
    open(2, [&held](int rows, const std::stop_token& stop) {
        if (rows != 3) return;
        held = true;
        while (!stop.stop_requested()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    });
    for (int i = 0; i < 500 && !held; ++i) QTest::qWait(10);
    ASSERT_TRUE(held);
    window->close();
    EXPECT_FALSE(window->isComputing());
}

TEST_F(Feigenbaum, MapMenuSearchesTheOtherMap) {
    open(1);
    finish();
    child<QAction>("actionMap2")->trigger();
    EXPECT_TRUE(window->isComputing());
    finish();
    EXPECT_EQ(window->map(), Map::sine());
    EXPECT_EQ(window->windowTitle(), "Feigenbaum constants: a*x^2*sin(PI*x)");
    EXPECT_TRUE(window->cellText(0, S).startsWith("1.82264513625"))
        << window->cellText(0, S).toStdString();
    EXPECT_TRUE(window->cellText(10, Delta).startsWith("4.66919"))
        << window->cellText(10, Delta).toStdString();
    EXPECT_TRUE(child<QAction>("actionMap2")->isChecked());
}

TEST_F(Feigenbaum, ShowInExplorerHandsOverSOneToSLastAndEveryS) {
    open(2);
    struct Shown {
        Map map;
        double aMin, aMax;
        std::vector<double> s;
    };
    std::vector<Shown> shown;
    window->setShowInExplorer([&](const Map& map, double aMin, double aMax, const std::vector<double>& s) {
        shown.push_back({map, aMin, aMax, s});
    });
    finish();
    QTest::mouseClick(child<QPushButton>("showInExplorer"), Qt::LeftButton);
    ASSERT_EQ(shown.size(), 1u);
    const auto& rows = window->outcome().rows;
    EXPECT_EQ(shown[0].map, Map::sine());
    EXPECT_EQ(shown[0].aMin, rows[1].s);
    EXPECT_EQ(shown[0].aMax, rows.back().s);  // n = 16 is found, if imprecise
    ASSERT_EQ(shown[0].s.size(), rows.size() - 1);
    for (std::size_t i = 0; i < shown[0].s.size(); ++i) EXPECT_EQ(shown[0].s[i], rows[i + 1].s);
}

TEST_F(Feigenbaum, ExportsTheTableAsCsv) {
    open(1);
    finish();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("f.csv");
    platform::testing::whenModalAppears([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        auto* field = dialog->findChild<QLineEdit*>("fileNameEdit");
        ASSERT_NE(field, nullptr);
        EXPECT_EQ(field->text(), "feigenbaum-f1.csv");
        field->setText(path);
        QMetaObject::invokeMethod(dialog, "accept");
    });
    child<QAction>("actionExportCsv")->trigger();
    EXPECT_EQ(window->statusMessage(), "Saved " + path);
    const std::string text = readFile(path);
    EXPECT_EQ(text.rfind("# Corvane ", 0), 0u);
    EXPECT_NE(text.find("\n# map: f(x) = a*x*(1-x)\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nn,s_n,s_uncertainty,gap,delta_n,"), std::string::npos);
    // Every row, the numbers exactly; s_0 = 2 resolved.
    EXPECT_NE(text.find("\n0,2,"), std::string::npos);
    const auto& row2 = window->outcome().rows[2];
    EXPECT_NE(text.find("\n2," + csvNumber(row2.s) + ","), std::string::npos);
    int lines = 0;
    for (char ch : text) lines += ch == '\n';
    EXPECT_EQ(lines, 4 + 2 + 1 + window->rowCount());
    // A folder that is not there: nothing written, the reason given.
    const auto failed = window->writeCsv(dir.filePath("none/f.csv").toStdString());
    EXPECT_EQ(failed.status, platform::ExportOutcome::Status::Failed);
}

}  // namespace
}  // namespace corvane::explore
