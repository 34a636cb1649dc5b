// The bars of a histogram: one per bin, or merged per screen column.
//
// A bar is a filled rectangle from the x-axis up to its top. While bars are
// at least one pixel column wide every bin gets its own rectangle, the empty ones
// included (height 0 on the x-axis). Narrower bars cannot be told apart on
// the screen, and a histogram of two billion bins would otherwise cost two
// billion rectangles, so then the drawing goes by the surface's pixel
// columns, each `column` twips wide (15 at 96 dpi, 7.5 at 192), counted from
// the left edge of the surface, and gives exactly the pixels the single
// rectangles would:
// - the surface puts an x on column p(x) = ⌊x / column + 0.5⌋ (column k is
//   centred on x = k·column), and a filled rectangle covers the
//   columns p(x1)..p(x2), both included; so bar i, from x1 = left + i·width
//   to x2 = left + (i + 1)·width (formed as the single bars are), covers the
//   columns p(x1)..p(x2), and shares the column of its right edge with the
//   bar that follows;
// - every column gets the top of the tallest bar covering it (the bar of the
//   largest count: the tops are computed with the same formula, so that top
//   is reproduced exactly, and the one farthest from the axis covers what
//   the lower ones do);
// - neighbouring columns of the same top make one rectangle, whose edges are
//   the centres of its outer columns, which the surface rounds to exactly
//   those columns.
// Only non-empty bins are visited, in rising order; empty bins have no
// rectangle, the x-axis covers them. The edges of the bars never go back, so
// a column is complete once a bar begins beyond it, and only the last column
// reached is ever open. Bars reaching past it are added one by one; the run
// of bars that end in it (found by a search over the bin numbers) only adds
// to its largest count. So the cost grows with the non-empty bins (a few
// instructions each) and the columns, never with m alone.
#pragma once

#include <cstdint>
#include <vector>

#include "core/numeric/bin_counters.h"

namespace corvane {

struct BarFrame {
    double left = 0;      // x of the y-axis, where bar 0 begins
    double bottom = 0;    // y of the x-axis
    double scaleTop = 0;  // y that a count equal to maxY reaches
    double span = 0;      // scaleTop − bottom (negative: y grows downwards)
    double barWidth = 0;
    double maxY = 0;  // not 0
};

// Top of a bar holding `count`.
inline double barTop(const BarFrame& frame, double count) {
    return frame.scaleTop - (frame.span * (frame.maxY - count)) / frame.maxY;
}

// Left or right edge of bar i: the integer converted to double times the width.
inline double barEdge(double left, double barWidth, std::int64_t i) {
    return left + static_cast<double>(i) * barWidth;
}

// Whether bars of this width are merged per pixel column of `column` twips:
// narrower than a column (or not a number).
inline bool barsMerge(double barWidth, double column) { return !(barWidth >= column); }

// Neighbouring columns of merged bars that share the largest count: from the
// centre of the first column to the centre of the last (k·column for column
// k; `to` < `from` when the bars run leftwards).
struct BarColumn {
    double from = 0;
    double to = 0;
    std::int32_t tallest = 0;
};

struct BarColumns {
    std::vector<BarColumn> columns;  // in the order of the bars
    std::int32_t largest = 0;        // the largest of the counters 0..m − 1
};

// The columns, `column` twips wide, covered by the non-empty bars among bins
// 0..m − 1, bar i spanning [left + i·barWidth, left + (i + 1)·barWidth],
// left to right (right to left for bars of negative width).
BarColumns mergeBarColumns(const BinCounters& counts, std::int32_t m, double left, double barWidth,
                           double column);

}  // namespace corvane
