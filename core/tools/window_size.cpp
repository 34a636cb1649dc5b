#include "core/tools/window_size.h"

#include <algorithm>
#include <cmath>

namespace corvane::tools {

namespace {

int fitted(int preferred, int least, int available) {
    const int most = static_cast<int>(std::floor(available * kMostScreenShare));
    return std::min(std::max(std::min(preferred, most), least), available);
}

}  // namespace

Box firstGeometry(Box preferred, Box least, Box available) {
    Box b;
    b.width = fitted(preferred.width, least.width, available.width);
    b.height = fitted(preferred.height, least.height, available.height);
    b.x = available.x + (available.width - b.width) / 2;
    b.y = available.y + (available.height - b.height) / 2;
    return b;
}

}  // namespace corvane::tools
