// Printing a window through CUPS. Every test names its own destination (the
// LPDEST and PRINTER variables) so nothing ever reaches a user's printer.
//
// The fake-server tests always run. The ones against the real print server
// need the queues that .ci/cups-setup.sh makes; without them they skip, or
// fail when CI=true.
#include <cups/cups.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QProgressDialog>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <map>
#include <optional>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

#include "fake_ipp_server.h"
#include "platform/qt/cups_print.h"
#include "qt_test_support.h"

namespace corvane::platform {
namespace {

using testing::FakeIppServer;
using testing::qtWindow;

constexpr const char* kPdfQueue = "corvane-test-pdf";
constexpr const char* kRejectQueue = "corvane-test-reject";

// Sets environment variables for the life of the object; libcups is told to
// read them afresh (it caches the server name).
class ScopedEnvironment {
public:
    explicit ScopedEnvironment(std::map<std::string, std::optional<std::string>> values) {
        for (const auto& [name, value] : values) {
            const char* old = std::getenv(name.c_str());
            saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
            apply(name, value);
        }
        cupsSetServer(nullptr);
    }
    ~ScopedEnvironment() {
        for (const auto& [name, value] : saved_) apply(name, value);
        cupsSetServer(nullptr);
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    static void apply(const std::string& name, const std::optional<std::string>& value) {
        if (value) {
            setenv(name.c_str(), value->c_str(), 1);
        } else {
            unsetenv(name.c_str());
        }
    }
    std::map<std::string, std::optional<std::string>> saved_;
};

// Chooses `queue` on `server` (the local default when empty).
ScopedEnvironment destination(const std::string& queue, const std::string& server = "") {
    return ScopedEnvironment(
        {{"LPDEST", queue},
         {"PRINTER", queue},
         {"CUPS_SERVER", server.empty() ? std::nullopt : std::optional<std::string>(server)}});
}

bool underCi() {
    const char* ci = std::getenv("CI");
    return ci && std::string(ci) == "true";
}

// Skips the test, or fails it under CI, where the print server must be there.
#define SKIP_OR_FAIL(reason)                                      \
    do {                                                          \
        if (underCi()) {                                          \
            FAIL() << (reason);                                   \
        } else {                                                  \
            GTEST_SKIP() << (reason) << " (the test is skipped)"; \
        }                                                         \
    } while (false)

class PrintTest : public ::testing::Test {
protected:
    std::unique_ptr<Window> drawnWindow(const std::string& title) {
        const double tpp = platform.twipsPerPixel();
        auto window = platform.createWindow("Form1");
        window->setTitle(title);
        window->setWidth(static_cast<float>(400 * tpp));
        window->setHeight(static_cast<float>(300 * tpp));
        window->addLabel("lbl", "a =", ControlBox{0, 0, 40 * tpp, 20 * tpp}, Font{});
        window->Box(50 * tpp, 50 * tpp, 250 * tpp, 150 * tpp, true);
        window->Line(0, 200 * tpp, 390 * tpp, 200 * tpp);
        return window;
    }

    // Prints and checks that a failure left the window as it was.
    int printUnchanged(Window& window) {
        const QImage image = qtWindow(window).image().copy();
        const bool visible = window.isVisible();
        const double x = window.CurrentX();
        const double y = window.CurrentY();
        const int result = platform.printWindow(window);
        if (result != kPrintOk) {
            EXPECT_EQ(qtWindow(window).image(), image);
            EXPECT_EQ(window.isVisible(), visible);
            EXPECT_EQ(window.CurrentX(), x);
            EXPECT_EQ(window.CurrentY(), y);
        }
        return result;
    }

    QtPlatform platform;
};

TEST_F(PrintTest, TheServersAnswerDecidesTheResult) {
    struct Case {
        const char* what;
        FakeIppServer::Behaviour behaviour;
        int expected;
    };
    const std::vector<Case> cases = {
        {"printed", FakeIppServer::Behaviour::Print, kPrintOk},
        {"queue refuses jobs", FakeIppServer::Behaviour::RefuseJobs, kPrintDeviceUnavailable},
        {"job without an id", FakeIppServer::Behaviour::GiveNoJobId, kPrintFailed},
        {"connection lost in the document", FakeIppServer::Behaviour::DropTheDocument,
         kPrintDeviceIoError},
        // The whole document left, but nothing says the server has it.
        {"connection lost before the answer", FakeIppServer::Behaviour::DropTheAnswer,
         kPrintDeviceIoError},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeIppServer server(c.behaviour);
        ASSERT_TRUE(server.listening());
        auto window = drawnWindow("Orbit of the logistic map");
        {
            auto env = destination("fake", server.server());
            EXPECT_EQ(printUnchanged(*window), c.expected);
        }
        const FakeIppServer::Received got = server.received();
        const auto creates = std::count(got.operations.begin(), got.operations.end(),
                                        static_cast<int>(IPP_OP_CREATE_JOB));
        EXPECT_EQ(creates, 1);
        EXPECT_EQ(got.jobName, "Orbit of the logistic map");
        if (c.behaviour == FakeIppServer::Behaviour::Print) {
            EXPECT_EQ(got.documentFormat, "application/pdf");
        }
        if (c.behaviour == FakeIppServer::Behaviour::Print ||
            c.behaviour == FakeIppServer::Behaviour::DropTheAnswer) {
            EXPECT_EQ(got.document.rfind("%PDF-", 0), 0u);
            EXPECT_NE(got.document.find("/Count 1"), std::string::npos) << "one page";
            EXPECT_NE(got.document.find("%%EOF"), std::string::npos) << "the whole document";
        }
        if (c.behaviour == FakeIppServer::Behaviour::DropTheDocument ||
            c.behaviour == FakeIppServer::Behaviour::DropTheAnswer) {
            EXPECT_NE(std::find(got.operations.begin(), got.operations.end(),
                                static_cast<int>(IPP_OP_CANCEL_JOB)),
                      got.operations.end())
                << "the job the document never reached is cancelled";
        }
    }
}

TEST_F(PrintTest, NoReachableServerMeansTheDeviceIsUnavailable) {
    const std::vector<std::string> servers = {"127.0.0.1:1", "/nonexistent/corvane/cups.sock"};
    for (const std::string& server : servers) {
        SCOPED_TRACE(server);
        auto window = drawnWindow("Unreachable");
        auto env = destination(kPdfQueue, server);
        EXPECT_EQ(printUnchanged(*window), kPrintDeviceUnavailable);
    }
}

TEST_F(PrintTest, AnEmptyDocumentIsNotSent) {
    FakeIppServer server(FakeIppServer::Behaviour::Print);
    auto env = destination("fake", server.server());
    EXPECT_EQ(submitPdfToDefaultDestination(QByteArray(), "nothing"), kPrintDeviceIoError);
    EXPECT_TRUE(server.received().operations.empty());
}

// --- a print server that keeps silent ------------------------------------------

// Looks at the desktop from a timer while a print runs: a timer that fires
// at all shows that events are handled during the wait.
class Watch {
public:
    // `onDialog` runs once, when the progress dialog is first seen.
    explicit Watch(std::function<void(QProgressDialog&)> onDialog = {})
        : onDialog_(std::move(onDialog)) {
        QObject::connect(&timer_, &QTimer::timeout, [this] { look(); });
        clock_.start();
        timer_.start(20);
    }

    int ticks() const { return ticks_; }
    // Milliseconds from the start until the dialog was seen; nothing if never.
    std::optional<qint64> dialogSeenAfter() const { return dialogSeenAfter_; }
    QString dialogLabel() const { return label_; }

private:
    void look() {
        ++ticks_;
        auto* dialog = qobject_cast<QProgressDialog*>(QApplication::activeModalWidget());
        if (!dialog || dialogSeenAfter_) return;
        dialogSeenAfter_ = clock_.elapsed();
        label_ = dialog->labelText();
        if (onDialog_) onDialog_(*dialog);
    }

    std::function<void(QProgressDialog&)> onDialog_;
    QTimer timer_;
    QElapsedTimer clock_;
    int ticks_ = 0;
    std::optional<qint64> dialogSeenAfter_;
    QString label_;
};

void clickCancel(QProgressDialog& dialog) {
    for (QAbstractButton* button : dialog.findChildren<QAbstractButton*>()) {
        if (button->isVisible() && button->text().remove('&') == "Cancel") {
            button->click();
            return;
        }
    }
    ADD_FAILURE() << "the progress dialog has no Cancel button";
}

bool asked(const FakeIppServer::Received& got, ipp_op_t operation) {
    return std::find(got.operations.begin(), got.operations.end(), static_cast<int>(operation)) !=
           got.operations.end();
}

struct SilenceCase {
    const char* what;
    FakeIppServer::Behaviour behaviour;
    bool jobMade;  // the server made job 7 before it fell silent
};

const std::vector<SilenceCase> kSilences = {
    {"silent from the first request", FakeIppServer::Behaviour::NeverAnswer, false},
    {"silent on the document", FakeIppServer::Behaviour::SilentOnTheDocument, true},
};

// The job made for the print, if any, is cancelled; none is made otherwise.
void expectNoJobLeft(const SilenceCase& c, const FakeIppServer::Received& got) {
    EXPECT_FALSE(got.operations.empty()) << "the server was asked";
    if (c.jobMade) {
        EXPECT_EQ(got.document.rfind("%PDF-", 0), 0u) << "the document reached the server";
        EXPECT_EQ(got.cancelledJobs, std::vector<int>{7});
    } else {
        EXPECT_FALSE(asked(got, IPP_OP_CREATE_JOB));
    }
}

TEST_F(PrintTest, AServerThatKeepsSilentMeansTheDeviceIsUnavailable) {
    platform.setPrintServerSilence(std::chrono::seconds(1));
    for (const SilenceCase& c : kSilences) {
        SCOPED_TRACE(c.what);
        FakeIppServer server(c.behaviour);
        ASSERT_TRUE(server.listening());
        auto window = drawnWindow("Silence");
        int result = 0;
        qint64 took = 0;
        Watch watch;
        {
            auto env = destination("fake", server.server());
            QElapsedTimer clock;
            clock.start();
            result = printUnchanged(*window);
            took = clock.elapsed();
        }
        EXPECT_EQ(result, kPrintDeviceUnavailable);
        EXPECT_GE(took, 1000) << "the server was silent for less than the limit";
        EXPECT_LT(took, 10000) << "the limit was not the one set";
        EXPECT_GE(watch.ticks(), 10) << "events were not handled while waiting";
        ASSERT_TRUE(watch.dialogSeenAfter()) << "no progress dialog";
        EXPECT_GE(*watch.dialogSeenAfter(), 450) << "the dialog came before half a second";
        EXPECT_EQ(watch.dialogLabel(), "Printing");
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "the dialog stayed";
        expectNoJobLeft(c, server.received());
    }
}

// Cancel ends the print, long before the server's silence would.
TEST_F(PrintTest, CancelEndsThePrintAndLeavesNoJob) {
    platform.setPrintServerSilence(std::chrono::seconds(30));
    for (const SilenceCase& c : kSilences) {
        SCOPED_TRACE(c.what);
        FakeIppServer server(c.behaviour);
        ASSERT_TRUE(server.listening());
        auto window = drawnWindow("Cancelled");
        int result = 0;
        qint64 took = 0;
        Watch watch(clickCancel);
        {
            auto env = destination("fake", server.server());
            QElapsedTimer clock;
            clock.start();
            result = printUnchanged(*window);
            took = clock.elapsed();
        }
        EXPECT_EQ(result, kPrintCancelled);
        EXPECT_LT(took, 15000) << "the print waited for the silence to end it";
        EXPECT_TRUE(watch.dialogSeenAfter()) << "no progress dialog";
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "a dialog stayed";
        expectNoJobLeft(c, server.received());
    }
}

TEST_F(PrintTest, APrintStoppedBeforeItBeginsAsksNothing) {
    FakeIppServer server(FakeIppServer::Behaviour::Print);
    auto env = destination("fake", server.server());
    std::stop_source stop;
    stop.request_stop();
    EXPECT_EQ(submitPdfToDefaultDestination(onePagePdf(QImage(10, 10, QImage::Format_RGB32), "x"),
                                            "x", stop.get_token()),
              kPrintCancelled);
    EXPECT_FALSE(asked(server.received(), IPP_OP_CREATE_JOB));
}

TEST(OnePagePdfTest, FitsThePageKeepingTheAspect) {
    QImage wide(800, 200, QImage::Format_RGB32);
    wide.fill(Qt::white);
    const QByteArray pdf = onePagePdf(wide, "wide");
    ASSERT_TRUE(pdf.startsWith("%PDF-"));
    EXPECT_TRUE(pdf.contains("/Count 1"));
    EXPECT_TRUE(onePagePdf(QImage(), "none").isEmpty());
}

// --- against the local CUPS server ------------------------------------------

class CupsPrintTest : public PrintTest {
protected:
    // Why the test cannot run here; empty when it can.
    static std::string missingServer() {
        ScopedEnvironment clean({{"CUPS_SERVER", std::nullopt}});
        for (const char* queue : {kPdfQueue, kRejectQueue}) {
            cups_dest_t* dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, queue, nullptr);
            if (!dest) {
                return std::string("no CUPS server with the queue ") + queue + " (" +
                       cupsLastErrorString() + "); run .ci/cups-setup.sh as root";
            }
            cupsFreeDests(1, dest);
        }
        return {};
    }

    static QString outputFolder() {
        const char* folder = std::getenv("CORVANE_TEST_PDF_DIR");
        return folder && *folder ? QString(folder) : QString("/var/spool/cups-pdf/corvane-test");
    }
};

// Runs a program; its standard output, or nullopt when it could not run or failed.
std::optional<QByteArray> run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        return std::nullopt;
    }
    return process.readAllStandardOutput();
}

TEST_F(CupsPrintTest, PrintingMakesOneNonBlankPage) {
    if (const std::string why = missingServer(); !why.empty()) SKIP_OR_FAIL(why);
    const QDir folder(outputFolder());
    if (!folder.exists()) SKIP_OR_FAIL("no cups-pdf output folder " + folder.path().toStdString());
    for (const char* tool : {"pdfinfo", "pdftoppm"}) {
        if (QStandardPaths::findExecutable(tool).isEmpty()) {
            SKIP_OR_FAIL(std::string(tool) + " is not installed (poppler-utils)");
        }
    }

    // A name of its own, so the file is found even with other jobs about.
    static int counter = 0;
    const std::string token =
        "corvaneprinttest" + std::to_string(getpid()) + "n" + std::to_string(++counter);
    auto window = drawnWindow(token);
    {
        auto env = destination(kPdfQueue);
        ASSERT_EQ(platform.printWindow(*window), kPrintOk);
    }

    QString pdfPath;
    std::optional<QByteArray> info;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(90);
    while (std::chrono::steady_clock::now() < deadline) {
        for (const QFileInfo& file : folder.entryInfoList({"*.pdf"}, QDir::Files)) {
            if (file.fileName().contains(QString::fromStdString(token))) pdfPath = file.filePath();
        }
        if (!pdfPath.isEmpty() && (info = run("pdfinfo", {pdfPath}))) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    ASSERT_FALSE(pdfPath.isEmpty()) << "no PDF for the job in " << folder.path().toStdString();
    ASSERT_TRUE(info) << "pdfinfo cannot read " << pdfPath.toStdString();
    EXPECT_TRUE(QRegularExpression(R"(\bPages:\s+1\s)").match(QString(*info)).hasMatch())
        << info->toStdString();

    QTemporaryDir scratch;
    ASSERT_TRUE(scratch.isValid());
    const QString base = scratch.filePath("page");
    ASSERT_TRUE(run("pdftoppm", {"-png", "-r", "40", "-singlefile", pdfPath, base}));
    const QImage page(base + ".png");
    ASSERT_FALSE(page.isNull());
    int dark = 0;
    for (int y = 0; y < page.height(); ++y) {
        for (int x = 0; x < page.width(); ++x) dark += qGray(page.pixel(x, y)) < 128;
    }
    // The filled box covers about a third of the client area.
    EXPECT_GT(dark, page.width() * page.height() / 50);
    EXPECT_LT(dark, page.width() * page.height() / 2);
    QFile::remove(pdfPath);
}

TEST_F(CupsPrintTest, QueuesThatCannotTakeTheJobMeanTheDeviceIsUnavailable) {
    if (const std::string why = missingServer(); !why.empty()) SKIP_OR_FAIL(why);
    for (const std::string queue : {kRejectQueue, "corvane-test-no-such-queue"}) {
        SCOPED_TRACE(queue);
        auto window = drawnWindow("Rejected");
        auto env = destination(queue);
        EXPECT_EQ(printUnchanged(*window), kPrintDeviceUnavailable);
    }
}

}  // namespace
}  // namespace corvane::platform
