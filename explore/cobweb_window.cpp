#include "explore/cobweb_window.h"

#include <QAbstractTableModel>
#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QFont>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QShortcut>
#include <QSlider>
#include <QSpinBox>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "core/numeric/csv.h"
#include "core/numeric/number_text.h"
#include "core/tools/table_number.h"
#include "explore/cobweb_controls.h"
#include "explore/cobweb_tables.h"
#include "explore/cobweb_view.h"
#include "explore/tool_menus.h"
#include "explore/typed_field.h"
#include "explore/window_placement.h"
#include "gui/export.h"

namespace corvane::explore {

using namespace cobweb_controls;

namespace {

// The most points of period k listed (f1^12 at a = 4 has 4096).
constexpr std::size_t kMostPoints = 4096;

}  // namespace

// --- The work off the interface thread -----------------------------------------------

struct CobwebWindow::Graph {
    cobweb::Curve curve;
    cobweb::PeriodicPoints points;
};

struct CobwebWindow::Computed {
    std::shared_ptr<const Graph> graph;  // null: the graph stays
    std::optional<cobweb::Orbit> orbit;  // a formula's; none for a built-in map
};

// --- The window --------------------------------------------------------------------

QString CobwebWindow::titleFor(const Map& map) {
    return QStringLiteral("Cobweb: ") + mapCaption(map);
}

CobwebWindow::CobwebWindow(const Map& map, QWidget* parent)
    : QMainWindow(parent), model_(map), graph_(std::make_shared<const Graph>()) {
    setObjectName(QStringLiteral("CobwebWindow"));
    setWindowTitle(titleFor(map));
    derivative_ = new QLabel(this);
    derivative_->setObjectName(QStringLiteral("derivative"));
    statusBar()->addPermanentWidget(derivative_);

    view_ = new CobwebView(this);
    view_->setObjectName(QStringLiteral("plot"));
    orbitModel_ = new OrbitModel(this);
    pointsModel_ = new PeriodicPointsModel(this);

    auto table = [this](QAbstractTableModel* model, const char* name, const char* accessible) {
        auto* t = new QTableView(this);
        t->setObjectName(QString::fromLatin1(name));
        t->setAccessibleName(QString::fromLatin1(accessible));
        t->setModel(model);
        t->verticalHeader()->hide();
        t->verticalHeader()->setDefaultSectionSize(t->fontMetrics().height() + 4);
        // Columns as wide as their longest number, never cut short.
        t->setTextElideMode(Qt::ElideNone);
        t->setWordWrap(false);
        t->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        t->setSelectionMode(QAbstractItemView::NoSelection);
        t->setEditTriggers(QAbstractItemView::NoEditTriggers);
        return t;
    };
    orbitTable_ = table(orbitModel_, "orbitTable", "Orbit values");
    pointsTable_ = table(pointsModel_, "periodicTable", "Points of period k");

    auto* side = new QWidget(this);
    auto* sideLayout = new QVBoxLayout(side);
    sideLayout->setContentsMargins(0, 0, 0, 0);
    auto* orbitLabel = new QLabel(QStringLiteral("Orbit of f^k"), side);
    orbitLabel->setBuddy(orbitTable_);
    auto* pointsLabel = new QLabel(QStringLiteral("Points of period k"), side);
    pointsLabel->setBuddy(pointsTable_);
    sideLayout->addWidget(orbitLabel);
    sideLayout->addWidget(orbitTable_, 1);
    sideLayout->addWidget(pointsLabel);
    sideLayout->addWidget(pointsTable_, 1);

    side->setMinimumWidth(300);
    auto* splitter = new QSplitter(this);
    splitter->addWidget(view_);
    splitter->addWidget(side);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({760, 420});

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->addWidget(splitter, 1);
    setCentralWidget(central);

    playTimer_ = new QTimer(this);
    playTimer_->setInterval(15);
    connect(playTimer_, &QTimer::timeout, this, [this] { tick(); });
    playClock_ = new QElapsedTimer;
    pollTimer_ = new QTimer(this);
    pollTimer_->setInterval(15);
    connect(pollTimer_, &QTimer::timeout, this, [this] { poll(); });

    buildMenus();
    layout->addWidget(buildControls());

    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &QWidget::close);

    showValues();
    recompute(true);
    placeOnScreen(this, QSize(1180, 800));
}

CobwebWindow::~CobwebWindow() {
    // The tables are destroyed with the window's children, after the numbers
    // they show: they let go of them first.
    orbitModel_->show(nullptr);
    pointsModel_->show(nullptr);
    delete playClock_;
}

void CobwebWindow::buildMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("menuFile"));
    addSessionActions(file, this, [this] { return sessions_; });
    struct Export {
        const char* name;
        const char* caption;
        bool (CobwebWindow::*run)();
    };
    const Export exports[] = {
        {"actionExportPicture", "Export &picture (PNG, PDF)\u2026", &CobwebWindow::exportPicture},
        {"actionExportSvg", "Export picture as &SVG\u2026", &CobwebWindow::exportPictureSvg},
        {"actionExportOrbit", "Export &orbit as CSV\u2026", &CobwebWindow::exportOrbit},
        {"actionExportPoints", "Export points of &period k as CSV\u2026",
         &CobwebWindow::exportPeriodicPoints},
    };
    for (const Export& e : exports) {
        QAction* action = file->addAction(QString::fromUtf8(e.caption), this,
                                          [this, run = e.run] { (this->*run)(); });
        action->setObjectName(QString::fromLatin1(e.name));
    }
    file->addSeparator();
    addCloseAction(file, this);

    QMenu* viewMenu = menuBar()->addMenu(QStringLiteral("&View"));
    viewMenu->setObjectName(QStringLiteral("menuView"));
    largeTextAction_ =
        addLargeTextAction(viewMenu, this, [this](bool on) { largeText_->setOn(on); });
    largeText_->listen(this, [this] { largeTextChanged(); });

    QMenu* mapMenu = menuBar()->addMenu(QStringLiteral("&Map"));
    mapMenu->setObjectName(QStringLiteral("menuMap"));
    auto* maps = new QActionGroup(this);
    const auto builtIn = addMapActions(mapMenu, maps, [this](const Map& m) { selectMap(m); });
    mapActions_[0] = builtIn[0];
    mapActions_[1] = builtIn[1];
    mapActions_[2] = addCustomMapAction(mapMenu, maps, [this] { chooseCustomMap(); });
    mapActions_[mapActionIndex(map())]->setChecked(true);
}

// --- Values ------------------------------------------------------------------------

void CobwebWindow::setA(double a) {
    if (!model_.setA(a)) return;
    showValues();
    recompute(true);
}

void CobwebWindow::userA(double a) {
    if (!model_.setA(a)) return;
    showValues();
    recompute(true);
    if (onAChanged) onAChanged(model_.a());
}

void CobwebWindow::setX0(double x0) {
    if (!model_.setX0(x0)) return;
    showValues();
    recompute(false);
}

void CobwebWindow::setFold(int k) {
    if (!model_.setFold(k)) return;
    showValues();
    recompute(true);
}

void CobwebWindow::setSteps(std::int64_t n) {
    if (!model_.setSteps(n)) return;
    showValues();
    recompute(false);
}

int CobwebWindow::speed() const { return speedSpin_->value(); }

void CobwebWindow::setSpeed(int stepsPerSecond) { speedSpin_->setValue(stepsPerSecond); }

void CobwebWindow::selectMap(const Map& map) {
    mapActions_[mapActionIndex(map)]->setChecked(true);
    if (map == model_.map() && !map.isFormula()) return;
    const tools::CobwebModel::MapChange change = model_.selectMap(map);
    showRanges();
    showValues();
    mapShown();
    recompute(true);
    if (change.aMoved && onAChanged) onAChanged(model_.a());
}

void CobwebWindow::chooseCustomMap() {
    const Map* current = map().isFormula() ? &map() : nullptr;
    std::optional<Map> chosen = askCustom_ ? askCustom_(this, *recent_, current) : std::nullopt;
    if (!chosen) {
        mapActions_[mapActionIndex(map())]->setChecked(true);  // the map shown stays checked
        return;
    }
    showCustomMap(*chosen);
}

void CobwebWindow::showCustomMap(const Map& map) {
    if (map.isFormula()) selectMap(map);
}

QString CobwebWindow::caption() const { return mapCaption(map()); }

QString CobwebWindow::derivativeText() const { return derivative_->text(); }

void CobwebWindow::mapShown() {
    setWindowTitle(QStringLiteral("Cobweb: ") + caption());
    derivative_->setText(map().isFormula() ? derivativeWording(*map().compiled()) : QString());
}

// --- Stepping ------------------------------------------------------------------------

void CobwebWindow::step() {
    pause();
    if (steps() < cobweb::kMostSteps) setSteps(steps() + 1);
}

bool CobwebWindow::playing() const { return playTimer_->isActive(); }

void CobwebWindow::play() {
    if (playing()) return;
    // From the start again when the orbit has nothing more to show.
    if (steps() >= cobweb::kMostSteps || orbit_.stoppedAt > 0) setSteps(0);
    playDue_ = 0;
    playClock_->start();
    playTimer_->start();
    playButton_->setChecked(true);
    playButton_->setText(QStringLiteral("&Pause"));
}

void CobwebWindow::pause() {
    playTimer_->stop();
    playButton_->setChecked(false);
    playButton_->setText(QStringLiteral("&Play"));
}

void CobwebWindow::reset() {
    pause();
    setSteps(0);
}

void CobwebWindow::tick() {
    // As many steps as the clock says are due, however often the timer
    // comes.
    playDue_ += playClock_->restart() * 1e-3 * speed();
    // A formula's orbit is computed off the interface thread: the next
    // steps wait until the last ones are shown, or no step would ever be.
    poll();
    if (map().isFormula() && isComputing()) return;
    const auto due = static_cast<std::int64_t>(std::floor(playDue_));
    if (due <= 0) return;
    playDue_ -= static_cast<double>(due);
    setSteps(std::min<std::int64_t>(steps() + due, cobweb::kMostSteps));
    if (steps() >= cobweb::kMostSteps || orbit_.stoppedAt > 0) pause();
}

// --- Computing and showing ------------------------------------------------------------

const cobweb::Curve& CobwebWindow::curve() const { return graph_->curve; }

const cobweb::PeriodicPoints& CobwebWindow::periodicPoints() const { return graph_->points; }

bool CobwebWindow::isComputing() const { return asked_ != 0 && taken_ != asked_; }

void CobwebWindow::waitIdle() {
    runner_.waitIdle();
    poll();
}

void CobwebWindow::recompute(bool curveChanged) {
    const bool formula = map().isFormula();
    if (curveChanged || formula) {
        // A graph asked for and not shown yet is asked for again: this job
        // replaces the one computing it.
        const bool graph = curveChanged || (graphAsked_ && isComputing());
        const cobweb::CurveOptions options = model_.curveOptions();
        asked_ =
            runner_.start([map = map(), a = a(), k = fold(), x0 = x0(), n = steps(), span = span(),
                           options, graph, formula](JobRunner<Computed>::Control& control) {
                auto out = std::make_shared<Computed>();
                if (graph) {
                    auto g = std::make_shared<Graph>();
                    cobweb::sampleCurve(map, a, k, options, g->curve);
                    if (control.stale()) return;
                    control.progress(0.5);
                    cobweb::findPeriodicPoints(map, a, k, g->curve, g->points, kMostPoints);
                    out->graph = std::move(g);
                }
                if (formula) {
                    if (control.stale()) return;
                    out->orbit.emplace();
                    cobweb::orbitOf(map, a, k, x0, n, *out->orbit, span);
                }
                control.publish(std::move(out), true);
            });
        graphAsked_ = graph;
        pollTimer_->start();
    }
    if (!formula) {
        cobweb::orbitOf(map(), a(), fold(), x0(), steps(), orbit_, span());
        showOrbit();
    }
}

void CobwebWindow::poll() {
    if (!isComputing()) return;
    const JobRunner<Computed>::Snapshot s = runner_.poll();
    // Only the newest job's results are shown, once it finished.
    if (s.generation != asked_ || !s.finished || !s.result) return;
    taken_ = asked_;
    pollTimer_->stop();
    if (s.result->graph) {
        graph_ = s.result->graph;
        ++curveVersion_;
        pointsModel_->show(&graph_->points);
        fitColumns(pointsTable_, pointsModel_->widest(TextWidth(pointsTable_->fontMetrics())));
    }
    if (s.result->orbit) {
        orbit_ = *s.result->orbit;
        showOrbit();
    } else {
        redraw();
    }
}

void CobwebWindow::showOrbit() {
    // The staircase rises from the x-axis, or from the picture's foot when
    // the axis lies outside the span.
    const double base = model_.staircaseBase();
    cobweb::staircase(orbit_.x, segments_, base);
    tailPeriod_ = cobweb::tailPeriod(orbit_.x);
    orbitModel_->show(&orbit_.x);
    // Measured in bold, as the current step is shown.
    QFont bold = orbitTable_->font();
    bold.setBold(true);
    fitColumns(orbitTable_, orbitModel_->widest(TextWidth(QFontMetrics(bold))));
    orbitTable_->scrollToBottom();
    redraw();
}

void CobwebWindow::redraw() {
    const double base = model_.staircaseBase();
    CobwebView::Scene scene;
    scene.curve = &graph_->curve;
    scene.curveVersion = curveVersion_;
    scene.segments = &segments_;
    scene.points = &graph_->points;
    scene.span = span();
    scene.x0 = x0();
    scene.base = base;
    scene.hasCurrent = orbit_.steps() > 0;
    scene.current = orbit_.x.back();
    scene.fold = fold();
    view_->setScene(scene);
    ++redraws_;

    // What the orbit does, in the status bar.
    const std::string message = tools::orbitStatus(orbit_, tailPeriod_, fold(), span(),
                                                   graph_->points.truncated, kMostPoints);
    say(QString::fromStdString(message));
}

void CobwebWindow::say(const QString& message) { statusBar()->showMessage(message); }

QString CobwebWindow::statusMessage() const { return statusBar()->currentMessage(); }

QImage CobwebWindow::picture() const { return view_->render(); }

bool CobwebWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) return QMainWindow::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    const bool shift = key->modifiers() & Qt::ShiftModifier;
    const bool field =
        watched == aField_ || watched == x0Field_ || watched == kField_ || watched == nField_;
    int sign = 0;
    if (key->key() == Qt::Key_Up || (!field && key->key() == Qt::Key_Right)) sign = 1;
    if (key->key() == Qt::Key_Down || (!field && key->key() == Qt::Key_Left)) sign = -1;
    if (sign == 0 || (!field && !(watched == aSlider_ && shift))) {
        return QMainWindow::eventFilter(watched, event);
    }
    // Up and Down step a field's value (a by a millionth with Shift, as on
    // its slider), within its range.
    if (watched == aField_ || watched == aSlider_) {
        userA(a() + sign * (shift ? kFineStep : kStepA));
    } else if (watched == x0Field_) {
        setX0(x0() + sign * kStepX0);
    } else if (watched == kField_) {
        setFold(fold() + sign);
    } else {
        setSteps(steps() + sign);
    }
    if (field) static_cast<QLineEdit*>(watched)->setModified(false);
    return true;
}

void CobwebWindow::closeEvent(QCloseEvent* event) {
    pause();
    event->accept();
}

}  // namespace corvane::explore
