// Sending one gamma ramp to every attached display: a record per display (found by its device
// name) remembers its colour profile and the calibration curve read from it; the colour ramp is
// composed with that curve, and each display takes a given ramp once per generation, so retries
// reach only the displays that refused.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/gamma.h"

namespace tintel {

// 768 16-bit entries: red 0-255, green 256-511, blue 512-767.
using GammaRamp = std::array<uint16_t, 768>;

struct DisplayRecord {
    bool hasCalibration = false;
    GammaRamp calibration{};      // all 0 until read
    std::string profilePath;      // the profile last seen for this display
    double refreshTimer = 0;      // clock seconds: start of the current profile refresh period
    uint32_t lastGeneration = 0;  // the generation whose ramp this display took last
    uint32_t failed = 0;  // 1: the first calibration (or identity) load was refused; the display
                          // gets no ramps until that load is taken (tried again at each profile
                          // refresh and when the list of displays changes)
};

struct DisplayTable {
    std::vector<std::unique_ptr<DisplayRecord>> records;  // never removed
    std::vector<std::string> names;                       // same order as records
    std::vector<std::string> lastSeen;  // the displays of the previous pass, in their order
    uint32_t generation = 0;
    const GammaRamp* ramp = nullptr;  // set only while a ramp is being applied
    int32_t result = 0;
};

// A profile's look is valid this long; after it the profile is looked up again.
constexpr double kProfileRefreshSeconds = 120.0;

// Sends the ramp to every display that has not yet taken this generation: 0 when every display
// took it or was skipped, -1 when at least one refused. `now` is the toolkit clock in seconds.
// When the list of displays differs from the previous pass's (a display plugged in or out, as
// during a mode set), every display whose first load was refused is tried again on the next pass.
int32_t applyRampToDisplays(DisplayTable& table, const GammaRamp& ramp,
                            platform::DisplaySystem& displays, double now);

// The record of a display, created on first sight; reads its profile's calibration when the
// profile changes (looked at again after 120 s) and loads the calibration (or the identity) into
// a display seen for the first time, and again at each refresh while that load stays refused.
DisplayRecord* findOrCreateDisplayRecord(DisplayTable& table, const std::string& deviceName,
                                         platform::DisplayDevice& device, double now);

// out = in, passed through the calibration curve of the same channel when one is given and it
// rises (last blue above 30000, first blue below 10000).
void composeWithCalibration(GammaRamp& out, const GammaRamp& in, const GammaRamp* calibration);

// Whether a calibration curve passes that check.
bool calibrationRises(const GammaRamp& calibration);

}  // namespace tintel
