#include "explore/plane_window.h"

#include <QAction>
#include <QApplication>
#include <QActionGroup>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QStatusBar>
#include <QTimer>
#include <chrono>
#include <cmath>
#include <cstring>
#include <thread>

#include "core/numeric/csv.h"
#include "core/numeric/number_text.h"
#include "core/tools/caption.h"
#include "core/tools/field_check.h"
#include "explore/plane_view.h"
#include "explore/tool_menus.h"
#include "explore/window_placement.h"
#include "gui/export.h"

namespace corvane::explore {

namespace {

// The preview's pixels are this many of the whole's, each way.
constexpr int kPreview = 8;

}  // namespace

QString PlaneWindow::titleFor(const plane::PlaneMap& map) {
    return QStringLiteral("Parameter plane: ") + QString::fromStdString(plane::planeCaption(map));
}

PlaneWindow::PlaneWindow(const plane::PlaneMap& map, QWidget* parent)
    : QMainWindow(parent), model_(map) {
    setObjectName(QStringLiteral("PlaneWindow"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    view_ = new PlaneView(this);
    view_->setObjectName(QStringLiteral("plane"));
    setCentralWidget(view_);
    progress_ = new QLabel(this);
    progress_->setObjectName(QStringLiteral("progress"));
    statusBar()->addPermanentWidget(progress_);

    view_->onZoom = [this](double p1, double p2, double q1, double q2) {
        if (const std::string why = model_.zoomRect(p1, p2, q1, q2); !why.empty()) {
            say(QString::fromStdString(why));
            return;
        }
        refresh();
    };
    view_->onClick = [this](double p, double q) { setCursorPoint(p, q); };
    view_->onWheel = [this](double p, double q, double factor) {
        if (const std::string why = model_.wheel(p, q, factor); !why.empty()) {
            say(QString::fromStdString(why));
            return;
        }
        refresh();
    };
    view_->onHover = [this](std::optional<std::pair<double, double>> at) { hover(at); };

    // --- Menus ---
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("menuFile"));
    addSessionActions(file, this, [this] { return sessions_; });
    QAction* png = file->addAction(QStringLiteral("Export picture as PNG or PDF…"), this, [this] {
        const auto target = gui::askExportTarget(this, "parameter-plane.png", true);
        if (!target) return;
        exportPictureAs(target->path, target->format == platform::ExportFormat::Pdf
                                          ? gui::PictureFormat::Pdf
                                          : gui::PictureFormat::Png);
    });
    png->setObjectName(QStringLiteral("actionExportPicture"));
    QAction* svg = file->addAction(QStringLiteral("Export picture as SVG…"), this, [this] {
        exportPictureAs(gui::askPicturePath(this, "parameter-plane", gui::PictureFormat::Svg),
                        gui::PictureFormat::Svg);
    });
    svg->setObjectName(QStringLiteral("actionExportSvg"));
    QAction* csv = file->addAction(QStringLiteral("Export data as CSV…"), this,
                                   [this] { exportData(); });
    csv->setObjectName(QStringLiteral("actionExportCsv"));
    file->addSeparator();
    addCloseAction(file, this);

    QMenu* viewMenu = menuBar()->addMenu(QStringLiteral("&View"));
    viewMenu->setObjectName(QStringLiteral("menuView"));
    const ViewHistoryActions history = addViewHistoryActions(
        viewMenu, this, [this] { undo(); }, [this] { redo(); }, [this] { home(); });
    undoAction_ = history.undo;
    redoAction_ = history.redo;
    viewMenu->addSeparator();
    auto* colours = new QActionGroup(this);
    const char* colourNames[] = {"Colour by &Lyapunov exponent", "Colour by &period",
                                 "Colour by &winding number"};
    const char* colourObjects[] = {"actionColourLyapunov", "actionColourPeriod",
                                   "actionColourWinding"};
    for (int i = 0; i < 3; ++i) {
        colourActions_[i] = viewMenu->addAction(QString::fromUtf8(colourNames[i]), this, [this, i] {
            setColouring(static_cast<tools::PlaneColouring>(i));
        });
        colourActions_[i]->setObjectName(QString::fromLatin1(colourObjects[i]));
        colourActions_[i]->setCheckable(true);
        colours->addAction(colourActions_[i]);
    }
    viewMenu->addSeparator();
    largeTextAction_ =
        addLargeTextAction(viewMenu, this, [this](bool on) { largeText_->setOn(on); });

    QMenu* planeMenu = menuBar()->addMenu(QStringLiteral("&Plane"));
    planeMenu->setObjectName(QStringLiteral("menuPlane"));
    auto* modes = new QActionGroup(this);
    modeActions_[0] = planeMenu->addAction(QStringLiteral("&Forcing sequence"), this, [this] {
        if (view().map.mode == plane::Mode::Forcing) return;
        plane::PlaneMap m;
        selectMap(m);
    });
    modeActions_[0]->setObjectName(QStringLiteral("actionModeForcing"));
    modeActions_[1] = planeMenu->addAction(QStringLiteral("Sine-&circle map"), this, [this] {
        selectMap({plane::Mode::TwoParameter, {}, "", ""});
    });
    modeActions_[1]->setObjectName(QStringLiteral("actionModeCircle"));
    modeActions_[2] = planeMenu->addAction(QStringLiteral("Formula in x, a and &b…"), this,
                                           [this] { chooseTwoParameterFormula(); });
    modeActions_[2]->setObjectName(QStringLiteral("actionModeFormula"));
    for (QAction* a : modeActions_) {
        a->setCheckable(true);
        modes->addAction(a);
    }
    planeMenu->addSeparator();
    sequenceAction_ = planeMenu->addAction(QStringLiteral("&Sequence…"), this,
                                           [this] { chooseSequence(); });
    sequenceAction_->setObjectName(QStringLiteral("actionSequence"));
    QMenu* forced = planeMenu->addMenu(QStringLiteral("&Map of the sequence"));
    forced->setObjectName(QStringLiteral("menuForcedMap"));
    auto* maps = new QActionGroup(this);
    const auto builtIn = addMapActions(forced, maps, [this](const Map& m) {
        plane::PlaneMap pm = view().map;
        pm.mode = plane::Mode::Forcing;
        pm.map = m;
        pm.formula.clear();
        selectMap(pm);
    });
    forcedMapActions_[0] = builtIn[0];
    forcedMapActions_[1] = builtIn[1];
    forcedMapActions_[2] = addCustomMapAction(forced, maps, [this] { chooseCustomMap(); });
    planeMenu->addSeparator();
    QAction* steps = planeMenu->addAction(QStringLiteral("S&teps and x0…"), this,
                                          [this] { chooseSteps(); });
    steps->setObjectName(QStringLiteral("actionSteps"));
    planeMenu->addSeparator();
    QAction* cobweb = planeMenu->addAction(QStringLiteral("C&obweb here"), this,
                                           [this] { cobwebHere(); });
    cobweb->setObjectName(QStringLiteral("actionCobwebHere"));
    cobweb->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_B));
    QAction* explorer = planeMenu->addAction(QStringLiteral("&Explorer here"), this,
                                             [this] { explorerHere(); });
    explorer->setObjectName(QStringLiteral("actionExplorerHere"));
    explorer->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));

    poll_ = new QTimer(this);
    poll_->setInterval(30);
    connect(poll_, &QTimer::timeout, this, [this] { poll(); });
    resized_ = new QTimer(this);
    resized_->setSingleShot(true);
    resized_->setInterval(150);
    connect(resized_, &QTimer::timeout, this, [this] { compute(); });

    placeOnScreen(this, QSize(1000, 760));
    refresh();
}

PlaneWindow::~PlaneWindow() {
    runner_.cancel();
    runner_.waitIdle();
}

bool PlaneWindow::showView(const tools::PlaneView& v) {
    if (const std::string why = model_.show(v); !why.empty()) {
        say(QString::fromStdString(why));
        return false;
    }
    refresh();
    return true;
}

void PlaneWindow::restoreModel(const tools::PlaneModel& model) {
    model_ = model;
    refresh();
}

bool PlaneWindow::selectMap(const plane::PlaneMap& map) {
    if (const std::string why = model_.selectMap(map); !why.empty()) {
        say(QString::fromStdString(why));
        return false;
    }
    refresh();
    return true;
}

void PlaneWindow::undo() {
    if (model_.undo()) refresh();
}

void PlaneWindow::redo() {
    if (model_.redo()) refresh();
}

void PlaneWindow::home() {
    if (const std::string why = model_.home(); !why.empty()) say(QString::fromStdString(why));
    refresh();
}

void PlaneWindow::setCursorPoint(double p, double q) {
    if (!model_.setCursor(p, q)) return;
    model_.keepCursorInView();
    view_->setCursor(model_.cursor());
    hover(std::pair(p, q));
}

void PlaneWindow::setColouring(tools::PlaneColouring colouring) {
    model_.setColouring(colouring);
    colourActions_[static_cast<int>(model_.colouring())]->setChecked(true);
    if (shown_) view_->setPlane(shown_, view_->view(), model_.colouring());
}

// Brings menus, title and picture in line with the model, and computes.
void PlaneWindow::refresh() {
    const tools::PlaneView& v = view();
    setWindowTitle(titleFor(v.map));
    undoAction_->setEnabled(model_.canUndo());
    redoAction_->setEnabled(model_.canRedo());
    const bool forcing = v.map.mode == plane::Mode::Forcing;
    modeActions_[forcing ? 0 : v.map.isCircle() ? 1 : 2]->setChecked(true);
    // The map of the sequence (f1, which "Forcing sequence" starts with,
    // while another mode is shown).
    forcedMapActions_[mapActionIndex(v.map.map)]->setChecked(true);
    sequenceAction_->setEnabled(forcing);
    colourActions_[static_cast<int>(tools::PlaneColouring::Winding)]->setEnabled(v.map.isCircle());
    colourActions_[static_cast<int>(model_.colouring())]->setChecked(true);
    view_->setCursor(model_.cursor());
    compute();
}

void PlaneWindow::compute() {
    const tools::PlaneView v = view();
    const QSize size = view_->plotPixels();
    std::shared_ptr<const plane::PlaneCode> code =
        code_ && code_->map() == v.map ? code_ : nullptr;
    complete_ = false;
    asked_ = runner_.start([v, size, code](JobRunner<Frame>::Control& control) mutable {
        const auto started = std::chrono::steady_clock::now();
        if (!code) {
            plane::PlaneCode::Made made = plane::PlaneCode::make(v.map);
            if (!made.code) return;  // refused: the window said so when it was chosen
            code = made.code;
        }
        const plane::Orbit orbit = v.orbit();
        auto keepGoing = [&control] { return !control.stale(); };
        auto grid = [&](int divisor) {
            return plane::Grid{v.pMin, v.pMax, v.qMin, v.qMax,
                               std::max(1, size.width() / divisor),
                               std::max(1, size.height() / divisor)};
        };
        auto preview = std::make_shared<PlanePixels>();
        if (!computePlane(*code, orbit, grid(kPreview), *preview, keepGoing)) return;
        control.publish(std::make_shared<const Frame>(Frame{preview, code, v, false, 0}), false);
        auto whole = std::make_shared<PlanePixels>();
        const plane::Grid g = grid(1);
        std::atomic<std::int64_t>& done =
            control.countSteps(stepsPerPixel(*code, orbit) * g.columns * g.rows);
        if (!computePlane(*code, orbit, g, *whole, keepGoing, &done)) return;
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        control.publish(std::make_shared<const Frame>(Frame{whole, code, v, true, seconds}), true);
    });
    progress_->setText(QStringLiteral("Computing…"));
    poll_->start();
}

void PlaneWindow::poll() {
    const auto snapshot = runner_.poll();
    if (snapshot.result && snapshot.result->pixels != shown_) {
        const Frame& f = *snapshot.result;
        shown_ = f.pixels;
        code_ = f.code;
        view_->setPlane(shown_, f.view, model_.colouring());
        complete_ = f.whole;
        if (f.whole) {
            const plane::Grid& g = shown_->grid;
            const double steps = double(stepsPerPixel(*code_, f.view.orbit())) * g.columns * g.rows;
            stepsPerSecond_ = steps / std::max(f.seconds, 1e-9);
            progress_->setText(QStringLiteral("%1 × %2 in %3 s, %4 steps a second")
                                   .arg(g.columns)
                                   .arg(g.rows)
                                   .arg(f.seconds, 0, 'f', 2)
                                   .arg(steps / std::max(f.seconds, 1e-9), 0, 'g', 3) +
                               (code_->code().isNative()
                                    ? QString()
                                    : QStringLiteral(" (step by step: %1)")
                                          .arg(QString::fromStdString(code_->nativeRefusal()))));
        }
    }
    if (!snapshot.finished) {
        if (!shown_ || !complete_) {
            progress_->setText(QStringLiteral("Computing… %1 %").arg(int(snapshot.fractionDone * 100)));
        }
        return;
    }
    poll_->stop();
}

bool PlaneWindow::isComputing() const { return !runner_.idle(); }

void PlaneWindow::waitForPicture() {
    // A new size waiting to be computed is computed now.
    if (resized_->isActive()) {
        resized_->stop();
        compute();
    }
    runner_.waitIdle();
    poll();
}

void PlaneWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    resized_->start();
}

void PlaneWindow::hover(std::optional<std::pair<double, double>> at) {
    if (!at) at = model_.cursor();
    if (!at) {
        statusBar()->clearMessage();
        return;
    }
    const plane::PointOutcome* o = view_->outcomeAt(at->first, at->second);
    if (!o) {
        say(QString());
        return;
    }
    say(QString::fromStdString(tools::planeReadout(view(), at->first, at->second, *o)));
}

void PlaneWindow::say(const QString& message) { statusBar()->showMessage(message); }

QString PlaneWindow::statusMessage() const { return statusBar()->currentMessage(); }

// --- Linked windows -------------------------------------------------------------------

std::optional<Map> PlaneWindow::passMapAtCursor() const {
    if (!model_.cursor()) return std::nullopt;
    const tools::PlaneView& v = view();
    return plane::passMap(v.map, model_.cursor()->second, {v.pMin, v.pMax});
}

void PlaneWindow::cobwebHere() {
    const auto map = passMapAtCursor();
    if (!map) {
        say(QStringLiteral("Click a point of the plane first: the cobweb opens there."));
        return;
    }
    linked_ = map;
    if (openCobweb_) openCobweb_(*map, model_.cursor()->first);
}

void PlaneWindow::explorerHere() {
    const auto map = passMapAtCursor();
    if (!map) {
        say(QStringLiteral("Click a point of the plane first: the explorer opens there."));
        return;
    }
    linked_ = map;
    if (openExplorer_) openExplorer_(*map, view().pMin, view().pMax, model_.cursor()->first);
}

void PlaneWindow::linkedAMoved(double a) {
    if (!model_.cursor()) return;
    setCursorPoint(a, model_.cursor()->second);
}

// --- Choices ------------------------------------------------------------------------

void PlaneWindow::chooseCustomMap() {
    const Map current = view().map.map;
    const auto map = askCustom_(this, *recent_, current.isFormula() ? &current : nullptr);
    if (!map) {
        refresh();  // the Map menu's check back where it was
        return;
    }
    plane::PlaneMap pm = view().map;
    pm.mode = plane::Mode::Forcing;
    pm.map = *map;
    selectMap(pm);
}

void PlaneWindow::chooseSequence() {
    QString typed = QString::fromStdString(view().map.sequence);
    for (;;) {
        bool ok = false;
        typed = QInputDialog::getText(this, QStringLiteral("Forcing sequence"),
                                      QStringLiteral("Letters A and B (1 to 64), e.g. AB or AABAB:"),
                                      QLineEdit::Normal, typed, &ok);
        if (!ok) return;
        const auto sequence = plane::readSequence(typed.toStdString());
        if (!sequence) {
            QMessageBox::warning(this, QStringLiteral("Forcing sequence"),
                                 QStringLiteral("The sequence must be 1 to 64 letters A and B."));
            continue;
        }
        plane::PlaneMap pm = view().map;
        pm.sequence = *sequence;
        selectMap(pm);
        return;
    }
}

void PlaneWindow::chooseTwoParameterFormula() {
    QString typed = QString::fromStdString(view().map.formula);
    if (typed.isEmpty()) typed = QStringLiteral("a - x*x + b*sin(pi*x)");
    for (;;) {
        bool ok = false;
        typed = QInputDialog::getText(this, QStringLiteral("Formula in x, a and b"),
                                      QStringLiteral("f(x) with the parameters a (across) and b (up):"),
                                      QLineEdit::Normal, typed, &ok);
        if (!ok) {
            refresh();
            return;
        }
        plane::PlaneMap pm{plane::Mode::TwoParameter, {}, "", typed.trimmed().toStdString()};
        if (pm.formula.empty()) continue;
        plane::PlaneCode::Made made = plane::PlaneCode::make(pm);
        if (!made.code) {
            QMessageBox::warning(this, QStringLiteral("Formula in x, a and b"),
                                 QStringLiteral("The formula is refused: %1.")
                                     .arg(QString::fromStdString(made.error)));
            continue;
        }
        code_ = made.code;
        selectMap(pm);
        return;
    }
}

void PlaneWindow::chooseSteps() {
    QDialog dialog(this);
    dialog.setObjectName(QStringLiteral("stepsDialog"));
    dialog.setWindowTitle(QStringLiteral("Steps and x0"));
    auto* form = new QFormLayout(&dialog);
    auto* x0 = new QLineEdit(text(view().x0), &dialog);
    auto* t = new QLineEdit(QString::number(view().transient), &dialog);
    auto* k = new QLineEdit(QString::number(view().kept), &dialog);
    form->addRow(QStringLiteral("x0 (start of every orbit):"), x0);
    form->addRow(QStringLiteral("T (steps discarded):"), t);
    form->addRow(QStringLiteral("K (steps kept):"), k);
    auto* error = new QLabel(&dialog);
    form->addRow(error);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, [&] {
        tools::PlaneView v = view();
        const auto x = toDouble(x0->text().trimmed().toStdString());
        const auto tv = toDouble(t->text().trimmed().toStdString());
        const auto kv = toDouble(k->text().trimmed().toStdString());
        if (!x || !tv || !kv) {
            error->setText(QStringLiteral("x0, T and K must be numbers."));
            return;
        }
        v.x0 = *x;
        v.transient = std::isfinite(*tv) && std::fabs(*tv) < 1e15 ? std::int64_t(*tv) : -1;
        v.kept = std::isfinite(*kv) && std::fabs(*kv) < 1e15 ? std::int64_t(*kv) : -1;
        if (const std::string why = tools::planeRefusal(v); !why.empty()) {
            error->setText(QString::fromStdString(why));
            return;
        }
        showView(v);
        dialog.accept();
    });
    dialog.exec();
}

// --- Exports --------------------------------------------------------------------------

platform::ExportOutcome PlaneWindow::writePicture(const std::string& path,
                                                  gui::PictureFormat format,
                                                  const gui::PictureOptions& options) const {
    const gui::PictureRequest request =
        gui::pictureRequest(path, format, options, *view_, windowTitle(), view_->large(),
                            tools::planeViewCaption(view_->view(), model_.colouring(), model_.cursor()));
    const std::shared_ptr<const PlanePixels> shown = shown_;
    const std::shared_ptr<const plane::PlaneCode> code = code_;
    const tools::PlaneView v = view_->view();
    const tools::PlaneColouring colouring = model_.colouring();
    const double rate = stepsPerSecond_;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto outcome =
        gui::writePicture(request, [&](QPainter& p, QSizeF size, const gui::Look& look) {
            // One pixel of the plane a pixel of the file: the window's own
            // when they are the same, else computed again for the file
            // when that is quick enough.
            const QRectF r = PlaneView::plotRectFor(size, look);
            const int columns = std::max(1, int(std::lround(r.width() * look.device)));
            const int rows = std::max(1, int(std::lround(r.height() * look.device)));
            const bool same = shown && shown->grid.columns == columns && shown->grid.rows == rows;
            const double steps = code ? double(stepsPerPixel(*code, v.orbit())) * columns * rows : 0;
            if (same || !shown || !code || !(steps <= rate * kMostExportSeconds)) {
                view_->paintPicture(p, size, look);
                return true;
            }
            // On a runner of its own, waited for, in bands of rows so that
            // only the picture's colours stay in memory.
            JobRunner<QImage> runner;
            runner.start([&](JobRunner<QImage>::Control& control) {
                auto image = std::make_shared<QImage>(columns, rows, QImage::Format_RGB32);
                if (image->isNull()) {
                    control.publish(nullptr, true);
                    return;
                }
                constexpr int kBand = 32;
                PlanePixels band;
                for (int from = 0; from < rows; from += kBand) {
                    const int n = std::min(kBand, rows - from);
                    const double h = (v.qMax - v.qMin) / rows;
                    const plane::Grid grid{v.pMin, v.pMax, v.qMax - h * (from + n),
                                           v.qMax - h * from, columns, n};
                    computePlane(*code, v.orbit(), grid, band);
                    const QImage colours = PlaneView::planeImage(band, colouring);
                    for (int y = 0; y < n; ++y) {
                        std::memcpy(image->scanLine(from + y), colours.constScanLine(y),
                                    std::size_t(columns) * sizeof(QRgb));
                    }
                }
                control.publish(std::move(image), true);
            });
            runner.waitIdle();
            const std::shared_ptr<const QImage> image = runner.poll().result;
            if (!image) return false;  // no memory for its pixels
            view_->paintPicture(p, size, look, image.get());
            return true;
        });
    QApplication::restoreOverrideCursor();
    return outcome;
}

platform::ExportOutcome PlaneWindow::writeData(const std::string& path) const {
    const std::shared_ptr<const PlanePixels> pixels = shown_;
    const tools::PlaneView v = view_->view();
    const tools::ParameterNames n = tools::parameterNames(v.map);
    const CsvAbout about{"the parameter plane, one row a pixel",
                         plane::planeCaption(v.map),
                         "x0 = " + exactNumber(v.x0) + "; T = " + std::to_string(v.transient) +
                             "; K = " + std::to_string(v.kept)};
    const bool circle = v.map.isCircle();
    return gui::saveData(path, [&](platform::TextSink& sink) {
        CsvWriter csv([&sink](std::string_view piece) { sink.write(piece); });
        csv.about(about);
        csv.comment(
            "lambda: (1/steps) sum of ln|f'| over the kept steps (inf: escaped; -inf: a slope "
            "of 0); period: in passes of the sequence, 0 for none up to 64");
        const std::string first = n.p == "Ω" ? "Omega" : n.p;
        if (circle) {
            csv.header({first, n.q, "lambda", "period", "winding"});
        } else {
            csv.header({first, n.q, "lambda", "period"});
        }
        const plane::Grid& g = pixels->grid;
        for (int r = 0; r < g.rows; ++r) {
            for (int c = 0; c < g.columns; ++c) {
                const plane::PointOutcome& o = pixels->at(c, r);
                csv.number(g.p(c));
                csv.number(g.q(r));
                csv.number(o.lyapunov);
                csv.integer(o.period);
                if (circle) csv.number(o.winding);
                csv.endRow();
            }
        }
        csv.flush();
        return true;
    });
}

bool PlaneWindow::exportPictureAs(const std::optional<std::string>& path,
                                  gui::PictureFormat format) {
    if (!path) return false;
    const auto options = askOptions_(this, pictureOptions_);
    if (!options) return false;
    pictureOptions_ = *options;
    return finishExport(writePicture(*path, format, *options), *path);
}

bool PlaneWindow::finishExport(const platform::ExportOutcome& outcome, const std::string& path) {
    if (const QString status = gui::exportStatus(outcome, path); !status.isEmpty()) say(status);
    return outcome.status == platform::ExportOutcome::Status::Written;
}

void PlaneWindow::exportData() {
    if (!shown_ || !complete_) {
        say(QStringLiteral("The plane is still being computed; export it when it is shown."));
        return;
    }
    const auto target = gui::askExportTarget(this, "parameter-plane.csv", false);
    if (!target) return;
    finishExport(writeData(target->path), target->path);
}

void PlaneWindow::setLargeText(std::shared_ptr<gui::LargeTextSetting> setting) {
    largeText_ = std::move(setting);
    largeText_->listen(this, [this] { largeTextChanged(); });
    largeTextChanged();
}

void PlaneWindow::largeTextChanged() {
    largeTextAction_->setChecked(largeText_->on());
    view_->setLarge(largeText_->large());
    resized_->start();
}

}  // namespace corvane::explore
