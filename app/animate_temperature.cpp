// The colour transition policy on the animated colour value (mired).
#include "app/animate_temperature.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "toolkit/toolkit.h"

namespace tintel {
namespace {

// Kelvin for a mired value, rounded to an integer through single precision; -1 when
// the mired value has no kelvin within range (0, negative or not a number).
int64_t kelvinOf(double mired) {
    const float kelvin = static_cast<float>(1000000.0 / mired);
    if (!(kelvin > 0.0f) || kelvin > static_cast<float>(std::numeric_limits<int32_t>::max()))
        return -1;
    return std::lround(kelvin);
}

}  // namespace

// Glides in mired: equal steps in mired look like equal steps of colour, so the duration follows
// the mired change (140 mired per speed unit, at most 3 units).
int32_t animateTemperature(yt::ytAnimValue& colour, int32_t targetKelvin, double speed) {
    if (targetKelvin <= 0) return -1;
    const double m0 = colour.finalValue();
    if (kelvinOf(m0) == targetKelvin) return 0;

    const double m1 = 1000000.0 / targetKelvin;
    // A value that holds no number has no position to glide from.
    if (!std::isfinite(m0)) {
        colour.setNow(m1);
        return 0;
    }
    const double base = std::min(std::fabs(m1 - m0) / kMiredPerSpeedUnit, kMostSpeedUnits);
    const double duration = base * speed;
    if (duration < kShortestGlide && colour.isIdle()) {
        colour.setNow(m1);
        return 0;
    }

    yt::DebugLog("Animating from %f to %f over %f\n", 1000000.0 / m0, 1000000.0 / m1, speed);
    const double now = colour.now();
    const yt::ytAnimRequest request{yt::Smoothstep, m0, m1, now, now + duration};
    return colour.animateTo(request, yt::ytBlend::Additive) == yt::kAnimOk ? 0 : -1;
}

}  // namespace tintel
