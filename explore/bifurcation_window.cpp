#include "explore/bifurcation_window.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDockWidget>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QShortcut>
#include <QShowEvent>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>
#include <cmath>

#include "core/numeric/number_text.h"
#include "core/tools/explorer_model.h"
#include "core/tools/field_check.h"
#include "core/tools/verdicts.h"
#include "explore/bifurcation_view.h"
#include "explore/density_pane.h"
#include "explore/explore_export.h"
#include "explore/tool_menus.h"
#include "explore/typed_field.h"
#include "explore/window_placement.h"
#include "gui/export.h"

namespace corvane::explore {

QString BifurcationWindow::titleFor(const Map& map) {
    return QStringLiteral("Bifurcation diagram: ") + mapCaption(map);
}

BifurcationWindow::BifurcationWindow(const Map& map, QWidget* parent, int threads)
    : QMainWindow(parent), engine_(threads), model_(map) {
    setObjectName(QStringLiteral("BifurcationWindow"));
    // Escape ends a drag on the plot; without one it closes the window, as in
    // every tool window.
    new QShortcut(QKeySequence(Qt::Key_Escape), this, this, [this] {
        if (view_->dragging()) {
            view_->cancelDrag();
            say(QStringLiteral("Zoom cancelled."));
        } else {
            close();
        }
    });
    setWindowTitle(titleFor(map));

    view_ = new BifurcationView(this);
    view_->setObjectName(QStringLiteral("plot"));
    setCentralWidget(view_);
    view_->setView(view());
    view_->onZoomRect = [this](double a1, double a2, double x1, double x2) {
        zoomRect(a1, a2, x1, x2);
    };
    view_->onWheel = [this](double a, std::optional<double> x, double factor) {
        wheel(a, x, factor);
    };
    view_->onClick = [this](int column) { setCursorColumn(column); };
    view_->onHover = [this](double a, std::optional<double> x, int column) {
        hovered(a, x, column);
    };
    view_->onLeave = [this] { statusBar()->clearMessage(); };
    view_->onContextMenu = [this](QPoint global, int column) {
        QMenu menu(this);
        QAction* use = menu.addAction(QStringLiteral("Use this a"));
        QAction* cobweb = menu.addAction(QStringLiteral("Cobweb at this a"));
        menu.addSeparator();
        menu.addAction(undoAction_);
        menu.addAction(redoAction_);
        menu.addAction(QStringLiteral("Home"), this, [this] { home(); });
        QAction* chosen = menu.exec(global);
        if ((chosen == use || chosen == cobweb) && column >= 0) {
            setCursorColumn(column);
            if (chosen == use) {
                useCursorA();
            } else {
                cobwebAtCursor();
            }
        }
    };

    progress_ = new QLabel(this);
    progress_->setObjectName(QStringLiteral("progress"));
    statusBar()->addPermanentWidget(progress_);
    derivative_ = new QLabel(this);
    derivative_->setObjectName(QStringLiteral("derivative"));
    statusBar()->addPermanentWidget(derivative_);

    pollTimer_ = new QTimer(this);
    pollTimer_->setInterval(30);
    connect(pollTimer_, &QTimer::timeout, this, [this] { poll(); });
    resizeTimer_ = new QTimer(this);
    resizeTimer_->setSingleShot(true);
    resizeTimer_->setInterval(80);
    connect(resizeTimer_, &QTimer::timeout, this, [this] {
        if (view_->columns() != columns_ || view_->rows() != rows_) startComputation();
    });
    view_->onResize = [this] { resizeTimer_->start(); };

    buildMenus();
    buildFields();
    buildDensityPane();
    showFields(view());
    updateActions();
    placeOnScreen(this, QSize(1100, 760));
}

BifurcationWindow::~BifurcationWindow() { engine_.cancel(); }

void BifurcationWindow::buildMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("menuFile"));
    addSessionActions(file, this, [this] { return sessions_; });
    struct Export {
        const char* name;
        const char* caption;
        bool (BifurcationWindow::*run)();
    };
    const Export exports[] = {
        {"actionExportPng", "Export picture as &PNG\u2026", &BifurcationWindow::exportPicturePng},
        {"actionExportPdf", "Export picture as P&DF\u2026", &BifurcationWindow::exportPicturePdf},
        {"actionExportSvg", "Export picture as &SVG\u2026", &BifurcationWindow::exportPictureSvg},
        {"actionExportLyapunov", "Export \u03bb as &CSV\u2026",
         &BifurcationWindow::exportLyapunovCsv},
        {"actionExportKept", "Export &kept values as CSV\u2026",
         &BifurcationWindow::exportKeptValuesCsv},
        {"actionExportDensity", "Export &density at the cursor as CSV\u2026",
         &BifurcationWindow::exportDensityCsv},
        {"actionExportDensityPicture", "Export density at the cursor as PN&G\u2026",
         &BifurcationWindow::exportDensityPicture},
    };
    for (const Export& e : exports) {
        QAction* a = file->addAction(QString::fromUtf8(e.caption), this,
                                     [this, run = e.run] { (this->*run)(); });
        a->setObjectName(QString::fromLatin1(e.name));
    }
    file->addSeparator();
    addCloseAction(file, this);

    QMenu* viewMenu = menuBar()->addMenu(QStringLiteral("&View"));
    const ViewHistoryActions history = addViewHistoryActions(
        viewMenu, this, [this] { undo(); }, [this] { redo(); }, [this] { home(); });
    undoAction_ = history.undo;
    redoAction_ = history.redo;
    viewMenu->addSeparator();
    useAAction_ =
        viewMenu->addAction(QStringLiteral("Use this &a"), this, [this] { useCursorA(); });
    useAAction_->setObjectName(QStringLiteral("actionUseA"));
    useAAction_->setToolTip(
        QStringLiteral("Write the a of the cursor into the main window's a field"));
    cobwebAction_ = viewMenu->addAction(QStringLiteral("&Cobweb at this a"), this,
                                        [this] { cobwebAtCursor(); });
    cobwebAction_->setObjectName(QStringLiteral("actionCobweb"));
    cobwebAction_->setToolTip(QStringLiteral("Open the cobweb diagram at the a of the cursor"));
    QAction* feigenbaum =
        viewMenu->addAction(QStringLiteral("&Feigenbaum constants"), this, [this] {
            if (openFeigenbaum_) openFeigenbaum_(view().map);
        });
    feigenbaum->setObjectName(QStringLiteral("actionFeigenbaum"));
    feigenbaum->setToolTip(
        QStringLiteral("Find the superstable parameters of the period doublings and their ratios"));
    viewMenu->addSeparator();
    largeTextAction_ =
        addLargeTextAction(viewMenu, this, [this](bool on) { largeText_->setOn(on); });
    largeText_->listen(this, [this] { largeTextChanged(); });

    QMenu* mapMenu = menuBar()->addMenu(QStringLiteral("&Map"));
    auto* maps = new QActionGroup(this);
    const auto builtIn = addMapActions(mapMenu, maps, [this](const Map& m) { selectMap(m); });
    mapActions_[0] = builtIn[0];
    mapActions_[1] = builtIn[1];
    mapActions_[2] = addCustomMapAction(mapMenu, maps, [this] { chooseCustomMap(); });

    QToolBar* tools = addToolBar(QStringLiteral("View"));
    tools->setObjectName(QStringLiteral("toolbar"));
    tools->addAction(undoAction_);
    tools->addAction(redoAction_);
    tools->addAction(history.home);
    tools->addSeparator();
    tools->addAction(useAAction_);
    tools->addAction(cobwebAction_);
}

void BifurcationWindow::say(const QString& message) { statusBar()->showMessage(message); }

QString BifurcationWindow::statusMessage() const { return statusBar()->currentMessage(); }

bool BifurcationWindow::showView(const View& v) {
    const bool mapChanged = !(v.map == view().map);
    return shown(model_.show(v), mapChanged);
}

bool BifurcationWindow::shown(const std::string& refusal, bool mapChanged) {
    if (!refusal.empty()) {
        say(QString::fromStdString(refusal));
        return false;
    }
    say(QString());
    if (mapChanged) mapShown();
    startComputation();
    return true;
}

bool BifurcationWindow::showRange(const Map& map, double aMin, double aMax,
                                  std::vector<AMark> marks) {
    View v = view();
    v.map = map;
    v.aMin = aMin;
    v.aMax = aMax;
    v.xMin = map.xRange().from;
    v.xMax = map.xRange().to;
    if (!(v.map == view().map)) v.x0 = map.startX0();
    if (!showView(v)) return false;
    marksMap_ = v.map;
    view_->setAMarks(std::move(marks));
    return true;
}

void BifurcationWindow::restoreModel(const tools::ExplorerModel& model) {
    model_ = model;
    marksMap_.reset();
    say(QString());
    mapShown();
    startComputation();
}

void BifurcationWindow::selectMap(const Map& map) {
    const bool mapChanged = !(map == view().map);
    if (mapChanged) shown(model_.selectMap(map), true);
}

void BifurcationWindow::chooseCustomMap() {
    const Map* current = view().map.isFormula() ? &view().map : nullptr;
    std::optional<Map> chosen = askCustom_ ? askCustom_(this, *recent_, current) : std::nullopt;
    if (!chosen) {
        updateActions();  // the map shown stays checked
        return;
    }
    showCustomMap(*chosen);
}

bool BifurcationWindow::showCustomMap(const Map& map) {
    const bool shown = showView(startView(map));
    updateActions();
    return shown;
}

QString BifurcationWindow::derivativeText() const { return derivative_->text(); }

void BifurcationWindow::mapShown() {
    const View& v = view();
    setWindowTitle(titleFor(v.map));
    derivative_->setText(v.map.isFormula() ? derivativeWording(*v.map.compiled()) : QString());
    if (v.map.isFormula())
        say(QStringLiteral("f(x) = %1; %2").arg(mapCaption(v.map), derivative_->text()));
}

void BifurcationWindow::undo() {
    if (!model_.undo()) return;
    mapShown();
    startComputation();
}

void BifurcationWindow::redo() {
    if (!model_.redo()) return;
    mapShown();
    startComputation();
}

void BifurcationWindow::home() { shown(model_.home(), false); }

void BifurcationWindow::zoomRect(double a1, double a2, double x1, double x2) {
    shown(model_.zoomRect(a1, a2, x1, x2), false);
}

void BifurcationWindow::wheel(double a, std::optional<double> x, double factor) {
    const View before = view();
    const std::string why = model_.wheel(a, x, factor);
    if (!why.empty() || !(view() == before)) shown(why, false);
}

void BifurcationWindow::setCursorColumn(int column) {
    if (column < 0 || column >= columns_) return;
    model_.setCursor(bifurcation::columnA(view().aMin, view().aMax, column, columns_));
    const double a = *model_.cursor();
    view_->setCursorA(a);
    say(QStringLiteral("Cursor at a = %1").arg(text(a)));
    updateActions();
    updateDensity();
    if (onCursorMoved) onCursorMoved(a);
}

void BifurcationWindow::setCursorA(double a) {
    if (!model_.setCursor(a)) return;
    view_->setCursorA(a);
    updateActions();
    updateDensity();
}

void BifurcationWindow::cobwebAtCursor() {
    if (!model_.cursor()) {
        say(QStringLiteral("Click the diagram first to choose an a."));
        return;
    }
    if (openCobweb_) openCobweb_(view().map, *model_.cursor());
}

std::optional<double> BifurcationWindow::cursorA() const { return model_.cursor(); }

void BifurcationWindow::useCursorA() {
    if (!model_.cursor()) {
        say(QStringLiteral("Click the diagram first to choose an a."));
        return;
    }
    if (useA_) useA_(*model_.cursor());
    say(QStringLiteral("a = %1 written into the main window.").arg(text(*model_.cursor())));
}

void BifurcationWindow::updateActions() {
    undoAction_->setEnabled(canUndo());
    redoAction_->setEnabled(canRedo());
    useAAction_->setEnabled(model_.cursor().has_value());
    cobwebAction_->setEnabled(model_.cursor().has_value());
    mapActions_[mapActionIndex(view().map)]->setChecked(true);
}

bool BifurcationWindow::isComputing() const {
    return generation_ != 0 && !(snapshot_.generation == generation_ && snapshot_.finished);
}

void BifurcationWindow::startComputation() {
    const View& v = view();
    view_->setView(v);
    if (!marksMap_ || !(v.map == *marksMap_)) view_->setAMarks({});
    showFields(v);
    columns_ = view_->columns();
    rows_ = view_->rows();
    // The cursor keeps its a while that stays in view.
    model_.keepCursorInView();
    view_->setCursorA(model_.cursor());
    generation_ = engine_.start(v, columns_, rows_);
    snapshot_ = {};
    shadedColumns_ = 0;
    shadedDensest_ = 0;
    image_ = QImage(columns_, rows_, QImage::Format_Grayscale8);
    image_.fill(255);
    view_->clearPicture();
    progress_->setText(QStringLiteral("Computing\u2026"));
    pollTimer_->start();
    updateActions();
    updateDensity();
}

void BifurcationWindow::poll() {
    const BifurcationEngine::Snapshot s = engine_.poll();
    // Only the newest computation is ever drawn.
    if (s.generation != generation_ || !s.data) {
        if (isComputing()) {
            progress_->setText(QStringLiteral("Computing\u2026"));
        }
        return;
    }
    const bool grew = s.columnsDone > snapshot_.columnsDone || s.finished != snapshot_.finished;
    snapshot_ = s;
    if (!grew && s.columnsDone == shadedColumns_) {
        if (!s.finished) {
            progress_->setText(
                QStringLiteral("Computing\u2026 %1 %").arg(int(std::floor(s.fractionDone * 100))));
        }
        return;
    }
    const ColumnData& data = *s.data;
    const std::uint32_t densest = data.densest(0, s.columnsDone);
    if (data.rows > 0 && image_.width() == data.columns && image_.height() == data.rows) {
        // A denser pixel than before changes every shade; otherwise only
        // the new columns need shading.
        const int from = densest == shadedDensest_ ? shadedColumns_ : 0;
        shadeRange(data, from, s.columnsDone, densest, image_.bits(), image_.bytesPerLine());
    }
    shadedColumns_ = s.columnsDone;
    shadedDensest_ = densest;
    std::vector<double> lambda(std::size_t(data.columns), std::nan(""));
    std::vector<ColumnMark> marks(std::size_t(data.columns), ColumnMark::None);
    for (int c = 0; c < s.columnsDone; ++c) {
        const bifurcation::ColumnOutcome& o = data.outcomes[std::size_t(c)];
        lambda[std::size_t(c)] = o.lyapunov;
        marks[std::size_t(c)] = o.escaped     ? ColumnMark::Escaped
                                : o.leftRange ? ColumnMark::LeftUnitInterval
                                              : ColumnMark::None;
    }
    view_->setPicture(image_, std::move(lambda), std::move(marks));
    drawnGeneration_ = s.generation;
    if (onDrawn) onDrawn(s.generation);
    if (s.finished) {
        pollTimer_->stop();
        progress_->setText(QString());
    } else {
        progress_->setText(
            QStringLiteral("Computing\u2026 %1 %").arg(int(std::floor(s.fractionDone * 100))));
    }
}

QImage BifurcationWindow::diagramImage() const { return view_->diagram(); }

QString BifurcationWindow::describeColumn(int column) const {
    if (column < 0 || !snapshot_.data || column >= snapshot_.columnsDone ||
        snapshot_.generation != generation_) {
        return QStringLiteral("computing");
    }
    const bifurcation::ColumnOutcome& o = snapshot_.data->outcomes[std::size_t(column)];
    return QString::fromStdString(tools::columnVerdict(o, view().kept, view().map.xRange()));
}

void BifurcationWindow::hovered(double a, std::optional<double> x, int column) {
    QString message = QStringLiteral("a = %1").arg(QString::number(a, 'g', 12));
    if (x) message += QStringLiteral("   x = %1").arg(QString::number(*x, 'g', 12));
    message += QStringLiteral("   ") + describeColumn(column);
    statusBar()->showMessage(message);
}

void BifurcationWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (generation_ == 0) startComputation();
}

void BifurcationWindow::closeEvent(QCloseEvent* event) {
    engine_.cancel();
    density_->cancel();
    pollTimer_->stop();
    generation_ = 0;
    event->accept();
}

// The density pane: the histogram of the orbit at the cursor.

void BifurcationWindow::buildDensityPane() {
    auto* dock = new QDockWidget(QStringLiteral("Density at the cursor"), this);
    dock->setObjectName(QStringLiteral("densityDock"));
    dock->setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
    density_ = new DensityPane(dock);
    density_->onAEntered = [this](double a) {
        setCursorA(a);
        if (onCursorMoved) onCursorMoved(a);
    };
    dock->setWidget(density_);
    addDockWidget(Qt::RightDockWidgetArea, dock);
}

void BifurcationWindow::updateDensity() {
    const View& v = view();
    density_->setALimits(model_.aLimits().from, model_.aLimits().to);
    density_->setOrbit(v.map, model_.cursor(), v.x0, v.transient);
}

}  // namespace corvane::explore
