#include "app/render.h"

#include <QApplication>
#include <QDir>
#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "app/explore_wiring.h"
#include "core/tools/session.h"
#include "explore/bifurcation_window.h"
#include "explore/cobweb_window.h"
#include "explore/explore_export.h"
#include "explore/feigenbaum_window.h"
#include "explore/plane_window.h"
#include "windows/program.h"

namespace corvane::app {

namespace {

class Renderer {
public:
    Renderer(const CommandLine::Render& render, std::FILE* out, std::FILE* err)
        : render_(render), out_(out), err_(err) {
        format_ = render.format == "svg"   ? gui::PictureFormat::Svg
                  : render.format == "pdf" ? gui::PictureFormat::Pdf
                                           : gui::PictureFormat::Png;
        options_.size = gui::PictureOptions::Size::Custom;
        options_.customWidth = render.width;
        options_.customHeight = render.height;
        options_.caption = true;
    }

    std::string path(const std::string& name) const {
        return QDir(QString::fromStdString(render_.output))
            .filePath(QString::fromStdString(name))
            .toStdString();
    }
    std::string picture(const std::string& name) const { return path(name + "." + render_.format); }

    void progress(const std::string& text) const {
        std::fprintf(err_, "corvane: %s\n", text.c_str());
        std::fflush(err_);
    }
    void failed(const std::string& why) {
        std::fprintf(err_, "corvane: %s\n", why.c_str());
        std::fflush(err_);
        ok_ = false;
    }
    // One file: its path on standard output when written, the reason on
    // standard error when not.
    void written(const std::string& file, const platform::ExportOutcome& outcome) {
        if (outcome.status == platform::ExportOutcome::Status::Written) {
            std::fprintf(out_, "%s\n", file.c_str());
            std::fflush(out_);
        } else {
            failed(outcome.message.empty() ? "Cannot write " + file : outcome.message);
        }
    }
    void written(const std::string& file, bool done, const QString& why) {
        written(file,
                done ? platform::ExportOutcome{}
                     : platform::ExportOutcome{platform::ExportOutcome::Status::Failed,
                                               "Cannot write " + file + ": " + why.toStdString()});
    }

    void explorer(explore::BifurcationWindow& w) {
        progress("computing the bifurcation diagram");
        while (true) {
            QApplication::processEvents();
            w.pollNow();
            if (!w.isComputing()) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        const std::string file = picture("explorer");
        written(file, w.writePictureFile(file, format_, options_), w.statusMessage());
        if (w.data()) {
            const std::string csv = path("explorer-lyapunov.csv");
            written(csv, explore::writeLyapunovCsv(w.view(), *w.data(), csv));
        }
    }

    void cobweb(explore::CobwebWindow& w) {
        progress("computing the cobweb");
        w.waitIdle();
        QApplication::processEvents();
        const std::string file = picture("cobweb");
        written(file, w.writePicture(file, format_, options_));
        const std::string orbit = path("cobweb-orbit.csv");
        written(orbit, w.writeOrbit(orbit));
        const std::string points = path("cobweb-points.csv");
        written(points, w.writePeriodicPoints(points));
    }

    void feigenbaum(explore::FeigenbaumWindow& w) {
        progress("searching Feigenbaum's constants");
        w.wait();
        QApplication::processEvents();
        const std::string csv = path("feigenbaum.csv");
        written(csv, w.writeCsv(csv));
    }

    void plane(explore::PlaneWindow& w) {
        progress("computing the parameter plane");
        QApplication::processEvents();
        w.waitForPicture();
        const std::string file = picture("plane");
        written(file, w.writePicture(file, format_, options_));
        const std::string csv = path("plane.csv");
        written(csv, w.writeData(csv));
    }

    bool ok() const { return ok_; }

private:
    const CommandLine::Render& render_;
    std::FILE* out_;
    std::FILE* err_;
    gui::PictureFormat format_;
    gui::PictureOptions options_;
    bool ok_ = true;
};

}  // namespace

int renderSession(platform::Platform& platform, const std::string& sessionPath,
                  const CommandLine::Render& render, std::FILE* out, std::FILE* err) {
    Renderer renderer(render, out, err);
    const tools::SessionRead read = tools::readSessionFile(sessionPath);
    if (!read.session) {
        renderer.failed(read.error);
        return 1;
    }
    for (const std::string& note : read.notes) renderer.failed(note);
    if (!QDir().mkpath(QString::fromStdString(render.output))) {
        renderer.failed("Cannot make the folder " + render.output);
        return 1;
    }
    Program program(platform);
    ExploreWiring wiring(program);
    program.setExploreLink(&wiring);
    renderer.progress("opening " + sessionPath);
    wiring.applySession(*read.session);
    const tools::Session& s = *read.session;
    if (!s.explorer && !s.cobweb && !s.feigenbaum && !s.plane) {
        renderer.progress("the session has no tool window open: nothing to draw");
    }
    if (s.explorer) renderer.explorer(*wiring.bifurcation());
    if (s.cobweb) renderer.cobweb(*wiring.cobweb());
    if (s.feigenbaum) renderer.feigenbaum(*wiring.feigenbaum());
    if (s.plane) renderer.plane(*wiring.plane());
    program.setExploreLink(nullptr);
    return renderer.ok() ? 0 : 1;
}

}  // namespace corvane::app
