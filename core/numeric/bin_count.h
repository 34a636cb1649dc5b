// Counting the iterates of an orbit into the bins of a histogram.
#pragma once

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "core/numeric/bin_counters.h"

namespace corvane {

// Counting into the plain array: one increment per iterate.
struct PlainTally {
    std::int32_t* counts;
    void add(std::int32_t bin) { ++counts[bin]; }
    void flush() {}
};

// Counting into the table: the bins are gathered and handed over in batches,
// so that the table's probing (and its cache misses) stays out of the loop
// that iterates the map.
class BatchTally {
public:
    explicit BatchTally(BinCounters& counters) : counters_(counters) {}
    void add(std::int32_t bin) {
        batch_[size_++] = bin;
        if (size_ == kBatch) [[unlikely]] {
            flush();
        }
    }
    void flush() {
        counters_.addBatch(batch_.data(), size_);
        size_ = 0;
    }

private:
    static constexpr std::size_t kBatch = 4096;
    BinCounters& counters_;
    std::array<std::int32_t, kBatch> batch_;
    std::size_t size_ = 0;
};

// The count of iterates 1..N of `step` (x -> f(x)) from x into `tally`;
// false when `poll(n)`, asked after each step with (n & mask) == 0, said
// stop. Iterates outside [0, 1] are not counted; a value that is not finite
// ends the count (the orbit has run off to infinity and nothing after it
// could be counted).
//
// All of it is inline in this one loop: the orbit's chain x → f → x does not
// wait for the bin search or the counter, and every branch here is taken the
// same way almost always. The tally is handed everything before each poll,
// so that a table out of room is reported at the same step as if each bin
// were added at once.
template <class Step, class Tally, class Poll>
bool countOrbit(Step step, double x, std::int64_t N, std::int32_t m, double binWidth,
                std::int64_t mask, Poll&& poll, Tally& tally) {
    for (std::int64_t n = 1; n <= N; ++n) {
        const double y = step(x);
        if (y >= 0 && y <= 1) [[likely]] {
            tally.add(locateBinInUnit(y, m, binWidth));
        } else if (!std::isfinite(y)) {
            break;
        }
        x = y;
        if ((n & mask) == 0) [[unlikely]] {
            tally.flush();
            if (poll(n)) return false;
        }
    }
    tally.flush();
    return true;
}

// countOrbit into `counters` (reset for m bins before), the plain array
// directly or the table in batches.
template <class Step, class Poll>
bool countOrbitInto(BinCounters& counters, Step step, double x, std::int64_t N, std::int32_t m,
                    double binWidth, std::int64_t mask, Poll&& poll) {
    if (std::int32_t* plain = counters.plainCounters()) {
        PlainTally tally{plain};
        return countOrbit(step, x, N, m, binWidth, mask, poll, tally);
    }
    BatchTally tally(counters);
    return countOrbit(step, x, N, m, binWidth, mask, poll, tally);
}

}  // namespace corvane
