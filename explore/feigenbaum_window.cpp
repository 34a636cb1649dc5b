#include "explore/feigenbaum_window.h"

#include <QAbstractTableModel>
#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QFont>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QShowEvent>
#include <QSpinBox>
#include <QStatusBar>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <optional>

#include "core/numeric/csv.h"
#include "explore/tool_menus.h"
#include "explore/window_placement.h"
#include "gui/export.h"

namespace corvane::explore {

namespace {

using feigenbaum::Failure;
using feigenbaum::Row;
using feigenbaum::Status;

const QString kDash = QStringLiteral("\u2014");

// Decimals down to the place of the uncertainty's first digit, at most
// `most`.
int decimalsFor(double uncertainty, int most) {
    if (!(uncertainty > 0) || !std::isfinite(uncertainty)) return most;
    return std::clamp(static_cast<int>(std::ceil(-std::log10(uncertainty))), 1, most);
}

QString fixed(double value, double uncertainty, int most = 15) {
    if (!std::isfinite(value)) return kDash;
    return QString::number(value, 'f', decimalsFor(uncertainty, most)).replace('-', QChar(0x2212));
}

// A small number with the significant digits its uncertainty leaves.
QString significant(double value, double uncertainty) {
    if (!std::isfinite(value)) return kDash;
    int digits = 15;
    if (uncertainty > 0 && std::isfinite(uncertainty)) {
        digits = std::clamp(
            static_cast<int>(std::floor(std::log10(std::fabs(value) / uncertainty))), 1, 15);
    }
    return QString::number(value, 'g', digits).replace('-', QChar(0x2212));
}

QString failureText(Failure failure) {
    switch (failure) {
        case Failure::NoConvergence:
            return QStringLiteral("Newton's steps did not settle");
        case Failure::OutsideBracket:
            return QStringLiteral("root beyond the next gap: not this doubling");
        case Failure::WrongCycle:
            return QStringLiteral("root of another cycle, or lost in rounding");
        case Failure::GapUnresolved:
            return QStringLiteral("s_n \u2212 s_n\u22121 lost in rounding: search stops");
        case Failure::None:
            break;
    }
    return {};
}

}  // namespace

// --- The table ---------------------------------------------------------------------

class FeigenbaumModel : public QAbstractTableModel {
public:
    enum Column { N, S, Gap, Delta, Alpha, Note, Count };
    explicit FeigenbaumModel(QObject* parent) : QAbstractTableModel(parent) {}
    void show(std::vector<Row> rows) {
        beginResetModel();
        rows_ = std::move(rows);
        endResetModel();
    }
    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : static_cast<int>(rows_.size());
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : Count;
    }
    QString text(int row, int column) const {
        const Row& r = rows_[static_cast<std::size_t>(row)];
        const Row* p = row > 0 ? &rows_[static_cast<std::size_t>(row - 1)] : nullptr;
        const bool failed = r.status == Status::Failed;
        switch (column) {
            case N:
                return QString::number(r.n);
            case S:
                return std::isfinite(r.uncertainty) ? fixed(r.s, r.uncertainty) : kDash;
            case Gap:
                if (failed || !p) return kDash;
                return significant(r.gap, r.uncertainty + p->uncertainty);
            case Delta:
                if (r.status == Status::Imprecise) return QStringLiteral("(rounding)");
                return fixed(r.delta, r.deltaUncertainty, 12);
            case Alpha:
                if (r.status == Status::Imprecise) return QStringLiteral("(rounding)");
                return fixed(r.alpha, r.alphaUncertainty, 12);
            case Note:
                if (failed) return failureText(r.failure);
                if (r.status == Status::Imprecise) {
                    return QStringLiteral("gaps too close to rounding for \u03b4_n");
                }
                return r.n >= 2 ? QStringLiteral("\u00b1 %1 in \u03b4_n")
                                      .arg(QString::number(r.deltaUncertainty, 'g', 1))
                                : QString();
        }
        return {};
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid()) return {};
        const Row& r = rows_[static_cast<std::size_t>(index.row())];
        if (role == Qt::DisplayRole) return text(index.row(), index.column());
        if (role == Qt::ToolTipRole && index.column() == S && std::isfinite(r.s)) {
            return QStringLiteral("s_%1 = %2 \u00b1 %3 (%4 Newton steps)")
                .arg(r.n)
                .arg(QString::number(r.s, 'g', 17))
                .arg(QString::number(r.uncertainty, 'g', 2))
                .arg(r.newtonSteps);
        }
        if (role == Qt::BackgroundRole && r.status == Status::Failed) return QColor(255, 220, 215);
        if (role == Qt::BackgroundRole && r.status == Status::Imprecise) {
            return QColor(232, 232, 232);
        }
        if (role == Qt::ForegroundRole && r.status != Status::Resolved) return QColor(90, 90, 90);
        if (role == Qt::TextAlignmentRole && index.column() != Note) {
            return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
        }
        if (role == Qt::FontRole && index.column() != Note) {
            QFont font;
            font.setFamily(QStringLiteral("monospace"));
            font.setStyleHint(QFont::TypeWriter);
            return font;
        }
        return {};
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
        const char* names[] = {"n", "s_n", "s_n \u2212 s_n\u22121", "\u03b4_n", "\u03b1_n", ""};
        return QString::fromUtf8(names[section]);
    }

private:
    std::vector<Row> rows_;
};

// --- The search off the user-interface thread ----------------------------------------

struct FeigenbaumWindow::Found {
    std::vector<Row> rows;
    std::optional<feigenbaum::Outcome> outcome;  // once the search ended
};

// --- The window --------------------------------------------------------------------

QString FeigenbaumWindow::titleFor(const Map& map) {
    return QStringLiteral("Feigenbaum constants: ") + mapCaption(map);
}

FeigenbaumWindow::FeigenbaumWindow(const Map& map, QWidget* parent)
    : QMainWindow(parent), map_(map) {
    setObjectName(QStringLiteral("FeigenbaumWindow"));
    setWindowTitle(titleFor(map_));
    outcome_.map = map_;

    model_ = new FeigenbaumModel(this);
    table_ = new QTableView(this);
    table_->setObjectName(QStringLiteral("table"));
    table_->setAccessibleName(QStringLiteral("Superstable parameters and their ratios"));
    table_->setModel(model_);
    table_->verticalHeader()->hide();
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    sizeTable(1);

    auto* controls = new QHBoxLayout;
    auto* mostLabel = new QLabel(QStringLiteral("Up to &n ="), this);
    mostNSpin_ = new QSpinBox(this);
    mostNSpin_->setObjectName(QStringLiteral("mostN"));
    mostNSpin_->setRange(2, feigenbaum::kMostN);
    mostNSpin_->setValue(kDefaultMostN);
    mostNSpin_->setAccessibleName(QStringLiteral("Search up to n"));
    mostLabel->setBuddy(mostNSpin_);
    computeButton_ = new QPushButton(QStringLiteral("&Compute"), this);
    computeButton_->setObjectName(QStringLiteral("compute"));
    cancelButton_ = new QPushButton(QStringLiteral("Cancel"), this);
    cancelButton_->setObjectName(QStringLiteral("cancel"));
    progressBar_ = new QProgressBar(this);
    progressBar_->setObjectName(QStringLiteral("progress"));
    progressBar_->setRange(0, 1000);
    progressBar_->setTextVisible(false);
    explorerButton_ = new QPushButton(QStringLiteral("Show in &explorer"), this);
    explorerButton_->setObjectName(QStringLiteral("showInExplorer"));
    explorerButton_->setToolTip(
        QStringLiteral("Zoom the bifurcation diagram to [s_1, s_last] with the s_n marked"));
    controls->addWidget(mostLabel);
    controls->addWidget(mostNSpin_);
    controls->addWidget(computeButton_);
    controls->addWidget(cancelButton_);
    controls->addWidget(progressBar_, 1);
    controls->addWidget(explorerButton_);
    connect(computeButton_, &QPushButton::clicked, this, [this] { compute(); });
    connect(cancelButton_, &QPushButton::clicked, this, [this] { cancel(); });
    connect(explorerButton_, &QPushButton::clicked, this, [this] { showInExplorer(); });

    summary_ = new QLabel(this);
    summary_->setObjectName(QStringLiteral("summary"));
    summary_->setTextFormat(Qt::PlainText);
    summary_->setWordWrap(true);
    summary_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->addLayout(controls);
    layout->addWidget(table_, 1);
    layout->addWidget(summary_);
    setCentralWidget(central);

    pollTimer_ = new QTimer(this);
    pollTimer_->setInterval(30);
    connect(pollTimer_, &QTimer::timeout, this, [this] { poll(); });

    buildMenus();
    new QShortcut(QKeySequence(Qt::Key_Escape), this, this, &QWidget::close);
    updateControls();
    placeOnScreen(this, QSize(900, 620));
}

FeigenbaumWindow::~FeigenbaumWindow() = default;

void FeigenbaumWindow::buildMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("menuFile"));
    addSessionActions(file, this, [this] { return sessions_; });
    exportAction_ = file->addAction(QStringLiteral("Export table as &CSV\u2026"), this,
                                    [this] { exportCsv(); });
    exportAction_->setObjectName(QStringLiteral("actionExportCsv"));
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
    checkMapAction();
}

void FeigenbaumWindow::sizeTable(double large) {
    table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 6);
    const int widths[] = {40, 180, 130, 130, 140};
    for (int c = 0; c < 5; ++c) table_->setColumnWidth(c, int(std::lround(widths[c] * large)));
}

void FeigenbaumWindow::setLargeText(std::shared_ptr<gui::LargeTextSetting> setting) {
    largeText_ = std::move(setting);
    largeText_->listen(this, [this] { largeTextChanged(); });
    largeTextChanged();
}

void FeigenbaumWindow::largeTextChanged() {
    largeTextAction_->setChecked(largeText_->on());
    // The table and its labels: the window's own font, enlarged.
    QFont font = baseFont_;
    font.setPointSizeF(baseFont_.pointSizeF() * largeText_->large());
    setFont(font);
    sizeTable(largeText_->large());
}

void FeigenbaumWindow::checkMapAction() {
    // A formula has no entry of its own here: neither built-in map is checked.
    for (QAction* action : mapActions_) action->setChecked(false);
    if (!map_.isFormula()) mapActions_[mapActionIndex(map_)]->setChecked(true);
}

int FeigenbaumWindow::mostN() const { return mostNSpin_->value(); }

void FeigenbaumWindow::setMostN(int n) { mostNSpin_->setValue(n); }

void FeigenbaumWindow::selectMap(const Map& map) {
    if (map == map_ && started_) return;
    map_ = map;
    checkMapAction();
    setWindowTitle(titleFor(map_));
    compute();
}

bool FeigenbaumWindow::isComputing() const { return searching_; }

void FeigenbaumWindow::compute() {
    started_ = true;
    runner_.cancel();  // a search still running stops first
    searching_ = false;
    outcome_ = feigenbaum::Outcome{};
    outcome_.map = map_;
    model_->show({});
    summary_->clear();
    progress_ = 0;
    if (const std::string why = feigenbaum::whyNoSearch(map_); !why.empty()) {
        outcome_.refusal = why;
        summary_->setText(summary());
        say(QStringLiteral("No search for this map."));
        updateControls();
        return;
    }
    windUp_ = std::stop_source();
    runner_.start([map = map_, most = mostN(), hook = rowHook_,
                   windUp = windUp_](JobRunner<Found>::Control& control) {
        // A newer search or closing stops this one as Cancel does, its
        // outcome then dropped by the runner.
        std::stop_source ending = windUp;
        const std::stop_callback stale(control.stopToken(), [&ending] { ending.request_stop(); });
        const std::stop_token stop = ending.get_token();
        // Each row takes about twice the work of the one before.
        const double all = std::ldexp(1.0, most + 1) - 1;
        feigenbaum::Outcome out =
            feigenbaum::search(map, most, [&](const std::vector<Row>& found, std::int64_t) {
                control.progress((std::ldexp(1.0, static_cast<int>(found.size())) - 1) / all);
                control.publish(std::make_shared<const Found>(Found{found, std::nullopt}), false);
                if (hook) hook(static_cast<int>(found.size()), stop);
                return !stop.stop_requested();
            });
        std::vector<Row> rows = out.rows;
        control.publish(std::make_shared<const Found>(Found{std::move(rows), std::move(out)}),
                        true);
    });
    searching_ = true;
    say(QStringLiteral("Searching s_0 \u2026 s_%1 of %2\u2026").arg(mostN()).arg(mapCaption(map_)));
    pollTimer_->start();
    updateControls();
}

void FeigenbaumWindow::cancel() {
    if (!searching_) return;
    windUp_.request_stop();
    runner_.waitIdle();
    poll();
}

void FeigenbaumWindow::wait() {
    runner_.waitIdle();
    poll();
}

void FeigenbaumWindow::poll() {
    if (!searching_) return;
    const JobRunner<Found>::Snapshot s = runner_.poll();
    const bool done = s.finished && s.result && s.result->outcome;
    if (done) outcome_ = *s.result->outcome;
    progress_ = s.fractionDone;
    const std::size_t found = s.result ? s.result->rows.size() : 0;
    if (static_cast<int>(found) != model_->rowCount()) {
        model_->show(s.result->rows);
        table_->scrollToBottom();
    }
    if (done) finished();
    updateControls();
}

void FeigenbaumWindow::finished() {
    pollTimer_->stop();
    searching_ = false;
    model_->show(outcome_.rows);
    summary_->setText(summary());
    const auto& rows = outcome_.rows;
    QString message;
    if (outcome_.cancelled) {
        message = QStringLiteral("Cancelled after s_%1.").arg(rows.empty() ? 0 : rows.back().n);
    } else if (!rows.empty() && rows.back().status == Status::Failed) {
        message = QStringLiteral("Stopped at n = %1: %2.")
                      .arg(rows.back().n)
                      .arg(failureText(rows.back().failure));
    } else {
        message = QStringLiteral("Found s_0 \u2026 s_%1.").arg(rows.empty() ? 0 : rows.back().n);
    }
    say(message);
}

QString FeigenbaumWindow::summary() const {
    const feigenbaum::Outcome& o = outcome_;
    if (!o.refusal.empty()) return QString::fromStdString(o.refusal) + QStringLiteral(".");
    if (o.deltaRow < 0) return QStringLiteral("Too few rows for estimates of \u03b4 and \u03b1.");
    auto estimate = [](double value, double error) {
        return fixed(value, error, 12) + QStringLiteral(" \u00b1 ") +
               QString::number(error, 'g', 1);
    };
    return QStringLiteral(
               "\u03b4 \u2248 %1 (from n = %2)    \u03b1 \u2248 %3 (from n = %4)\n"
               "Each within its distance to the estimate before it, plus rounding. Grey rows: "
               "s_n is found but the gaps are too close to rounding for \u03b4_n. "
               "Feigenbaum: \u03b4 = 4.6692016\u2026, \u03b1 = \u22122.5029079\u2026")
        .arg(estimate(o.delta, o.deltaError))
        .arg(o.deltaRow)
        .arg(estimate(o.alpha, o.alphaError))
        .arg(o.alphaRow);
}

void FeigenbaumWindow::updateControls() {
    const bool running = isComputing();
    cancelButton_->setEnabled(running);
    progressBar_->setValue(static_cast<int>(std::lround(progress_ * 1000)));
    int found = 0;
    for (const Row& r : outcome_.rows) found += r.status != Status::Failed && r.n >= 1;
    explorerButton_->setEnabled(!running && found >= 2);
    exportAction_->setEnabled(!running && !outcome_.rows.empty());
}

int FeigenbaumWindow::rowCount() const { return model_->rowCount(); }

QString FeigenbaumWindow::cellText(int row, int column) const {
    if (row < 0 || row >= model_->rowCount() || column < 0 || column >= FeigenbaumModel::Count) {
        return {};
    }
    return model_->text(row, column);
}

void FeigenbaumWindow::say(const QString& message) { statusBar()->showMessage(message); }

QString FeigenbaumWindow::statusMessage() const { return statusBar()->currentMessage(); }

void FeigenbaumWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!started_) compute();
}

void FeigenbaumWindow::closeEvent(QCloseEvent* event) {
    cancel();
    event->accept();
}

// --- Show in explorer --------------------------------------------------------------

bool FeigenbaumWindow::showInExplorer() {
    std::vector<double> s;
    for (const Row& r : outcome_.rows) {
        if (r.status != Status::Failed && r.n >= 1) s.push_back(r.s);
    }
    if (isComputing() || s.size() < 2) {
        say(QStringLiteral("Nothing to show yet: s_1 and s_2 are not found."));
        return false;
    }
    if (showInExplorer_) showInExplorer_(map_, s.front(), s.back(), s);
    say(QStringLiteral("The explorer shows [s_1, s_%1] with the s_n marked.").arg(s.size()));
    return true;
}

// --- Export --------------------------------------------------------------------------

platform::ExportOutcome FeigenbaumWindow::writeCsv(const std::string& path) const {
    const feigenbaum::Outcome o = outcome_;
    return gui::saveData(path, [&](platform::TextSink& sink) {
        CsvWriter csv([&sink](std::string_view piece) { sink.write(piece); });
        csv.about({"the superstable parameters s_n and Feigenbaum's constants",
                   "f(x) = " + mapCaption(o.map).toStdString(),
                   "c = " + exactNumber(o.c) + " (f^(2^n)(c) = c at a = s_n)"});
        csv.comment(
            "delta_n = (s_(n-1) - s_(n-2))/(s_n - s_(n-1)); d_n = f^(2^(n-1))(c) - c at s_n; "
            "alpha_n = d_(n-1)/d_n; *_uncertainty: rounding; status: 0 resolved, 1 imprecise "
            "(delta lost in rounding), 2 failed");
        if (o.deltaRow >= 0) {
            csv.comment("delta = " + exactNumber(o.delta) + " +- " + exactNumber(o.deltaError) +
                        "; alpha = " + exactNumber(o.alpha) + " +- " + exactNumber(o.alphaError));
        }
        csv.header({"n", "s_n", "s_uncertainty", "gap", "delta_n", "delta_uncertainty", "d_n",
                    "alpha_n", "alpha_uncertainty", "newton_steps", "status"});
        for (const Row& r : o.rows) {
            csv.integer(r.n);
            csv.number(r.s);
            csv.number(r.uncertainty);
            csv.number(r.gap);
            csv.number(r.delta);
            csv.number(r.deltaUncertainty);
            csv.number(r.d);
            csv.number(r.alpha);
            csv.number(r.alphaUncertainty);
            csv.integer(r.newtonSteps);
            csv.integer(static_cast<int>(r.status));
            csv.endRow();
        }
        csv.flush();
        return true;
    });
}

bool FeigenbaumWindow::exportCsv() {
    if (outcome_.rows.empty() || isComputing()) return false;
    const auto target = gui::askExportTarget(this,
                                             map_.isFormula() ? "feigenbaum-formula.csv"
                                             : map_.kind() == Map::Kind::Sine ? "feigenbaum-f2.csv"
                                                                              : "feigenbaum-f1.csv",
                                             false);
    if (!target) return false;
    const platform::ExportOutcome outcome = writeCsv(target->path);
    if (const QString status = gui::exportStatus(outcome, target->path); !status.isEmpty()) {
        say(status);
    }
    return outcome.status == platform::ExportOutcome::Status::Written;
}

}  // namespace corvane::explore
