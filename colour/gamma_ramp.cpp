#include "colour/gamma_ramp.h"

#include <cmath>
#include <cstdlib>
#include <new>

#include "colour/colour_temperature.h"
#include "platform/clock.h"

namespace tintel {
namespace {

constexpr double kNeutralKelvin = 6500;
constexpr double kResendSeconds = 0.5;

// Rounds to the nearest integer, ties to even (the default floating-point rounding mode).
uint16_t roundEven(float v) {
    return static_cast<uint16_t>(std::nearbyint(v));
}

}  // namespace

double DisplayHolder::now() const {
    if (clock) return clock();
    // Without a clock handed in: seconds of the monotonic counter since the first call here.
    static const int64_t frequency = platform::performanceFrequency();
    static const int64_t origin = platform::performanceCounter();
    return static_cast<double>(platform::performanceCounter() - origin) /
           static_cast<double>(frequency);
}

ColourSetterState& colourSetterState() {
    static ColourSetterState state;
    return state;
}

void buildGammaRamp(GammaRamp& ramp, float gamma, float red, float green, float blue) {
    const float e = 1.0f / gamma;
    const float step = 1.0f / 255.0f;
    for (int i = 0; i < 256; ++i) {
        const float v = static_cast<float>(i) * step;
        ramp[i] = roundEven(65535.0f * std::pow(v, e));
    }
    // Green and blue read the unscaled red channel, so red is scaled last.
    for (int i = 0; i < 256; ++i) {
        ramp[256 + i] = roundEven(static_cast<float>(ramp[i]) * green);
        ramp[512 + i] = roundEven(static_cast<float>(ramp[i]) * blue);
        ramp[i] = roundEven(static_cast<float>(ramp[i]) * red);
    }
}

int32_t loadColourRamp(DisplayHolder& holder, float gamma, float red, float green, float blue,
                       bool vary, double darkroom) {
    std::unique_ptr<GammaRamp> ramp(new (std::nothrow) GammaRamp());
    if (!ramp) return 4;
    buildGammaRamp(*ramp, gamma + static_cast<float>(darkroom), red, green, blue);
    if (darkroom <= 0) {
        // Consecutive ramps differ a little, so drivers that ignore a ramp identical to the
        // loaded one still take it.
        if (vary) {
            uint16_t& entry = (*ramp)[128 + std::rand() % 64];
            entry = static_cast<uint16_t>(entry + 256);
        }
    } else {
        // Fade to black at 0.5, then an inverted red-only ramp up to full strength at 1.
        const double s = 2.0 * std::fabs(darkroom - 0.5);
        for (uint16_t& entry : *ramp)
            entry = static_cast<uint16_t>(std::trunc(entry * s));
        if (darkroom > 0.5) {
            for (int i = 0; i < 128; ++i)
                std::swap((*ramp)[i], (*ramp)[255 - i]);
            for (int i = 256; i < 768; ++i)
                (*ramp)[i] = 0;
        }
    }
    if (!holder.displaySystem) return 0;
    return applyRampToDisplays(holder.displays, *ramp, *holder.displaySystem, holder.now());
}

int32_t setDisplayColour(DisplayHolder& holder, double brightness, double kelvin, bool vary,
                         double darkroom, bool warmGamma) {
    const double now = holder.now();
    const double elapsed = std::fabs(now - holder.lastCallTime);
    holder.lastCallTime = now;
    ColourSetterState& last = colourSetterState();
    if (!holder.activated && brightness == last.brightness && kelvin == last.kelvin &&
        darkroom == last.darkroom) {
        // Unchanged values are sent again only now and then, which repairs ramps another
        // program has changed; never in safe mode.
        if (holder.safeMode || elapsed < kResendSeconds) return 0;
    }
    holder.activated = false;

    float r, g, b;
    kelvinToRgb(static_cast<float>(kelvin), r, g, b);
    r = std::fmin(r, 1.0f), g = std::fmin(g, 1.0f), b = std::fmin(b, 1.0f);
    float gamma = 1.0f;
    if (warmGamma) {
        // Distance in mireds from about 6494 K; 2700 K gives a gamma of about 1.254.
        double x = 1000000.0 / kelvin - 154.0;
        if (x < 0) x = 0;
        gamma = static_cast<float>(1.0 + x / 850.0);
    }
    if (r < 0.2f) r = 0.2f;
    r = static_cast<float>(r * brightness);
    g = static_cast<float>(g * brightness);
    b = static_cast<float>(b * brightness);
    const int32_t result = loadColourRamp(holder, gamma, r, g, b, vary, darkroom);
    if (result == 0) last = {brightness, kelvin, darkroom, last.variation};
    return result;
}

int32_t applyDisplayColour(DisplayHolder& holder, double brightness, double& kelvin,
                           double darkroom, bool warmGamma) {
    ++holder.displays.generation;
    ColourSetterState& state = colourSetterState();
    state.variation = (state.variation - 1) & 1;
    const bool vary = state.variation != 0;
    double k = kelvin;
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (setDisplayColour(holder, brightness, k, vary, darkroom, warmGamma) == 0) {
            kelvin = k;
            return 0;
        }
        if (k < kNeutralKelvin) k += 100;
        if (k > kNeutralKelvin) k -= 100;
    }
    return -1;
}

}  // namespace tintel
