// From a colour temperature and brightness to the ramps the displays load: whether anything needs
// sending, the warm-gamma boost, the floor on red, the darkroom transform, the small variation
// between consecutive ramps, and the walk towards 6500 K when a display refuses.
#pragma once

#include <cstdint>

#include "colour/display_table.h"

namespace tintel {

// The colour setter's state, held by the application controller.
struct DisplayHolder {
    bool safeMode = false;    // unchanged values are never sent again
    bool activated = false;   // the next call sends even unchanged values
    double lastCallTime = 0;  // clock seconds of the previous setDisplayColour
    DisplayTable displays;
    platform::DisplaySystem* displaySystem = nullptr;  // where ramps go; null: nowhere
    double (*clock)() = nullptr;                       // the program hands the toolkit clock
    double now() const;
};

// The process-wide values of the setter: the last values applied and the variation flag.
struct ColourSetterState {
    double brightness = 0, kelvin = 0, darkroom = 0;
    int variation = 0;
};
ColourSetterState& colourSetterState();

// Shows `kelvin` at `brightness` on every display, walking towards 6500 K in 100 K steps while
// refused (at most 100 attempts). 0 with the kelvin used written back, or -1.
int32_t applyDisplayColour(DisplayHolder& holder, double brightness, double& kelvin,
                           double darkroom, bool warmGamma);

// One attempt: 0, -1 (some display refused) or 4 (no memory for the ramp).
int32_t setDisplayColour(DisplayHolder& holder, double brightness, double kelvin, bool vary,
                         double darkroom, bool warmGamma);

// Builds the ramp for the multipliers, applies the darkroom transform or the variation, and
// sends it to the displays.
int32_t loadColourRamp(DisplayHolder& holder, float gamma, float red, float green, float blue,
                       bool vary, double darkroom);

// The ramp of a gamma and three channel multipliers, in single precision, rounded to the nearest
// integer with ties to even.
void buildGammaRamp(GammaRamp& ramp, float gamma, float red, float green, float blue);

}  // namespace tintel
