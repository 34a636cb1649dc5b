// Drawing the bars of a histogram: one rectangle per bin, or one per run of
// pixel columns of the same height when the bars are narrower than a pixel
// (see core/numeric/bar_columns.h for how they merge).
#pragma once

#include <cstdint>

#include "core/numeric/bar_columns.h"
#include "core/numeric/bin_counters.h"
#include "platform/platform.h"

namespace corvane {

// One rectangle for each of the bins 0..m − 1.
void drawEveryBar(platform::Window& objForm, const BinCounters& counts, std::int32_t m,
                  const BarFrame& frame);
// One rectangle per run of the surface's pixel columns covered by non-empty bars.
void drawBarColumns(platform::Window& objForm, const BinCounters& counts, std::int32_t m,
                    const BarFrame& frame);
// The same from columns merged already.
void drawColumns(platform::Window& objForm, const BarColumns& columns, const BarFrame& frame);

}  // namespace corvane
