// The panel's backlight as the platform reports it: a list of driver levels (Windows) or a
// brightness within a range (Linux). Turning it into a position is portable (colour/backlight.h).
#pragma once

#include <array>
#include <cstdint>

namespace platform {

struct PanelBacklight {
    enum class Scale {
        LevelList,  // levels and current are filled
        Range,      // brightness and maxBrightness are filled
    };
    Scale scale = Scale::Range;
    // The driver's supported levels, zero-filled after the last one, and the current level.
    std::array<uint8_t, 256> levels{};
    uint8_t current = 0;
    // The brightness on a scale from 0 to maxBrightness.
    int64_t brightness = 0;
    int64_t maxBrightness = 0;
};

// Reads the built-in panel's backlight. False when the platform has no such device or it cannot
// be opened or read.
bool queryPanelBacklight(PanelBacklight* out);

}  // namespace platform
