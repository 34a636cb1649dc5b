#include "core/numeric/bin_counters.h"

#include <algorithm>
#include <new>

namespace corvane {

namespace {

// The table starts with room for the different bins the orbit can hit at
// most (twice as many slots), between these sizes; it doubles from there.
constexpr int kFirstTableBitsLeast = 10;
constexpr int kFirstTableBitsMost = 21;  // 16 MiB
// How far ahead of its insertion a batch prefetches a bin's slot.
constexpr std::size_t kPrefetchAhead = 16;

int firstTableBits(std::int64_t counters, std::int64_t iterates) {
    const std::int64_t most = std::max<std::int64_t>(std::min(counters, iterates), 1);
    int bits = kFirstTableBitsLeast;
    while (bits < kFirstTableBitsMost && (std::int64_t{1} << bits) < 2 * most) ++bits;
    return bits;
}

// Sorts the bins by bin (all 0..2^31 − 1), least significant digit first,
// three digits of 11 bits. The result may come back in other memory, of just
// the size needed.
void radixSortByBin(std::vector<BinCount>& bins) {
    constexpr int kDigitBits = 11;
    constexpr std::uint32_t kDigits = 1u << kDigitBits;
    const std::size_t n = bins.size();
    std::vector<BinCount> spare(n);
    std::vector<std::size_t> start(kDigits);
    for (int shift = 0; shift < 32; shift += kDigitBits) {
        const auto digit = [shift](const BinCount& b) {
            return (static_cast<std::uint32_t>(b.bin) >> shift) & (kDigits - 1);
        };
        std::fill(start.begin(), start.end(), 0);
        for (const BinCount& b : bins) ++start[digit(b)];
        std::size_t sum = 0;
        for (std::size_t& s : start) {
            const std::size_t c = s;
            s = sum;
            sum += c;
        }
        for (const BinCount& b : bins) spare[start[digit(b)]++] = b;
        bins.swap(spare);
    }
}

}  // namespace

std::int32_t bisectBin(double x, std::int32_t& lo, std::int32_t hi, double binWidth) {
    const std::int32_t mid = lo + (hi - lo) / 2;  // hi >= lo, so this is the floor
    if (x < binEdge(mid, binWidth)) return bisectBin(x, lo, mid, binWidth);
    // At mid = hi nothing is left above: the values at or beyond hi·binWidth
    // stay in counter hi (without this, a value above (hi + 1)·binWidth would
    // search forever).
    if (mid < hi && x >= binEdge(std::int64_t{mid} + 1, binWidth)) {
        lo = mid + 1;
        return bisectBin(x, lo, hi, binWidth);
    }
    return mid;
}

void BinCounters::reset(std::int32_t m, std::int64_t iterates, std::int64_t maxStoredBins) {
    release();
    maxStored_ = maxStoredBins;
    if (m < 0) return;
    const std::int64_t counters = std::int64_t{m} + 1;
    dense_ =
        counters <= kDenseLimit || (counters <= kDenseLimitLongOrbit && counters / 4 <= iterates);
    if (dense_) {
        counts_.assign(static_cast<std::size_t>(counters), 0);
    } else {
        bits_ = firstTableBits(counters, iterates);
        slots_.assign(std::size_t{1} << bits_, BinCount{kEmpty, 0});
    }
    size_ = counters;
}

void BinCounters::release() {
    std::vector<std::int32_t>().swap(counts_);
    std::vector<BinCount>().swap(slots_);
    size_ = 0;
    dense_ = true;
    used_ = 0;
    bits_ = 0;
    sorted_ = false;
}

void BinCounters::rehash(int bits) {
    std::vector<BinCount> old(std::size_t{1} << bits, BinCount{kEmpty, 0});
    old.swap(slots_);
    bits_ = bits;
    const std::size_t mask = slots_.size() - 1;
    for (const BinCount& s : old) {
        if (s.bin == kEmpty) continue;
        std::size_t i = home(s.bin);
        while (slots_[i].bin != kEmpty) i = (i + 1) & mask;
        slots_[i] = s;
    }
}

void BinCounters::grow() {
    if (bits_ >= 31) throw std::bad_alloc();
    rehash(bits_ + 1);
}

void BinCounters::unsort() {
    // The sorted counters go back into a table of the size they came from.
    if (sorted_) rehash(bits_);
    sorted_ = false;
}

void BinCounters::addToTable(std::int32_t bin) {
    std::size_t mask = slots_.size() - 1;
    std::size_t i = home(bin);
    while (slots_[i].bin != kEmpty) {
        if (slots_[i].bin == bin) {
            ++slots_[i].count;
            return;
        }
        i = (i + 1) & mask;
    }
    // A new bin.
    if (used_ >= maxStored_) throw std::bad_alloc();
    if (2 * (used_ + 1) > static_cast<std::int64_t>(slots_.size())) {
        grow();
        mask = slots_.size() - 1;
        i = home(bin);
        while (slots_[i].bin != kEmpty) i = (i + 1) & mask;
    }
    slots_[i] = BinCount{bin, 1};
    ++used_;
}

void BinCounters::add(std::int32_t bin) {
    if (bin < 0 || bin >= size_) return;
    if (dense_) {
        ++counts_[static_cast<std::size_t>(bin)];
        return;
    }
    unsort();
    addToTable(bin);
}

void BinCounters::addBatch(const std::int32_t* bins, std::size_t n) {
    if (dense_) {
        for (std::size_t k = 0; k < n; ++k) add(bins[k]);
        return;
    }
    if (n == 0) return;
    unsort();
    for (std::size_t k = 0; k < n; ++k) {
        // The table is far larger than the caches once many bins are hit:
        // ask for the slot of a later bin while this one is being inserted.
        if (k + kPrefetchAhead < n) {
            const std::int32_t ahead = bins[k + kPrefetchAhead];
            if (ahead >= 0) __builtin_prefetch(&slots_[home(ahead)], 1);
        }
        const std::int32_t bin = bins[k];
        if (bin >= 0 && bin < size_) addToTable(bin);
    }
}

void BinCounters::finish() {
    if (dense_ || sorted_) return;
    // Move the filled slots to the front, sort them by bin and give back the rest.
    std::size_t n = 0;
    for (std::size_t i = 0; i < slots_.size(); ++i) {
        if (slots_[i].bin != kEmpty) slots_[n++] = slots_[i];
    }
    slots_.resize(n);
    // A radix sort: the table may hold tens of millions of bins.
    radixSortByBin(slots_);
    if (slots_.capacity() > 2 * n + 1024) std::vector<BinCount>(slots_).swap(slots_);
    sorted_ = true;
}

std::int32_t BinCounters::at(std::int32_t bin) const {
    if (bin < 0 || bin >= size_) return 0;
    if (dense_) return counts_[static_cast<std::size_t>(bin)];
    if (sorted_) {
        const auto it =
            std::lower_bound(slots_.begin(), slots_.end(), bin,
                             [](const BinCount& s, std::int32_t b) { return s.bin < b; });
        return it != slots_.end() && it->bin == bin ? it->count : 0;
    }
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = home(bin); slots_[i].bin != kEmpty; i = (i + 1) & mask) {
        if (slots_[i].bin == bin) return slots_[i].count;
    }
    return 0;
}

std::int32_t BinCounters::maxBelow(std::int32_t end) const {
    std::int32_t largest = 0;
    if (dense_) {
        const std::int64_t n = std::min<std::int64_t>(std::max<std::int32_t>(end, 0), size_);
        for (std::int64_t i = 0; i < n; ++i) largest = std::max(largest, counts_[i]);
        return largest;
    }
    for (const BinCount& s : slots_) {
        if (s.bin != kEmpty && s.bin < end) largest = std::max(largest, s.count);
    }
    return largest;
}

void BinCounters::forEachNonEmpty(std::int32_t end,
                                  const std::function<void(std::int32_t, std::int32_t)>& f) const {
    if (dense_) {
        const std::int64_t n = std::min<std::int64_t>(std::max<std::int32_t>(end, 0), size_);
        for (std::int64_t i = 0; i < n; ++i) {
            if (counts_[i] != 0) f(static_cast<std::int32_t>(i), counts_[i]);
        }
        return;
    }
    if (sorted_) {
        for (const BinCount& s : slots_) {
            if (s.bin >= end) break;
            if (s.count != 0) f(s.bin, s.count);
        }
        return;
    }
    std::vector<BinCount> sorted;
    for (const BinCount& s : slots_) {
        if (s.bin != kEmpty && s.bin < end) sorted.push_back(s);
    }
    std::sort(sorted.begin(), sorted.end(),
              [](const BinCount& a, const BinCount& b) { return a.bin < b.bin; });
    for (const BinCount& s : sorted) f(s.bin, s.count);
}

}  // namespace corvane
