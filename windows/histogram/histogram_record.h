// What a drawn histogram was counted from, kept for its export.
#pragma once

#include <cstdint>

namespace corvane {

struct HistogramRecord {
    int plot = 0;  // the orbit slot
    double a = 0;
    double x0 = 0;
    std::int32_t N = 0;
    std::int32_t m = 0;
    double maxY = 0;  // the count the top of the scale stands for
    int map = 0;
};

}  // namespace corvane
