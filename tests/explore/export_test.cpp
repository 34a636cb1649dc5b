// The explorer's files, written through its File menu: the picture as PNG
// and PDF, λ and the kept values as CSV, whole or not at all.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QImage>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <chrono>
#include <cmath>
#include <thread>

#include "core/numeric/bifurcation.h"
#include "core/numeric/number_text.h"
#include "explore/bifurcation_view.h"
#include "explore/bifurcation_window.h"
#include "explore/explore_export.h"
#include "tests/explore/explorer_wait.h"
#include "tests/qt/qt_test_support.h"

namespace corvane::explore {
namespace {

// A data file's lines, its comment lines ("# …", or quoted "\"# …") left
// out unless asked for.
QStringList lines(const QString& path, bool comments = false) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    QStringList out;
    for (const QString& line : QString::fromUtf8(f.readAll()).split('\n')) {
        const bool comment = line.startsWith("# ") || line.startsWith("\"# ");
        if (!line.isEmpty() && comment == comments) out << line;
    }
    return out;
}

double number(const QString& text) {
    if (text == "inf") return INFINITY;
    if (text == "-inf") return -INFINITY;
    return *toDouble(text.toStdString());
}

class Export : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        window = std::make_unique<BifurcationWindow>(Map::logistic(), nullptr, 2);
        window->resize(700, 500);
        // The picture's options as they were (window size, caption).
        window->setPictureOptionsAsker(
            [](QWidget*, const gui::PictureOptions& last) { return last; });
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        View v = window->view();
        v.aMin = 2.9;  // superstable at 1 + √5 ≈ 3.236 and 2 lie outside; chaos at the end
        v.aMax = 4.0;
        v.transient = 200;
        v.kept = 300;
        ASSERT_TRUE(window->showView(v));
        ASSERT_TRUE(waitIdle(*window));
    }
    // The next save dialog is answered with `answer` (cancelled when empty);
    // what it offered goes to `suggestions`, its folder to `folders`.
    void answer(const QString& answer) {
        platform::testing::whenModalAppears([this, answer](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            ASSERT_NE(dialog, nullptr);
            EXPECT_EQ(dialog->parentWidget(), window.get());
            auto* field = dialog->findChild<QLineEdit*>("fileNameEdit");
            ASSERT_NE(field, nullptr);
            suggestions << field->text();
            folders << dialog->directory().absolutePath();
            if (answer.isEmpty()) {
                dialog->reject();
            } else {
                field->setText(answer);
                QMetaObject::invokeMethod(dialog, "accept");
            }
        });
    }
    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }

    QTemporaryDir dir;
    std::unique_ptr<BifurcationWindow> window;
    QStringList suggestions;  // the names the dialogs offered
    QStringList folders;      // the folders they opened in
};

TEST_F(Export, PictureAsPngIsTheWholePlot) {
    answer(path("picture.png"));
    window->findChild<QAction*>("actionExportPng")->trigger();
    QImage image(path("picture.png"));
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), window->plot().size());
    EXPECT_EQ(window->statusMessage(), "Saved " + path("picture.png"));
}

TEST_F(Export, EachPictureActionAsksForItsFileThenTheOptions) {
    struct Case {
        const char* action;
        const char* name;
        QByteArray start;
    };
    const Case cases[] = {
        {"actionExportPng", "p.png", "\x89PNG"},
        {"actionExportPdf", "p.pdf", "%PDF"},
        {"actionExportSvg", "p.svg", "<?xml"},
    };
    int asked = 0;
    window->setPictureOptionsAsker([&](QWidget* owner, const gui::PictureOptions& last) {
        EXPECT_EQ(owner, window.get());
        ++asked;
        return last;
    });
    for (const Case& c : cases) {
        SCOPED_TRACE(c.action);
        const QString file = path(c.name);
        answer(file);
        window->findChild<QAction*>(c.action)->trigger();
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_TRUE(f.readAll().startsWith(c.start));
        EXPECT_EQ(window->statusMessage(), "Saved " + file);
    }
    EXPECT_EQ(asked, 3);
    // Options cancelled: nothing written.
    window->setPictureOptionsAsker([](QWidget*, const gui::PictureOptions&) {
        return std::optional<gui::PictureOptions>();
    });
    answer(path("none.svg"));
    EXPECT_FALSE(window->exportPictureSvg());
    EXPECT_FALSE(QFile::exists(path("none.svg")));
}

TEST_F(Export, PictureAsPdfIsOnePageWithTheWindowTitle) {
    answer(path("picture.pdf"));
    ASSERT_TRUE(window->exportPicturePdf());
    QFile f(path("picture.pdf"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray pdf = f.readAll();
    EXPECT_TRUE(pdf.startsWith("%PDF"));
    EXPECT_EQ(pdf.count("/Type /Page\n") + pdf.count("/Type /Page\r") + pdf.count("/Type /Page "),
              1);
    // The title, as UTF-16 with a byte-order mark (up to the map, whose
    // parentheses the file escapes).
    QByteArray title("\xfe\xff", 2);
    for (QChar c : window->windowTitle().left(int(qstrlen("Bifurcation diagram: a")))) {
        title += char(c.unicode() >> 8);
        title += char(c.unicode() & 0xff);
    }
    EXPECT_TRUE(pdf.contains(title));
}

TEST_F(Export, LyapunovCsvHasOneRowPerColumnReadingBackExactly) {
    answer(path("lambda.csv"));
    ASSERT_TRUE(window->exportLyapunovCsv());
    const QStringList rows = lines(path("lambda.csv"));
    const ColumnData& data = *window->data();
    ASSERT_EQ(rows.size(), data.columns + 1);
    EXPECT_EQ(rows[0], "a,lambda");
    const View& v = window->view();
    // The file says what it holds, for which map and view.
    const QStringList about = lines(path("lambda.csv"), true);
    ASSERT_GE(about.size(), 4);
    EXPECT_TRUE(about[0].startsWith("# Corvane "));
    EXPECT_EQ(about[2], "# map: f(x) = a*x*(1-x)");
    EXPECT_EQ(about[3], QStringLiteral("# parameters: a from %1 to %2 in %3 columns; x0 = %4; "
                                       "T = %5; K = %6")
                            .arg(QString::fromStdString(csvNumber(v.aMin)),
                                 QString::fromStdString(csvNumber(v.aMax)))
                            .arg(data.columns)
                            .arg(QString::fromStdString(csvNumber(v.x0)))
                            .arg(v.transient)
                            .arg(v.kept));
    for (int c = 0; c < data.columns; ++c) {
        const QStringList cells = rows[c + 1].split(',');
        ASSERT_EQ(cells.size(), 2);
        EXPECT_EQ(number(cells[0]), bifurcation::columnA(v.aMin, v.aMax, c, data.columns));
        EXPECT_EQ(number(cells[1]), data.outcomes[std::size_t(c)].lyapunov);
        EXPECT_NE(cells[1], "nan");
    }
}

TEST_F(Export, LyapunovCsvWritesMinusInfinityForASuperstableOrbit) {
    View v = window->view();
    v.aMin = 1.5;  // a column centre exactly at a = 2: x = 0.5 is fixed, f′ = 0
    v.aMax = 2.5;
    ColumnData data;
    computeView(v, 5, 10, data);
    ASSERT_EQ(bifurcation::columnA(v.aMin, v.aMax, 2, 5), 2.0);
    ASSERT_EQ(writeLyapunovCsv(v, data, path("superstable.csv").toStdString()).status,
              platform::ExportOutcome::Status::Written);
    EXPECT_EQ(lines(path("superstable.csv"))[3], "2,-inf");
}

TEST_F(Export, KeptValuesAreEveryCountedIterate) {
    answer(path("kept.csv"));
    ASSERT_TRUE(window->exportKeptValuesCsv());
    const QStringList rows = lines(path("kept.csv"));
    const ColumnData& data = *window->data();
    std::size_t counted = 0;
    for (int b = 0; b < data.rows; ++b) {
        for (int c = 0; c < data.columns; ++c) counted += data.count(c, b);
    }
    ASSERT_EQ(std::size_t(rows.size()), counted + 1);
    EXPECT_EQ(rows[0], "a,x");
    // The first column's values, in order, and each in the bin it counts in.
    const View& v = window->view();
    const double a0 = bifurcation::columnA(v.aMin, v.aMax, 0, data.columns);
    double x = v.x0;
    for (int n = 0; n < v.transient; ++n) x = a0 * x * (1 - x);
    for (int n = 0; n < 5; ++n) {
        x = (a0 * x) * (1 - x);
        const QStringList cells = rows[n + 1].split(',');
        EXPECT_EQ(number(cells[0]), a0);
        EXPECT_EQ(number(cells[1]), x);
    }
}

TEST_F(Export, AFailureNamesTheFileAndTheReason) {
    const QString missing = path("no/such/folder/lambda.csv");
    answer(missing);
    EXPECT_FALSE(window->exportLyapunovCsv());
    EXPECT_TRUE(window->statusMessage().startsWith("Cannot write " + missing + ": "))
        << window->statusMessage().toStdString();
    EXPECT_FALSE(QFile::exists(missing));
}

TEST_F(Export, ACancelledStreamLeavesTheFileAsItWas) {
    QFile old(path("kept.csv"));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old contents\n");
    old.close();
    int calls = 0;
    const platform::ExportOutcome outcome =
        writeKeptValuesCsv(window->view(), 50, 20, path("kept.csv").toStdString(),
                           [&](double) { return ++calls < 3; });
    EXPECT_EQ(outcome.status, platform::ExportOutcome::Status::Abandoned);
    EXPECT_EQ(calls, 3);
    EXPECT_EQ(lines(path("kept.csv")), QStringList{"old contents"});
}

TEST_F(Export, CancellingTheDialogWritesNothingAndTheFolderIsRemembered) {
    answer(QString());
    EXPECT_FALSE(window->exportPicturePng());
    EXPECT_EQ(suggestions.back(), "bifurcation.png");
    EXPECT_TRUE(QDir(dir.path()).isEmpty());
    answer(path("sub.png"));
    ASSERT_TRUE(window->exportPicturePng());
    answer(QString());
    window->exportLyapunovCsv();
    EXPECT_EQ(suggestions.back(), "lyapunov.csv");
    EXPECT_EQ(folders.back(), QDir(dir.path()).absolutePath());
}

TEST_F(Export, DataWaitsForACompletePicture) {
    View slow = window->view();
    slow.kept = 100'000'000;
    slow.aMin = 3.9;
    ASSERT_TRUE(window->showView(slow));
    EXPECT_FALSE(window->exportLyapunovCsv());
    EXPECT_TRUE(window->statusMessage().contains("still being computed"));
    EXPECT_FALSE(QFile::exists(path("early.csv")));
    window->undo();
    ASSERT_TRUE(waitIdle(*window));
}

}  // namespace
}  // namespace corvane::explore
