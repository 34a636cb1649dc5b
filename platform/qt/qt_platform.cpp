#include "platform/qt/qt_platform.h"

#include <QCoreApplication>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <stop_token>
#include <thread>

#include "gui/export.h"
#include "platform/qt/cups_print.h"
#include "platform/qt/qt_window.h"

namespace corvane::platform {

namespace {

const QString kProgramName = QStringLiteral("Corvane");

// Character 13 breaks the line (a CR LF pair breaks it once).
QString withLineBreaks(const std::string& text) {
    QString s = QString::fromUtf8(text);
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return s;
}

// The dialog of a command that runs long: modal, with a bar (a busy
// indicator when the total is unknown) and Cancel. It opens only once the
// command ran for half a second.
class ProgressDialog {
public:
    using Clock = std::chrono::steady_clock;

    ProgressDialog(std::shared_ptr<QtDesktop> desktop, QString caption, std::int64_t total)
        : desktop_(std::move(desktop)),
          caption_(std::move(caption)),
          total_(total),
          start_(Clock::now()) {}

    ~ProgressDialog() { close(); }
    ProgressDialog(const ProgressDialog&) = delete;
    ProgressDialog& operator=(const ProgressDialog&) = delete;

    bool isOpen() const { return dialog_ != nullptr; }
    // Opens the dialog when the command has run long enough; true when open.
    bool openWhenDue(Clock::time_point now) {
        if (!dialog_ && now - start_ >= kDelay) open();
        return dialog_ != nullptr;
    }
    void setValue(std::int64_t done) {
        if (dialog_) dialog_->setValue(scaled(done));
    }
    bool cancelled() const { return cancelled_; }
    void close() {
        if (!dialog_) return;
        dialog_->hide();
        delete dialog_.data();
        dialog_ = nullptr;
    }

private:
    static constexpr Clock::duration kDelay = std::chrono::milliseconds(500);
    static constexpr int kScaledRange = 1000000;

    void open() {
        dialog_ = new QProgressDialog(desktop_->dialogOwner());
        dialog_->setWindowTitle(kProgramName);
        dialog_->setLabelText(caption_);
        dialog_->setCancelButtonText(QStringLiteral("Cancel"));
        dialog_->setWindowModality(Qt::ApplicationModal);
        dialog_->setAutoClose(false);
        dialog_->setAutoReset(false);
        dialog_->setMinimumDuration(0);
        if (total_ <= 0) {
            dialog_->setRange(0, 0);  // busy indicator
        } else if (total_ <= INT_MAX) {
            dialog_->setRange(0, static_cast<int>(total_));
        } else {
            dialog_->setRange(0, kScaledRange);
        }
        QObject::connect(dialog_, &QProgressDialog::canceled, dialog_,
                         [this] { cancelled_ = true; });
        dialog_->show();
        if (desktop_->windowsStack()) dialog_->raise();
        dialog_->activateWindow();
    }

    int scaled(std::int64_t done) const {
        if (total_ <= 0) return 0;
        done = std::clamp<std::int64_t>(done, 0, total_);
        if (total_ <= INT_MAX) return static_cast<int>(done);
        return static_cast<int>(static_cast<double>(done) / static_cast<double>(total_) *
                                kScaledRange);
    }

    std::shared_ptr<QtDesktop> desktop_;
    QString caption_;
    std::int64_t total_;
    Clock::time_point start_;
    // Owned by the window of the command; gone with it at the latest.
    QPointer<QProgressDialog> dialog_;
    bool cancelled_ = false;
};

// A long command's loop polls; the events are handled there, now and then.
class QtProgress : public Progress {
public:
    using Clock = ProgressDialog::Clock;

    QtProgress(std::shared_ptr<QtDesktop> desktop, QString caption, std::int64_t total)
        : desktop_(desktop), dialog_(std::move(desktop), std::move(caption), total) {}

    bool poll(std::int64_t done) override {
        if (desktop_->ending()) return true;
        const Clock::time_point now = Clock::now();
        if (dialog_.isOpen()) {
            if (now - lastPump_ < kPumpInterval) return dialog_.cancelled();
        } else if (!dialog_.openWhenDue(now)) {
            return false;
        }
        lastPump_ = now;
        dialog_.setValue(done);
        desktop_->flush();
        QCoreApplication::processEvents();
        return dialog_.cancelled() || desktop_->ending();
    }

private:
    static constexpr Clock::duration kPumpInterval = std::chrono::milliseconds(50);

    std::shared_ptr<QtDesktop> desktop_;
    ProgressDialog dialog_;
    Clock::time_point lastPump_;
};

}  // namespace

QtPlatform::QtPlatform()
    : desktop_(std::make_shared<QtDesktop>()), printServerSilence_(kPrintServerSilence) {}

QtPlatform::~QtPlatform() = default;

std::unique_ptr<Window> QtPlatform::createWindow(const std::string& name) {
    return std::make_unique<QtWindow>(desktop_, name);
}

double QtPlatform::screenWidth() const {
    return desktop_->screenPixels().width() * desktop_->twipsPerPixel();
}

double QtPlatform::screenHeight() const {
    return desktop_->screenPixels().height() * desktop_->twipsPerPixel();
}

Answer QtPlatform::MsgBox(const std::string& text, Buttons buttons) {
    const Answer dismissed = buttons == Buttons::Ok ? Answer::Ok : Answer::No;
    if (desktop_->ending()) return dismissed;
    desktop_->flush();

    QMessageBox box(desktop_->dialogOwner());
    box.setIcon(QMessageBox::NoIcon);
    box.setWindowTitle(kProgramName);
    box.setTextFormat(Qt::PlainText);
    box.setText(withLineBreaks(text));
    QAbstractButton* yes = nullptr;
    if (buttons == Buttons::Ok) {
        QPushButton* ok = box.addButton(QMessageBox::Ok);
        box.setDefaultButton(ok);
        box.setEscapeButton(ok);
    } else {
        QPushButton* yesButton = box.addButton(QMessageBox::Yes);
        QPushButton* no = box.addButton(QMessageBox::No);
        box.setDefaultButton(yesButton);
        box.setEscapeButton(no);
        yes = yesButton;
    }
    box.exec();
    if (buttons == Buttons::Ok) return Answer::Ok;
    return box.clickedButton() == yes ? Answer::Yes : Answer::No;
}

std::string QtPlatform::InputBox(const std::string& prompt, const std::string& title) {
    if (desktop_->ending()) return {};
    desktop_->flush();

    QInputDialog dialog(desktop_->dialogOwner());
    dialog.setWindowTitle(title.empty() ? kProgramName : QString::fromUtf8(title));
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setLabelText(withLineBreaks(prompt));
    for (QLabel* label : dialog.findChildren<QLabel*>()) label->setTextFormat(Qt::PlainText);
    dialog.setTextValue(QString());
    dialog.setOkButtonText(QStringLiteral("OK"));
    dialog.setCancelButtonText(QStringLiteral("Cancel"));
    if (dialog.exec() != QDialog::Accepted) return {};
    return dialog.textValue().toUtf8().toStdString();
}

int QtPlatform::printWindow(Window& window) {
    auto* qtWindow = dynamic_cast<QtWindow*>(&window);
    if (!qtWindow) return kPrintFailed;
    desktop_->flush();
    std::string title = qtWindow->title();
    if (title.empty()) title = kProgramName.toStdString();
    const QByteArray pdf = onePagePdf(qtWindow->pageImage(), QString::fromStdString(title));
    if (pdf.isEmpty()) return kPrintDeviceIoError;
    if (desktop_->ending()) return kPrintCancelled;  // the program ends at once

    // The print server may take its time, or never answer: the talk with it
    // runs on a thread of its own while the windows go on handling events,
    // and the progress dialog comes up as for any long command.
    ProgressDialog dialog(desktop_, QStringLiteral("Printing"), 0);
    QTimer watch;
    std::atomic<bool> finished = false;
    int result = kPrintCancelled;
    std::jthread exchange([&, title](std::stop_token stop) {
        result = submitPdfToDefaultDestination(pdf, title, std::move(stop), printServerSilence_);
        finished = true;
        // Wakes the waiting loop below.
        QMetaObject::invokeMethod(
            &watch, [] {}, Qt::QueuedConnection);
    });
    QObject::connect(&watch, &QTimer::timeout, &watch, [&] {
        if (exchange.get_stop_token().stop_requested()) return;
        dialog.openWhenDue(ProgressDialog::Clock::now());
        if (dialog.cancelled() || desktop_->ending()) {
            // Gone at once; the exchange ends the job and then the wait.
            dialog.close();
            exchange.request_stop();
        }
    });
    watch.start(50);
    while (!finished) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    exchange.join();
    return result;
}

std::unique_ptr<Progress> QtPlatform::beginProgress(const std::string& caption,
                                                    std::int64_t total) {
    return std::make_unique<QtProgress>(desktop_, QString::fromUtf8(caption), total);
}

void QtPlatform::endProgram() { desktop_->endProgram(); }

double QtPlatform::twipsPerPixel() const { return desktop_->twipsPerPixel(); }

double QtPlatform::surfaceTwipsPerPixel() const { return desktop_->surfaceTwipsPerPixel(); }

void QtPlatform::flushDrawing() { desktop_->flush(); }

bool QtPlatform::endRequested() const { return desktop_->ending(); }

QWidget* QtPlatform::dialogOwner() const { return desktop_->dialogOwner(); }

// Export through the save dialog and the file writing the tool windows use too.
std::optional<ExportTarget> QtPlatform::askExportTarget(Window& owner,
                                                        const std::string& defaultName,
                                                        bool picture) {
    if (desktop_->ending()) return std::nullopt;
    desktop_->flush();
    auto* window = dynamic_cast<QtWindow*>(&owner);
    return gui::askExportTarget(window ? window->form() : nullptr, defaultName, picture);
}

ExportOutcome QtPlatform::exportPicture(Window& window, const ExportTarget& target) {
    auto* qtWindow = dynamic_cast<QtWindow*>(&window);
    if (!qtWindow) return {ExportOutcome::Status::Failed, "Cannot export this window"};
    return gui::savePicture(qtWindow->surfaceImage(), QString::fromUtf8(window.title()), target);
}

ExportOutcome QtPlatform::exportData(const std::string& path,
                                     const std::function<bool(TextSink&)>& produce) {
    return gui::saveData(path, produce);
}

}  // namespace corvane::platform
