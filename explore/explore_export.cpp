#include "explore/explore_export.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QImageWriter>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QScreen>
#include <QWidget>
#include <string>

#include "core/numeric/csv.h"

namespace corvane::explore {

namespace {

QString cannotWrite(const QString& path, const QString& reason) {
    return QStringLiteral("Cannot write %1: %2").arg(QDir::toNativeSeparators(path), reason);
}

enum class Written { Whole, Failed, Cancelled };

// Opens a QSaveFile, lets `write` fill it, and commits; the message of the
// first failure, or empty. A cancelled file is dropped without a message.
QString writeWhole(const QString& path,
                   const std::function<Written(QSaveFile&, QString& reason)>& write,
                   bool* cancelled = nullptr) {
    if (cancelled) *cancelled = false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return cannotWrite(path, file.errorString());
    QString reason;
    switch (write(file, reason)) {
        case Written::Whole:
            break;
        case Written::Cancelled:
            file.cancelWriting();
            if (cancelled) *cancelled = true;
            return {};
        case Written::Failed:
            file.cancelWriting();
            return cannotWrite(path, reason.isEmpty() ? file.errorString() : reason);
    }
    if (!file.commit()) return cannotWrite(path, file.errorString());
    return {};
}

bool put(QSaveFile& file, const std::string& text) {
    return file.write(text.data(), qint64(text.size())) == qint64(text.size());
}

}  // namespace

QString SaveLocations::ask(QWidget* parent, const QString& caption, const QString& fileName,
                           const QString& filter) {
    const QString start = folder_.isEmpty() ? QDir::homePath() : folder_;
    const QString suggested = QDir(start).filePath(fileName);
    const QString chosen = chooser_
                               ? chooser_(parent, caption, suggested, filter)
                               : QFileDialog::getSaveFileName(parent, caption, suggested, filter);
    if (!chosen.isEmpty()) folder_ = QFileInfo(chosen).absolutePath();
    return chosen;
}

QString savePng(const QImage& image, const QString& path) {
    return writeWhole(path, [&](QSaveFile& file, QString& reason) {
        QImageWriter writer(&file, "png");
        if (writer.write(image)) return Written::Whole;
        reason = writer.errorString();
        return Written::Failed;
    });
}

QString savePdf(QWidget& widget, const QString& title, const QString& path) {
    return writeWhole(path, [&](QSaveFile& file, QString& reason) {
        QPdfWriter pdf(&file);
        pdf.setTitle(title);
        pdf.setCreator(QStringLiteral("Corvane"));
        // The widget's size on its screen, in millimetres.
        const double dpi = widget.logicalDpiX() > 0 ? widget.logicalDpiX() : 96.0;
        const QSizeF size(widget.width() * 25.4 / dpi, widget.height() * 25.4 / dpi);
        pdf.setPageSize(QPageSize(size, QPageSize::Millimeter, QString(), QPageSize::ExactMatch));
        pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
        pdf.setResolution(int(dpi));
        QPainter painter;
        if (!painter.begin(&pdf)) {
            reason = QStringLiteral("the PDF could not be started");
            return Written::Failed;
        }
        widget.render(&painter);
        painter.end();
        return Written::Whole;
    });
}

QString writeLyapunovCsv(const View& view, const ColumnData& data, const QString& path) {
    return writeWhole(path, [&](QSaveFile& file, QString&) {
        std::string text = "a,lambda\n";
        for (int c = 0; c < data.columns; ++c) {
            appendCsvNumber(text, bifurcation::columnA(view.aMin, view.aMax, c, data.columns));
            text += ',';
            appendCsvNumber(text, data.outcomes[std::size_t(c)].lyapunov);
            text += '\n';
        }
        return put(file, text) ? Written::Whole : Written::Failed;
    });
}

QString writeKeptValuesCsv(const View& view, int columns, int rows, const QString& path,
                           const std::function<bool(double done)>& progress, bool* cancelled) {
    const bifurcation::OrbitSetup setup = orbitSetup(view, rows);
    return writeWhole(
        path,
        [&](QSaveFile& file, QString&) {
            std::string text = "a,x\n";
            bool ok = true;
            for (int c = 0; c < columns && ok; ++c) {
                const double a = bifurcation::columnA(view.aMin, view.aMax, c, columns);
                std::string prefix;
                appendCsvNumber(prefix, a);
                prefix += ',';
                // One column at a time, written out in pieces of about a
                // megabyte: the file never waits in memory.
                bifurcation::visitKept(setup, a, [&](double x) {
                    if (!ok) return;
                    text += prefix;
                    appendCsvNumber(text, x);
                    text += '\n';
                    if (text.size() >= (1u << 20)) {
                        ok = put(file, text);
                        text.clear();
                    }
                });
                if (ok && progress && !progress(double(c + 1) / columns)) {
                    return Written::Cancelled;
                }
            }
            return ok && put(file, text) ? Written::Whole : Written::Failed;
        },
        cancelled);
}

QString writeDensityCsv(const density::Histogram& histogram, const QString& path) {
    return writeWhole(path, [&](QSaveFile& file, QString&) {
        bool ok = true;
        CsvWriter out([&](std::string_view piece) {
            ok = ok && file.write(piece.data(), qint64(piece.size())) == qint64(piece.size());
        });
        density::writeCsv(histogram, out);
        return ok ? Written::Whole : Written::Failed;
    });
}

}  // namespace corvane::explore
