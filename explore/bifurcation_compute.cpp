#include "explore/bifurcation_compute.h"

#include <algorithm>
#include <cstring>

#include "core/numeric/custom_columns.h"
#include "core/numeric/density_shading.h"
#include "explore/parallel.h"

namespace corvane::explore {

using bifurcation::kLanes;

namespace {

// A tile's row: the counts of its sixteen columns at one bin. (Its helpers
// stay within this file, so no vector crosses a boundary the ABI matters at.)
#if defined(__clang__)
#pragma clang diagnostic ignored "-Wunknown-warning-option"
#endif
#pragma GCC diagnostic ignored "-Wpsabi"
using TileRow = std::uint32_t __attribute__((vector_size(64)));
static_assert(sizeof(TileRow) == ColumnData::kTile * sizeof(std::uint32_t));

[[gnu::always_inline]] inline TileRow loadRow(const std::uint32_t* counts) {
    TileRow row;
    std::memcpy(&row, counts, sizeof row);
    return row;
}

}  // namespace

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

View startView(const std::shared_ptr<const CustomChoice>& custom) {
    if (!custom || !custom->map) return startView(1);
    View v;
    v.map = kCustomMap;
    v.custom = custom;
    v.aMin = custom->aMin;
    v.aMax = custom->aMax;
    v.xMin = custom->xMin;
    v.xMax = custom->xMax;
    v.x0 = custom->x0;
    return v;
}

std::string mapFormula(const View& view) {
    if (view.custom && view.custom->map) return view.custom->map->formula();
    return view.map == 2 ? "a*x^2*sin(PI*x)" : "a*x*(1-x)";
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
    const std::size_t tiles = std::size_t((columns_ + kTile - 1) / kTile);
    counts.resize(rows_ > 0 ? tiles * std::size_t(rows_ + 1) * kTile : 0);
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
            // c is the first column of its tile.
            const bifurcation::Bins bins{
                data.rows > 0 ? data.counts.data() + data.tileStart(c) : nullptr, 1,
                ColumnData::kTile};
            const auto columnsA = std::span(a).subspan(std::size_t(c - first), std::size_t(n));
            const auto outcomes = std::span(data.outcomes).subspan(std::size_t(c), std::size_t(n));
            const bool finished =
                view.custom
                    ? custom::computeColumns(*view.custom->map, setup, columnsA, bins, outcomes,
                                             keepGoing)
                    : bifurcation::computeColumns(setup, columnsA, bins, outcomes, keepGoing);
            if (finished && data.rows > 0) {
                // The group's bins are still in the cache.
                std::uint32_t most[bifurcation::kLanes] = {};
                for (int b = 0; b < data.rows; ++b) {
                    const std::uint32_t* row = bins.counts + std::ptrdiff_t(b) * ColumnData::kTile;
                    if (n == bifurcation::kLanes) {
                        TileRow m = loadRow(most);
                        const TileRow r = loadRow(row);
                        m = r > m ? r : m;
                        std::memcpy(most, &m, sizeof m);
                    } else {
                        for (int k = 0; k < n; ++k) most[k] = std::max(most[k], row[k]);
                    }
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
    // Tile by tile: image row r shows bin rows − 1 − r, a stretch of the
    // tile's counts.
    constexpr int kTile = ColumnData::kTile;
    parallelFor(first / kTile, (last - 1) / kTile + 1, 1, [&](int from, int to) {
        for (int t = from; t != to; ++t) {
            const int c0 = std::max(first, t * kTile);
            const int c1 = std::min(last, (t + 1) * kTile);
            const std::uint32_t* tile = data.counts.data() + data.tileStart(t * kTile);
            const int n = c1 - c0;
            for (int r = 0; r < data.rows; ++r) {
                const std::uint32_t* count =
                    tile + std::size_t(data.rows - 1 - r) * kTile + std::size_t(c0 - t * kTile);
                std::uint8_t* pixel = image + r * stride + c0;
                if (n == kTile) {
                    // Most stretches are empty.
                    const TileRow row = loadRow(count);
                    std::uint32_t any = 0;
                    for (int k = 0; k < kTile; ++k) any |= row[k];
                    if (any == 0) {
                        std::memset(pixel, 255, kTile);
                        continue;
                    }
                }
                for (int k = 0; k < n; ++k) {
                    pixel[k] = count[k] < size ? table[count[k]] : shade(count[k]);
                }
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
