// The CIE 1931 2-degree colour-matching table the colour conversion integrates against.
#pragma once

#include <cstdint>

namespace tintel {

// 95 rows: 360, 365, ..., 830 nm.
inline constexpr int32_t kCie1931Rows = 95;
inline constexpr int32_t kCie1931FirstNm = 360;
inline constexpr int32_t kCie1931StepNm = 5;

// Each row holds x-bar, y-bar and z-bar at its wavelength.
extern const float kCie1931Observer[kCie1931Rows][3];

}  // namespace tintel
