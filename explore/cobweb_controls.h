// How the cobweb's controls move its values: sliders in millionths, the
// steps of the arrow keys.
#pragma once

#include <cmath>

namespace corvane::explore::cobweb_controls {

inline constexpr double kSliderUnit = 1e-6;  // sliders of a and x0
inline constexpr double kFineStep = 1e-6;    // a with Shift and an arrow key
inline constexpr double kStepA = 0.001;      // a with an arrow key
inline constexpr double kStepX0 = 0.001;     // x0 with an arrow key

inline int sliderOf(double value) { return static_cast<int>(std::lround(value / kSliderUnit)); }

}  // namespace corvane::explore::cobweb_controls
