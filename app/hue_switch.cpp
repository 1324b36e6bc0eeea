// The light bridge switch of the settings UI: creates, configures and removes the worker that
// the controller holds.
#include "app/controller.h"
#include "app/cookie.h"
#include "app/prefs.h"
#include "app/tintel_ui.h"

namespace tintel {

// The bridge vendor's public discovery service: a JSON array of objects whose
// "internalipaddress" names a bridge of the caller's network.
inline constexpr const char* kDefaultHueDiscovery = "https://discovery.meethue.com/";

void TintelUI::enableHue(bool on, bool poll) {
    if (!controller_) return;
    const std::string discovery =
        on ? RegString(kPreferences, "HueDiscovery", kDefaultHueDiscovery).read() : std::string();
    EnableHue(
        controller_->lightWorker, on, poll, this, [] { return installationCookie(); }, discovery);
}

}  // namespace tintel
