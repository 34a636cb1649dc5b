// Cutting a curve segment to a horizontal band before it is drawn, so that
// values of the map far beyond the chart never reach the drawing surface.
#pragma once

#include <algorithm>
#include <optional>

namespace corvane {

// The stretch t0 <= t <= t1 of a segment, t = 0 at its start and 1 at its end.
struct SegmentPart {
    double t0 = 0;
    double t1 = 1;
};

// The part of the segment from height y0 to height y1 that lies within
// low <= y <= high (Liang and Barsky's cut against the two lines of the band;
// the horizontal extent of a curve segment never needs cutting). Any finite
// heights are allowed, up to the whole double range: the differences are
// taken on halves so they cannot overflow. Empty when no part lies inside.
inline std::optional<SegmentPart> clipToBand(double y0, double y1, double low, double high) {
    const bool startInside = y0 >= low && y0 <= high;
    const bool endInside = y1 >= low && y1 <= high;
    if (startInside && endInside) return SegmentPart{};
    // Wholly beyond one edge. Decided here, not from t: with heights far
    // beyond the band, t0 and t1 may round to the same value.
    if ((y0 < low && y1 < low) || (y0 > high && y1 > high)) return std::nullopt;
    const double half0 = y0 / 2;
    const double halfRise = y1 / 2 - half0;
    const double tLow = (low / 2 - half0) / halfRise;
    const double tHigh = (high / 2 - half0) / halfRise;
    SegmentPart part;
    if (halfRise > 0) {
        part.t0 = std::max(0.0, tLow);
        part.t1 = std::min(1.0, tHigh);
    } else {
        part.t0 = std::max(0.0, tHigh);
        part.t1 = std::min(1.0, tLow);
    }
    if (startInside) part.t0 = 0;
    if (endInside) part.t1 = 1;
    if (!(part.t0 <= part.t1)) return std::nullopt;
    return part;
}

}  // namespace corvane
