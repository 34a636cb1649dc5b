// The parameter plane's picture: each pixel coloured by its Lyapunov
// exponent, its period or its winding number, with axes, a legend and the
// cursor. One paint path for the screen and for exported pictures. Mouse:
// a drag zooms into its rectangle, a click sets the cursor, the wheel
// zooms about the point under it, and moving reports the point.
#pragma once

#include <QColor>
#include <QImage>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

#include "core/tools/plane_model.h"
#include "explore/plane_compute.h"
#include "gui/picture.h"

namespace corvane::explore {

// A pixel's colour: λ < 0 in blue, deeper the more stable (−∞, a slope of
// 0, deepest); λ > 0 in red; λ = 0 white; escaped orbits black. Periods in
// twelve distinct colours, none grey; winding numbers as hues, paler where
// the orbit has no period.
QColor planeColour(const plane::PointOutcome& o, tools::PlaneColouring colouring);

class PlaneView : public QWidget {
public:
    explicit PlaneView(QWidget* parent = nullptr);

    // What to draw: the pixels (at any size: the preview is coarser) of
    // `view`, coloured by `colouring`.
    void setPlane(std::shared_ptr<const PlanePixels> pixels, const tools::PlaneView& view,
                  tools::PlaneColouring colouring);
    void setCursor(std::optional<std::pair<double, double>> cursor);
    void setLarge(double large);
    double large() const { return large_; }
    const tools::PlaneView& view() const { return view_; }
    // The outcome of the pixel under (p, q), when computed.
    const plane::PointOutcome* outcomeAt(double p, double q) const;
    // The pixels the plot area holds at the window's size, in the screen's
    // own pixels.
    QSize plotPixels() const;

    // Draws the plane into [0, size]; `raster`, when given, in place of the
    // pixels shown (a file's own, computed for its size).
    void paintPicture(QPainter& painter, QSizeF size, const gui::Look& look,
                      const QImage* raster = nullptr) const;
    // Where the plane lies in a picture of `size`.
    static QRectF plotRectFor(QSizeF size, const gui::Look& look);
    // The pixels coloured.
    static QImage planeImage(const PlanePixels& pixels, tools::PlaneColouring colouring);

    std::function<void(double p1, double p2, double q1, double q2)> onZoom;
    std::function<void(double p, double q)> onClick;
    std::function<void(double p, double q, double factor)> onWheel;
    std::function<void(std::optional<std::pair<double, double>> at)> onHover;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QRectF plotRect(QSizeF size, const gui::Look& look) const { return plotRectFor(size, look); }
    std::optional<std::pair<double, double>> pointAt(QPointF at) const;
    gui::Look screenLook() const;

    std::shared_ptr<const PlanePixels> pixels_;
    QImage image_;
    tools::PlaneView view_;
    tools::PlaneColouring colouring_ = tools::PlaneColouring::Lyapunov;
    std::optional<std::pair<double, double>> cursor_;
    std::optional<QPointF> dragFrom_;
    QPointF dragTo_;
    double large_ = 1;
};

}  // namespace corvane::explore
