// The cobweb's File menu: its picture, its orbit and its points of period
// k, written through the shared export module.
#include <QAction>
#include <QPainter>
#include <QStatusBar>

#include "core/numeric/csv.h"
#include "core/numeric/number_text.h"
#include "core/tools/caption.h"
#include "explore/cobweb_view.h"
#include "explore/cobweb_window.h"
#include "explore/explore_export.h"
#include "gui/export.h"

namespace corvane::explore {

// --- Export ----------------------------------------------------------------------------

platform::ExportOutcome CobwebWindow::writePicture(const std::string& path,
                                                   gui::PictureFormat format,
                                                   const gui::PictureOptions& options) const {
    const tools::CobwebCaption what{
        caption().toStdString(), a(), x0(), fold(), steps(), span().from, span().to};
    const gui::PictureRequest request = gui::pictureRequest(
        path, format, options, *view_, windowTitle(), view_->large(), tools::cobwebCaption(what));
    return gui::writePicture(request, [this](QPainter& p, QSizeF size, const gui::Look& look) {
        view_->paintPicture(p, size, look);
        return true;
    });
}

platform::ExportOutcome CobwebWindow::writeOrbit(const std::string& path) const {
    // What is shown now, copied, so that the file says what the window did.
    const std::vector<double> values = orbit_.x;
    const CsvAbout about{"the orbit of the cobweb", "f(x) = " + caption().toStdString(),
                         "a = " + exactNumber(a()) + "; k = " + std::to_string(fold()) + "; x0 = " +
                             exactNumber(x0()) + "; n = " + std::to_string(values.size() - 1)};
    return gui::saveData(path, [&](platform::TextSink& sink) {
        CsvWriter csv([&sink](std::string_view piece) { sink.write(piece); });
        csv.about(about);
        csv.comment("x_n = f^k(x_(n-1)); n steps of f^k");
        csv.header({"n", "x_n"});
        for (std::size_t n = 0; n < values.size(); ++n) {
            csv.integer(static_cast<std::int64_t>(n));
            csv.number(values[n]);
            csv.endRow();
        }
        csv.flush();
        return true;
    });
}

platform::ExportOutcome CobwebWindow::writePeriodicPoints(const std::string& path) const {
    const std::vector<cobweb::PeriodicPoint> points = periodicPoints().points;
    const CsvAbout about{"the points of period k of the cobweb",
                         "f(x) = " + caption().toStdString(),
                         "a = " + exactNumber(a()) + "; k = " + std::to_string(fold())};
    return gui::saveData(path, [&](platform::TextSink& sink) {
        CsvWriter csv([&sink](std::string_view piece) { sink.write(piece); });
        csv.about(about);
        csv.comment(
            "f^k(x) = x; stable = 1 where |(f^k)'(x)| < 1; period: the least p with "
            "f^p(x) = x");
        csv.header({"x", "slope", "stable", "period"});
        for (const cobweb::PeriodicPoint& p : points) {
            csv.number(p.x);
            csv.number(p.slope);
            csv.integer(p.stable ? 1 : 0);
            csv.integer(p.period);
            csv.endRow();
        }
        csv.flush();
        return true;
    });
}

bool CobwebWindow::finishExport(const platform::ExportOutcome& outcome, const std::string& path) {
    if (const QString status = gui::exportStatus(outcome, path); !status.isEmpty()) say(status);
    return outcome.status == platform::ExportOutcome::Status::Written;
}

bool CobwebWindow::exportPictureAs(const std::optional<std::string>& path,
                                   gui::PictureFormat format) {
    if (!path) return false;
    const auto options = askOptions_(this, pictureOptions_);
    if (!options) return false;
    pictureOptions_ = *options;
    return finishExport(writePicture(*path, format, *options), *path);
}

bool CobwebWindow::exportPicture() {
    pause();
    if (!pictureComplete()) return false;
    const auto target = gui::askExportTarget(this, "cobweb.png", true);
    if (!target) return false;
    return exportPictureAs(target->path, target->format == platform::ExportFormat::Pdf
                                             ? gui::PictureFormat::Pdf
                                             : gui::PictureFormat::Png);
}

bool CobwebWindow::exportPictureSvg() {
    pause();
    if (!pictureComplete()) return false;
    return exportPictureAs(gui::askPicturePath(this, "cobweb", gui::PictureFormat::Svg),
                           gui::PictureFormat::Svg);
}

bool CobwebWindow::pictureComplete() {
    if (graph_) return true;
    say(QStringLiteral("The graph is still being computed; export it when it is shown."));
    return false;
}

void CobwebWindow::setLargeText(std::shared_ptr<gui::LargeTextSetting> setting) {
    largeText_ = std::move(setting);
    largeText_->listen(this, [this] { largeTextChanged(); });
    largeTextChanged();
}

void CobwebWindow::largeTextChanged() {
    largeTextAction_->setChecked(largeText_->on());
    view_->setLarge(largeText_->large());
}

bool CobwebWindow::exportOrbit() {
    pause();
    const auto target = gui::askExportTarget(this, "cobweb-orbit.csv", false);
    if (!target) return false;
    return finishExport(writeOrbit(target->path), target->path);
}

bool CobwebWindow::exportPeriodicPoints() {
    pause();
    const auto target = gui::askExportTarget(this, "cobweb-periodic-points.csv", false);
    if (!target) return false;
    return finishExport(writePeriodicPoints(target->path), target->path);
}

}  // namespace corvane::explore
