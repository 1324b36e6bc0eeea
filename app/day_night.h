// The day/night controller's pure pieces: the wording of time distances, the hour-wide blend
// between day and night, the slider's kelvin scale, and the constants the controller shares.
#pragma once

#include <cstdint>
#include <string>

namespace tintel {

// Neutral: multipliers (1, 1, 1), an identity ramp.
inline constexpr double kNeutralKelvin = 6500.0;
// Movie mode lifts a warmer (lower) colour temperature up to this one.
inline constexpr double kMovieFloorKelvin = 4400.0;
// The window timer that runs alongside the 16 ms ticks while anything animates.
inline constexpr uintptr_t kAnimationTimerId = 1315;
inline constexpr uint32_t kAnimationTimerMs = 33;

// A distance in minutes as the status line words it: " in 10 minutes", ": about an hour ago",
// " in 7 hours". Minutes are rounded up to whole ones first; from 60 on they count as hours
// rounded to the nearest (an hour and a half is 2 hours).
std::string relativeTimeText(double minutes);

// The temperature `width` minutes around sunrise or sunset, linear in mired: half a width before
// sunset still fully day, half a width after fully night, the other way round at sunrise. The
// nearer event (by absolute distance) decides. `fraction`, when given, receives 0 (day) .. 1
// (night).
double nightFraction(double width, double toSunrise, double toSunset, double nightKelvin,
                     double dayKelvin, double* fraction = nullptr);

// A distance between two times of day brought into the nearer day: the value shifted by a whole
// day towards zero when that makes it smaller; on equal size the shifted value.
double nearestDayDistance(double minutes);

// The sliders' scale, linear in mired: 2700 K is 0 and 6500 K is 1, in single precision.
double sliderPosition(double kelvin);
// The kelvin of a slider position, rounded to the nearest 100 K (single precision, halves even).
int32_t sliderKelvin(double position);

}  // namespace tintel
