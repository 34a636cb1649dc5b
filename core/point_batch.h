// Points on their way to a surface, handed over a few hundred at a time so a
// long orbit costs no call per point. Memory stays the same whatever N is;
// the points reach the surface in the order they were added.
#pragma once

#include <array>
#include <cstddef>

#include "platform/platform.h"

namespace corvane {

class PointBatch {
public:
    explicit PointBatch(platform::Window& surface) : surface_(surface) {}
    ~PointBatch() { flush(); }
    PointBatch(const PointBatch&) = delete;
    PointBatch& operator=(const PointBatch&) = delete;

    void add(double x, double y) {
        xy_[2 * count_] = x;
        xy_[2 * count_ + 1] = y;
        if (++count_ == kPoints) flush();
    }

    // Hands the waiting points to the surface: before anything else looks
    // at it (a message, a repaint, the end of the command).
    void flush() {
        if (count_ == 0) return;
        surface_.PSetPoints(xy_.data(), count_);
        count_ = 0;
    }

    // Forgets the waiting points (the surface is about to be erased).
    void discard() { count_ = 0; }

private:
    static constexpr std::size_t kPoints = 256;
    platform::Window& surface_;
    std::array<double, 2 * kPoints> xy_;
    std::size_t count_ = 0;
};

}  // namespace corvane
