#include "windows/histogram/histogram_bars.h"

#include <algorithm>
#include <cmath>
#include <span>

namespace corvane {

namespace {

// Left or right edge of bar i: the integer converted to double times the width.
double barEdge(double left, double barWidth, std::int64_t i) {
    return left + static_cast<double>(i) * barWidth;
}

// Gathers the columns bar by bar, in rising order of the bars.
class ColumnMerger {
public:
    ColumnMerger(double left, double barWidth, BarColumns& out)
        : left_(left),
          width_(barWidth),
          // Edges that never decrease from bar to bar: only then does a run
          // of bars inside the open column end where the first bar beyond it
          // begins.
          ordered_(barWidth >= 0 && std::isfinite(barWidth) && std::isfinite(left)),
          out_(out) {}

    // Bar i holding `count` (> 0): the rule of the columns, bar by bar.
    void addBar(std::int64_t i, std::int32_t count) {
        out_.largest = std::max(out_.largest, count);
        const double x1 = edge(i);
        const double x2 = edge(i + 1);
        const double first = std::floor(x1 / kColumnTwips);
        const double last = std::max(first, std::ceil(x2 / kColumnTwips) - 1);
        for (double k = first; k <= last; ++k) {
            const double lo = std::max(x1, k * kColumnTwips);
            const double hi = std::min(x2, (k + 1) * kColumnTwips);
            if (open_ && k == column_) {
                to_ = std::max(to_, hi);
                tallest_ = std::max(tallest_, count);
            } else {
                flush();
                open_ = true;
                column_ = k;
                from_ = lo;
                to_ = hi;
                tallest_ = count;
            }
        }
    }

    // The first bar in [from, end) that is not wholly inside the open column
    // (end when there is none), for bars that come after the one last added.
    //
    // A later bar begins at or after the right edge of the bar that left the
    // column open, so its first column is at least the open one; when its
    // right edge also divides to less than the next column, it reaches into
    // the open column alone, and addBar would only raise the column's
    // largest count and move its right end to the bar's right end. That test
    // rises with the bar number, so the bars inside form a run found by a
    // search: from an estimate, galloping outwards, then bisecting.
    std::int64_t insideUntil(std::int64_t from, std::int64_t end) const {
        if (!open_ || !ordered_ || from >= end || !inside(from)) return from;
        // Bar `from` is inside; a column holds few bars or many.
        ++from;
        if (from == end) return end;
        const double estimate = ((column_ + 1) * kColumnTwips - left_) / width_ - 1;
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

    // A run of bars wholly inside the open column, the last of them bar
    // `last`, their largest count `tallest`: what addBar would make of them.
    void extend(std::int64_t last, std::int32_t tallest) {
        out_.largest = std::max(out_.largest, tallest);
        tallest_ = std::max(tallest_, tallest);
        to_ = std::max(to_, edge(last + 1));
    }

    void finish() { flush(); }

private:
    double edge(std::int64_t i) const { return barEdge(left_, width_, i); }
    // Bar i reaches no further right than the open column.
    bool inside(std::int64_t i) const { return edge(i + 1) / kColumnTwips < column_ + 1; }

    void flush() {
        if (open_) out_.columns.push_back(BarColumn{from_, to_, tallest_});
        open_ = false;
    }

    double left_;
    double width_;
    bool ordered_;
    BarColumns& out_;
    bool open_ = false;  // a column is being gathered
    double column_ = 0;
    double from_ = 0;
    double to_ = 0;
    std::int32_t tallest_ = 0;
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
        if (tallest > 0) {
            std::int64_t last = until - 1;
            while (c[last] == 0) --last;
            merger.extend(last, tallest);
        }
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
            merger.extend(q[-1].bin, tallest);
            p = q;
        }
    }
}

}  // namespace

BarColumns mergeBarColumns(const BinCounters& counts, std::int32_t m, double left,
                           double barWidth) {
    BarColumns out;
    if (m < 1) return out;
    ColumnMerger merger(left, barWidth, out);
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

void drawEveryBar(platform::Window& objForm, const BinCounters& counts, std::int32_t m,
                  const BarFrame& frame) {
    for (std::int64_t i = 0; i < m; ++i) {
        const double top = barTop(frame, counts.at(static_cast<std::int32_t>(i)));
        objForm.Box(barEdge(frame.left, frame.barWidth, i), top,
                    barEdge(frame.left, frame.barWidth, i + 1), frame.bottom, true);
    }
}

void drawColumns(platform::Window& objForm, const BarColumns& columns, const BarFrame& frame) {
    for (const BarColumn& c : columns.columns) {
        objForm.Box(c.from, barTop(frame, c.tallest), c.to, frame.bottom, true);
    }
}

void drawBarColumns(platform::Window& objForm, const BinCounters& counts, std::int32_t m,
                    const BarFrame& frame) {
    drawColumns(objForm, mergeBarColumns(counts, m, frame.left, frame.barWidth), frame);
}

}  // namespace corvane
