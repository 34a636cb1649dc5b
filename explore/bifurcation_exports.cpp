// The explorer's File menu: its picture, λ and kept values, and the
// density at the cursor, each written through the shared export module.
#include <QApplication>
#include <QCoreApplication>
#include <QPainter>
#include <QProgressDialog>
#include <QStatusBar>
#include <cmath>
#include <new>

#include "core/tools/caption.h"
#include "explore/bifurcation_view.h"
#include "explore/bifurcation_window.h"
#include "explore/density_pane.h"
#include "explore/explore_export.h"
#include "explore/job_runner.h"
#include "gui/export.h"

namespace corvane::explore {

bool BifurcationWindow::pictureComplete() {
    if (!isComputing() && snapshot_.data) return true;
    say(QStringLiteral("The picture is still being computed; export it when it is complete."));
    return false;
}

bool BifurcationWindow::finishExport(const platform::ExportOutcome& outcome,
                                     const std::string& path) {
    if (outcome.status == platform::ExportOutcome::Status::Abandoned) {
        say(QStringLiteral("Export cancelled; %1 was not written.")
                .arg(QString::fromStdString(path)));
        return false;
    }
    say(gui::exportStatus(outcome, path));
    return outcome.status == platform::ExportOutcome::Status::Written;
}

namespace {

// The diagram and λ of `data`, as the plot draws them.
DiagramPicture diagramPicture(const ColumnData& data, const QImage& grey, int columnsDone) {
    DiagramPicture picture;
    picture.image = QImage(grey.size(), QImage::Format_RGB32);
    for (int y = 0; y < grey.height(); ++y) {
        const uchar* in = grey.constScanLine(y);
        auto* out = reinterpret_cast<QRgb*>(picture.image.scanLine(y));
        for (int x = 0; x < grey.width(); ++x) out[x] = qRgb(in[x], in[x], in[x]);
    }
    picture.lyapunov.assign(std::size_t(data.columns), std::nan(""));
    picture.marks.assign(std::size_t(data.columns), ColumnMark::None);
    for (int c = 0; c < columnsDone; ++c) {
        const bifurcation::ColumnOutcome& o = data.outcomes[std::size_t(c)];
        picture.lyapunov[std::size_t(c)] = o.lyapunov;
        picture.marks[std::size_t(c)] = o.escaped     ? ColumnMark::Escaped
                                        : o.leftRange ? ColumnMark::LeftUnitInterval
                                                      : ColumnMark::None;
    }
    return picture;
}

}  // namespace

QImage BifurcationWindow::picture() const {
    // The plot as on the screen, drawn by its own paint function.
    const QSize size = view_->size();
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    const int dotsPerMeter = static_cast<int>(std::lround(view_->logicalDpiX() / 0.0254));
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    {
        QPainter p(&image);
        const ColumnData* data = snapshot_.data.get();
        view_->paintPicture(
            p, QSizeF(size), view_->screenLook(),
            data ? diagramPicture(*data, image_, snapshot_.columnsDone) : DiagramPicture{});
    }
    // A PNG names the map (its formula) in its title.
    image.setText(QStringLiteral("Title"), windowTitle());
    return image;
}

bool BifurcationWindow::writePictureFile(const std::string& path, gui::PictureFormat format,
                                         const gui::PictureOptions& options) {
    if (!pictureComplete()) return false;
    const gui::PictureRequest request =
        gui::pictureRequest(path, format, options, *view_, windowTitle(), view_->large(),
                            tools::explorerCaption(view(), model_.cursor()));
    const ColumnData& shown = *snapshot_.data;
    const QImage shownGrey = image_;
    const View v = view();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto outcome =
        gui::writePicture(request, [&](QPainter& p, QSizeF size, const gui::Look& look) {
            // One column per pixel of the file: the window's own when they
            // are the same, else computed again for it.
            const QRectF d = BifurcationView::frameFor(size, look).diagram;
            const int columns = std::max(1, int(std::lround(d.width() * look.device)));
            const int rows = std::max(1, int(std::lround(d.height() * look.device)));
            if (columns == shown.columns && rows == shown.rows) {
                view_->paintPicture(p, size, look, diagramPicture(shown, shownGrey, shown.columns));
                return true;
            }
            // On a runner of its own, waited for: the file is written
            // when its diagram is whole. Without the memory for its
            // counts, nothing is written.
            JobRunner<ColumnData> runner;
            runner.start([&](JobRunner<ColumnData>::Control& control) {
                auto data = std::make_shared<ColumnData>();
                try {
                    computeView(v, columns, rows, *data);
                } catch (const std::bad_alloc&) {
                    data.reset();
                }
                control.publish(std::move(data), true);
            });
            runner.waitIdle();
            const std::shared_ptr<const ColumnData> data = runner.poll().result;
            QImage grey(columns, rows, QImage::Format_Grayscale8);
            if (!data || grey.isNull()) return false;
            shadeRange(*data, 0, columns, data->densest(), grey.bits(), grey.bytesPerLine());
            view_->paintPicture(p, size, look, diagramPicture(*data, grey, columns));
            return true;
        });
    QApplication::restoreOverrideCursor();
    return finishExport(outcome, path);
}

bool BifurcationWindow::exportPicture(gui::PictureFormat format) {
    if (!pictureComplete()) return false;
    const auto path = gui::askPicturePath(this, "bifurcation", format);
    if (!path) return false;
    const auto options = askPictureOptions();
    if (!options) return false;
    return writePictureFile(*path, format, *options);
}

bool BifurcationWindow::exportPicturePng() { return exportPicture(gui::PictureFormat::Png); }

bool BifurcationWindow::exportPicturePdf() { return exportPicture(gui::PictureFormat::Pdf); }

bool BifurcationWindow::exportPictureSvg() { return exportPicture(gui::PictureFormat::Svg); }

void BifurcationWindow::setLargeText(std::shared_ptr<gui::LargeTextSetting> setting) {
    largeText_ = std::move(setting);
    largeText_->listen(this, [this] { largeTextChanged(); });
    largeTextChanged();
}

void BifurcationWindow::largeTextChanged() {
    largeTextAction_->setChecked(largeText_->on());
    view_->setLarge(largeText_->large());
    density_->setLarge(largeText_->large());
}

bool BifurcationWindow::exportLyapunovCsv() {
    if (!pictureComplete()) return false;
    const auto target = gui::askExportTarget(this, "lyapunov.csv", false);
    if (!target) return false;
    return finishExport(writeLyapunovCsv(view(), *snapshot_.data, target->path), target->path);
}

bool BifurcationWindow::exportKeptValuesCsv() {
    if (!pictureComplete()) return false;
    const auto target = gui::askExportTarget(this, "kept-values.csv", false);
    if (!target) return false;
    QProgressDialog progress(QStringLiteral("Writing the kept values\u2026"),
                             QStringLiteral("Cancel"), 0, 1000, this);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(500);
    const platform::ExportOutcome outcome =
        writeKeptValuesCsv(view(), columns_, rows_, target->path, [&](double done) {
            progress.setValue(int(done * 1000));
            QCoreApplication::processEvents();
            return !progress.wasCanceled();
        });
    progress.reset();
    return finishExport(outcome, target->path);
}

std::optional<gui::PictureOptions> BifurcationWindow::askPictureOptions() {
    const auto options = askOptions_(this, pictureOptions_);
    if (options) pictureOptions_ = *options;
    return options;
}

const density::Histogram* BifurcationWindow::densityToExport() {
    const density::Histogram* shown = density_->shown();
    if (!shown) {
        say(model_.cursor()
                ? QStringLiteral("The density is still being counted; export it when it "
                                 "is shown.")
                : QStringLiteral("Click the diagram first to choose an a."));
    }
    return shown;
}

bool BifurcationWindow::exportDensityPicture() {
    const density::Histogram* shown = densityToExport();
    if (!shown) return false;
    const auto path = gui::askPicturePath(this, "density", gui::PictureFormat::Png);
    if (!path) return false;
    const auto options = askPictureOptions();
    if (!options) return false;
    const DensityPlot& plot = density_->plot();
    const gui::PictureRequest request =
        gui::pictureRequest(*path, gui::PictureFormat::Png, *options, plot, windowTitle(),
                            largeText_->large(), tools::densityCaption(shown->setup, shown->range));
    return finishExport(gui::writePicture(request,
                                          [&](QPainter& p, QSizeF size, const gui::Look& look) {
                                              plot.paintPicture(p, size, look);
                                              return true;
                                          }),
                        *path);
}

bool BifurcationWindow::exportDensityCsv() {
    const density::Histogram* shown = densityToExport();
    if (!shown) return false;
    const auto target = gui::askExportTarget(this, "density.csv", false);
    if (!target) return false;
    return finishExport(writeDensityCsv(*shown, target->path), target->path);
}

}  // namespace corvane::explore
