// Draws the guide's pictures with Corvane's own windows: each picture runs a
// few commands on the real Qt surfaces (on the offscreen platform), then cuts
// its part out of the window's image, exactly as the window shows it.
//
//   corvane_guide_pictures OUTPUT_DIRECTORY NAME...
//
// writes OUTPUT_DIRECTORY/NAME.png for each name. The dialogs the commands
// open are answered from the picture's script; a message box means the
// script went wrong, and ends the run with an error.
#include <QApplication>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QRect>
#include <QThread>
#include <cmath>
#include <cstdio>
#include <deque>
#include <exception>
#include <functional>
#include <initializer_list>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include "core/numeric/map.h"
#include "core/tools/explorer_model.h"
#include "explore/bifurcation_window.h"
#include "explore/cobweb_window.h"
#include "explore/density_pane.h"
#include "explore/plane_window.h"
#include "platform/qt/qt_platform.h"
#include "platform/qt/qt_window.h"
#include "windows/functions/form4.h"
#include "windows/histogram/form3.h"
#include "windows/main/form1.h"
#include "windows/program.h"
#include "windows/zoom/form2.h"

namespace corvane {
namespace {

using platform::QtPlatform;
using platform::Window;

// The Qt desktop's windows, with the dialogs answered from a script.
class ScriptedDialogs : public platform::Platform {
public:
    explicit ScriptedDialogs(QtPlatform& qt) : qt_(qt) {}

    std::unique_ptr<Window> createWindow(const std::string& name) override {
        return qt_.createWindow(name);
    }
    double screenWidth() const override { return qt_.screenWidth(); }
    double screenHeight() const override { return qt_.screenHeight(); }
    platform::Answer MsgBox(const std::string& text, platform::Buttons) override {
        throw std::runtime_error("the commands showed a message: " + text);
    }
    std::string InputBox(const std::string& prompt, const std::string&) override {
        if (answers_.empty()) throw std::runtime_error("no answer for the prompt: " + prompt);
        std::string answer = answers_.front();
        answers_.pop_front();
        return answer;
    }
    int printWindow(Window&) override { throw std::logic_error("pictures never print"); }
    std::unique_ptr<platform::Progress> beginProgress(const std::string&, std::int64_t) override {
        return std::make_unique<Unstoppable>();
    }
    void endProgram() override {}
    std::optional<platform::ExportTarget> askExportTarget(Window&, const std::string&,
                                                          bool) override {
        throw std::logic_error("pictures never export");
    }
    platform::ExportOutcome exportPicture(Window&, const platform::ExportTarget&) override {
        throw std::logic_error("pictures never export");
    }
    platform::ExportOutcome exportData(const std::string&,
                                       const std::function<bool(platform::TextSink&)>&) override {
        throw std::logic_error("pictures never export");
    }

    void answer(std::initializer_list<std::string> answers) {
        answers_.insert(answers_.end(), answers);
    }

private:
    class Unstoppable : public platform::Progress {
    public:
        bool poll(std::int64_t) override { return false; }
    };

    QtPlatform& qt_;
    std::deque<std::string> answers_;
};

// A program of its own for each picture.
class Session {
public:
    Session() { program.startUp(); }

    Form1& form1() { return program.form1(); }

    void type(const std::string& a, const std::string& x0, const std::string& n) {
        form1().Text1->setText(a);
        form1().Text2->setText(x0);
        form1().Text3->setText(n);
    }
    void plot(int map, const std::string& a, const std::string& x0, const std::string& n) {
        if (map == 1) {
            form1().mnuLogistic_Click();
        } else {
            form1().mnuSin_Click();
        }
        type(a, x0, n);
        form1().mnuPlot_Click();
    }
    // f^k of map 1 or 2 for the a typed in the main window, in Form4.
    void graph(int map, const std::string& a, int k) {
        type(a, "0.5", "10");
        form1().mnuFGraph_Click();
        Form4& form4 = program.form4();
        form4.mnuFunction_Click();
        dialogs.answer({std::to_string(k)});
        if (map == 1) {
            form4.mnuFL_Click();
        } else {
            form4.mnuFS_Click();
        }
    }

    // The window's client area as it looks, controls included.
    static QImage page(Window& window) {
        return dynamic_cast<platform::QtWindow&>(window).pageImage();
    }
    // Panels first to last of a six-panel window, with their legends and
    // labels.
    QImage panels(Window& window, int first, int last) {
        Module1& m = program.module;
        QRect area;
        for (int k = first; k <= last; ++k) {
            m.setPanelOrigin(k, window);
            m.completePanelGeometry();
            // Labels left of the axis (counts of up to five digits) fit.
            const double left = m.chartLeft - 600;
            const double right = m.chartRight + 150;
            const double top = m.chartTop - 260;
            const double bottom = m.chartBottom + 260;
            area |= pixels(window, left, top, right, bottom);
        }
        const QImage image = page(window);
        return image.copy(area & image.rect());
    }
    // The main window as it looks on screen, menu bar and input row
    // included, down to the top row of panels.
    QImage topRow(Window& window) {
        Module1& m = program.module;
        m.setPanelOrigin(3, window);
        m.completePanelGeometry();
        platform::QtForm* form = dynamic_cast<platform::QtWindow&>(window).form();
        const QImage image = form->grab().toImage();
        const int menuBar = form->height() - dynamic_cast<platform::QtWindow&>(window)
                                                 .canvasPixels()
                                                 .height();
        const QRect rows = pixels(window, 0, 0, window.ScaleWidth(), m.chartBottom + 260);
        return image.copy(QRect(0, 0, rows.width(), menuBar + rows.height()) & image.rect());
    }

    QtPlatform qt;
    ScriptedDialogs dialogs{qt};
    Program program{dialogs};

private:
    static QRect pixels(Window& window, double left, double top, double right, double bottom) {
        const double tpp = window.twipsPerPixel();
        const auto at = [tpp](double twips) { return static_cast<int>(std::lround(twips / tpp)); };
        return QRect(QPoint(at(left), at(top)), QPoint(at(right), at(bottom)));
    }
};

QImage singleOrbit(const std::string& a, const std::string& n) {
    Session s;
    s.plot(1, a, "0.2", n);
    return s.panels(s.form1().window(), 1, 1);
}

QImage histogramOf(const std::string& a, const std::string& n, const std::string& bins) {
    Session s;
    s.plot(1, a, "0.2", n);
    s.dialogs.answer({"1", bins});
    s.form1().mnuHisto_Click();
    return s.panels(s.program.form3().window(), 1, 1);
}

// A tool window (or a part of it) as it looks on the screen, docks and
// status bar included, once `busy` says its computations are done.
QImage toolWindow(QWidget& window, const std::function<bool()>& busy) {
    for (int round = 0; round < 3; ++round) {
        QApplication::processEvents();
        while (busy()) {
            QApplication::processEvents();
            QThread::msleep(5);
        }
    }
    QApplication::processEvents();
    return window.grab().toImage();
}

// A thin grey frame sets the window's white apart from the page's.
QImage framed(QImage image) {
    QPainter painter(&image);
    painter.setPen(QColor(0xb0, 0xb8, 0xc4));
    painter.drawRect(image.rect().adjusted(0, 0, -1, -1));
    return image;
}

const std::map<std::string, std::function<QImage()>>& pictures() {
    static const std::map<std::string, std::function<QImage()>> all = {
        {"main-window",
         [] {
             Session s;
             s.plot(1, "2.8", "0.2", "60");
             s.plot(1, "3.2", "0.2", "60");
             s.plot(1, "3.5", "0.2", "60");
             return s.topRow(s.form1().window());
         }},
        {"orbit-panel", [] { return singleOrbit("3.7", "100"); }},
        {"maps",
         [] {
             Session s;
             s.graph(1, "4", 1);
             s.graph(2, "2.5", 1);
             return s.panels(s.program.form4().window(), 1, 2);
         }},
        {"zoom",
         [] {
             Session s;
             s.plot(1, "3.7", "0.2", "100");
             s.form1().mnuZoom_Click();
             s.form1().mnuPlot1_Click();
             return Session::page(s.program.form2().window());
         }},
        {"difference",
         [] {
             Session s;
             s.plot(1, "4", "0.2", "60");
             s.plot(1, "4", "0.2001", "60");
             s.dialogs.answer({"1", "2"});
             s.form1().mnuDifference_Click();
             return Session::page(s.program.form2().window());
         }},
        {"histogram", [] { return histogramOf("4", "20000", "50"); }},
        {"histogram-period", [] { return histogramOf("3.5", "2000", "50"); }},
        {"graphs",
         [] {
             Session s;
             s.graph(1, "3.2", 1);
             s.graph(1, "3.2", 2);
             return s.panels(s.program.form4().window(), 1, 2);
         }},
        {"explorer",
         [] {
             // Small and few steps: the picture is drawn at every build.
             explore::BifurcationWindow w{Map()};
             w.resize(780, 560);
             w.show();
             tools::View view;
             view.aMin = 2.8;
             view.x0 = 0.2;
             view.transient = 500;
             view.kept = 300;
             w.showView(view);
             w.setCursorA(3.83);
             return toolWindow(w, [&w] {
                 w.pollNow();
                 return w.isComputing() || w.densityPane().isCounting();
             });
         }},
        {"cobweb",
         [] {
             explore::CobwebWindow w{Map()};
             w.resize(740, 500);
             w.show();
             w.pause();
             w.setA(3.835);
             // From near the stable 3-cycle, so that the staircase settles on
             // it in a few steps.
             w.setX0(0.15);
             w.setFold(3);
             w.setSteps(30);
             // Without the status bar: the tail of an orbit that has settled
             // on a stable cycle may go round a cycle of the last bits.
             return toolWindow(*w.centralWidget(), [&w] {
                 w.waitIdle();
                 return w.isComputing();
             });
         }},
        {"plane",
         [] {
             explore::PlaneWindow w;
             w.resize(640, 480);
             w.show();
             // Until the whole picture is in, not its preview.
             return toolWindow(w, [&w] {
                 w.waitForPicture();
                 return !w.isComplete();
             });
         }},
        {"period2", [] { return singleOrbit("3.2", "100"); }},
        {"period4", [] { return singleOrbit("3.5", "100"); }},
        {"period8", [] { return singleOrbit("3.56", "200"); }},
        {"chaos", [] { return singleOrbit("4", "100"); }},
        {"sensitivity",
         [] {
             Session s;
             s.plot(1, "4", "0.2", "60");
             s.plot(1, "4", "0.2001", "60");
             return s.panels(s.form1().window(), 1, 2);
         }},
    };
    return all;
}

}  // namespace
}  // namespace corvane

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: corvane_guide_pictures OUTPUT_DIRECTORY NAME...\n");
        return 2;
    }
    const QDir out(args[1]);
    if (!QDir().mkpath(out.path())) {
        std::fprintf(stderr, "corvane_guide_pictures: cannot make %s\n", qPrintable(out.path()));
        return 1;
    }
    for (qsizetype i = 2; i < args.size(); ++i) {
        const std::string name = args[i].toStdString();
        const auto it = corvane::pictures().find(name);
        if (it == corvane::pictures().end()) {
            std::fprintf(stderr, "corvane_guide_pictures: no picture named %s\n", name.c_str());
            return 2;
        }
        try {
            const QImage image = corvane::framed(it->second());
            const QString file = out.filePath(args[i] + QStringLiteral(".png"));
            if (image.isNull() || !image.save(file, "PNG")) {
                std::fprintf(stderr, "corvane_guide_pictures: cannot write %s\n", qPrintable(file));
                return 1;
            }
        } catch (const std::exception& e) {
            std::fprintf(stderr, "corvane_guide_pictures: %s: %s\n", name.c_str(), e.what());
            return 1;
        }
    }
    return 0;
}
