#include "explore/bifurcation_compute.h"

#include <algorithm>

#include "core/numeric/density_shading.h"
#include "explore/parallel.h"

namespace corvane::explore {

using bifurcation::kLanes;

View startView(int map) {
    const bifurcation::Range r = bifurcation::startRange(map);
    View v;
    v.map = map == 2 ? 2 : 1;
    v.aMin = r.aMin;
    v.aMax = r.aMax;
    v.xMin = r.xMin;
    v.xMax = r.xMax;
    v.x0 = bifurcation::criticalPoint(v.map);
    return v;
}

bifurcation::OrbitSetup orbitSetup(const View& view, int rows) {
    bifurcation::OrbitSetup s;
    s.map = view.map;
    s.x0 = view.x0;
    s.transient = view.transient;
    s.kept = view.kept;
    s.xMin = view.xMin;
    s.xMax = view.xMax;
    s.rows = rows;
    s.lyapunov = true;
    return s;
}

ColumnData::ColumnData(int columns_, int rows_) { resize(columns_, rows_); }

void ColumnData::resize(int columns_, int rows_) {
    columns = columns_;
    rows = rows_;
    counts.resize(rows_ > 0 ? std::size_t(columns_) * std::size_t(rows_ + 1) : 0);
    densestOf.assign(std::size_t(columns_), 0);
    outcomes.assign(std::size_t(columns_), {});
}

std::uint32_t ColumnData::densest(int first, int last) const {
    if (last < 0) last = columns;
    first = std::max(first, 0);
    last = std::min(last, columns);
    if (first >= last) return 0;
    return *std::max_element(densestOf.begin() + first, densestOf.begin() + last);
}

bool computeColumnRange(const View& view, int columns, int first, int last, ColumnData& data,
                        const std::function<bool()>& stop, std::atomic<std::int64_t>* steps) {
    first = std::max(first, 0);
    last = std::min(last, columns);
    if (first >= last) return true;
    const bifurcation::OrbitSetup setup = orbitSetup(view, data.rows);
    std::vector<double> a(std::size_t(last - first));
    for (int c = first; c < last; ++c) {
        a[std::size_t(c - first)] = bifurcation::columnA(view.aMin, view.aMax, c, columns);
    }
    const int groups = (last - first + kLanes - 1) / kLanes;
    std::atomic<bool> stopped{false};
    auto keepGoing = [&](std::int64_t n) {
        if (steps) steps->fetch_add(n, std::memory_order_relaxed);
        if (stop && stop()) stopped.store(true, std::memory_order_relaxed);
        return !stopped.load(std::memory_order_relaxed);
    };
    parallelFor(0, groups, 1, [&](int from, int to) {
        for (int g = from; g != to; ++g) {
            if (stopped.load(std::memory_order_relaxed)) break;
            const int c = first + g * kLanes;
            const int n = std::min(kLanes, last - c);
            const bifurcation::Bins bins{data.rows > 0 ? data.counts.data() + c : nullptr, 1,
                                         data.columns};
            const bool finished = bifurcation::computeColumns(
                setup, std::span(a).subspan(std::size_t(c - first), std::size_t(n)), bins,
                std::span(data.outcomes).subspan(std::size_t(c), std::size_t(n)), keepGoing);
            if (finished && data.rows > 0) {
                // The group's bins are still in the cache.
                std::uint32_t most[bifurcation::kLanes] = {};
                for (int b = 0; b < data.rows; ++b) {
                    const std::uint32_t* row = bins.counts + std::ptrdiff_t(b) * data.columns;
                    for (int k = 0; k < n; ++k) most[k] = std::max(most[k], row[k]);
                }
                for (int k = 0; k < n; ++k) data.densestOf[std::size_t(c + k)] = most[k];
            }
        }
    });
    return !stopped.load(std::memory_order_relaxed);
}

void computeView(const View& view, int columns, int rows, ColumnData& data) {
    data.resize(columns, rows);
    computeColumnRange(view, columns, 0, columns, data);
}

void shadeRange(const ColumnData& data, int first, int last, std::uint32_t densest,
                std::uint8_t* image, std::ptrdiff_t stride) {
    first = std::max(first, 0);
    last = std::min(last, data.columns);
    if (first >= last || data.rows <= 0) return;
    const DensityShade shade(densest);
    const std::uint8_t* table = shade.table();
    const std::uint32_t size = shade.tableSize();
    // Image row r shows bin rows − 1 − r: each row is one stretch of counts.
    parallelFor(0, data.rows, 16, [&](int from, int to) {
        for (int r = from; r != to; ++r) {
            const std::uint32_t* count =
                data.counts.data() + std::size_t(data.rows - 1 - r) * std::size_t(data.columns);
            std::uint8_t* pixel = image + r * stride;
            for (int c = first; c < last; ++c) {
                pixel[c] = count[c] < size ? table[count[c]] : shade(count[c]);
            }
        }
    });
}

std::vector<std::uint8_t> shade(const ColumnData& data) {
    std::vector<std::uint8_t> image(std::size_t(data.columns) * std::size_t(data.rows));
    shadeRange(data, 0, data.columns, data.densest(), image.data(), data.columns);
    return image;
}

}  // namespace corvane::explore
