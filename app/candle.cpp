// Candle mode (the displays and the fixtures follow a recorded candle flicker) and the settings
// window's keys for the light output and candle mode.
#include <cmath>
#include <cstdint>

#include "app/candle_table.h"
#include "app/controller.h"
#include "app/prefs.h"
#include "app/tintel_ui.h"
#include "base/messages.h"
#include "colour/gamma_ramp.h"
#include "platform/window_host.h"

namespace tintel {
namespace {

constexpr double kCandleFramesPerSecond = 30.0;
// The fixtures show the flame at a fixed warm colour; only their level flickers.
constexpr uint32_t kCandleFixtureColour = 3200;
constexpr int kCandleFrameMs = 10;

}  // namespace

void TintelUI::toggleCandle() {
    if (RegDword(kPreferences, "candle", 0).read() == 0) return;
    candleMode_ = !candleMode_;
    // Leaving candle mode, the next schedule step loads its ramp even if its values are unchanged.
    if (!candleMode_ && controller_) controller_->activated = true;
}

int TintelUI::candleStep(double now) {
    // The table repeats every 2774 frames (about 92 s).
    const auto frame = static_cast<int64_t>(now * kCandleFramesPerSecond);
    const int index = static_cast<int>(((frame % kCandleFrames) + kCandleFrames) % kCandleFrames);
    const uint32_t entry = kCandleTable[index];
    const float r = static_cast<float>((entry >> 16) / 255.0);
    const float g = static_cast<float>(((entry >> 8) & 0xFF) / 255.0);
    const float b = static_cast<float>((entry & 0xFF) / 255.0);
    const double level = std::pow((r + g + b) * 0.5, 2.2);
    if (fixtures_) fixtures_->sendFixture(kCandleFixtureColour, level);
    if (controller_) {
        // Every frame is a new ramp for every display.
        ++controller_->displays.generation;
        loadColourRamp(*controller_, 1.0f, r, g, b, false, 0.0);
    }
    return kCandleFrameMs;
}

// The keys of the light output and candle mode. (The settings window's other keys, Escape, p,
// y and d, belong with the panel's key handling; characters not handled here go to the toolkit.)
intptr_t TintelUI::HandleKey(yt::ytMessage& message) {
    if (message.message == base::kWmKeyDown && message.wParam == platform::kVkSpace) {
        toggleLightOutput();
        return base::kHandled;
    }
    if (message.message == base::kWmChar) {
        const uintptr_t c = message.wParam;
        if (c >= '0' && c <= '9') {
            onLightLevelKey(static_cast<int>(c - '0'));
            return base::kHandled;
        }
        if (c == 'c') {
            toggleCandle();
            return base::kHandled;
        }
    }
    return yt::ytDrawUI::HandleKey(message);
}

}  // namespace tintel
