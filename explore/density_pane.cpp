#include "explore/density_pane.h"

#include "core/tools/verdicts.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "core/numeric/csv.h"
#include "core/numeric/number_text.h"
#include "explore/tool_menus.h"
#include "core/tools/field_check.h"
#include "explore/typed_field.h"

namespace corvane::explore {

namespace {

// Without an exponent, to two decimals below 100 and one below 10^4.
QString fixed(double value) {
    const double size = std::fabs(value);
    return QString::number(value, 'f', size < 100 ? 2 : size < 1e4 ? 1 : 0);
}

}  // namespace

// The engine.

DensityEngine::DensityEngine() : runner_(1) {}

std::uint64_t DensityEngine::start(const density::Orbit& setup) {
    return runner_.start([setup](JobRunner<density::Histogram>::Control& control) {
        std::atomic<std::int64_t>& steps = control.countSteps(setup.transient + setup.iterates);
        std::optional<density::Histogram> h = density::count(setup, [&](std::int64_t done) {
            steps.store(done, std::memory_order_relaxed);
            return control.stale();
        });
        if (h) control.publish(std::make_shared<const density::Histogram>(std::move(*h)), true);
    });
}

void DensityEngine::cancel() { runner_.cancel(); }

DensityEngine::Snapshot DensityEngine::poll() const {
    const JobRunner<density::Histogram>::Snapshot s = runner_.poll();
    Snapshot out;
    out.generation = s.generation;
    out.fractionDone = s.fractionDone;
    if (s.finished) out.histogram = s.result;
    return out;
}

// The picture.

DensityPlot::DensityPlot(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void DensityPlot::setHistogram(std::shared_ptr<const density::Histogram> histogram) {
    histogram_ = std::move(histogram);
    cachedColumns_ = -1;
    update();
}

void DensityPlot::setPlaceholder(const QString& text) {
    placeholder_ = text;
    if (!histogram_) update();
}

QRectF DensityPlot::plotRect(QSizeF size, const gui::Look& look) {
    const QFontMetricsF fm(look.font);
    const double label = fm.horizontalAdvance(QStringLiteral("00000")) + look.len(6);
    const double line = fm.height();
    return QRectF(QPointF(0, 0), size)
        .adjusted(label, std::floor(line / 2) + look.len(2), -look.len(8), -(line + look.len(4)));
}

QRect DensityPlot::plotRect() const { return plotRect(QSizeF(size()), screenLook()).toRect(); }

gui::Look DensityPlot::screenLook() const { return gui::makeLook(font(), large_, 1.0); }

void DensityPlot::setLarge(double large) {
    large_ = large;
    update();
}

void DensityPlot::paintEvent(QPaintEvent*) {
    QPainter p(this);
    paintPicture(p, QSizeF(size()), screenLook());
}

void DensityPlot::paintPicture(QPainter& p, QSizeF size, const gui::Look& look) const {
    const QRectF all(QPointF(0, 0), size);
    p.save();
    p.setFont(look.font);
    p.fillRect(all, Qt::white);
    const QRectF r = plotRect(size, look);
    if (!histogram_ || histogram_->counts.empty() || r.width() < 2 || r.height() < 2) {
        p.setPen(Qt::darkGray);
        p.drawText(all.adjusted(8, 8, -8, -8), Qt::AlignCenter | Qt::TextWordWrap, placeholder_);
        p.restore();
        return;
    }
    const density::Histogram& h = *histogram_;
    // One column to a pixel of the device.
    const int columns = std::max(2, int(std::lround(r.width() * look.device)));
    const double width = r.width() / columns;
    const bool known = density::comparesWithClosedForm(h);
    if (columns != cachedColumns_) {
        // Many bins to a column: the column shows their mean (and their
        // largest); the closed form is averaged over the same bins.
        columns_ = density::summariseColumns(h, columns);
        closedForm_.clear();
        if (known) {
            const auto m = static_cast<std::int32_t>(h.counts.size());
            closedForm_.resize(std::size_t(columns));
            for (int c = 0; c < columns; ++c) {
                const auto [first, last] = density::columnBins(m, columns, c);
                const double lo = density::binLow(h, std::int32_t(first));
                const double hi = density::binHigh(h, std::int32_t(last - 1));
                closedForm_[std::size_t(c)] = density::closedFormMass(lo, hi) / (hi - lo);
            }
        }
        cachedColumns_ = columns;
    }
    double top = 0;
    for (const density::ColumnSummary& s : columns_) top = std::max(top, s.mean);
    top = top > 0 ? top * 1.08 : 1;
    const double bottom = r.bottom();
    const auto yOf = [&](double d) { return bottom - std::min(1.0, d / top) * r.height(); };

    // Each column a rectangle one device pixel wide; the means and the
    // largest values each one path (shapes, not pixels, in a vector file).
    QPainterPath largestBars, meanBars;
    for (int c = 0; c < columns; ++c) {
        const density::ColumnSummary& s = columns_[std::size_t(c)];
        const double x = r.left() + c * width;
        const double meanTop = yOf(s.mean);
        if (s.largest > s.mean) {
            const double upper = yOf(s.largest);
            largestBars.addRect(QRectF(x, upper, width, meanTop - upper));
        }
        if (s.mean > 0) meanBars.addRect(QRectF(x, meanTop, width, bottom - meanTop));
    }
    p.fillPath(largestBars, QColor(176, 196, 222));
    p.fillPath(meanBars, QColor(60, 100, 160));
    if (known) {
        QPolygonF curve;
        curve.reserve(columns);
        for (int c = 0; c < columns; ++c) {
            curve << QPointF(r.left() + (c + 0.5) * width, yOf(closedForm_[std::size_t(c)]));
        }
        p.save();
        p.setClipRect(r);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(QColor(200, 30, 30), look.len(1.5)));
        p.drawPolyline(curve);
        p.restore();
    }

    p.setPen(QPen(Qt::black, look.len(1)));
    p.drawRect(r.adjusted(-look.len(0.5), -look.len(0.5), look.len(0.5), look.len(0.5)));
    const double line = QFontMetricsF(look.font).height();
    const double gap = look.len(2), half = look.len(20);
    const QRectF under(r.left() - 1.5 * half, r.bottom() + gap, r.width() + 3 * half, line);
    p.drawText(under, Qt::AlignHCenter | Qt::AlignTop, QStringLiteral("x"));
    p.drawText(QRectF(r.left() - half, r.bottom() + gap, 2 * half, line), Qt::AlignHCenter,
               QString::fromStdString(tools::shortNumber(h.range.from)));
    p.drawText(QRectF(r.right() - half, r.bottom() + gap, 2 * half, line), Qt::AlignHCenter,
               QString::fromStdString(tools::shortNumber(h.range.to)));
    const QRectF left(0, r.top() - line / 2, r.left() - look.len(4), line);
    p.drawText(left, Qt::AlignRight | Qt::AlignVCenter, QString::number(top, 'g', 3));
    p.drawText(left.translated(0, r.height()), Qt::AlignRight | Qt::AlignVCenter,
               QStringLiteral("0"));
    p.restore();
}

void DensityPane::setLarge(double large) { plot_->setLarge(large); }

// The pane.

DensityPane::DensityPane(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("densityPane"));
    summary_ = new QLabel(this);
    summary_->setObjectName(QStringLiteral("densitySummary"));
    summary_->setWordWrap(true);
    summary_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    plot_ = new DensityPlot(this);
    plot_->setObjectName(QStringLiteral("densityPlot"));
    plot_->setAccessibleName(QStringLiteral("Density of the iterates at the cursor"));

    aField_ = new QLineEdit(this);
    aField_->setObjectName(QStringLiteral("densityA"));
    aField_->setToolTip(QStringLiteral("The a-cursor; type an a and press Enter to move it"));
    connect(aField_, &QLineEdit::returnPressed, this, [this] {
        const std::optional<double> a =
            TypedField::of(aField_)->take({"a", aLeast_, aMost_, false});
        if (a && onAEntered) onAEntered(*a);
    });
    iteratesField_ = new QLineEdit(this);
    iteratesField_->setObjectName(QStringLiteral("densityIterates"));
    iteratesField_->setToolTip(QStringLiteral("Iterates counted after the explorer's T"));
    binsField_ = new QLineEdit(this);
    binsField_->setObjectName(QStringLiteral("densityBins"));
    binsField_->setToolTip(QStringLiteral("Bins of [0, 1]"));
    // Enter, or leaving the field, counts again with what it holds.
    connect(iteratesField_, &QLineEdit::editingFinished, this, [this] {
        const auto n =
            TypedField::of(iteratesField_)->take({"N", 1, double(density::kMaxIterates), true});
        if (!n) return;
        iterates_ = std::int64_t(*n);
        recount();
    });
    connect(binsField_, &QLineEdit::editingFinished, this, [this] {
        const auto bins =
            TypedField::of(binsField_)
                ->take({"Bins", double(density::kMinBins), double(density::kMaxBins), true});
        if (!bins) return;
        bins_ = int(*bins);
        recount();
    });

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("a"), new TypedField(aField_, this));
    form->addRow(QStringLiteral("N"), new TypedField(iteratesField_, this));
    form->addRow(QStringLiteral("Bins"), new TypedField(binsField_, this));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(plot_, 1);
    layout->addWidget(summary_);
    layout->addLayout(form);

    pollTimer_ = new QTimer(this);
    pollTimer_->setInterval(30);
    connect(pollTimer_, &QTimer::timeout, this, [this] { poll(); });
    showCounts();
    recount();
}

DensityPane::~DensityPane() { engine_.cancel(); }

void DensityPane::setOrbit(const Map& map, std::optional<double> a, double x0,
                           std::int64_t transient) {
    map_ = map;
    a_ = a && std::isfinite(*a) ? a : std::nullopt;
    // Every digit, so that Enter on the field leaves the cursor where it is.
    if (a_) {
        TypedField::of(aField_)->showValue(*a_, QString::fromStdString(exactNumber(*a_)));
    } else {
        TypedField::of(aField_)->showValue(std::nan(""), QString());
    }
    x0_ = x0;
    transient_ = transient;
    recount();
}

void DensityPane::setALimits(double least, double most) {
    aLeast_ = least;
    aMost_ = most;
}

void DensityPane::setBins(int bins) {
    bins_ = std::clamp(bins, int(density::kMinBins), int(density::kMaxBins));
    showCounts();
    recount();
}
int DensityPane::bins() const { return bins_; }
void DensityPane::setIterates(std::int64_t n) {
    iterates_ = std::clamp<std::int64_t>(n, 1, density::kMaxIterates);
    showCounts();
    recount();
}
std::int64_t DensityPane::iterates() const { return iterates_; }

void DensityPane::showCounts() {
    TypedField::of(iteratesField_)->showValue(double(iterates_), QString::number(iterates_));
    TypedField::of(binsField_)->showValue(double(bins_), QString::number(bins_));
}

void DensityPane::cancel() {
    engine_.cancel();
    pollTimer_->stop();
    requested_.reset();
    generation_ = 0;
}

bool DensityPane::isCounting() const { return generation_ != 0 && drawnGeneration_ != generation_; }

QString DensityPane::summary() const { return summary_->text(); }

void DensityPane::recount() {
    if (!a_) {
        cancel();
        shown_.reset();
        plot_->setHistogram(nullptr);
        plot_->setPlaceholder(QString());
        showText();
        return;
    }
    density::Orbit s;
    s.map = map_;
    s.a = *a_;
    s.x0 = x0_;
    s.transient = transient_;
    s.iterates = iterates_;
    s.bins = bins_;
    if (requested_ && *requested_ == s) return;
    requested_ = s;
    generation_ = engine_.start(s);
    // What is shown belongs to another orbit now: it goes at once.
    shown_.reset();
    plot_->setHistogram(nullptr);
    plot_->setPlaceholder(QStringLiteral("Counting\u2026"));
    pollTimer_->start();
    showText();
}

void DensityPane::poll() {
    const DensityEngine::Snapshot s = engine_.poll();
    // Only the newest count is ever drawn.
    if (s.generation != generation_ || generation_ == 0) return;
    if (!s.histogram) {
        summary_->setText(QStringLiteral("a = %1: counting\u2026 %2 %")
                              .arg(text(requested_->a))
                              .arg(int(std::floor(s.fractionDone * 100))));
        return;
    }
    if (drawnGeneration_ == generation_) return;
    pollTimer_->stop();
    shown_ = s.histogram;
    plot_->setHistogram(shown_);
    drawnGeneration_ = generation_;
    showText();
    if (onDrawn) onDrawn(drawnGeneration_);
}

void DensityPane::showText() {
    if (!a_) {
        summary_->setText(QStringLiteral("Click the diagram to choose an a."));
        return;
    }
    if (!shown_) {
        summary_->setText(QStringLiteral("a = %1: counting\u2026").arg(text(*a_)));
        return;
    }
    const density::Orbit& s = shown_->setup;
    QString t =
        QStringLiteral("f(x) = %7, a = %1, x0 = %2, T = %3, N = %4, %5 bins of [%8, %9].\n%6")
            .arg(text(s.a), text(s.x0))
            .arg(s.transient)
            .arg(s.iterates)
            .arg(s.bins)
            .arg(describeFate(*shown_), mapCaption(s.map),
                 QString::fromStdString(tools::shortNumber(shown_->range.from)),
                 QString::fromStdString(tools::shortNumber(shown_->range.to)));
    const QString fit = describeFit(*shown_);
    if (!fit.isEmpty()) t += QStringLiteral("\n") + fit;
    summary_->setText(t);
}

QString describeFate(const density::Histogram& h) {
    return QString::fromStdString(tools::fateText(h));
}

QString describeFit(const density::Histogram& h) {
    if (!density::comparesWithClosedForm(h)) return {};
    const density::Fit fit = density::fitClosedForm(h);
    return QStringLiteral(
               "Red: the closed form 1/(\u03c0\u221a(x(1\u2212x))), averaged over each bin. "
               "Largest relative bin deviation %1 %, \u03c7\u00b2 = %2 with %3 degrees of "
               "freedom.")
        .arg(fixed(fit.largestRelativeDeviation * 100), fixed(fit.chiSquare))
        .arg(fit.degreesOfFreedom);
}

}  // namespace corvane::explore
