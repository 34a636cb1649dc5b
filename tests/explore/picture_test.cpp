// Pictures of the tool windows as files: drawn for the file by the same
// paint function as the screen, vectors in PDF and SVG, a PNG at the size
// asked for, captions, and the projector's large text shared by the windows.
#include "gui/picture.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>
#include <functional>
#include <memory>

#include "core/tools/caption.h"
#include "explore/bifurcation_compute.h"
#include "explore/bifurcation_view.h"
#include "explore/bifurcation_window.h"
#include "explore/cobweb_view.h"
#include "explore/cobweb_window.h"
#include "explore/feigenbaum_window.h"
#include "tests/explore/explorer_wait.h"

namespace corvane::explore {
namespace {

using gui::PictureFormat;
using gui::PictureOptions;

QByteArray contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The texts of an SVG's <text> elements, how many <path> elements it has,
// and its description; empty texts when it does not parse.
struct Svg {
    QStringList texts;
    int paths = 0;
    QString description;
    bool parsed = false;
};
Svg readSvg(const QString& path) {
    Svg svg;
    QXmlStreamReader xml(contents(path));
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement) continue;
        if (xml.name() == u"text") svg.texts << xml.readElementText().trimmed();
        if (xml.name() == u"path") ++svg.paths;
        if (xml.name() == u"desc") svg.description = xml.readElementText();
    }
    svg.parsed = !xml.hasError();
    return svg;
}

// The text of a PDF by poppler's pdftotext; empty when it is not there.
std::optional<QString> pdfText(const QString& path) {
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (tool.isEmpty()) return std::nullopt;
    QProcess run;
    run.start(tool, {path, QStringLiteral("-")});
    run.waitForFinished(60000);
    return QString::fromUtf8(run.readAllStandardOutput());
}

// Width and height of the PDF's page in points.
QSizeF pdfPage(const QByteArray& pdf) {
    const auto m = QRegularExpression(QStringLiteral("/MediaBox \\[\\s*0 0 ([\\d.]+) ([\\d.]+)"))
                       .match(QString::fromLatin1(pdf));
    return m.hasMatch() ? QSizeF(m.captured(1).toDouble(), m.captured(2).toDouble()) : QSizeF();
}

PictureOptions options(PictureOptions::Size size, bool caption = true) {
    PictureOptions o;
    o.size = size;
    o.caption = caption;
    return o;
}

class Pictures : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        explorer = std::make_unique<BifurcationWindow>(Map::logistic(), nullptr, 2);
        explorer->resize(800, 560);
        explorer->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(explorer.get()));
        View v = explorer->view();
        v.aMin = 2.9;
        v.aMax = 4.0;
        v.transient = 200;
        v.kept = 300;
        ASSERT_TRUE(explorer->showView(v));
        ASSERT_TRUE(waitIdle(*explorer));
        cobweb = std::make_unique<CobwebWindow>(Map::logistic());
        cobweb->resize(900, 650);
        cobweb->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(cobweb.get()));
        cobweb->setA(3.7);
        cobweb->setSteps(20);
        cobweb->waitIdle();
    }
    QString path(const QString& name) const { return dir.filePath(name); }

    // Writes the picture of the window `which` (0 explorer, 1 cobweb).
    bool write(int which, const QString& name, PictureFormat format, const PictureOptions& o) {
        if (which == 0) return explorer->writePictureFile(path(name).toStdString(), format, o);
        return cobweb->writePicture(path(name).toStdString(), format, o).status ==
               platform::ExportOutcome::Status::Written;
    }
    QStringList captionOf(int which) const {
        std::vector<std::string> lines =
            which == 0 ? tools::explorerCaption(explorer->view(), explorer->cursorA())
                       : tools::cobwebCaption({"a*x*(1-x)", cobweb->a(), cobweb->x0(),
                                               cobweb->fold(), cobweb->steps(), 0, 1});
        QStringList out;
        for (const std::string& l : lines) out << QString::fromStdString(l);
        return out;
    }

    QTemporaryDir dir;
    std::unique_ptr<BifurcationWindow> explorer;
    std::unique_ptr<CobwebWindow> cobweb;
};

// What each window's picture must write as text: its axis labels.
struct Labels {
    int window;
    QStringList texts;
};
const Labels kLabels[] = {
    {0, {"a", "x", QString::fromUtf8("\u03bb"), "4.0", "0.5"}},
    {1, {"y = f(x)", "0", "0.5", "1", "1.25", "-0.25"}},
};

TEST_F(Pictures, SvgHoldsTheLabelsAsTextTheCurvesAsPathsAndTheCaption) {
    for (const Labels& c : kLabels) {
        SCOPED_TRACE(c.window);
        const QString name = QStringLiteral("p%1.svg").arg(c.window);
        ASSERT_TRUE(
            write(c.window, name, PictureFormat::Svg, options(PictureOptions::Size::Window)));
        const Svg svg = readSvg(path(name));
        ASSERT_TRUE(svg.parsed);
        for (const QString& label : c.texts) {
            EXPECT_TRUE(svg.texts.contains(label)) << label.toStdString();
        }
        for (const QString& line : captionOf(c.window)) {
            EXPECT_TRUE(svg.texts.contains(line)) << line.toStdString();
            EXPECT_TRUE(svg.description.contains(line)) << line.toStdString();
        }
        // The curves (graph, diagonal, staircase; λ and its shading) as paths.
        EXPECT_GE(svg.paths, 2);
    }
}

TEST_F(Pictures, PdfPageIsTheSizeAskedForWithItsLabelsAsText) {
    struct Case {
        int window;
        PictureOptions::Size size;
        QSizeF points;  // the page, 72 to the inch
    };
    const Case cases[] = {
        {0, PictureOptions::Size::A4, {595.2, 841.9}},
        {0,
         PictureOptions::Size::Window,
         {explorer->plot().width() * 0.75, explorer->plot().height() * 0.75}},
        {1, PictureOptions::Size::Letter, {612, 792}},
        {1, PictureOptions::Size::FullHd, {720, 405}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.size));
        const QString name = QStringLiteral("p%1-%2.pdf").arg(c.window).arg(int(c.size));
        ASSERT_TRUE(write(c.window, name, PictureFormat::Pdf, options(c.size)));
        const QByteArray pdf = contents(path(name));
        const QSizeF page = pdfPage(pdf);
        EXPECT_NEAR(page.width(), c.points.width(), 1.0);
        EXPECT_NEAR(page.height(), c.points.height(), 1.0);
        // The cobweb is all vectors: no picture inside.
        if (c.window == 1) {
            EXPECT_FALSE(pdf.contains("/Subtype /Image"));
        }
        const auto text = pdfText(path(name));
        if (!text) {
            if (qEnvironmentVariable("CI") == "true") FAIL() << "pdftotext is missing";
            GTEST_SKIP()
                << "pdftotext (poppler-utils) is not installed: the PDF's text is not read";
        }
        const QString flat = QString(*text).simplified();
        for (const Labels& l : kLabels) {
            if (l.window != c.window) continue;
            for (const QString& label : l.texts) {
                EXPECT_TRUE(text->contains(label)) << label.toStdString();
            }
        }
        for (const QString& line : captionOf(c.window)) {
            EXPECT_TRUE(flat.contains(line)) << line.toStdString() << "\n" << flat.toStdString();
        }
    }
}

TEST_F(Pictures, PngAtUltraHdHasADiagramComputedForItsOwnPixels) {
    ASSERT_TRUE(
        write(0, "big.png", PictureFormat::Png, options(PictureOptions::Size::UltraHd, false)));
    const QImage png(path("big.png"));
    ASSERT_EQ(png.size(), QSize(3840, 2160));
    // 4 pixels to a screen's one: the diagram's rectangle, in pixels.
    const gui::Look look = gui::makeLook(explorer->plot().font(), 1, 4);
    const QRectF d = BifurcationView::frameFor(QSizeF(960, 540), look).diagram;
    const QRect pixels(int(d.left() * 4), int(d.top() * 4), int(d.width() * 4),
                       int(d.height() * 4));
    ColumnData data;
    computeView(explorer->view(), pixels.width(), pixels.height(), data);
    QImage grey(pixels.width(), pixels.height(), QImage::Format_Grayscale8);
    shadeRange(data, 0, data.columns, data.densest(), grey.bits(), grey.bytesPerLine());
    const QImage written = png.copy(pixels).convertToFormat(QImage::Format_Grayscale8);
    ASSERT_EQ(written.size(), grey.size());
    int differ = 0;
    QPoint first(-1, -1);
    for (int y = 0; y < grey.height(); ++y) {
        for (int x = 0; x < grey.width(); ++x) {
            if (written.constScanLine(y)[x] == grey.constScanLine(y)[x]) continue;
            if (differ++ == 0) first = {x, y};
        }
    }
    EXPECT_EQ(differ, 0) << "first at " << first.x() << ", " << first.y();
}

TEST_F(Pictures, AnIncompletePictureIsNotWrittenInAnyFormat) {
    View slow = explorer->view();
    slow.kept = 100'000'000;
    ASSERT_TRUE(explorer->showView(slow));
    for (PictureFormat format : {PictureFormat::Png, PictureFormat::Pdf, PictureFormat::Svg}) {
        EXPECT_FALSE(write(0, "early", format, options(PictureOptions::Size::Window)));
        EXPECT_TRUE(explorer->statusMessage().contains("still being computed"));
    }
    EXPECT_FALSE(QFile::exists(path("early")));
    explorer->undo();
    ASSERT_TRUE(waitIdle(*explorer));
}

// A picture that cannot be drawn (no memory for its diagram) writes
// nothing, and a file already there stays as it was.
TEST_F(Pictures, APictureThatCannotBeDrawnLeavesTheFileAsItWas) {
    const QString there = path("kept.png");
    {
        QFile f(there);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("before");
    }
    for (PictureFormat format : {PictureFormat::Png, PictureFormat::Pdf, PictureFormat::Svg}) {
        gui::PictureRequest request;
        request.path = there.toStdString();
        request.format = format;
        request.size = {400, 300, 96};
        const auto outcome =
            gui::writePicture(request, [](QPainter&, QSizeF, const gui::Look&) { return false; });
        EXPECT_EQ(outcome.status, platform::ExportOutcome::Status::Failed);
        EXPECT_NE(outcome.message.find("not enough memory"), std::string::npos) << outcome.message;
        EXPECT_EQ(contents(there), "before");
    }
}

TEST_F(Pictures, TheOptionsDialogAnswersWithItsChoice) {
    gui::PictureOptionsDialog dialog(nullptr, PictureOptions{});
    PictureOptions custom = options(PictureOptions::Size::Custom, false);
    custom.customWidth = 1234;
    custom.customHeight = 567;
    dialog.setOptions(custom);
    const PictureOptions chosen = dialog.options();
    EXPECT_EQ(chosen.size, PictureOptions::Size::Custom);
    EXPECT_FALSE(chosen.caption);
    EXPECT_EQ(gui::pictureSize(chosen, {}), (gui::PictureSize{1234, 567, 96.0 * 1234 / 1000.0}));
}

TEST_F(Pictures, LargeTextIsOneSettingForTheToolWindowsAndTheirFiles) {
    auto setting = std::make_shared<gui::LargeTextSetting>();
    explorer->setLargeText(setting);
    cobweb->setLargeText(setting);
    FeigenbaumWindow feigenbaum(Map::logistic());
    feigenbaum.setLargeText(setting);
    const double tableText = feigenbaum.font().pointSizeF();
    const int columns = explorer->plot().columns();
    const QRect cobwebPlot = cobweb->plot().plotRect();
    explorer->findChild<QAction*>("actionLargeText")->trigger();
    EXPECT_TRUE(setting->on());
    EXPECT_TRUE(cobweb->findChild<QAction*>("actionLargeText")->isChecked());
    // The Feigenbaum window has no picture: its table grows.
    EXPECT_TRUE(feigenbaum.findChild<QAction*>("actionLargeText")->isChecked());
    EXPECT_DOUBLE_EQ(feigenbaum.font().pointSizeF(), gui::Look::kLarge * tableText);
    // Wider margins for the larger labels.
    EXPECT_LT(explorer->plot().columns(), columns);
    EXPECT_GT(cobweb->plot().plotRect().left(), cobwebPlot.left());
    // A file drawn meanwhile has the large text too: its labels are taller.
    const auto textHeight = [&](const QString& name) {
        const QString svg = QString::fromUtf8(contents(path(name)));
        double largest = 0;
        auto all =
            QRegularExpression(QStringLiteral("<text[^>]*font-size=\"([\\d.]+)")).globalMatch(svg);
        while (all.hasNext()) largest = std::max(largest, all.next().captured(1).toDouble());
        return largest;
    };
    ASSERT_TRUE(write(1, "large.svg", PictureFormat::Svg, options(PictureOptions::Size::Window)));
    cobweb->findChild<QAction*>("actionLargeText")->trigger();
    EXPECT_FALSE(setting->on());
    EXPECT_EQ(cobweb->plot().plotRect(), cobwebPlot);
    EXPECT_DOUBLE_EQ(feigenbaum.font().pointSizeF(), tableText);
    ASSERT_TRUE(write(1, "normal.svg", PictureFormat::Svg, options(PictureOptions::Size::Window)));
    EXPECT_NEAR(textHeight("large.svg"), gui::Look::kLarge * textHeight("normal.svg"), 1.0);
    ASSERT_TRUE(waitIdle(*explorer));
}

}  // namespace
}  // namespace corvane::explore
