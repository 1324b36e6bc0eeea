// The colour transition policy: how fast the displayed colour temperature glides to a new target.
#pragma once

#include <cstdint>

#include "toolkit/anim_value.h"

namespace tintel {

// Mired change that takes one unit of `speed` seconds, and the most units a glide may take.
constexpr double kMiredPerSpeedUnit = 140.0;
constexpr double kMostSpeedUnits = 3.0;
// Glides shorter than this (seconds) are shown at once when nothing else is moving.
constexpr double kShortestGlide = 0.05;

// Starts a smoothstep glide of `colour` (which holds mired, 1,000,000 / kelvin) towards
// `targetKelvin`, lasting min(|change in mired| / 140, 3) x speed seconds and added on top of any
// glide still running. 0 when started or nothing was to do; -1 for a target that is not a
// temperature (0 or below) or a glide that cannot be stored.
int32_t animateTemperature(yt::ytAnimValue& colour, int32_t targetKelvin, double speed);

}  // namespace tintel
