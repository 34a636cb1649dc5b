#include "explore/bifurcation_view.h"

#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace corvane::explore {

namespace {

// Margins around the two panes, in pixels.
constexpr int kLeft = 64;
constexpr int kRight = 14;
constexpr int kTop = 10;
constexpr int kGap = 8;
constexpr int kBottom = 40;
// The diagram's share of the height the panes get.
constexpr double kDiagramShare = 0.74;

const QColor kEscapedMark(200, 0, 0);
const QColor kLeftMark(230, 140, 0);
const QColor kCursor(30, 90, 220);
const QColor kPeriodicFill(170, 200, 240);

// About `count` round tick values across [lo, hi].
std::vector<double> ticks(double lo, double hi, int count) {
    std::vector<double> out;
    const double span = hi - lo;
    if (!(span > 0) || !std::isfinite(span)) return out;
    const double raw = span / std::max(count, 1);
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    double step = magnitude;
    for (double m : {1.0, 2.0, 5.0, 10.0}) {
        step = m * magnitude;
        if (step >= raw) break;
    }
    for (double t = std::ceil(lo / step) * step; t <= hi + step * 1e-9; t += step) {
        out.push_back(std::fabs(t) < step * 1e-9 ? 0.0 : t);
    }
    return out;
}

// Enough digits to tell neighbouring ticks `step` apart.
QString tickText(double value, double step) {
    const int decimals = std::clamp(int(std::ceil(-std::log10(step) - 1e-9)), 0, 15);
    const QString text = QString::number(value, 'f', decimals);
    return text;
}

}  // namespace

BifurcationView::BifurcationView(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setMinimumSize(320, 240);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::ClickFocus);
}

BifurcationView::Frame BifurcationView::frameFor(QSizeF size, const gui::Look& look) {
    const double left = look.px(kLeft), right = look.px(kRight), top = look.px(kTop),
                 gap = look.px(kGap), bottom = look.px(kBottom);
    const double panes = std::max(size.height() - top - gap - bottom, 2.0);
    const double h = std::max(1.0, double(std::lround(panes * kDiagramShare)));
    const QRectF d(left, top, std::max(1.0, size.width() - left - right), h);
    const double stripTop = d.bottom() + gap;
    return {d, QRectF(left, stripTop, d.width(), std::max(1.0, size.height() - bottom - stripTop))};
}

gui::Look BifurcationView::screenLook() const {
    // One column of the diagram to a pixel of the widget, whatever the screen.
    return gui::makeLook(font(), large_, 1.0);
}

void BifurcationView::setLarge(double large) {
    if (large == large_) return;
    large_ = large;
    update();
    if (onResize) onResize();
}

QRect BifurcationView::diagramRect() const {
    return frameFor(QSizeF(size()), screenLook()).diagram.toRect();
}

QRect BifurcationView::stripRect() const {
    return frameFor(QSizeF(size()), screenLook()).strip.toRect();
}

int BifurcationView::columns() const { return diagramRect().width(); }
int BifurcationView::rows() const { return diagramRect().height(); }

void BifurcationView::setView(const View& view) {
    view_ = view;
    update();
}

void BifurcationView::setPicture(QImage diagram, std::vector<double> lyapunov,
                                 std::vector<ColumnMark> marks) {
    diagram_ = std::move(diagram);
    // Grey to 32-bit pixels here, once, so that painting converts nothing
    // (Qt would convert a large image on threads of its own).
    shown_.image = QImage(diagram_.size(), QImage::Format_RGB32);
    for (int y = 0; y < diagram_.height(); ++y) {
        const uchar* grey = diagram_.constScanLine(y);
        auto* pixel = reinterpret_cast<QRgb*>(shown_.image.scanLine(y));
        for (int x = 0; x < diagram_.width(); ++x) pixel[x] = qRgb(grey[x], grey[x], grey[x]);
    }
    shown_.lyapunov = std::move(lyapunov);
    shown_.marks = std::move(marks);
    update();
}

void BifurcationView::clearPicture() {
    diagram_ = QImage();
    shown_ = {};
    update();
}

void BifurcationView::setLyapunovRange(std::optional<std::pair<double, double>> range) {
    userRange_ = range;
    update();
}

std::pair<double, double> BifurcationView::lyapunovRange() const {
    if (userRange_) return *userRange_;
    double lo = 0, hi = 0;
    for (double l : shown_.lyapunov) {
        if (!std::isfinite(l)) continue;
        lo = std::min(lo, l);
        hi = std::max(hi, l);
    }
    lo = std::max(lo, -3.0);
    hi = std::min(hi, 1.0);
    // Room around the values, and 0 always inside.
    const double pad = 0.05 * (hi - lo) + 0.05;
    return {std::max(-3.0, lo - pad), std::min(1.0, hi + pad)};
}

void BifurcationView::setCursorA(std::optional<double> a) {
    cursorA_ = a;
    update();
}

void BifurcationView::setAMarks(std::vector<AMark> marks) {
    aMarks_ = std::move(marks);
    update();
}

void BifurcationView::paintAMarks(QPainter& p, const Frame& f, const gui::Look& look) const {
    const QFontMetricsF fm(look.font);
    const QColor colour(190, 30, 30);
    double lastLabelEnd = -1e9;
    for (const AMark& mark : aMarks_) {
        const double x = pxOf(f.diagram, view_, mark.a);
        if (!(x >= f.diagram.left() && x <= f.diagram.right())) continue;
        p.setPen(QPen(QColor(190, 30, 30, 110), look.len(1), Qt::DashLine));
        p.drawLine(QPointF(x, f.diagram.top()), QPointF(x, f.strip.bottom()));
        p.setPen(QPen(colour, look.len(2)));
        p.drawLine(QPointF(x, f.strip.bottom() - look.len(6)), QPointF(x, f.strip.bottom()));
        // Names left to right while they do not overlap.
        const double width = fm.horizontalAdvance(mark.label);
        if (x - width / 2 > lastLabelEnd + look.len(4)) {
            p.setPen(colour);
            p.drawText(QPointF(x - width / 2, f.strip.bottom() - look.len(8)), mark.label);
            lastLabelEnd = x + width / 2;
        }
    }
}

double BifurcationView::pxOf(const QRectF& d, const View& v, double a) {
    return d.left() + (a - v.aMin) / (v.aMax - v.aMin) * d.width();
}

double BifurcationView::aAt(double px) const {
    const QRect d = diagramRect();
    return view_.aMin + (view_.aMax - view_.aMin) * ((px - d.left()) / d.width());
}

double BifurcationView::xAt(double py) const {
    const QRect d = diagramRect();
    return view_.xMax - (view_.xMax - view_.xMin) * ((py - d.top()) / d.height());
}

double BifurcationView::pxOfA(double a) const { return pxOf(QRectF(diagramRect()), view_, a); }

int BifurcationView::columnAt(double px) const {
    const QRect d = diagramRect();
    const double c = std::floor(px - d.left());
    return c >= 0 && c < d.width() ? int(c) : -1;
}

double BifurcationView::stripY(const QRectF& s, double lambda) const {
    const auto [lo, hi] = lyapunovRange();
    const double t = (hi - lambda) / (hi - lo);
    return s.top() + std::clamp(t, 0.0, 1.0) * s.height();
}

void BifurcationView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    const gui::Look look = screenLook();
    paintPicture(p, QSizeF(size()), look, shown_);
    if (pressAt_ && pressInDiagram_) {
        const QRect band = QRect(*pressAt_, dragTo_).normalized().intersected(diagramRect());
        p.setPen(QPen(Qt::darkGray, 1, Qt::DashLine));
        p.setBrush(QColor(30, 90, 220, 40));
        p.drawRect(band);
    }
}

void BifurcationView::paintPicture(QPainter& p, QSizeF size, const gui::Look& look,
                                   const DiagramPicture& picture) const {
    const Frame f = frameFor(size, look);
    p.save();
    p.setFont(look.font);
    paintDiagram(p, f, look, picture);
    paintStrip(p, f, look, picture);
    paintAxes(p, f, size, look);
    paintAMarks(p, f, look);
    if (cursorA_) {
        const double x = pxOf(f.diagram, view_, *cursorA_);
        if (x >= f.diagram.left() && x <= f.diagram.right()) {
            p.setPen(QPen(kCursor, look.len(1)));
            p.drawLine(QPointF(x, f.diagram.top()), QPointF(x, f.strip.bottom()));
        }
    }
    p.restore();
}

void BifurcationView::paintDiagram(QPainter& p, const Frame& f, const gui::Look& look,
                                   const DiagramPicture& picture) const {
    const QRectF& d = f.diagram;
    p.fillRect(d, Qt::white);
    if (!picture.image.isNull()) {
        // Pixel for pixel on a device of the picture's resolution: set down
        // at the device's own pixels, where a scaled painter would resample.
        const QRectF target(d.topLeft(), QSizeF(picture.image.size()) / look.device);
        const QRectF onDevice = p.transform().mapRect(target);
        if (p.transform().type() <= QTransform::TxScale &&
            std::abs(onDevice.width() - picture.image.width()) < 0.01 &&
            std::abs(onDevice.height() - picture.image.height()) < 0.01) {
            p.save();
            p.resetTransform();
            p.drawImage(QPointF(std::round(onDevice.left()), std::round(onDevice.top())),
                        picture.image);
            p.restore();
        } else {
            p.drawImage(target, picture.image);
        }
    }
    // Marks at the top edge for the columns whose orbit left [0, 1] or
    // became non-finite.
    const double column = 1.0 / look.device;
    for (std::size_t c = 0; c < picture.marks.size(); ++c) {
        if (picture.marks[c] == ColumnMark::None) continue;
        p.fillRect(QRectF(d.left() + double(c) * column, d.top(), column, look.len(4)),
                   picture.marks[c] == ColumnMark::Escaped ? kEscapedMark : kLeftMark);
    }
    p.setPen(QPen(Qt::black, look.len(1)));
    p.setBrush(Qt::NoBrush);
    p.drawRect(d.adjusted(-look.len(0.5), -look.len(0.5), look.len(0.5), look.len(0.5)));
}

void BifurcationView::paintStrip(QPainter& p, const Frame& f, const gui::Look& look,
                                 const DiagramPicture& picture) const {
    const QRectF& s = f.strip;
    const std::vector<double>& lyapunov = picture.lyapunov;
    p.fillRect(s, Qt::white);
    const double zero = stripY(s, 0);
    const double column = 1.0 / look.device;
    // Shaded where λ < 0: the periodic windows, one path of column bars.
    QPainterPath shade;
    for (std::size_t c = 0; c < lyapunov.size(); ++c) {
        const double l = lyapunov[c];
        if (std::isnan(l) || !(l < 0)) continue;
        shade.addRect(QRectF(s.left() + double(c) * column, zero, column, stripY(s, l) - zero));
    }
    p.fillPath(shade, kPeriodicFill);
    p.setPen(QPen(Qt::darkGray, look.len(1)));
    p.drawLine(QPointF(s.left(), zero), QPointF(s.right(), zero));
    // λ(a) as a line through the column centres; −∞ at the bottom edge, gaps
    // where there is no value (not computed yet, escaped, no kept steps).
    QPainterPath path;
    bool open = false;
    for (std::size_t c = 0; c < lyapunov.size(); ++c) {
        const double l = lyapunov[c];
        if (std::isnan(l) || l == std::numeric_limits<double>::infinity()) {
            open = false;
            continue;
        }
        const QPointF point(s.left() + (double(c) + 0.5) * column, stripY(s, l));
        if (open) {
            path.lineTo(point);
        } else {
            path.moveTo(point);
            open = true;
        }
    }
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(Qt::black, look.len(1)));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
    p.drawRect(s.adjusted(-look.len(0.5), -look.len(0.5), look.len(0.5), look.len(0.5)));
}

void BifurcationView::paintAxes(QPainter& p, const Frame& f, QSizeF size,
                                const gui::Look& look) const {
    const QRectF& d = f.diagram;
    const QRectF& s = f.strip;
    const QFontMetricsF fm(look.font);
    const double tick = look.len(5), pad = look.len(7);
    // Flat ends: a tick stops at the frame, never over the diagram.
    p.setPen(QPen(Qt::black, look.len(1), Qt::SolidLine, Qt::FlatCap));
    // a below the strip.
    const auto aTicks =
        ticks(view_.aMin, view_.aMax, std::max(2, int(d.width() / look.len(110))));
    const double aStep = aTicks.size() > 1 ? aTicks[1] - aTicks[0] : view_.aMax - view_.aMin;
    for (double a : aTicks) {
        const double x = pxOf(d, view_, a);
        p.drawLine(QPointF(x, s.bottom()), QPointF(x, s.bottom() + tick));
        const QString text = tickText(a, aStep);
        p.drawText(QPointF(x - fm.horizontalAdvance(text) / 2.0, s.bottom() + tick + 1 + fm.ascent()),
                   text);
    }
    p.drawText(QPointF(d.right() - fm.horizontalAdvance("a"), size.height() - look.len(4)), "a");
    // x left of the diagram.
    const auto xTicks = ticks(view_.xMin, view_.xMax, std::max(2, int(d.height() / look.len(60))));
    const double xStep = xTicks.size() > 1 ? xTicks[1] - xTicks[0] : view_.xMax - view_.xMin;
    for (double x : xTicks) {
        const double y = d.top() + (view_.xMax - x) / (view_.xMax - view_.xMin) * d.height();
        p.drawLine(QPointF(d.left() - tick, y), QPointF(d.left(), y));
        const QString text = tickText(x, xStep);
        p.drawText(QPointF(d.left() - pad - fm.horizontalAdvance(text), y + fm.ascent() / 2.0 - 1),
                   text);
    }
    p.drawText(QPointF(look.len(4), d.top() + fm.ascent()), "x");
    // λ left of the strip.
    const auto [lo, hi] = lyapunovRange();
    const auto lTicks = ticks(lo, hi, std::max(2, int(s.height() / look.len(40))));
    const double lStep = lTicks.size() > 1 ? lTicks[1] - lTicks[0] : hi - lo;
    for (double l : lTicks) {
        const double y = stripY(s, l);
        p.drawLine(QPointF(s.left() - tick, y), QPointF(s.left(), y));
        const QString text = tickText(l, lStep);
        p.drawText(QPointF(s.left() - pad - fm.horizontalAdvance(text), y + fm.ascent() / 2.0 - 1),
                   text);
    }
    p.drawText(QPointF(look.len(4), s.top() + fm.ascent()), QString::fromUtf8("\u03bb"));
}

void BifurcationView::resizeEvent(QResizeEvent*) {
    if (onResize) onResize();
}

void BifurcationView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const QPoint at = event->position().toPoint();
    const bool inDiagram = diagramRect().contains(at);
    if (!inDiagram && !stripRect().contains(at)) return;
    pressAt_ = at;
    dragTo_ = at;
    pressInDiagram_ = inDiagram;
}

void BifurcationView::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (pressAt_) {
        dragTo_ = at;
        update();
    }
    const bool inDiagram = diagramRect().contains(at);
    if (!inDiagram && !stripRect().contains(at)) {
        if (onLeave) onLeave();
        return;
    }
    if (onHover) {
        onHover(aAt(at.x()), inDiagram ? std::optional(xAt(at.y())) : std::nullopt,
                columnAt(at.x()));
    }
}

void BifurcationView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !pressAt_) return;
    const QPoint from = *pressAt_;
    const QPoint to = event->position().toPoint();
    pressAt_.reset();
    update();
    const bool click =
        std::abs(to.x() - from.x()) <= kClickSlack && std::abs(to.y() - from.y()) <= kClickSlack;
    if (click || !pressInDiagram_) {
        const int column = columnAt(from.x());
        if (column >= 0 && onClick) onClick(column);
        return;
    }
    // The rectangle's edges, clipped to the diagram, as pixel boundaries.
    const QRect d = diagramRect();
    const double left =
        std::clamp(double(std::min(from.x(), to.x())), double(d.left()), double(d.right() + 1));
    const double right =
        std::clamp(double(std::max(from.x(), to.x())), double(d.left()), double(d.right() + 1));
    const double top =
        std::clamp(double(std::min(from.y(), to.y())), double(d.top()), double(d.bottom() + 1));
    const double bottom =
        std::clamp(double(std::max(from.y(), to.y())), double(d.top()), double(d.bottom() + 1));
    if (onZoomRect) onZoomRect(aAt(left), aAt(right), xAt(bottom), xAt(top));
}

void BifurcationView::cancelDrag() {
    pressAt_.reset();
    update();
}

void BifurcationView::wheelEvent(QWheelEvent* event) {
    const QPointF at = event->position();
    const bool inDiagram = diagramRect().contains(at.toPoint());
    if (!inDiagram && !stripRect().contains(at.toPoint())) return;
    const double notches = event->angleDelta().y() / 120.0;
    if (notches == 0 || !onWheel) return;
    // One notch forward narrows the view to 80 %, about the cursor.
    onWheel(aAt(at.x()), inDiagram ? std::optional(xAt(at.y())) : std::nullopt,
            std::pow(0.8, notches));
    event->accept();
}

void BifurcationView::leaveEvent(QEvent*) {
    if (onLeave) onLeave();
}

void BifurcationView::contextMenuEvent(QContextMenuEvent* event) {
    const int column = columnAt(event->pos().x());
    if (onContextMenu) onContextMenu(event->globalPos(), column);
}

}  // namespace corvane::explore
