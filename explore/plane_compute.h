// The parameter plane of one view at one size, computed on every thread of
// the current oneTBB arena: bands of rows go to the threads, and each runs
// its points sixteen at a time in the kernel. A point's result never
// depends on the thread or band that computed it, so the plane is the same
// bit for bit on one thread or many.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

#include "core/numeric/plane.h"

namespace corvane::explore {

struct PlanePixels {
    plane::Grid grid;
    std::vector<plane::PointOutcome> points;  // row-major, row 0 at the top
    const plane::PointOutcome& at(int column, int row) const {
        return points[std::size_t(row) * std::size_t(grid.columns) + std::size_t(column)];
    }
};

// Computes every pixel of `grid` into out (resized). `keepGoing` is asked
// between blocks; false abandons the plane (the pixels are then incomplete)
// and computePlane returns false. `stepsDone`, when given, counts the
// map's steps as rows finish.
bool computePlane(const plane::PlaneCode& code, const plane::Orbit& orbit,
                  const plane::Grid& grid, PlanePixels& out,
                  const std::function<bool()>& keepGoing = {},
                  std::atomic<std::int64_t>* stepsDone = nullptr);

// The map's steps one pixel of the plane takes (whole passes).
std::int64_t stepsPerPixel(const plane::PlaneCode& code, const plane::Orbit& orbit);

}  // namespace corvane::explore
