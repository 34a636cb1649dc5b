// The counters of one histogram and the search for the bin of an iterate.
//
// A histogram has m bins of [0, 1] plus counter m for the iterates at the
// upper end. m may be anything up to 2147483647, while an orbit of N iterates
// can hit at most N different bins, so the counters are held in one of two
// ways:
// - a plain array of m + 1 counters when that is small (m + 1 <= 2^22), or
//   when the orbit is long enough to fill much of it anyway (m + 1 <= 2^26 and
//   m + 1 <= 4·N);
// - otherwise a table of the bins that hold something (open addressing, 8
//   bytes a slot, at most half full), which starts with room for as many
//   bins as the orbit has iterates (16 MiB at most) and grows with the number
//   of different bins hit, never with m alone. It holds at most a set number
//   of different bins; past that it reports std::bad_alloc, as a failed
//   allocation does.
// After counting, finish() sorts the table by bin (a radix sort), so that the
// drawing walks the non-empty bins in order.
//
// A long count goes through plainCounters() (one increment per iterate) or
// addBatch() (the bins of many iterates handed to the table at once), so that
// the loop iterating the map never waits on the table's probing.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace corvane {

// The bin of x, as the bisection over the bin edges chooses it: the index j
// in 0..hi with j·binWidth <= x < (j + 1)·binWidth, each product an integer
// converted to double times binWidth. Values at or above hi·binWidth end in
// counter hi. Recursive; lo is raised as the search goes right. Needs
// 0 <= lo <= hi and x >= lo·binWidth.
std::int32_t bisectBin(double x, std::int32_t& lo, std::int32_t hi, double binWidth);

// j·binWidth exactly as the bisection forms it: the integer j as a double.
inline double binEdge(std::int64_t j, double binWidth) { return static_cast<double>(j) * binWidth; }

// The same bin as bisectBin(x, 0, m, binWidth) for every x in [0, 1] and
// binWidth = 1 / m (m >= 1), found from the estimate g = x·m and corrected
// against the same products j·binWidth.
//
// Each of x·m, binWidth and j·binWidth is off by half a unit in the last
// place at most, so ⌊g⌋ is the bin unless g lies within about
// 3·2^-53·m < 2^-20 of an integer (the product of three roundings, m < 2^31).
// When the fraction of g keeps 2^-18 away from both ends, ⌊g⌋ is taken as it
// is; only the rare rest (and x = 0 or 1) is compared against the edges.
// Defined here so that the count loop has it inline, its one branch almost
// never taken.
inline std::int32_t locateBinInUnit(double x, std::int32_t m, double binWidth) {
    constexpr double kClear = 0.5 - 0x1p-18;
    // 0 <= x <= 1, so 0 <= g <= m: the conversion is in range.
    const double g = x * static_cast<double>(m);
    std::int64_t j = static_cast<std::int64_t>(g);
    const double fraction = g - static_cast<double>(j);  // exact
    if (std::abs(fraction - 0.5) < kClear) [[likely]]
        return static_cast<std::int32_t>(j);
    while (j > 0 && x < binEdge(j, binWidth)) --j;
    while (j < m && x >= binEdge(j + 1, binWidth)) ++j;
    return static_cast<std::int32_t>(j);
}

// The same for any x: values below 0 (and NaN) go to bin 0, values above 1
// as the bisection takes them (to counter m once at or above m·binWidth).
inline std::int32_t locateBin(double x, std::int32_t m, double binWidth) {
    if (x >= 0 && x <= 1) return locateBinInUnit(x, m, binWidth);
    std::int64_t j = 0;
    if (x > 1) j = m;
    while (j > 0 && x < binEdge(j, binWidth)) --j;
    return static_cast<std::int32_t>(j);
}

// A non-empty counter of the table.
struct BinCount {
    std::int32_t bin;
    std::int32_t count;
};

class BinCounters {
public:
    // Up to this many counters are always held in a plain array.
    static constexpr std::int64_t kDenseLimit = std::int64_t{1} << 22;
    // Up to this many when the orbit has at least a quarter as many iterates.
    static constexpr std::int64_t kDenseLimitLongOrbit = std::int64_t{1} << 26;
    // The most different non-empty bins the table holds (at most 1 GiB of slots).
    static constexpr std::int64_t kMaxStoredBins = std::int64_t{1} << 26;

    // Discards the old counters; counters 0..m, all 0 (none when m < 0).
    // `iterates` is the number of iterates that will be counted.
    // Throws std::bad_alloc when the memory cannot be had.
    void reset(std::int32_t m, std::int64_t iterates, std::int64_t maxStoredBins = kMaxStoredBins);
    // Frees the counters; afterwards there are none.
    void release();

    // Adds 1 to counter `bin` (0..m; others are ignored). Throws
    // std::bad_alloc when the table would exceed its limit or cannot grow.
    void add(std::int32_t bin);
    // add() for each of bins[0..n), in this order (the table prefetches its
    // slots ahead).
    void addBatch(const std::int32_t* bins, std::size_t n);
    // The plain array of counters 0..m, to be counted into directly with bins
    // 0..m; nullptr for a table.
    std::int32_t* plainCounters() { return dense_ && size_ > 0 ? counts_.data() : nullptr; }
    // Sorts the table by bin; call once counting is complete.
    void finish();

    // Counter `bin`; 0 for a bin never hit or outside 0..m.
    std::int32_t at(std::int32_t bin) const;
    // Number of counters, m + 1 (0 when there are none).
    std::int64_t size() const { return size_; }
    bool dense() const { return dense_; }
    // Number of different bins held in the table (0 for a plain array).
    std::int64_t storedBins() const { return used_; }
    // The largest of the counters 0..end − 1; 0 when all are 0.
    std::int32_t maxBelow(std::int32_t end) const;
    // Calls f(bin, count) for every non-zero counter below `end`, by rising bin.
    void forEachNonEmpty(std::int32_t end,
                         const std::function<void(std::int32_t, std::int32_t)>& f) const;

    // For a pass over all counters: the plain array (counters 0..m; empty for
    // a table), or the table's non-empty counters by rising bin once finish()
    // has sorted it (empty for a plain array or an unsorted table).
    std::span<const std::int32_t> plain() const {
        return dense_ ? std::span<const std::int32_t>(counts_) : std::span<const std::int32_t>();
    }
    std::span<const BinCount> sortedBins() const {
        return !dense_ && sorted_ ? std::span<const BinCount>(slots_) : std::span<const BinCount>();
    }
    bool sorted() const { return dense_ || sorted_; }

private:
    static constexpr std::int32_t kEmpty = -1;

    std::size_t home(std::int32_t bin) const {
        // Fibonacci hashing: the top bits of the product spread neighbouring bins.
        const std::uint32_t h = static_cast<std::uint32_t>(bin) * 0x9E3779B1u;
        return static_cast<std::size_t>(h >> (32 - bits_));
    }
    void rehash(int bits);
    void grow();
    void unsort();
    void addToTable(std::int32_t bin);

    std::int64_t size_ = 0;
    bool dense_ = true;
    std::vector<std::int32_t> counts_;  // plain array
    std::vector<BinCount> slots_;       // table (bin kEmpty: free), or its sorted non-empty prefix
    std::int64_t used_ = 0;
    int bits_ = 0;  // table size is 2^bits_
    bool sorted_ = false;
    std::int64_t maxStored_ = kMaxStoredBins;
};

}  // namespace corvane
