// The bars of a histogram, drawn one per bin or merged per screen column.
//
// A bar is a filled rectangle from the x-axis up to its top. While bars are
// at least kMinBarTwips wide every bin gets its own rectangle, the empty ones
// included (height 0 on the x-axis). Narrower bars cannot be told apart on
// the screen, and a histogram of two billion bins would otherwise cost two
// billion rectangles, so then the drawing goes by columns of kColumnTwips
// (one pixel at 96 dpi), counted from the left edge of the surface:
// - only non-empty bins are visited, in rising order;
// - a bar belongs to every column its span [x1, x2] reaches into (a bar
//   narrower than a column reaches at most two);
// - each column gets one rectangle, from where the first of its bars begins
//   to where the last one ends, both cut to the column's edges, whose top is
//   that of its tallest bar (the bar of the largest count: the tops are
//   computed with the same formula, so the tallest top is reproduced exactly).
// So every column shows the height of the tallest bar reaching into it, as
// the rectangles of the single bars would; empty bins have no rectangle, the
// x-axis covers them. The columns are gathered in one pass over the non-empty
// bins: the rule above is applied bar by bar only where a column begins or a
// bar reaches past its column; the run of bars wholly inside the open column
// (found by a search over the bin numbers) only adds to its largest count
// and moves its right end. So the cost grows with the non-empty bins (a few
// instructions each) and the columns, never with m alone.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/platform.h"
#include "windows/histogram/bin_counters.h"

namespace corvane {

// Bars narrower than this are merged per column.
inline constexpr double kMinBarTwips = 15;
// Width of the columns the narrow bars are merged into.
inline constexpr double kColumnTwips = 15;

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

// One column of merged bars: from where its first bar begins to where its
// last one ends, both cut to the column's edges, and their largest count.
struct BarColumn {
    double from = 0;
    double to = 0;
    std::int32_t tallest = 0;
};

struct BarColumns {
    std::vector<BarColumn> columns;  // from left to right
    std::int32_t largest = 0;        // the largest of the counters 0..m − 1
};

// The columns reached by the non-empty bars among bins 0..m − 1, bar i
// spanning [left + i·barWidth, left + (i + 1)·barWidth].
BarColumns mergeBarColumns(const BinCounters& counts, std::int32_t m, double left, double barWidth);

// One rectangle for each of the bins 0..m − 1.
void drawEveryBar(platform::Window& objForm, const BinCounters& counts, std::int32_t m,
                  const BarFrame& frame);
// One rectangle per column reached by non-empty bars.
void drawBarColumns(platform::Window& objForm, const BinCounters& counts, std::int32_t m,
                    const BarFrame& frame);
// The same from columns merged already.
void drawColumns(platform::Window& objForm, const BarColumns& columns, const BarFrame& frame);

}  // namespace corvane
