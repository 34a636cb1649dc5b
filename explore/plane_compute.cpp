#include "explore/plane_compute.h"

#include <algorithm>

#include "explore/parallel.h"

namespace corvane::explore {

std::int64_t stepsPerPixel(const plane::PlaneCode& code, const plane::Orbit& orbit) {
    const int steps = code.stepsPerPass();
    return (plane::passesOf(orbit.transient, steps) +
            std::max<std::int64_t>(plane::passesOf(orbit.kept, steps), 1)) *
           steps;
}

bool computePlane(const plane::PlaneCode& code, const plane::Orbit& orbit,
                  const plane::Grid& grid, PlanePixels& out,
                  const std::function<bool()>& keepGoing,
                  std::atomic<std::int64_t>* stepsDone) {
    out.grid = grid;
    out.points.assign(std::size_t(grid.columns) * std::size_t(grid.rows), plane::PointOutcome{});
    std::atomic<bool> stopped{false};
    const std::function<bool()> going = [&] {
        if (stopped.load(std::memory_order_relaxed)) return false;
        if (keepGoing && !keepGoing()) {
            stopped.store(true, std::memory_order_relaxed);
            return false;
        }
        return true;
    };
    const std::int64_t rowSteps = stepsPerPixel(code, orbit) * grid.columns;
    parallelFor(0, grid.rows, 1, [&](int from, int to) {
        for (int row = from; row < to && !stopped.load(std::memory_order_relaxed); ++row) {
            if (!plane::computeRows(code, orbit, grid, row, row + 1, out.points, going)) return;
            if (stepsDone) stepsDone->fetch_add(rowSteps, std::memory_order_relaxed);
        }
    });
    return !stopped.load();
}

}  // namespace corvane::explore
