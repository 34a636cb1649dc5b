#include "core/numeric/density_shading.h"

#include <algorithm>
#include <cmath>

namespace corvane {

namespace {
constexpr std::uint32_t kTableSize = 4096;
}  // namespace

DensityShade::DensityShade(std::uint32_t densest)
    : densest_(densest), scale_(densest == 0 ? 0 : 255.0 / std::log1p(double(densest))) {
    table_.resize(std::min<std::uint64_t>(std::uint64_t{densest} + 1, kTableSize));
    for (std::uint32_t c = 0; c < table_.size(); ++c) table_[c] = compute(c);
}

std::uint8_t DensityShade::compute(std::uint32_t count) const {
    if (count == 0 || densest_ == 0) return 255;
    if (count >= densest_) return 0;
    const double level = 255.0 - std::log1p(double(count)) * scale_;
    return static_cast<std::uint8_t>(std::clamp(std::lround(level), 0L, 255L));
}

void shadeColumns(const std::uint32_t* counts, std::ptrdiff_t columnStride, int columns, int rows,
                  const DensityShade& shade, std::uint8_t* image, std::ptrdiff_t stride) {
    // Row by row, in bands of a few columns whose counts stay in the cache.
    // The table is read through locals: the image's bytes could alias it.
    constexpr int kBand = 16;
    const std::uint8_t* table = shade.table();
    const std::uint32_t size = shade.tableSize();
    for (int first = 0; first < columns; first += kBand) {
        const int width = std::min(kBand, columns - first);
        for (int row = 0; row < rows; ++row) {
            const std::uint32_t* bin = counts + first * columnStride + (rows - 1 - row);
            std::uint8_t* pixel = image + row * stride + first;
            for (int c = 0; c < width; ++c) {
                const std::uint32_t count = bin[c * columnStride];
                pixel[c] = count < size ? table[count] : shade(count);
            }
        }
    }
}

}  // namespace corvane
