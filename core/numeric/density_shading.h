// Grey levels for the bifurcation diagram's counts on a logarithmic scale:
// white for an empty pixel, black for the densest, so that densities show.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace corvane {

class DensityShade {
public:
    // `densest`: the largest count of the picture.
    explicit DensityShade(std::uint32_t densest);

    // round(255 · (1 − ln(1 + count) / ln(1 + densest))), 255 when densest is
    // 0; counts above densest are black.
    std::uint8_t operator()(std::uint32_t count) const {
        return count < table_.size() ? table_[count] : compute(count);
    }

    // The shades of the counts below tableSize(), for loops that look many up.
    const std::uint8_t* table() const { return table_.data(); }
    std::uint32_t tableSize() const { return static_cast<std::uint32_t>(table_.size()); }

private:
    std::uint8_t compute(std::uint32_t count) const;

    std::uint32_t densest_;
    double scale_;
    std::vector<std::uint8_t> table_;  // the first few thousand counts
};

// Shades columns of counts (column c at counts[c·columnStride], bin 0 at
// the bottom) into an 8-bit grey image with the top row first: pixel
// (c, row) of the image is bin rows − 1 − row of column c.
void shadeColumns(const std::uint32_t* counts, std::ptrdiff_t columnStride, int columns, int rows,
                  const DensityShade& shade, std::uint8_t* image, std::ptrdiff_t stride);

}  // namespace corvane
