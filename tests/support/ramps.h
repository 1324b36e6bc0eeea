// Gamma ramps for the tests: the ramp a colour gives, worked out from kelvinToRgb and
// buildGammaRamp as the colour setter is meant to combine them, and the ramps the displays hold.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "colour/colour_temperature.h"
#include "colour/gamma_ramp.h"
#include "platform/gamma.h"

namespace testsupport {

// Gamma 1, each channel the temperature's multiplier at most 1 (red at least 0.2) times the
// brightness.
inline tintel::GammaRamp colourRamp(double kelvin, double brightness = 1.0) {
    float r, g, b;
    tintel::kelvinToRgb(static_cast<float>(kelvin), r, g, b);
    r = std::min(std::max(r, 0.2f), 1.0f), g = std::min(g, 1.0f), b = std::min(b, 1.0f);
    const float k = static_cast<float>(brightness);
    tintel::GammaRamp ramp;
    tintel::buildGammaRamp(ramp, 1.0f, r * k, g * k, b * k);
    return ramp;
}

inline tintel::GammaRamp identityRamp() {
    tintel::GammaRamp ramp;
    for (int i = 0; i < 768; ++i)
        ramp[i] = static_cast<uint16_t>((i % 256) * 257);
    return ramp;
}

// `got` is `want` within `tolerance`, but for at most one red entry in 128 .. 191: the colour
// setter varies that entry from one load to the next so that a display never skips a load.
inline ::testing::AssertionResult sameButVariation(const tintel::GammaRamp& got,
                                                   const tintel::GammaRamp& want,
                                                   int tolerance = 0) {
    int varied = 0;
    for (int i = 0; i < 768; ++i) {
        if (std::abs(got[i] - want[i]) <= tolerance) continue;
        if (i < 128 || i > 191 || ++varied > 1)
            return ::testing::AssertionFailure()
                   << "entry " << i << " is " << got[i] << ", not " << want[i];
    }
    return ::testing::AssertionSuccess();
}

// Every display's name and ramp, as a client of its own reads them back.
inline std::vector<std::pair<std::string, tintel::GammaRamp>> displayedRamps() {
    std::vector<std::pair<std::string, tintel::GammaRamp>> out;
    std::unique_ptr<platform::DisplaySystem> system = platform::openDisplaySystem();
    if (!system) return out;
    system->enumerate([&](const std::string& name, uintptr_t) {
        std::unique_ptr<platform::DisplayDevice> device = system->open(name);
        tintel::GammaRamp ramp;
        if (device && device->getGammaRamp(ramp.data())) out.emplace_back(name, ramp);
    });
    return out;
}

}  // namespace testsupport
