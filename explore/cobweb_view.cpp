#include "explore/cobweb_view.h"

#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace corvane::explore {

namespace {

const QColor kFrame(120, 120, 120);
const QColor kGrid(225, 225, 225);
const QColor kDiagonal(110, 110, 110);
const QColor kCurve(20, 70, 200);
const QColor kStair(215, 60, 50);
const QColor kCurrent(150, 0, 0);
const QColor kPoint(0, 0, 0);

constexpr int kLeft = 52, kRight = 16, kTop = 24, kBottom = 36;

// The mark of a point of period k: a disc, filled when it is stable.
QImage mark(bool stable) {
    QImage image(11, 11, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(kPoint, 1));
    p.setBrush(stable ? QBrush(kPoint) : QBrush(Qt::white));
    p.drawEllipse(QPointF(5.5, 5.5), 4, 4);
    return image;
}

}  // namespace

Ticks ticksAcross(double from, double to) {
    Ticks t;
    const double width = to - from;
    if (!(width > 0) || !std::isfinite(width)) return t;
    // The round step nearest to a quarter of the width: 1, 2, 2.5 or 5
    // times a power of ten (by ratio), divided rather than multiplied by a
    // negative power so that 0.25 and 0.5 come out exact.
    const double quarter = width / 4;
    const int power = static_cast<int>(std::floor(std::log10(quarter)));
    const double scale = std::pow(10.0, std::abs(power));
    double best = 0, bestRatio = HUGE_VAL;
    for (double m : {1.0, 2.0, 2.5, 5.0, 10.0}) {
        const double step = power < 0 ? m / scale : m * scale;
        const double ratio = std::max(step / quarter, quarter / step);
        if (ratio < bestRatio) best = step, bestRatio = ratio;
    }
    const double first = std::ceil(from / best - 1e-9), last = std::floor(to / best + 1e-9);
    for (double j = first; j <= last; ++j) {
        t.values.push_back(j * best + 0.0);  // + 0: never −0
        t.labelled.push_back(std::fmod(j, 2.0) == 0);
    }
    return t;
}

CobwebView::CobwebView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(240, 240);
    setAccessibleName(QStringLiteral("Cobweb diagram"));
}

void CobwebView::setScene(const Scene& scene) {
    scene_ = scene;
    const int points = scene.points ? static_cast<int>(scene.points->points.size()) : 0;
    setAccessibleDescription(
        QStringLiteral("The graph of f^%1 over %4 to %5 with the diagonal, the staircase of %2 "
                       "steps of the orbit, and %3 points of period %1.")
            .arg(scene.fold)
            .arg(scene.segments ? scene.segments->size() / 2 : 0)
            .arg(points)
            .arg(scene.span.from)
            .arg(scene.span.to));
    update();
}

QRect CobwebView::plotRect() const {
    return QRect(kLeft, kTop, std::max(width() - kLeft - kRight, 10),
                 std::max(height() - kTop - kBottom, 10));
}

QPointF CobwebView::toWidget(double x, double y) const {
    const QRect r = plotRect();
    const cobweb::Span& s = scene_.span;
    const double w = s.width();
    // Values far outside the picture are drawn at its height past its
    // edge, so that the lines towards them keep their direction on screen.
    y = std::clamp(y, s.bottom() - w, s.top() + w);  // NaN stays NaN
    return {r.left() + (x - s.from) / w * r.width(),
            r.top() + (s.top() - y) / (1.5 * w) * r.height()};
}

void CobwebView::reduce() const {
    const int columns = plotRect().width();
    if (!scene_.curve) {
        xs_.clear();
        ys_.clear();
        return;
    }
    if (reducedVersion_ == scene_.curveVersion && reducedColumns_ == columns &&
        reducedSpan_.from == scene_.span.from && reducedSpan_.to == scene_.span.to) {
        return;
    }
    cobweb::reduceToColumns(*scene_.curve, columns, xs_, ys_, scene_.span);
    reducedVersion_ = scene_.curveVersion;
    reducedColumns_ = columns;
    reducedSpan_ = scene_.span;
}

QImage CobwebView::render() const {
    QImage image(size(), QImage::Format_RGB32);
    // 96 dots to the inch, as the screen the window is drawn for.
    const int dotsPerMeter = static_cast<int>(std::lround(logicalDpiX() / 0.0254));
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    QPainter p(&image);
    paint(p);
    return image;
}

void CobwebView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    paint(p);
}

void CobwebView::paint(QPainter& p) const {
    reduce();
    p.fillRect(rect(), Qt::white);
    const QRect r = plotRect();

    // Grid lines at round numbers across the span, about four steps of it;
    // every other one labelled, and the picture's foot and head ([0, 1] in
    // quarters, −0.25 and 1.25 for the built-in maps).
    const cobweb::Span& s = scene_.span;
    const Ticks ticks = ticksAcross(s.from, s.to);
    auto label = [](double v) { return QString::number(v, 'g', 10); };
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(kGrid, 1));
    for (double v : ticks.values) {
        if (v > s.from && v < s.to) p.drawLine(toWidget(v, s.bottom()), toWidget(v, s.top()));
        p.drawLine(toWidget(s.from, v), toWidget(s.to, v));
    }
    QFont small = font();
    small.setPointSizeF(std::max(7.0, small.pointSizeF() * 0.85));
    p.setFont(small);
    p.setPen(Qt::black);
    std::vector<double> heights = {s.bottom(), s.top()};
    for (std::size_t i = 0; i < ticks.values.size(); ++i) {
        if (!ticks.labelled[i]) continue;
        const double v = ticks.values[i];
        const QPointF where = toWidget(v, s.bottom());
        p.drawText(QRectF(where.x() - 30, where.y() + 4, 60, 16), Qt::AlignHCenter | Qt::AlignTop,
                   label(v));
        heights.push_back(v);
    }
    for (double v : heights) {
        const QPointF where = toWidget(s.from, v);
        p.drawText(QRectF(where.x() - kLeft, where.y() - 8, kLeft - 6, 16),
                   Qt::AlignRight | Qt::AlignVCenter, label(v));
    }
    p.drawText(QRectF(r.left(), 2, r.width(), kTop - 4), Qt::AlignLeft | Qt::AlignVCenter,
               scene_.fold == 1 ? QStringLiteral("y = f(x)")
                                : QStringLiteral("y = f^%1(x)").arg(scene_.fold));

    p.save();
    p.setClipRect(r);
    // The diagonal.
    p.setPen(QPen(kDiagonal, 1));
    p.drawLine(toWidget(s.from, s.from), toWidget(s.to, s.to));

    // The staircase, under the graph so that a long orbit does not hide it;
    // its current step above both. Lines across and up or down need no
    // smoothing.
    p.setRenderHint(QPainter::Antialiasing, false);
    QVector<QLineF> lines;
    if (scene_.segments) {
        lines.reserve(static_cast<qsizetype>(scene_.segments->size()));
        for (const cobweb::Segment& g : *scene_.segments) {
            lines.append(QLineF(toWidget(g.x1, g.y1), toWidget(g.x2, g.y2)));
        }
    }
    const qsizetype earlier = std::max<qsizetype>(lines.size() - 2, 0);
    QPen stairPen(kStair, 1);
    stairPen.setCosmetic(true);
    p.setPen(stairPen);
    p.drawLines(lines.constData(), earlier);

    // The graph: a polyline through the reduced samples, broken where a
    // value is not finite.
    // A cosmetic pen one pixel wide: drawn line by line, where a wider one
    // would be stroked as one outline of the whole, humps over humps.
    p.setRenderHint(QPainter::Antialiasing, true);
    QPen curvePen(kCurve, 1);
    curvePen.setCosmetic(true);
    p.setPen(curvePen);
    QPolygonF run;
    run.reserve(static_cast<qsizetype>(xs_.size()));
    auto flush = [&] {
        if (run.size() > 1) p.drawPolyline(run);
        run.clear();
    };
    for (std::size_t i = 0; i < xs_.size(); ++i) {
        if (!std::isfinite(ys_[i])) {
            flush();
            continue;
        }
        run.append(toWidget(xs_[i], ys_[i]));
    }
    flush();

    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(kCurrent, 2));
    p.drawLines(lines.constData() + earlier, lines.size() - earlier);

    // The points of period k on the diagonal; the start and the current
    // point of the orbit.
    // Each mark drawn once into an image, then set down at every point: a
    // graph of period 12 has thousands.
    p.setRenderHint(QPainter::Antialiasing, true);
    if (scene_.points && !scene_.points->points.empty()) {
        const QImage marks[2] = {mark(false), mark(true)};
        const QPointF centre(marks[0].width() / 2.0, marks[0].height() / 2.0);
        for (const cobweb::PeriodicPoint& q : scene_.points->points) {
            p.drawImage(toWidget(q.x, q.x) - centre, marks[q.stable ? 1 : 0]);
        }
    }
    p.setPen(Qt::NoPen);
    p.setBrush(kCurrent);
    const QPointF start = toWidget(scene_.x0, scene_.base);
    p.drawPolygon(QPolygonF({start, start + QPointF(-5, 9), start + QPointF(5, 9)}));
    if (scene_.hasCurrent) p.drawEllipse(toWidget(scene_.current, scene_.current), 3.5, 3.5);
    p.restore();

    p.setRenderHint(QPainter::Antialiasing, false);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(kFrame, 1));
    p.drawRect(r.adjusted(0, 0, -1, -1));
}

}  // namespace corvane::explore
