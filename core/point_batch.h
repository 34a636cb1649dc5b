// How the long drawing loops (an orbit, the difference of two orbits) hand
// their points to a surface without a call per point. Such a loop runs in
// stretches of at most kStretch steps, each a function with no call in it, so
// that the orbit's chain stays in registers; the points of a stretch go
//  - straight into the surface's pixels when it keeps them in memory: all in
//    one pixel column when the stretch's x coordinates fall into one, which
//    spares working out x for each point;
//  - otherwise into a PointBatch, handed to PSetPoints after the stretch.
// Either way the surface ends with exactly the pixels, or the recorded points
// in their order, that a PSet per point gives. Memory stays the same whatever
// N is.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "core/numeric/orbit.h"
#include "platform/platform.h"

namespace corvane {

// The x of step n of N across [left, right] of a chart, as the orbit and the
// difference place their points.
struct StepAxis {
    double left;
    double span;   // right - left
    double steps;  // N

    StepAxis(double left, double right, std::int64_t N)
        : left(left), span(right - left), steps(static_cast<double>(N)) {}
    double x(std::int64_t n) const { return left + (span * static_cast<double>(n)) / steps; }
};

// Points on their way to PSetPoints, a stretch at a time.
class PointBatch {
public:
    explicit PointBatch(platform::Window& surface) : surface_(surface) {}
    PointBatch(const PointBatch&) = delete;
    PointBatch& operator=(const PointBatch&) = delete;

    double* slots() { return xy_.data(); }

    // Draws points 0 .. count - 1 of the block, in order.
    void hand(std::size_t count) {
        if (count != 0) surface_.PSetPoints(xy_.data(), count);
    }

private:
    platform::Window& surface_;
    std::array<double, 2 * kStretch> xy_;
};

// The three ways a stretch puts the point (x(n), y); each is copied into the
// stretch and back, so its state lives in registers meanwhile.

// Into the batch.
struct BatchPoints {
    StepAxis axis;
    double* xy;
    std::size_t count = 0;

    void put(std::int64_t n, double y) {
        xy[2 * count] = axis.x(n);
        xy[2 * count + 1] = y;
        ++count;
    }
};

// Into the pixels, each point on its own.
struct GridPoints {
    StepAxis axis;
    platform::PixelGrid grid;
    bool drawn = false;

    void put(std::int64_t n, double y) {
        if (grid.set(axis.x(n), y)) drawn = true;
    }
};

// Into one pixel column: every x of the stretch falls into it.
struct ColumnPoints {
    platform::PixelGrid grid;
    std::uint32_t* column;  // its pixel in the top row
    bool drawn = false;

    void put(std::int64_t, double y) {
        const double down = grid.place(y);
        if (grid.downInside(down)) {
            column[static_cast<std::ptrdiff_t>(down) * grid.stride] = grid.ink;
            drawn = true;
        }
    }
};

// Runs one stretch of steps first .. last (first <= last, at most kStretch
// of them) as `stretch(points)`, with the points going where they should, and
// returns what the stretch returns. The stretch is a function of its own (not
// inlined) that works on a copy of the points and gives it back at its end.
class StretchDrawing {
public:
    StretchDrawing(platform::Window& surface, const StepAxis& axis)
        : surface_(surface), axis_(axis), batch_(surface) {}

    template <class Stretch>
    auto run(std::int64_t first, std::int64_t last, Stretch&& stretch) {
        // The grid is asked again for every stretch: a poll or a message in
        // between may have done anything.
        if (const platform::PixelGrid* grid = surface_.pixelGrid()) {
            // x grows (or falls) with n, and so does its pixel, every rounding
            // on the way being monotone: when the first and the last step
            // fall into one column, so do all those in between.
            const double a = grid->place(axis_.x(first));
            const double b = grid->place(axis_.x(last));
            const double lo = a < b ? a : b;
            const double hi = a < b ? b : a;
            if (grid->acrossInside(lo) && grid->acrossInside(hi) &&
                static_cast<std::int64_t>(lo) == static_cast<std::int64_t>(hi)) {
                ColumnPoints points{*grid, grid->pixel(lo, 0)};
                auto result = stretch(points);
                if (points.drawn) surface_.pixelsSet();
                return result;
            }
            GridPoints points{axis_, *grid};
            auto result = stretch(points);
            if (points.drawn) surface_.pixelsSet();
            return result;
        }
        BatchPoints points{axis_, batch_.slots()};
        auto result = stretch(points);
        batch_.hand(points.count);
        return result;
    }

private:
    platform::Window& surface_;
    StepAxis axis_;
    PointBatch batch_;
};

}  // namespace corvane
