// The explorer's File menu: its picture, λ and kept values, and the
// density at the cursor, each written through the shared export module.
#include <QCoreApplication>
#include <QProgressDialog>
#include <QStatusBar>

#include "explore/bifurcation_view.h"
#include "explore/bifurcation_window.h"
#include "explore/density_pane.h"
#include "explore/explore_export.h"
#include "gui/export.h"

namespace corvane::explore {

bool BifurcationWindow::pictureComplete() {
    if (!isComputing() && snapshot_.data) return true;
    say(QStringLiteral("The picture is still being computed; export it when it is complete."));
    return false;
}

bool BifurcationWindow::finishExport(const platform::ExportOutcome& outcome,
                                     const std::string& path) {
    using Status = platform::ExportOutcome::Status;
    switch (outcome.status) {
        case Status::Written:
            say(QStringLiteral("Saved %1").arg(QString::fromStdString(path)));
            return true;
        case Status::Abandoned:
            say(QStringLiteral("Export cancelled; %1 was not written.")
                    .arg(QString::fromStdString(path)));
            return false;
        case Status::Failed:
            say(QString::fromStdString(outcome.message));
            return false;
    }
    return false;
}

QImage BifurcationWindow::picture() const {
    QImage image = view_->grab().toImage();
    // Its physical size is the plot's on the screen.
    const int dotsPerMeter =
        static_cast<int>(std::lround(view_->logicalDpiX() * image.devicePixelRatio() / 0.0254));
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    // A PNG names the map (its formula) in its title.
    image.setText(QStringLiteral("Title"), windowTitle());
    return image;
}

bool BifurcationWindow::exportPicture(const char* suggested) {
    const auto target = gui::askExportTarget(this, suggested, true);
    if (!target) return false;
    return finishExport(gui::savePicture(picture(), windowTitle(), *target), target->path);
}

bool BifurcationWindow::exportPicturePng() { return exportPicture("bifurcation.png"); }

bool BifurcationWindow::exportPicturePdf() { return exportPicture("bifurcation.pdf"); }

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

bool BifurcationWindow::exportDensityCsv() {
    const density::Histogram* shown = density_->shown();
    if (!shown) {
        say(model_.cursor() ? QStringLiteral("The density is still being counted; export it when it "
                                      "is shown.")
                     : QStringLiteral("Click the diagram first to choose an a."));
        return false;
    }
    const auto target = gui::askExportTarget(this, "density.csv", false);
    if (!target) return false;
    return finishExport(writeDensityCsv(*shown, target->path), target->path);
}

}  // namespace corvane::explore
