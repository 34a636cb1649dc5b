// The cobweb's picture: the graph of f^k across its span ([0, 1] for the
// built-in maps), the diagonal, the staircase of the orbit between them
// with its current step picked out, and the points of period k on the
// diagonal (filled when stable, hollow when not). It draws what the window
// gives it; it computes nothing but the graph's reduction to its own pixel
// columns.
#pragma once

#include <QImage>
#include <QWidget>
#include <cstdint>
#include <vector>

#include "core/numeric/cobweb.h"
#include "gui/picture.h"

namespace corvane::explore {

// Round numbers across [from, to] for the grid: about four steps of 1, 2,
// 2.5 or 5 times a power of ten, every even multiple of the step labelled.
struct Ticks {
    std::vector<double> values;
    std::vector<bool> labelled;
};
Ticks ticksAcross(double from, double to);

class CobwebView : public QWidget {
public:
    explicit CobwebView(QWidget* parent = nullptr);

    // What to draw; the objects stay the window's and must outlive the
    // next setScene() or paint. `curveVersion` changes whenever the curve
    // does, so that its reduction is made again.
    struct Scene {
        const cobweb::Curve* curve = nullptr;
        std::uint64_t curveVersion = 0;
        const std::vector<cobweb::Segment>* segments = nullptr;
        const cobweb::PeriodicPoints* points = nullptr;
        cobweb::Span span;
        double x0 = 0;
        double base = 0;          // the height the staircase starts from, below x0
        bool hasCurrent = false;  // the orbit's last point, on the diagonal
        double current = 0;
        int fold = 1;
    };
    void setScene(const Scene& scene);

    // Where the picture is drawn inside the widget.
    QRect plotRect() const;
    // The widget's coordinates of a point of the picture.
    QPointF toWidget(double x, double y) const;

    // The picture as the window shows it, at the widget's size.
    QImage render() const;
    // Text and lines ×large (the projector view).
    void setLarge(double large);
    double large() const { return large_; }
    gui::Look screenLook() const;
    // Where the graph is drawn in a picture of `size` in `look`.
    static QRectF plotRect(QSizeF size, const gui::Look& look);
    // The picture into [0, size] of the painter, in `look`: text as text,
    // the graph, diagonal and staircase as lines, the graph reduced to one
    // sample per device pixel.
    void paintPicture(QPainter& p, QSizeF size, const gui::Look& look) const;

    QSize sizeHint() const override { return {640, 640}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPointF toPoint(const QRectF& r, double x, double y) const;
    void reduce(int columns) const;

    Scene scene_;
    double large_ = 1;
    // The graph reduced to the plot's pixel columns, for that curve and width.
    mutable std::vector<double> xs_, ys_;
    mutable std::uint64_t reducedVersion_ = 0;
    mutable int reducedColumns_ = 0;
    mutable cobweb::Span reducedSpan_;
};

}  // namespace corvane::explore
