#include "gui/export.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <cerrno>
#include <cmath>
#include <cstring>

namespace corvane::gui {

using platform::ExportFormat;
using platform::ExportOutcome;
using platform::ExportTarget;
using platform::TextSink;

namespace {

const QString kPngFilter = QStringLiteral("PNG image (*.png)");
const QString kPdfFilter = QStringLiteral("PDF document (*.pdf)");
const QString kCsvFilter = QStringLiteral("CSV data (*.csv)");

QString toQString(const std::string& text) { return QString::fromUtf8(text); }

ExportOutcome failed(const QString& path, const QString& reason) {
    return {ExportOutcome::Status::Failed,
            ("Cannot write " + QDir::toNativeSeparators(path) + ": " + reason).toStdString()};
}

// The reason a save file failed, without Qt's wording around the system's.
QString reasonOf(const QSaveFile& file) {
    QString reason = file.errorString();
    return reason.isEmpty() ? QStringLiteral("unknown error") : reason;
}

}  // namespace

QString exportStatus(const platform::ExportOutcome& outcome, const std::string& path) {
    using Status = platform::ExportOutcome::Status;
    switch (outcome.status) {
        case Status::Written:
            return QStringLiteral("Saved %1").arg(QString::fromStdString(path));
        case Status::Failed:
            return QString::fromStdString(outcome.message);
        case Status::Abandoned:
            break;
    }
    return {};
}

QString& lastExportFolder() {
    static QString folder;
    return folder;
}

std::optional<ExportTarget> askExportTarget(QWidget* owner, const std::string& defaultName,
                                            bool picture) {
    QFileDialog dialog(owner,
                       picture ? QStringLiteral("Export picture") : QStringLiteral("Export data"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // Qt's own dialog: the same on every desktop, and scriptable in tests.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setNameFilters(picture ? QStringList{kPngFilter, kPdfFilter} : QStringList{kCsvFilter});
    const QString folder = lastExportFolder().isEmpty() ? QDir::currentPath() : lastExportFolder();
    dialog.setDirectory(folder);
    dialog.selectFile(toQString(defaultName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    // The type is the name's extension when it has one of the offered types,
    // else the type chosen in the dialog, whose extension is added.
    QString path = dialog.selectedFiles().constFirst();
    const QString suffix = QFileInfo(path).suffix().toLower();
    ExportFormat format = ExportFormat::Csv;
    if (picture) {
        if (suffix == "pdf") {
            format = ExportFormat::Pdf;
        } else if (suffix == "png") {
            format = ExportFormat::Png;
        } else {
            const bool pdf = dialog.selectedNameFilter() == kPdfFilter;
            format = pdf ? ExportFormat::Pdf : ExportFormat::Png;
            path += pdf ? ".pdf" : ".png";
        }
    } else if (suffix.isEmpty()) {
        path += ".csv";
    }
    lastExportFolder() = QFileInfo(path).absolutePath();
    return ExportTarget{path.toStdString(), format};
}

ExportOutcome savePicture(const QImage& picture, const QString& title, const ExportTarget& target) {
    const QString path = toQString(target.path);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return failed(path, reasonOf(file));
    if (target.format == ExportFormat::Pdf) {
        QPdfWriter pdf(&file);
        pdf.setTitle(title);
        pdf.setCreator(QStringLiteral("Corvane"));
        // One page of the picture's physical size: its pixels at the
        // surface's dots per inch (1440 twips to the inch).
        const double dpi = picture.dotsPerMeterX() * 0.0254;
        const int resolution = static_cast<int>(std::lround(dpi));
        pdf.setResolution(resolution);
        const QSizeF inches(picture.width() / dpi, picture.height() / dpi);
        pdf.setPageLayout(
            QPageLayout(QPageSize(inches, QPageSize::Inch, QString(), QPageSize::ExactMatch),
                        QPageLayout::Portrait, QMarginsF()));
        QPainter painter;
        if (!painter.begin(&pdf)) {
            file.cancelWriting();
            return failed(path, QStringLiteral("the PDF could not be started"));
        }
        painter.drawImage(
            QRectF(0, 0, picture.width() * resolution / dpi, picture.height() * resolution / dpi),
            picture);
        painter.end();
    } else if (!picture.save(&file, "PNG")) {
        file.cancelWriting();
        return failed(path, file.error() != QFileDevice::NoError ? reasonOf(file)
                                                                 : QStringLiteral("PNG error"));
    }
    if (!file.commit()) return failed(path, reasonOf(file));
    return {};
}

namespace {

// Writes into the save file until the first failure, which it keeps.
class SaveFileSink : public TextSink {
public:
    explicit SaveFileSink(QSaveFile& file) : file_(file) {}
    void write(std::string_view text) override {
        if (failed_) return;
        errno = 0;
        if (file_.write(text.data(), static_cast<qint64>(text.size())) !=
            static_cast<qint64>(text.size())) {
            failed_ = true;
            // The system's reason, before anything else can change it.
            if (errno != 0) reason_ = QString::fromLocal8Bit(std::strerror(errno));
        }
    }
    bool failed() const { return failed_; }
    QString reason() const { return reason_.isEmpty() ? reasonOf(file_) : reason_; }

private:
    QSaveFile& file_;
    bool failed_ = false;
    QString reason_;
};

}  // namespace

ExportOutcome saveData(const std::string& path, const std::function<bool(TextSink&)>& produce) {
    const QString name = toQString(path);
    QSaveFile file(name);
    // The text comes in large pieces already: each goes straight to the file.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        return failed(name, reasonOf(file));
    }
    SaveFileSink sink(file);
    if (!produce(sink)) {
        file.cancelWriting();
        return {ExportOutcome::Status::Abandoned, {}};
    }
    if (sink.failed()) {
        const QString reason = sink.reason();
        file.cancelWriting();
        return failed(name, reason);
    }
    if (!file.commit()) return failed(name, reasonOf(file));
    return {};
}

}  // namespace corvane::gui
