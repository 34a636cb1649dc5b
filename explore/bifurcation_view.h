// The explorer's plot: the bifurcation diagram above, the Lyapunov strip
// below, one a-axis for both. It draws what the window gives it and reports
// the mouse in the coordinates of the view; it computes nothing.
#pragma once

#include <QImage>
#include <QString>
#include <QWidget>
#include <functional>
#include <optional>
#include <vector>

#include "explore/bifurcation_compute.h"
#include "gui/picture.h"

namespace corvane::explore {

// A value of a marked on the a-axis with its name (the superstable
// parameters s_n of the Feigenbaum table).
struct AMark {
    double a = 0;
    QString label;
};

// What a column's orbit did, for the marks at the diagram's top edge.
enum class ColumnMark : std::uint8_t { None, LeftUnitInterval, Escaped };

// What the plot shows of a computation: the diagram's pixels (one column
// per a, in the screen's format or grey), and per column λ and its mark.
struct DiagramPicture {
    QImage image;
    std::vector<double> lyapunov;
    std::vector<ColumnMark> marks;
};

class BifurcationView : public QWidget {
public:
    explicit BifurcationView(QWidget* parent = nullptr);

    // The pixels of the diagram: one column per a, one row per x bin.
    int columns() const;
    int rows() const;
    QRect diagramRect() const;
    QRect stripRect() const;

    void setView(const View& view);
    const View& view() const { return view_; }

    // The picture so far: the diagram's grey image (columns × rows), and per
    // column λ (NaN where not known) and its mark.
    void setPicture(QImage diagram, std::vector<double> lyapunov, std::vector<ColumnMark> marks);
    void clearPicture();
    const QImage& diagram() const { return diagram_; }
    const std::vector<double>& lyapunov() const { return shown_.lyapunov; }

    // The strip's vertical range: the user's, or (when empty) one that fits
    // the values shown, within [−3, 1].
    void setLyapunovRange(std::optional<std::pair<double, double>> range);
    std::pair<double, double> lyapunovRange() const;
    // The range the user set; none: automatic.
    const std::optional<std::pair<double, double>>& userLyapunovRange() const { return userRange_; }

    void setCursorA(std::optional<double> a);
    std::optional<double> cursorA() const { return cursorA_; }

    // Marks on the a-axis, each a dashed line across the diagram and the
    // strip; their names where there is room.
    void setAMarks(std::vector<AMark> marks);
    const std::vector<AMark>& aMarks() const { return aMarks_; }

    // Text and lines ×large (the projector view); the panes' size changes.
    void setLarge(double large);
    double large() const { return large_; }

    // The diagram's and the strip's rectangles in a picture of `size` drawn
    // with `look`.
    struct Frame {
        QRectF diagram, strip;
    };
    static Frame frameFor(QSizeF size, const gui::Look& look);
    // The plot into [0, size] of the painter, as on the screen: the
    // diagram `picture` (any number of columns and rows, stretched over the
    // diagram's rectangle), the strip, axes, marks and cursor, in `look`.
    void paintPicture(QPainter& p, QSizeF size, const gui::Look& look,
                      const DiagramPicture& picture) const;
    // The plot's look on the screen.
    gui::Look screenLook() const;

    // The view's coordinates of a point of the widget, and back.
    double aAt(double px) const;
    double xAt(double py) const;
    double pxOfA(double a) const;
    // The pixel column under px, or -1.
    int columnAt(double px) const;

    // What the mouse does, in the view's coordinates.
    std::function<void(double a1, double a2, double x1, double x2)> onZoomRect;
    std::function<void(double a, std::optional<double> x, double factor)> onWheel;
    std::function<void(int column)> onClick;
    std::function<void(double a, std::optional<double> x, int column)> onHover;
    std::function<void()> onLeave;
    std::function<void(QPoint global, int column)> onContextMenu;
    std::function<void()> onResize;

    // Whether a press on the plot is held (a drag or a click under way), and
    // ending it without a zoom or a click.
    bool dragging() const { return pressAt_.has_value(); }
    void cancelDrag();

    // Moves within this many pixels between press and release are a click.
    static constexpr int kClickSlack = 3;

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    void wheelEvent(QWheelEvent*) override;
    void leaveEvent(QEvent*) override;
    void contextMenuEvent(QContextMenuEvent*) override;

private:
    void paintDiagram(QPainter& p, const Frame& f, const gui::Look& look,
                      const DiagramPicture& picture) const;
    void paintStrip(QPainter& p, const Frame& f, const gui::Look& look,
                    const DiagramPicture& picture) const;
    void paintAxes(QPainter& p, const Frame& f, QSizeF size, const gui::Look& look) const;
    void paintAMarks(QPainter& p, const Frame& f, const gui::Look& look) const;
    double stripY(const QRectF& s, double lambda) const;
    static double pxOf(const QRectF& d, const View& v, double a);

    View view_;
    QImage diagram_;
    DiagramPicture shown_;  // the diagram in the screen's format
    double large_ = 1;
    std::optional<std::pair<double, double>> userRange_;
    std::optional<double> cursorA_;
    std::vector<AMark> aMarks_;
    std::optional<QPoint> pressAt_;
    QPoint dragTo_;
    bool pressInDiagram_ = false;
};

}  // namespace corvane::explore
