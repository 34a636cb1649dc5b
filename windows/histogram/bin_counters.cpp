#include "windows/histogram/bin_counters.h"

#include <algorithm>
#include <new>

namespace corvane {

namespace {

// j·binWidth exactly as the bisection forms it: the integer j as a double.
double edge(std::int64_t j, double binWidth) { return static_cast<double>(j) * binWidth; }

constexpr int kFirstTableBits = 10;

}  // namespace

std::int32_t bisectBin(double x, std::int32_t& lo, std::int32_t hi, double binWidth) {
    const std::int32_t mid = lo + (hi - lo) / 2;  // hi >= lo, so this is the floor
    if (x < edge(mid, binWidth)) return bisectBin(x, lo, mid, binWidth);
    // At mid = hi nothing is left above: the values at or beyond hi·binWidth
    // stay in counter hi (without this, a value above (hi + 1)·binWidth would
    // search forever).
    if (mid < hi && x >= edge(std::int64_t{mid} + 1, binWidth)) {
        lo = mid + 1;
        return bisectBin(x, lo, hi, binWidth);
    }
    return mid;
}

std::int32_t locateBin(double x, std::int32_t m, double binWidth) {
    // ⌊x·m⌋ is at most one or two bins away from the bin whose products
    // j·binWidth enclose x; the comparisons below settle it on exactly that
    // bin. The guard keeps the conversion in range for any x.
    const double guess = x * static_cast<double>(m);
    std::int64_t j = 0;
    if (guess >= static_cast<double>(m)) {
        j = m;
    } else if (guess > 0) {
        j = static_cast<std::int64_t>(guess);
    }
    while (j > 0 && x < edge(j, binWidth)) --j;
    while (j < m && x >= edge(j + 1, binWidth)) ++j;
    return static_cast<std::int32_t>(j);
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
        bits_ = kFirstTableBits;
        slots_.assign(std::size_t{1} << bits_, Slot{kEmpty, 0});
    }
    size_ = counters;
}

void BinCounters::release() {
    std::vector<std::int32_t>().swap(counts_);
    std::vector<Slot>().swap(slots_);
    size_ = 0;
    dense_ = true;
    used_ = 0;
    bits_ = 0;
    sorted_ = false;
}

std::size_t BinCounters::home(std::int32_t bin) const {
    // Fibonacci hashing: the top bits of the product spread neighbouring bins.
    const std::uint32_t h = static_cast<std::uint32_t>(bin) * 0x9E3779B1u;
    return static_cast<std::size_t>(h >> (32 - bits_));
}

void BinCounters::grow() {
    if (bits_ >= 31) throw std::bad_alloc();
    std::vector<Slot> old(std::size_t{1} << (bits_ + 1), Slot{kEmpty, 0});
    old.swap(slots_);
    ++bits_;
    const std::size_t mask = slots_.size() - 1;
    for (const Slot& s : old) {
        if (s.bin == kEmpty) continue;
        std::size_t i = home(s.bin);
        while (slots_[i].bin != kEmpty) i = (i + 1) & mask;
        slots_[i] = s;
    }
}

void BinCounters::add(std::int32_t bin) {
    if (bin < 0 || bin >= size_) return;
    if (dense_) {
        ++counts_[static_cast<std::size_t>(bin)];
        return;
    }
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
    slots_[i] = Slot{bin, 1};
    ++used_;
}

void BinCounters::finish() {
    if (dense_ || sorted_) return;
    // Move the filled slots to the front, sort them by bin and give back the rest.
    std::size_t n = 0;
    for (std::size_t i = 0; i < slots_.size(); ++i) {
        if (slots_[i].bin != kEmpty) slots_[n++] = slots_[i];
    }
    slots_.resize(n);
    std::sort(slots_.begin(), slots_.end(),
              [](const Slot& a, const Slot& b) { return a.bin < b.bin; });
    if (slots_.capacity() > 2 * n + 1024) std::vector<Slot>(slots_).swap(slots_);
    sorted_ = true;
}

std::int32_t BinCounters::at(std::int32_t bin) const {
    if (bin < 0 || bin >= size_) return 0;
    if (dense_) return counts_[static_cast<std::size_t>(bin)];
    if (sorted_) {
        const auto it = std::lower_bound(slots_.begin(), slots_.end(), bin,
                                         [](const Slot& s, std::int32_t b) { return s.bin < b; });
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
    for (const Slot& s : slots_) {
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
        for (const Slot& s : slots_) {
            if (s.bin >= end) break;
            if (s.count != 0) f(s.bin, s.count);
        }
        return;
    }
    std::vector<Slot> sorted;
    for (const Slot& s : slots_) {
        if (s.bin != kEmpty && s.bin < end) sorted.push_back(s);
    }
    std::sort(sorted.begin(), sorted.end(),
              [](const Slot& a, const Slot& b) { return a.bin < b.bin; });
    for (const Slot& s : sorted) f(s.bin, s.count);
}

}  // namespace corvane
