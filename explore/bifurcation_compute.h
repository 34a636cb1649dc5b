// The bifurcation diagram of one view at one size, computed on every thread
// of the current oneTBB arena: groups of columns go to the threads, and each
// group runs its columns side by side in the kernel. A column's result never
// depends on the thread or group that computed it, so the picture is the same
// bit for bit on one thread or many, and from run to run.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/numeric/bifurcation.h"
#include "core/numeric/map.h"
#include "core/tools/explorer_model.h"

namespace corvane::explore {

using tools::startView;
using tools::View;

// The kernel's settings for a view drawn `rows` pixels high.
bifurcation::OrbitSetup orbitSetup(const View& view, int rows);

// Leaves new elements uninitialised: the kernel writes every count itself,
// so a picture's counts are not cleared twice.
template <class T>
struct UninitialisedAllocator : std::allocator<T> {
    template <class U>
    struct rebind {
        using other = UninitialisedAllocator<U>;
    };
    UninitialisedAllocator() = default;
    template <class U>
    UninitialisedAllocator(const UninitialisedAllocator<U>&) {}
    template <class U>
    void construct(U* p) noexcept {
        ::new (static_cast<void*>(p)) U;
    }
    template <class U, class... Args>
    void construct(U* p, Args&&... args) {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
};

// The data behind a picture: per pixel its count, per column its densest
// bin and its outcome. The counts lie in tiles of bifurcation::kLanes
// columns, one per group of columns the kernel runs side by side: within a
// tile, bin b of its columns is one stretch (bin 0 at xMin first, then a
// scratch bin), so each group's columns lie in memory of their own, in one piece.
struct ColumnData {
    static constexpr int kTile = bifurcation::kLanes;

    int columns = 0;
    int rows = 0;
    // Only the stretches of the filled rows are written: the others hold
    // what an earlier picture left.
    std::vector<std::uint32_t, UninitialisedAllocator<std::uint32_t>> counts;
    // Per tile and bin: whether any column of the tile counted there.
    std::vector<std::uint8_t> filled;
    std::vector<std::uint32_t> densestOf;
    std::vector<bifurcation::ColumnOutcome> outcomes;

    ColumnData() = default;
    ColumnData(int columns, int rows);
    // Sizes the data for another picture; the counts are not cleared.
    void resize(int columns, int rows);
    // Where the tile of column c starts.
    std::size_t tileStart(int c) const {
        return std::size_t(c / kTile) * std::size_t(rows + 1) * kTile;
    }
    // Where the tile of column c starts in `filled`.
    std::size_t filledStart(int c) const { return std::size_t(c / kTile) * std::size_t(rows); }
    std::uint32_t count(int column, int bin) const {
        if (bin < 0 || bin >= rows || !filled[filledStart(column) + std::size_t(bin)]) return 0;
        return counts[tileStart(column) + std::size_t(bin) * kTile + std::size_t(column % kTile)];
    }
    // The largest count of any pixel of columns [first, last).
    std::uint32_t densest(int first = 0, int last = -1) const;
};

// Computes columns [first, last) of the view, `columns` wide in all, into
// `data` (which must be sized for the whole width), in parallel on the
// current arena. `first` should be a multiple of bifurcation::kLanes, so
// that the columns run in the same groups as in one pass over all columns. `stop` is polled every
// few thousand steps by every thread (it must be safe to call from any thread); `steps`, when
// given, counts the column steps done. Returns false when stopped.
bool computeColumnRange(const View& view, int columns, int first, int last, ColumnData& data,
                        const std::function<bool()>& stop = {},
                        std::atomic<std::int64_t>* steps = nullptr);

// All columns of the view at once, into `data` (resized to fit).
void computeView(const View& view, int columns, int rows, ColumnData& data);

// The picture as 8-bit grey, top row first, `columns` bytes a row, shaded
// by the densest pixel of all columns, in parallel on the current arena.
std::vector<std::uint8_t> shade(const ColumnData& data);

// Shades columns [first, last) into `image` (rows of `stride` bytes) with
// the given densest count.
void shadeRange(const ColumnData& data, int first, int last, std::uint32_t densest,
                std::uint8_t* image, std::ptrdiff_t stride);

}  // namespace corvane::explore
