#include "explore/bifurcation_compute.h"

#include <algorithm>
#include <cstring>

#include "core/numeric/density_shading.h"
#include "core/numeric/maps.h"
#include "explore/parallel.h"

namespace corvane::explore {

using bifurcation::kLanes;

namespace {

#if defined(__x86_64__) && !defined(__clang__) && !defined(__SANITIZE_THREAD__) && \
    !defined(__SANITIZE_ADDRESS__)
#define CORVANE_TILE_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define CORVANE_TILE_CLONES
#endif

// Takes a group's counts from its scratch tile into the picture's tile:
// each column's densest count, which rows have counts, and those rows.
CORVANE_TILE_CLONES void finishTile(const std::uint32_t* scratch, int rows, std::uint32_t* tile,
                                    std::uint8_t* filled, std::uint32_t* most) {
    constexpr int kTile = ColumnData::kTile;
    // Eight counts to a vector, two to a tile row.
    using Half = std::uint32_t __attribute__((vector_size(32)));
    static_assert(2 * sizeof(Half) == kTile * sizeof(std::uint32_t));
    Half m0{}, m1{};
    for (int b = 0; b < rows; ++b) {
        const std::uint32_t* r = scratch + std::ptrdiff_t(b) * kTile;
        Half r0, r1;
        std::memcpy(&r0, r, sizeof r0);
        std::memcpy(&r1, r + kTile / 2, sizeof r1);
        m0 = r0 > m0 ? r0 : m0;
        m1 = r1 > m1 ? r1 : m1;
        const Half any = r0 | r1;
        const bool used =
            (any[0] | any[1] | any[2] | any[3] | any[4] | any[5] | any[6] | any[7]) != 0;
        filled[b] = used;
        if (used) {
            std::memcpy(tile + std::ptrdiff_t(b) * kTile, &r0, sizeof r0);
            std::memcpy(tile + std::ptrdiff_t(b) * kTile + kTile / 2, &r1, sizeof r1);
        }
    }
    std::memcpy(most, &m0, sizeof m0);
    std::memcpy(most + kTile / 2, &m1, sizeof m1);
}

// One row of a tile's stretch of n columns into its pixels.
[[gnu::always_inline]] inline void shadeStretch(const std::uint32_t* count, int n,
                                                const std::uint8_t* table, std::uint32_t size,
                                                const DensityShade& shade, std::uint8_t* pixel) {
    for (int k = 0; k < n; ++k) pixel[k] = count[k] < size ? table[count[k]] : shade(count[k]);
}

}  // namespace

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
    filled.assign(rows_ > 0 ? tiles * std::size_t(rows_) : 0, 0);
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
    const std::size_t tileSize = std::size_t(data.rows + 1) * ColumnData::kTile;
    parallelFor(0, groups, 1, [&](int from, int to) {
        // The group counts into memory of its own, which stays in the cache
        // while it is cleared, counted and scanned; only the rows with
        // counts are copied into the picture's data.
        const auto scratch = data.rows > 0
                                 ? std::make_unique_for_overwrite<std::uint32_t[]>(tileSize)
                                 : std::unique_ptr<std::uint32_t[]>();
        for (int g = from; g != to; ++g) {
            if (stopped.load(std::memory_order_relaxed)) break;
            const int c = first + g * kLanes;
            const int n = std::min(kLanes, last - c);
            const bifurcation::Bins bins{scratch.get(), 1, ColumnData::kTile};
            // A partial group writes its own columns only; the others count
            // nothing.
            if (n < kLanes && data.rows > 0) std::fill_n(scratch.get(), tileSize, 0u);
            const auto columnsA = std::span(a).subspan(std::size_t(c - first), std::size_t(n));
            const auto outcomes = std::span(data.outcomes).subspan(std::size_t(c), std::size_t(n));
            const bool finished =
                bifurcation::computeColumns(setup, columnsA, bins, outcomes, keepGoing);
            if (finished && data.rows > 0) {
                // c is the first column of its tile.
                std::uint32_t* tile = data.counts.data() + data.tileStart(c);
                std::uint8_t* filled = data.filled.data() + data.filledStart(c);
                std::uint32_t most[bifurcation::kLanes] = {};
                finishTile(bins.counts, data.rows, tile, filled, most);
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
    // Band by band of kBand tiles: image row r shows bin rows − 1 − r, and
    // each row of a band is one whole stretch of image memory (a cache line
    // for 64 columns), written once; within a tile the counts are read in
    // order.
    constexpr int kTile = ColumnData::kTile;
    constexpr int kBand = 4;
    const int firstTile = first / kTile;
    const int lastTile = (last - 1) / kTile + 1;
    const int bands = (lastTile - firstTile + kBand - 1) / kBand;
    parallelFor(0, bands, 1, [&](int from, int to) {
        for (int band = from; band != to; ++band) {
            const int t0 = firstTile + band * kBand;
            const int t1 = std::min(lastTile, t0 + kBand);
            for (int r = 0; r < data.rows; ++r) {
                const std::size_t bin = std::size_t(data.rows - 1 - r) * kTile;
                std::uint8_t* line = image + r * stride;
                for (int t = t0; t != t1; ++t) {
                    const int c0 = std::max(first, t * kTile);
                    const int c1 = std::min(last, (t + 1) * kTile);
                    const std::uint32_t* count =
                        data.counts.data() + data.tileStart(t * kTile) + bin + (c0 - t * kTile);
                    std::uint8_t* pixel = line + c0;
                    const int n = c1 - c0;
                    // Most stretches are empty; their counts are not read.
                    const bool used =
                        data.filled[data.filledStart(t * kTile) + std::size_t(data.rows - 1 - r)];
                    if (n == kTile) {
                        if (used) {
                            shadeStretch(count, kTile, table, size, shade, pixel);
                        } else {
                            std::memset(pixel, 255, kTile);
                        }
                    } else if (used) {
                        shadeStretch(count, n, table, size, shade, pixel);
                    } else {
                        std::memset(pixel, 255, std::size_t(n));
                    }
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
