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
//   bytes a slot, at most half full), which grows with the number of
//   different bins hit and never with m alone. It holds at most a set number
//   of different bins; past that it reports std::bad_alloc, as a failed
//   allocation does.
// After counting, finish() sorts the table by bin, so that the drawing walks
// the non-empty bins in order.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace corvane {

// The bin of x, as the bisection over the bin edges chooses it: the index j
// in 0..hi with j·binWidth <= x < (j + 1)·binWidth, each product an integer
// converted to double times binWidth. Values at or above hi·binWidth end in
// counter hi. Recursive; lo is raised as the search goes right. Needs
// 0 <= lo <= hi and x >= lo·binWidth.
std::int32_t bisectBin(double x, std::int32_t& lo, std::int32_t hi, double binWidth);

// The same bin as bisectBin(x, 0, m, binWidth) for every x in [0, 1] and
// binWidth = 1 / m, found from the estimate ⌊x·m⌋ and corrected against the
// same products j·binWidth.
std::int32_t locateBin(double x, std::int32_t m, double binWidth);

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

    // Adds 1 to counter `bin` (0..m). Throws std::bad_alloc when the table
    // would exceed its limit or cannot grow.
    void add(std::int32_t bin);
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

private:
    struct Slot {
        std::int32_t bin;  // kEmpty when free
        std::int32_t count;
    };
    static constexpr std::int32_t kEmpty = -1;

    std::size_t home(std::int32_t bin) const;
    void grow();

    std::int64_t size_ = 0;
    bool dense_ = true;
    std::vector<std::int32_t> counts_;  // plain array
    std::vector<Slot> slots_;           // table, or its sorted non-empty prefix
    std::int64_t used_ = 0;
    int bits_ = 0;  // table size is 2^bits_
    bool sorted_ = false;
    std::int64_t maxStored_ = kMaxStoredBins;
};

}  // namespace corvane
