// The settings panel's drawing arithmetic, shared by TintelUI's panel build and its tests.
#pragma once

#include "toolkit/bitmap.h"

namespace tintel {

// The sun arc's phase for a day of `dayMinutes` between sunrise and sunset: 0 for twelve hours,
// positive for shorter days (the arc sinks), negative for longer ones.
double SunArcPhase(double dayMinutes);
// The horizon line (0 top .. 1 bottom) of an arc of that phase: 0.5 - 0.4 sin(phase).
double SunArcHorizon(double phase);
// Clears `bitmap` and draws the day curve into it: for each column the sun's path
// y = H (0.5 - 0.4 sin(2 pi x / W + phase)), the sky between the horizon line and the path
// filled with 0xAF9F9E9C, and the path as an antialiased dot ending in the pixel 0xBFBFBFBF.
void DrawDayCurve(yt::ytBitmap& bitmap, double phase);

}  // namespace tintel
