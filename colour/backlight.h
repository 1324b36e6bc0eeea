// The panel's backlight position, which lets the controller warm the colour as the panel dims.
#pragma once

#include <cstdint>
#include <span>

namespace tintel {

// What the level scan found.
struct BacklightReading {
    bool valid = false;          // a reading was obtained
    float levelFraction = 1.0f;  // current level / highest supported level
    float position = 1.0f;       // index of the current level / (number of levels - 1), 0..1
    int32_t maxIndex = -1;       // number of levels - 1
    int32_t currentIndex = -1;   // index of the current level in the list, -1 if not found
};

// Finds `current` in a driver's list of supported levels. The list ends at its first zero byte
// after index 0 (index 0 may be a zero level) or at its end; each byte counts as a signed 8-bit
// level. The list is taken as given, unsorted lists included: the position is the index of the
// last entry equal to `current`. Not valid with fewer than two levels or when `current` is absent.
BacklightReading scanBacklightLevels(std::span<const uint8_t> levels, uint8_t current);

// A brightness on a scale 0..maxBrightness, the way a continuous control reports it: every
// integer step is a level, so position and level fraction are both brightness / maxBrightness.
// Not valid when the scale is empty (maxBrightness below 1) or brightness lies outside it.
BacklightReading rangeBacklightReading(int64_t brightness, int64_t maxBrightness);

// Reads the built-in panel's backlight. Both outputs are set to 1.0 first and replaced only by a
// valid reading. 0 on a valid reading, -1 otherwise (no panel device, a device that cannot be
// read, or a level that cannot be placed).
int32_t readBacklight(float* levelFraction, float* position);

}  // namespace tintel
