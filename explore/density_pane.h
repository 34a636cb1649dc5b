// The explorer's side pane "Density at the cursor": the histogram of the
// kept iterates of the orbit at the a-cursor, as a density over [0, 1], with
// the closed form drawn over it where it is known, the orbit's period (or
// "chaotic") and the fit. Counted again off the user-interface thread
// whenever the cursor or the orbit changes; a newer count stops the older
// one, whose result is never shown.
#pragma once

#include <QString>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "core/numeric/invariant_density.h"
#include "explore/job_runner.h"
#include "gui/picture.h"

class QLabel;
class QLineEdit;
class QTimer;

namespace corvane::explore {

// Counts the newest request through a job runner of one thread (the count
// is sequential).
class DensityEngine {
public:
    DensityEngine();
    DensityEngine(const DensityEngine&) = delete;
    DensityEngine& operator=(const DensityEngine&) = delete;

    // Starts counting; returns its generation. Whatever was running stops.
    std::uint64_t start(const density::Orbit& setup);
    // Stops the current count; poll() then reports nothing.
    void cancel();

    struct Snapshot {
        std::uint64_t generation = 0;                         // 0: nothing asked for
        std::shared_ptr<const density::Histogram> histogram;  // once finished
        double fractionDone = 0;
    };
    Snapshot poll() const;
    // Counts stopped before their end because a newer one was asked for (or
    // none); tests watch it.
    std::uint64_t abandoned() const { return runner_.abandoned(); }
    // Counts the worker has begun.
    std::uint64_t begun() const { return runner_.begun(); }

private:
    JobRunner<density::Histogram> runner_;
};

// The histogram as bars, one per pixel column (the mean of the bins under
// it, with their largest above it in a lighter shade), and the closed form's
// average over the same bins as a curve.
class DensityPlot : public QWidget {
public:
    explicit DensityPlot(QWidget* parent = nullptr);
    void setHistogram(std::shared_ptr<const density::Histogram> histogram);
    // Shown instead of bars while there is no histogram.
    void setPlaceholder(const QString& text);
    QSize sizeHint() const override { return {320, 220}; }
    QSize minimumSizeHint() const override { return {160, 180}; }
    // The rectangle the bars fill.
    QRect plotRect() const;
    static QRectF plotRect(QSizeF size, const gui::Look& look);
    // Text and lines ×large (the projector view).
    void setLarge(double large);
    gui::Look screenLook() const;
    // The plot into [0, size] of the painter, in `look`: the bars one
    // device pixel wide, as shapes.
    void paintPicture(QPainter& p, QSizeF size, const gui::Look& look) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double large_ = 1;
    std::shared_ptr<const density::Histogram> histogram_;
    QString placeholder_;
    // The column summaries of histogram_ at cachedColumns_ columns.
    mutable std::vector<density::ColumnSummary> columns_;
    mutable std::vector<double> closedForm_;
    mutable int cachedColumns_ = -1;
};

class DensityPane : public QWidget {
public:
    explicit DensityPane(QWidget* parent = nullptr);
    ~DensityPane() override;

    // The orbit at the cursor: the map, the cursor's a (none: nothing to
    // count), and the explorer's x0 and T. Counts again when that or the
    // pane's own N and bins differ from what is shown or being counted.
    void setOrbit(const Map& map, std::optional<double> a, double x0, std::int64_t transient);
    // The a the pane's field takes (the explorer's).
    void setALimits(double least, double most);
    // Bins and N set by the program, brought into their ranges; typed
    // values out of range are refused under their fields instead.
    void setBins(int bins);
    int bins() const;
    void setIterates(std::int64_t n);
    std::int64_t iterates() const;
    // Text and lines of the plot ×large (the projector view).
    void setLarge(double large);
    // Stops counting (the window is closing).
    void cancel();

    // The a typed into the pane's field, for the window to move its cursor.
    std::function<void(double a)> onAEntered;
    // Called with the generation of every histogram drawn.
    std::function<void(std::uint64_t generation)> onDrawn;

    bool isCounting() const;
    std::uint64_t generation() const { return generation_; }
    std::uint64_t drawnGeneration() const { return drawnGeneration_; }
    // The histogram shown; null while counting or with no cursor.
    const density::Histogram* shown() const { return shown_.get(); }
    QString summary() const;
    DensityPlot& plot() const { return *plot_; }
    const DensityEngine& engine() const { return engine_; }
    void pollNow() { poll(); }

private:
    void recount();
    void poll();
    void showText();
    void showCounts();

    DensityEngine engine_;
    DensityPlot* plot_ = nullptr;
    QLabel* summary_ = nullptr;
    QLineEdit* aField_ = nullptr;
    QLineEdit* iteratesField_ = nullptr;
    QLineEdit* binsField_ = nullptr;
    std::int64_t iterates_ = 1'000'000;
    int bins_ = 100;
    double aLeast_ = 0;
    double aMost_ = 5;
    QTimer* pollTimer_ = nullptr;
    Map map_;
    std::optional<double> a_;
    double x0_ = 0.5;
    std::int64_t transient_ = 0;
    std::optional<density::Orbit> requested_;
    std::uint64_t generation_ = 0;
    std::uint64_t drawnGeneration_ = 0;
    std::shared_ptr<const density::Histogram> shown_;
};

// The pane's words for a histogram: the orbit's fate, and the fit where the
// closed form is known.
QString describeFate(const density::Histogram& h);
QString describeFit(const density::Histogram& h);

}  // namespace corvane::explore
