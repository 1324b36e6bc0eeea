// The panel backlight position: the level scan over a driver's level list, and the reading.
#include "colour/backlight.h"

#include "platform/backlight.h"

namespace tintel {

// Counts the levels up to the first zero after index 0, then looks for the current one.
BacklightReading scanBacklightLevels(std::span<const uint8_t> levels, uint8_t current) {
    BacklightReading reading;
    size_t count = levels.size();
    for (size_t i = 1; i < levels.size(); ++i) {
        if (levels[i] == 0) {
            count = i;
            break;
        }
    }
    const int8_t wanted = static_cast<int8_t>(current);
    for (size_t i = 0; i < count; ++i)
        if (static_cast<int8_t>(levels[i]) == wanted)
            reading.currentIndex = static_cast<int32_t>(i);
    reading.maxIndex = static_cast<int32_t>(count) - 1;
    if (count < 2 || reading.currentIndex < 0) return reading;

    // The highest level is the last one listed; it is not zero, as the list ends before a zero.
    const int8_t highest = static_cast<int8_t>(levels[count - 1]);
    reading.levelFraction = static_cast<float>(wanted) / static_cast<float>(highest);
    reading.position =
        static_cast<float>(reading.currentIndex) / static_cast<float>(reading.maxIndex);
    reading.valid = true;
    return reading;
}

// Each integer step of the scale is a level: index = brightness, highest index = maxBrightness.
BacklightReading rangeBacklightReading(int64_t brightness, int64_t maxBrightness) {
    BacklightReading reading;
    if (maxBrightness < 1 || maxBrightness > INT32_MAX) return reading;
    reading.maxIndex = static_cast<int32_t>(maxBrightness);
    if (brightness < 0 || brightness > maxBrightness) return reading;
    reading.currentIndex = static_cast<int32_t>(brightness);
    const double fraction = static_cast<double>(brightness) / static_cast<double>(maxBrightness);
    reading.levelFraction = static_cast<float>(fraction);
    reading.position = static_cast<float>(fraction);
    reading.valid = true;
    return reading;
}

// Queries the platform's panel device and places its current level.
int32_t readBacklight(float* levelFraction, float* position) {
    *levelFraction = 1.0f;
    *position = 1.0f;
    platform::PanelBacklight panel;
    if (!platform::queryPanelBacklight(&panel)) return -1;
    const BacklightReading reading =
        panel.scale == platform::PanelBacklight::Scale::LevelList
            ? scanBacklightLevels(panel.levels, panel.current)
            : rangeBacklightReading(panel.brightness, panel.maxBrightness);
    // A position above 1 cannot be placed on the panel; it leaves the outputs at 1.0 as well.
    if (!reading.valid || !(reading.position <= 1.0f)) return -1;
    *levelFraction = reading.levelFraction;
    *position = reading.position;
    return 0;
}

}  // namespace tintel
