#include "core/numeric/bar_columns.h"

#include <algorithm>
#include <cmath>
#include <span>

namespace corvane {

namespace {

// The pixel column a bar edge at x falls in: the surface rounds x / column
// to the nearest column, halves upwards.
double pixelColumn(double x, double column) { return std::floor(x / column + 0.5); }

// Gathers the columns bar by bar, in rising order of the bars.
//
// Column numbers are taken in the bars' own direction (negated when the bars
// run leftwards), so that they never decrease from bar to bar: bar i covers
// columns a..b (a <= b), and a later bar begins at or after column b, since
// it begins where bar i + 1 does or further on. So the last column of the
// bars seen so far is the only one a later bar can still reach; it stays
// open, every column before it is final.
class ColumnMerger {
public:
    ColumnMerger(double left, double barWidth, double column, BarColumns& out)
        : left_(left),
          width_(barWidth),
          columnWidth_(column),
          dir_(barWidth < 0 ? -1.0 : 1.0),
          out_(out) {}

    // Bar i holding `count` (> 0).
    void addBar(std::int64_t i, std::int32_t count) {
        out_.largest = std::max(out_.largest, count);
        const double x1 = edge(i);
        const double x2 = edge(i + 1);
        // The surface draws nothing for a rectangle with an edge that is not a number.
        if (!std::isfinite(x1) || !std::isfinite(x2)) return;
        double a = dir_ * pixelColumn(x1, columnWidth_);
        const double b = dir_ * pixelColumn(x2, columnWidth_);
        if (open_ && a == column_) {
            tallest_ = std::max(tallest_, count);
            if (b == a) return;
            a += 1;
        }
        flush();
        // Columns strictly between the bar's first and last are its alone.
        if (b > a) addRun(a, b - 1, count);
        open_ = true;
        column_ = b;
        tallest_ = count;
    }

    // The first bar in [from, end) that reaches beyond the open column (end
    // when there is none), for bars that come after the one last added.
    //
    // A later bar begins in the open column or beyond; when it also ends
    // there, it covers the open column alone, and addBar would only raise
    // the column's largest count. That test holds for a run of bars and
    // then no more, so the run is found by a search: from an estimate,
    // galloping outwards, then bisecting.
    std::int64_t insideUntil(std::int64_t from, std::int64_t end) const {
        if (!open_ || from >= end || !inside(from)) return from;
        // Bar `from` is inside; a column holds few bars or many.
        ++from;
        if (from == end) return end;
        // Bar i ends inside while left + (i + 1)·width falls short of the
        // open column's far edge, half a column past its centre (for bars of
        // no width this is not a number or infinite: the search starts at
        // `from` or at the last bar).
        const double estimate = ((dir_ * column_ + dir_ * 0.5) * columnWidth_ - left_) / width_ - 1;
        std::int64_t guess = from;
        if (estimate >= static_cast<double>(end)) {
            guess = end - 1;
        } else if (estimate > static_cast<double>(from)) {
            guess = static_cast<std::int64_t>(estimate);
        }
        // The answer lies in [lo, hi].
        std::int64_t lo = from;
        std::int64_t hi = end;
        std::int64_t step = 1;
        if (inside(guess)) {
            lo = guess + 1;
            while (lo < hi) {
                const std::int64_t probe = lo + std::min(step, hi - lo) - 1;
                if (!inside(probe)) {
                    hi = probe;
                    break;
                }
                lo = probe + 1;
                step *= 2;
            }
        } else {
            hi = guess;
            while (lo < hi) {
                const std::int64_t probe = hi - std::min(step, hi - lo);
                if (inside(probe)) {
                    lo = probe + 1;
                    break;
                }
                hi = probe;
                step *= 2;
            }
        }
        while (lo < hi) {
            const std::int64_t mid = lo + (hi - lo) / 2;
            if (inside(mid)) {
                lo = mid + 1;
            } else {
                hi = mid;
            }
        }
        return lo;
    }

    // A run of bars inside the open column, their largest count `tallest`:
    // what addBar would make of them.
    void extend(std::int32_t tallest) {
        out_.largest = std::max(out_.largest, tallest);
        tallest_ = std::max(tallest_, tallest);
    }

    void finish() { flush(); }

private:
    double edge(std::int64_t i) const { return barEdge(left_, width_, i); }
    // Bar i ends in the open column. An edge that is not a number compares
    // false, so the run stops there and addBar takes that bar.
    bool inside(std::int64_t i) const { return dir_ * pixelColumn(edge(i + 1), columnWidth_) <= column_; }

    void flush() {
        if (open_) addRun(column_, column_, tallest_);
        open_ = false;
    }

    // Columns first..last (in the bars' direction) of one height; joined to
    // the rectangle before when that ends in the column next to `first` at
    // the same height. The rectangle's edges are the centres of its outer
    // columns, so the surface rounds each to that very column.
    void addRun(double first, double last, std::int32_t count) {
        if (!out_.columns.empty() && out_.columns.back().tallest == count && runEnd_ + 1 == first) {
            out_.columns.back().to = dir_ * last * columnWidth_;
        } else {
            out_.columns.push_back(
                BarColumn{dir_ * first * columnWidth_, dir_ * last * columnWidth_, count});
        }
        runEnd_ = last;
    }

    double left_;
    double width_;
    double columnWidth_;  // twips
    double dir_;  // 1 for bars that run rightwards (or have no width), −1 leftwards
    BarColumns& out_;
    bool open_ = false;  // a column is being gathered
    double column_ = 0;  // the open column, in the bars' direction
    std::int32_t tallest_ = 0;
    double runEnd_ = 0;  // the last column of the last rectangle, in the bars' direction
};

// Plain array: the empty bins are skipped, the runs inside a column are
// taken by the largest count over them.
void mergePlain(std::span<const std::int32_t> counts, std::int64_t end, ColumnMerger& merger) {
    const std::int32_t* c = counts.data();
    std::int64_t i = 0;
    while (i < end) {
        if (c[i] == 0) {
            ++i;
            continue;
        }
        merger.addBar(i, c[i]);
        ++i;
        const std::int64_t until = merger.insideUntil(i, end);
        if (until <= i) continue;
        std::int32_t tallest = 0;
        for (std::int64_t j = i; j < until; ++j) tallest = std::max(tallest, c[j]);
        if (tallest > 0) merger.extend(tallest);
        i = until;
    }
}

// Non-empty bins by rising bin, all below m.
void mergeSorted(std::span<const BinCount> bins, std::int32_t m, ColumnMerger& merger) {
    const BinCount* p = bins.data();
    const BinCount* const e = p + bins.size();
    while (p != e) {
        merger.addBar(p->bin, p->count);
        const std::int64_t until = merger.insideUntil(std::int64_t{p->bin} + 1, m);
        ++p;
        const BinCount* q = p;
        std::int32_t tallest = 0;
        while (q != e && q->bin < until) {
            tallest = std::max(tallest, q->count);
            ++q;
        }
        if (q != p) {
            merger.extend(tallest);
            p = q;
        }
    }
}

}  // namespace

BarColumns mergeBarColumns(const BinCounters& counts, std::int32_t m, double left, double barWidth,
                           double column) {
    BarColumns out;
    if (m < 1) return out;
    ColumnMerger merger(left, barWidth, column, out);
    if (counts.dense()) {
        const auto plain = counts.plain();
        mergePlain(plain, std::min<std::int64_t>(m, static_cast<std::int64_t>(plain.size())),
                   merger);
    } else {
        std::span<const BinCount> bins = counts.sortedBins();
        std::vector<BinCount> copy;
        if (!counts.sorted()) {
            counts.forEachNonEmpty(m, [&](std::int32_t b, std::int32_t n) {
                copy.push_back(BinCount{b, n});
            });
            bins = copy;
        }
        // The table's counters are never 0; counter m is left out.
        const auto below =
            std::lower_bound(bins.begin(), bins.end(), m,
                             [](const BinCount& s, std::int32_t b) { return s.bin < b; });
        mergeSorted(bins.first(static_cast<std::size_t>(below - bins.begin())), m, merger);
    }
    merger.finish();
    return out;
}

}  // namespace corvane
