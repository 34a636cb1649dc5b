#include "platform/qt/qt_platform.h"

#include <QCoreApplication>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <algorithm>
#include <chrono>
#include <climits>

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

class QtProgress : public Progress {
public:
    using Clock = std::chrono::steady_clock;

    QtProgress(std::shared_ptr<QtDesktop> desktop, QString caption, std::int64_t total)
        : desktop_(std::move(desktop)),
          caption_(std::move(caption)),
          total_(total),
          start_(Clock::now()) {}

    ~QtProgress() override {
        if (dialog_) {
            dialog_->hide();
            delete dialog_;
        }
    }

    bool poll(std::int64_t done) override {
        if (desktop_->ending()) return true;
        const Clock::time_point now = Clock::now();
        if (!dialog_) {
            if (now - start_ < kDelay) return false;
            open();
        } else if (now - lastPump_ < kPumpInterval) {
            return cancelled_;
        }
        lastPump_ = now;
        dialog_->setValue(scaled(done));
        desktop_->flush();
        QCoreApplication::processEvents();
        return cancelled_ || desktop_->ending();
    }

private:
    static constexpr Clock::duration kDelay = std::chrono::milliseconds(500);
    static constexpr Clock::duration kPumpInterval = std::chrono::milliseconds(50);
    static constexpr int kScaledRange = 1000000;

    void open() {
        dialog_ = new QProgressDialog;
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
    Clock::time_point lastPump_;
    QProgressDialog* dialog_ = nullptr;
    bool cancelled_ = false;
};

}  // namespace

QtPlatform::QtPlatform() : desktop_(std::make_shared<QtDesktop>()) {}

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

    QMessageBox box;
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

    QInputDialog dialog;
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
    return submitPdfToDefaultDestination(pdf, title);
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

}  // namespace corvane::platform
