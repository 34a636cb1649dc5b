// Export on the Qt desktop: the picture pixel for pixel, a one-page PDF,
// the save dialog, and files that appear whole or not at all.
#include <QFileDialog>
#include <QLineEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

#include <filesystem>

#include "tests/qt/qt_test_support.h"
#include "windows/main/form1.h"
#include "windows/program.h"

namespace corvane::platform::testing {
namespace {

namespace fs = std::filesystem;

bool underCi() {
    const char* ci = std::getenv("CI");
    return ci && std::string(ci) == "true";
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeFile(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// A folder of its own for each test, removed afterwards.
class Folder {
public:
    Folder() {
        std::string pattern = (fs::temp_directory_path() / "corvane-export-XXXXXX").string();
        path_ = mkdtemp(pattern.data());
    }
    ~Folder() {
        std::error_code ignored;
        fs::permissions(path_, fs::perms::owner_all, ignored);
        fs::remove_all(path_, ignored);
    }
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

// A small file system mounted on a folder (root only), unmounted afterwards.
class SmallDisk {
public:
    SmallDisk(const fs::path& at, const char* options) : at_(at) {
        mounted_ = geteuid() == 0 && mount("tmpfs", at.c_str(), "tmpfs", 0, options) == 0;
    }
    ~SmallDisk() {
        if (mounted_) umount2(at_.c_str(), MNT_DETACH);
    }
    bool mounted() const { return mounted_; }
    bool makeReadOnly() {
        return mount("tmpfs", at_.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    }

private:
    fs::path at_;
    bool mounted_ = false;
};

class QtExportTest : public ::testing::Test {
protected:
    void SetUp() override {
        program.startUp();
        Form1& form1 = program.form1();
        form1.mnuLogistic_Click();
        form1.Text1->setText("3.7");
        form1.Text2->setText("0.2");
        form1.Text3->setText("20000");
        form1.mnuPlot_Click();
    }

    // The main window's numbers into `path`.
    ExportOutcome exportNumbers(const fs::path& path) {
        Form1& form1 = program.form1();
        return platform.exportData(path.string(), [&](TextSink& sink) {
            CsvWriter csv([&](std::string_view text) { sink.write(text); });
            if (!form1.writeData(csv)) return false;
            csv.flush();
            return true;
        });
    }

    QtPlatform platform;
    Program program{platform};
    Folder folder;
};

TEST_F(QtExportTest, PngIsTheSurfacePixelForPixel) {
    const fs::path png = folder.path() / "plots.png";
    Window& window = program.form1().window();
    const auto outcome = platform.exportPicture(window, {png.string(), ExportFormat::Png});
    ASSERT_EQ(outcome.status, ExportOutcome::Status::Written) << outcome.message;
    QImage saved(QString::fromStdString(png.string()));
    ASSERT_FALSE(saved.isNull());
    const QImage surface = qtWindow(window).surfaceImage();
    EXPECT_EQ(saved.size(), surface.size());
    EXPECT_TRUE(saved.convertToFormat(QImage::Format_RGB32) == surface);
    EXPECT_GT(countBlack(saved), 100);
    // What the window shows: the surface under the client area.
    EXPECT_EQ(saved.width(), std::lround(window.ScaleWidth() / window.twipsPerPixel()));
    EXPECT_EQ(saved.height(), std::lround(window.ScaleHeight() / window.twipsPerPixel()));
}

TEST_F(QtExportTest, PdfIsOnePageOfThePictureAtItsPhysicalSize) {
    const QString pdfinfo = QStandardPaths::findExecutable("pdfinfo");
    if (pdfinfo.isEmpty()) {
        if (underCi()) FAIL() << "pdfinfo (poppler-utils) is needed under CI";
        GTEST_SKIP() << "pdfinfo (poppler-utils) is not installed";
    }
    Window& window = program.form1().window();
    const fs::path pdf = folder.path() / "plots.pdf";
    const auto outcome = platform.exportPicture(window, {pdf.string(), ExportFormat::Pdf});
    ASSERT_EQ(outcome.status, ExportOutcome::Status::Written) << outcome.message;
    QProcess info;
    info.start(pdfinfo, {QString::fromStdString(pdf.string())});
    ASSERT_TRUE(info.waitForFinished(10000));
    const QString text = QString::fromUtf8(info.readAllStandardOutput());
    EXPECT_TRUE(text.contains(QRegularExpression("Pages:\\s+1\\n"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QRegularExpression("Title:\\s+Corvane Experiment\\n")))
        << text.toStdString();
    // The page is the picture at 1440 twips to the inch: 72 points an inch.
    const QRegularExpressionMatch size =
        QRegularExpression("Page size:\\s+([0-9.]+) x ([0-9.]+) pts").match(text);
    ASSERT_TRUE(size.hasMatch()) << text.toStdString();
    EXPECT_NEAR(size.captured(1).toDouble(), window.ScaleWidth() / 20, 1.5);
    EXPECT_NEAR(size.captured(2).toDouble(), window.ScaleHeight() / 20, 1.5);
}

TEST_F(QtExportTest, DataAbandonedHalfWayLeavesTheOldFile) {
    const fs::path csv = folder.path() / "x.csv";
    writeFile(csv, "old\n");
    const auto outcome = platform.exportData(csv.string(), [](TextSink& sink) {
        sink.write("plot,n,x\n1,1,0.5\n");
        return false;  // the user stopped it
    });
    EXPECT_EQ(outcome.status, ExportOutcome::Status::Abandoned);
    EXPECT_EQ(readFile(csv), "old\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 1);
    // A whole file replaces it.
    ASSERT_EQ(exportNumbers(csv).status, ExportOutcome::Status::Written);
    EXPECT_EQ(readFile(csv).rfind("# Corvane", 0), 0u);
}

TEST_F(QtExportTest, AReadOnlyFolderIsReportedAndTheOldFileStays) {
    const fs::path dir = folder.path() / "ro";
    fs::create_directory(dir);
    SmallDisk disk(dir, "size=1m");
    writeFile(dir / "x.csv", "old\n");
    if (disk.mounted()) {
        ASSERT_TRUE(disk.makeReadOnly());
    } else if (geteuid() != 0) {
        fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec);
    } else {
        if (underCi()) FAIL() << "cannot mount a read-only folder";
        GTEST_SKIP() << "root, and no read-only file system can be mounted";
    }
    const auto outcome = exportNumbers(dir / "x.csv");
    EXPECT_EQ(outcome.status, ExportOutcome::Status::Failed);
    EXPECT_EQ(outcome.message.rfind("Cannot write " + (dir / "x.csv").string() + ": ", 0), 0u)
        << outcome.message;
    EXPECT_EQ(readFile(dir / "x.csv"), "old\n");
    const auto picture = platform.exportPicture(program.form1().window(),
                                                {(dir / "x.png").string(), ExportFormat::Png});
    EXPECT_EQ(picture.status, ExportOutcome::Status::Failed);
    EXPECT_FALSE(fs::exists(dir / "x.png"));
}

TEST_F(QtExportTest, AFullDiskIsReportedAndTheOldFileStays) {
    const fs::path dir = folder.path() / "small";
    fs::create_directory(dir);
    SmallDisk disk(dir, "size=64k");
    std::string reason = "No space left on device";
    rlimit saved{};
    const bool limited = !disk.mounted();
    if (limited) {
        // No file system of our own: a writer made to fail instead, by a
        // limit on the size of any file this process writes.
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &saved);
        rlimit small = saved;
        small.rlim_cur = 64 * 1024;
        setrlimit(RLIMIT_FSIZE, &small);
        reason = "File too large";
    }
    writeFile(dir / "x.csv", "old\n");
    const auto outcome = exportNumbers(dir / "x.csv");  // 20000 rows: far more than 64 KiB
    if (limited) setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_EQ(outcome.status, ExportOutcome::Status::Failed);
    EXPECT_EQ(outcome.message, "Cannot write " + (dir / "x.csv").string() + ": " + reason);
    EXPECT_EQ(readFile(dir / "x.csv"), "old\n");
    // Nothing half-written is left beside it.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
}

TEST_F(QtExportTest, TheSaveDialogTakesTheTypeFromTheNameOrTheFilterAndRemembersTheFolder) {
    Window& window = program.form1().window();
    QWidget* owner = qtWindow(window).form();
    const auto answer = [&](const QString& name, const QString& filter) {
        whenModalAppears([=](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            ASSERT_NE(dialog, nullptr);
            EXPECT_EQ(dialog->parentWidget(), owner);
            if (!filter.isEmpty()) dialog->selectNameFilter(filter);
            if (name.isEmpty()) {
                dialog->reject();
                return;
            }
            // Typed into the name field, as a user does.
            auto* field = dialog->findChild<QLineEdit*>("fileNameEdit");
            ASSERT_NE(field, nullptr);
            field->setText(name);
            QMetaObject::invokeMethod(dialog, "accept");
        });
    };
    const QString dir = QString::fromStdString(folder.path().string());
    answer(dir + "/by-name.pdf", {});
    auto target = platform.askExportTarget(window, "corvane-plots.png", true);
    ASSERT_TRUE(target);
    EXPECT_EQ(target->format, ExportFormat::Pdf);
    EXPECT_EQ(target->path, (folder.path() / "by-name.pdf").string());

    answer(dir + "/by-filter", "PDF document (*.pdf)");
    target = platform.askExportTarget(window, "corvane-plots.png", true);
    ASSERT_TRUE(target);
    EXPECT_EQ(target->format, ExportFormat::Pdf);
    EXPECT_EQ(target->path, (folder.path() / "by-filter.pdf").string());

    // The next dialog opens in the folder used last, with the name offered.
    whenModalAppears([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->directory().absolutePath(), QDir(dir).absolutePath());
        const auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
        ASSERT_NE(name, nullptr);
        EXPECT_EQ(name->text(), "histograms.csv");
        dialog->reject();
    });
    EXPECT_FALSE(platform.askExportTarget(window, "histograms.csv", false));
}

}  // namespace
}  // namespace corvane::platform::testing
