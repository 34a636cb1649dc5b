#include "explore/plane_view.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace corvane::explore {

namespace {

constexpr double kDeepest = 2;   // λ ≤ −2 takes the deepest blue
constexpr double kHottest = 1;   // λ ≥ 1 the deepest red

QColor mix(QColor from, QColor to, double t) {
    t = std::clamp(t, 0.0, 1.0);
    return QColor::fromRgbF(float(from.redF() + (to.redF() - from.redF()) * t),
                            float(from.greenF() + (to.greenF() - from.greenF()) * t),
                            float(from.blueF() + (to.blueF() - from.blueF()) * t));
}

const QColor kNeutral(250, 250, 245);
const QColor kStable(8, 40, 130);
const QColor kChaotic(170, 20, 20);
const QColor kEscaped(0, 0, 0);

QColor periodColour(int p) {
    static const QColor colours[] = {
        {31, 119, 180}, {255, 127, 14}, {44, 160, 44},  {214, 39, 40},
        {148, 103, 189}, {140, 86, 75}, {227, 119, 194}, {188, 189, 34},
        {23, 190, 207}, {255, 187, 120}, {152, 223, 138}, {197, 176, 213},
    };
    return colours[(p - 1) % 12];
}

// Nice steps for the axes' ticks: about `count` across [lo, hi].
std::vector<double> ticks(double lo, double hi, int count) {
    const double raw = (hi - lo) / std::max(count, 1);
    const double step10 = std::pow(10, std::floor(std::log10(raw)));
    double step = step10;
    for (double m : {1.0, 2.0, 5.0, 10.0}) {
        if (m * step10 >= raw) {
            step = m * step10;
            break;
        }
    }
    std::vector<double> out;
    for (double t = std::ceil(lo / step) * step; t <= hi + step * 1e-9; t += step) {
        out.push_back(std::fabs(t) < step * 1e-9 ? 0 : t);
    }
    return out;
}

QString tickText(double v) { return QString::number(v, 'g', 6); }

}  // namespace

QColor planeColour(const plane::PointOutcome& o, tools::PlaneColouring colouring) {
    if (o.escaped) return kEscaped;
    switch (colouring) {
        case tools::PlaneColouring::Period:
            return o.period > 0 ? periodColour(o.period) : QColor(205, 205, 205);
        case tools::PlaneColouring::Winding:
            if (std::isnan(o.winding)) return QColor(205, 205, 205);
            {
                // Mod 1, a winding number a rounding short of a whole
                // one taken as whole: 1 is the same turn as 0.
                const double w = std::max(0.0, o.winding - std::floor(o.winding + 1e-9));
                QColor c = QColor::fromHsvF(float(w * 0.8), o.period > 0 ? 0.85f : 0.25f,
                                            o.period > 0 ? 0.85f : 1.0f);
                return c;
            }
        case tools::PlaneColouring::Lyapunov:
            break;
    }
    const double l = o.lyapunov;
    if (std::isnan(l)) return QColor(205, 205, 205);  // a slope that is no number
    if (l < 0) return mix(kNeutral, kStable, std::sqrt(std::min(-l / kDeepest, 1.0)));
    return mix(kNeutral, kChaotic, std::sqrt(std::min(l / kHottest, 1.0)));
}

PlaneView::PlaneView(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setMinimumSize(320, 240);
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(QStringLiteral("Parameter plane"));
}

void PlaneView::setPlane(std::shared_ptr<const PlanePixels> pixels, const tools::PlaneView& view,
                         tools::PlaneColouring colouring) {
    pixels_ = std::move(pixels);
    view_ = view;
    colouring_ = colouring;
    image_ = pixels_ ? planeImage(*pixels_, colouring) : QImage();
    update();
}

QImage PlaneView::planeImage(const PlanePixels& pixels, tools::PlaneColouring colouring) {
    const plane::Grid& g = pixels.grid;
    if (g.columns <= 0 || g.rows <= 0) return {};
    QImage image(g.columns, g.rows, QImage::Format_RGB32);
    if (image.isNull()) return image;
    for (int r = 0; r < g.rows; ++r) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(r));
        for (int c = 0; c < g.columns; ++c) line[c] = planeColour(pixels.at(c, r), colouring).rgb();
    }
    return image;
}

void PlaneView::setCursor(std::optional<std::pair<double, double>> cursor) {
    cursor_ = cursor;
    update();
}

void PlaneView::setLarge(double large) {
    large_ = large;
    update();
}

gui::Look PlaneView::screenLook() const { return gui::makeLook(font(), large_, 1.0); }

QRectF PlaneView::plotRectFor(QSizeF size, const gui::Look& look) {
    const QFontMetricsF m(look.font);
    const double left = m.horizontalAdvance(QStringLiteral("-0.00000")) + look.len(14);
    const double bottom = 2 * m.height() + look.len(12);
    const double legend = m.horizontalAdvance(QStringLiteral("escaped -0.0")) + look.len(40);
    const double top = m.height() * 0.8;
    return QRectF(left, top, std::max(10.0, size.width() - left - legend),
                  std::max(10.0, size.height() - top - bottom));
}

QSize PlaneView::plotPixels() const {
    // One pixel of the plane a pixel of the screen, at 2× too.
    const QRectF r = plotRect(QSizeF(size()), screenLook());
    const double ratio = devicePixelRatioF();
    return QSize(std::max(1, int(r.width() * ratio)), std::max(1, int(r.height() * ratio)));
}

std::optional<std::pair<double, double>> PlaneView::pointAt(QPointF at) const {
    const QRectF r = plotRect(QSizeF(size()), screenLook());
    if (!r.contains(at)) return std::nullopt;
    const double p = view_.pMin + (view_.pMax - view_.pMin) * (at.x() - r.left()) / r.width();
    const double q = view_.qMax - (view_.qMax - view_.qMin) * (at.y() - r.top()) / r.height();
    return std::pair(p, q);
}

const plane::PointOutcome* PlaneView::outcomeAt(double p, double q) const {
    if (!pixels_ || !(pixels_->grid.columns > 0)) return nullptr;
    const plane::Grid& g = pixels_->grid;
    const int c = int(std::floor((p - g.pMin) / (g.pMax - g.pMin) * g.columns));
    const int r = int(std::floor((g.qMax - q) / (g.qMax - g.qMin) * g.rows));
    if (c < 0 || c >= g.columns || r < 0 || r >= g.rows) return nullptr;
    return &pixels_->at(c, r);
}

void PlaneView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    paintPicture(p, QSizeF(size()), screenLook());
    if (dragFrom_) {
        p.setPen(QPen(Qt::white, 1, Qt::DashLine));
        p.setBrush(QColor(255, 255, 255, 50));
        p.drawRect(QRectF(*dragFrom_, dragTo_).normalized());
    }
}

void PlaneView::paintPicture(QPainter& p, QSizeF size, const gui::Look& look,
                             const QImage* raster) const {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.fillRect(QRectF(QPointF(0, 0), size), Qt::white);
    p.setFont(look.font);
    const QFontMetricsF m(look.font);
    const QRectF r = plotRect(size, look);
    const QImage& image = raster ? *raster : image_;
    if (!image.isNull()) {
        // The pixels as squares: smoothing would invent colours between
        // periods.
        p.setRenderHint(QPainter::SmoothPixmapTransform, false);
        p.drawImage(r, image);
    } else {
        p.fillRect(r, QColor(235, 235, 235));
    }
    p.setPen(QPen(Qt::black, look.len(1)));
    p.setBrush(Qt::NoBrush);
    p.drawRect(r);
    // Axes.
    const tools::ParameterNames names = tools::parameterNames(view_.map);
    const double tick = look.len(5);
    for (double t : ticks(view_.pMin, view_.pMax, int(r.width() / (look.len(90))))) {
        const double x = r.left() + (t - view_.pMin) / (view_.pMax - view_.pMin) * r.width();
        p.drawLine(QPointF(x, r.bottom()), QPointF(x, r.bottom() + tick));
        const QString s = tickText(t);
        p.drawText(QPointF(x - m.horizontalAdvance(s) / 2, r.bottom() + tick + m.ascent()), s);
    }
    for (double t : ticks(view_.qMin, view_.qMax, int(r.height() / (look.len(60))))) {
        const double y = r.bottom() - (t - view_.qMin) / (view_.qMax - view_.qMin) * r.height();
        p.drawLine(QPointF(r.left() - tick, y), QPointF(r.left(), y));
        const QString s = tickText(t);
        p.drawText(QPointF(r.left() - tick - look.len(2) - m.horizontalAdvance(s),
                           y + m.ascent() / 2 - look.len(1)),
                   s);
    }
    const QString pName = QString::fromStdString(names.p), qName = QString::fromStdString(names.q);
    p.drawText(QPointF(r.center().x() - m.horizontalAdvance(pName) / 2,
                       r.bottom() + tick + m.height() + m.ascent()),
               pName);
    p.drawText(QPointF(look.len(4), r.top() + m.ascent()), qName);
    // The cursor.
    if (cursor_) {
        const double x = r.left() + (cursor_->first - view_.pMin) / (view_.pMax - view_.pMin) * r.width();
        const double y = r.bottom() - (cursor_->second - view_.qMin) / (view_.qMax - view_.qMin) * r.height();
        if (r.contains(QPointF(x, y))) {
            p.setPen(QPen(Qt::white, look.len(3)));
            p.drawLine(QPointF(x - look.len(9), y), QPointF(x + look.len(9), y));
            p.drawLine(QPointF(x, y - look.len(9)), QPointF(x, y + look.len(9)));
            p.setPen(QPen(Qt::black, look.len(1.2)));
            p.drawLine(QPointF(x - look.len(9), y), QPointF(x + look.len(9), y));
            p.drawLine(QPointF(x, y - look.len(9)), QPointF(x, y + look.len(9)));
        }
    }
    // The legend.
    const double lx = r.right() + look.len(12), lw = look.len(16);
    if (colouring_ == tools::PlaneColouring::Lyapunov) {
        const double top = r.top(), height = r.height() * 0.8;
        const int steps = std::max(2, int(height));
        for (int i = 0; i < steps; ++i) {
            const double l = kHottest - (kHottest + kDeepest) * i / (steps - 1.0);
            plane::PointOutcome o;
            o.lyapunov = l;
            p.fillRect(QRectF(lx, top + height * i / steps, lw, height / steps + 1),
                       planeColour(o, colouring_));
        }
        p.setPen(QPen(Qt::black, look.len(1)));
        p.drawRect(QRectF(lx, top, lw, height));
        for (double l : {1.0, 0.5, 0.0, -1.0, -2.0}) {
            const double y = top + height * (kHottest - l) / (kHottest + kDeepest);
            p.drawLine(QPointF(lx + lw, y), QPointF(lx + lw + tick, y));
            p.drawText(QPointF(lx + lw + tick + look.len(2), y + m.ascent() / 2 - look.len(1)),
                       l == 0 ? QStringLiteral("λ = 0") : tickText(l));
        }
        const double ey = top + height + look.len(10);
        p.fillRect(QRectF(lx, ey, lw, lw), kEscaped);
        p.drawText(QPointF(lx + lw + look.len(4), ey + lw / 2 + m.ascent() / 2 - look.len(1)),
                   QStringLiteral("escaped"));
    } else {
        // A swatch a line: periods 1 to 12 (then the colours repeat), or
        // winding numbers 0 to 1.
        double y = r.top();
        auto swatch = [&](QColor c, const QString& s) {
            p.fillRect(QRectF(lx, y, lw, m.height() * 0.8), c);
            p.setPen(QPen(Qt::black, look.len(0.8)));
            p.drawRect(QRectF(lx, y, lw, m.height() * 0.8));
            p.drawText(QPointF(lx + lw + look.len(4), y + m.ascent() * 0.8), s);
            y += m.height() * 1.1;
        };
        if (colouring_ == tools::PlaneColouring::Period) {
            p.drawText(QPointF(lx, y + m.ascent()), QStringLiteral("period"));
            y += m.height() * 1.2;
            for (int k = 1; k <= 12; ++k) swatch(periodColour(k), QString::number(k));
            swatch(QColor(205, 205, 205), QStringLiteral("none"));
        } else {
            p.drawText(QPointF(lx, y + m.ascent()), QStringLiteral("winding"));
            y += m.height() * 1.2;
            for (int k = 0; k <= 8; ++k) {
                plane::PointOutcome o;
                o.period = 1;
                o.winding = k / 8.0 * 0.999;
                swatch(planeColour(o, colouring_), tickText(k / 8.0));
            }
        }
        swatch(kEscaped, QStringLiteral("escaped"));
    }
    p.restore();
}

void PlaneView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    if (!pointAt(event->position())) return;
    dragFrom_ = event->position();
    dragTo_ = event->position();
}

void PlaneView::mouseMoveEvent(QMouseEvent* event) {
    if (dragFrom_) {
        dragTo_ = event->position();
        update();
    }
    if (onHover) onHover(pointAt(event->position()));
}

void PlaneView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !dragFrom_) return;
    const QPointF from = *dragFrom_;
    dragFrom_.reset();
    update();
    const QRectF r = plotRect(QSizeF(size()), screenLook());
    QPointF to = event->position();
    to.setX(std::clamp(to.x(), r.left(), r.right()));
    to.setY(std::clamp(to.y(), r.top(), r.bottom()));
    const auto a = pointAt(from), b = pointAt(to);
    if (!a) return;
    if ((to - from).manhattanLength() < 6 || !b) {
        if (onClick) onClick(a->first, a->second);
        return;
    }
    if (onZoom) onZoom(a->first, b->first, a->second, b->second);
}

void PlaneView::wheelEvent(QWheelEvent* event) {
    const auto at = pointAt(event->position());
    const int delta = event->angleDelta().y();
    if (!at || delta == 0) return;
    if (onWheel) onWheel(at->first, at->second, std::pow(0.8, delta / 120.0));
    event->accept();
}

void PlaneView::leaveEvent(QEvent*) {
    if (onHover) onHover(std::nullopt);
}

}  // namespace corvane::explore
