#include "explore/cobweb_view.h"

#include <QPaintEngine>
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

QRectF CobwebView::plotRect(QSizeF size, const gui::Look& look) {
    const double left = look.px(kLeft), right = look.px(kRight), top = look.px(kTop),
                 bottom = look.px(kBottom);
    return QRectF(left, top, std::max(size.width() - left - right, 10.0),
                  std::max(size.height() - top - bottom, 10.0));
}

QRect CobwebView::plotRect() const { return plotRect(QSizeF(size()), screenLook()).toRect(); }

gui::Look CobwebView::screenLook() const { return gui::makeLook(font(), large_, 1.0); }

void CobwebView::setLarge(double large) {
    large_ = large;
    update();
}

QPointF CobwebView::toWidget(double x, double y) const { return toPoint(QRectF(plotRect()), x, y); }

QPointF CobwebView::toPoint(const QRectF& r, double x, double y) const {
    const cobweb::Span& s = scene_.span;
    const double w = s.width();
    // Values far outside the picture are drawn at its height past its
    // edge, so that the lines towards them keep their direction on screen.
    y = std::clamp(y, s.bottom() - w, s.top() + w);  // NaN stays NaN
    return {r.left() + (x - s.from) / w * r.width(),
            r.top() + (s.top() - y) / (1.5 * w) * r.height()};
}

void CobwebView::reduce(int columns) const {
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
    paintPicture(p, QSizeF(size()), screenLook());
    return image;
}

void CobwebView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    paintPicture(p, QSizeF(size()), screenLook());
}

void CobwebView::paintPicture(QPainter& p, QSizeF size, const gui::Look& look) const {
    const QRectF r = plotRect(size, look);
    reduce(std::max(2, int(std::lround(r.width() * look.device))));
    p.save();
    p.fillRect(QRectF(QPointF(0, 0), size), Qt::white);
    const auto at = [&](double x, double y) { return toPoint(r, x, y); };
    // Lines one device pixel wide are drawn cosmetic, line by line, where a
    // wider one would be stroked as one outline of the whole, humps over
    // humps; wider ones (files, the projector) as drawn.
    const auto line = [&](const QColor& colour, double width) {
        QPen pen(colour, look.len(width));
        if (look.len(width) * look.device <= 1) {
            pen.setWidth(1);
            pen.setCosmetic(true);
        }
        return pen;
    };

    // Grid lines at round numbers across the span, about four steps of it;
    // every other one labelled, and the picture's foot and head ([0, 1] in
    // quarters, −0.25 and 1.25 for the built-in maps).
    const cobweb::Span& s = scene_.span;
    const Ticks ticks = ticksAcross(s.from, s.to);
    auto label = [](double v) { return QString::number(v, 'g', 10); };
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(line(kGrid, 1));
    for (double v : ticks.values) {
        if (v > s.from && v < s.to) p.drawLine(at(v, s.bottom()), at(v, s.top()));
        p.drawLine(at(s.from, v), at(s.to, v));
    }
    QFont small = look.font;
    small.setPixelSize(std::max(int(std::lround(9 * look.large)),
                                int(std::lround(look.font.pixelSize() * 0.85))));
    p.setFont(small);
    p.setPen(Qt::black);
    const double text = QFontMetricsF(small).height() + look.len(2);
    std::vector<double> heights = {s.bottom(), s.top()};
    for (std::size_t i = 0; i < ticks.values.size(); ++i) {
        if (!ticks.labelled[i]) continue;
        const double v = ticks.values[i];
        const QPointF where = at(v, s.bottom());
        p.drawText(QRectF(where.x() - look.len(30), where.y() + look.len(4), look.len(60), text),
                   Qt::AlignHCenter | Qt::AlignTop, label(v));
        heights.push_back(v);
    }
    for (double v : heights) {
        const QPointF where = at(s.from, v);
        p.drawText(QRectF(where.x() - r.left(), where.y() - text / 2, r.left() - look.len(6), text),
                   Qt::AlignRight | Qt::AlignVCenter, label(v));
    }
    p.drawText(QRectF(r.left(), look.len(2), r.width(), r.top() - look.len(4)),
               Qt::AlignLeft | Qt::AlignVCenter,
               scene_.fold == 1 ? QStringLiteral("y = f(x)")
                                : QStringLiteral("y = f^%1(x)").arg(scene_.fold));

    p.save();
    p.setClipRect(r);
    // The diagonal.
    p.setPen(line(kDiagonal, 1));
    QPainterPath diagonal(at(s.from, s.from));
    diagonal.lineTo(at(s.to, s.to));
    p.drawPath(diagonal);

    // The staircase, under the graph so that a long orbit does not hide it;
    // its current step above both. Lines across and up or down need no
    // smoothing.
    p.setRenderHint(QPainter::Antialiasing, false);
    // Each a path of its segments, joined where one ends at the next's start.
    QPainterPath stairs, current;
    if (scene_.segments) {
        const std::size_t count = scene_.segments->size();
        const std::size_t earlier = count >= 2 ? count - 2 : 0;
        for (std::size_t i = 0; i < count; ++i) {
            const cobweb::Segment& g = (*scene_.segments)[i];
            QPainterPath& path = i < earlier ? stairs : current;
            const QPointF from = at(g.x1, g.y1);
            if (path.elementCount() == 0 || path.currentPosition() != from) path.moveTo(from);
            path.lineTo(at(g.x2, g.y2));
        }
    }
    p.setPen(line(kStair, 1));
    p.setBrush(Qt::NoBrush);
    p.drawPath(stairs);

    // The graph: a polyline through the reduced samples, broken where a
    // value is not finite.
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(line(kCurve, 1));
    QPainterPath graph;
    bool open = false;
    for (std::size_t i = 0; i < xs_.size(); ++i) {
        if (!std::isfinite(ys_[i])) {
            open = false;
            continue;
        }
        const QPointF point = at(xs_[i], ys_[i]);
        if (open) {
            graph.lineTo(point);
        } else {
            graph.moveTo(point);
            open = true;
        }
    }
    p.drawPath(graph);

    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(kCurrent, look.len(2)));
    p.drawPath(current);

    // The points of period k on the diagonal; the start and the current
    // point of the orbit.
    p.setRenderHint(QPainter::Antialiasing, true);
    if (scene_.points && !scene_.points->points.empty()) {
        const auto& points = scene_.points->points;
        const bool raster = p.paintEngine() && p.paintEngine()->type() == QPaintEngine::Raster;
        if (raster && points.size() > 500) {
            // Each mark drawn once into an image, then set down at every
            // point: a graph of period 12 has thousands.
            const QImage marks[2] = {mark(false), mark(true)};
            const QSizeF size = QSizeF(marks[0].size()) * look.large;
            for (const cobweb::PeriodicPoint& q : points) {
                const QPointF centre = at(q.x, q.x);
                p.drawImage(QRectF(centre - QPointF(size.width(), size.height()) / 2, size),
                            marks[q.stable ? 1 : 0]);
            }
        } else {
            // Shapes, for a file of vectors.
            p.setPen(QPen(kPoint, look.len(1)));
            for (const cobweb::PeriodicPoint& q : points) {
                p.setBrush(q.stable ? QBrush(kPoint) : QBrush(Qt::white));
                p.drawEllipse(at(q.x, q.x), look.len(4), look.len(4));
            }
        }
    }
    p.setPen(Qt::NoPen);
    p.setBrush(kCurrent);
    const QPointF start = at(scene_.x0, scene_.base);
    p.drawPolygon(QPolygonF({start, start + QPointF(-look.len(5), look.len(9)),
                             start + QPointF(look.len(5), look.len(9))}));
    if (scene_.hasCurrent) {
        p.drawEllipse(at(scene_.current, scene_.current), look.len(3.5), look.len(3.5));
    }
    p.restore();

    p.setRenderHint(QPainter::Antialiasing, false);
    p.setBrush(Qt::NoBrush);
    p.setPen(line(kFrame, 1));
    p.drawRect(r.adjusted(look.len(0.5), look.len(0.5), -look.len(0.5), -look.len(0.5)));
    p.restore();
}

}  // namespace corvane::explore
