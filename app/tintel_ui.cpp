#include "app/tintel_ui.h"

#include "app/controller.h"
#include "toolkit/messages.h"
#include "toolkit/window.h"

namespace tintel {

TintelUI::TintelUI(TintelController* controller)
    : controller_(controller), safeMode_(kPreferences, "SafeMode", 0) {
    // The order of these reads is the order in which a first run creates the defaults.
    safeMode_.read();
    latitude_ = RegDword(kPreferences, "Latitude", 3600).read();
    implicitMode_ = RegDword(kPreferences, "ImplicitMode", 0).read();
    longitude_ = RegDword(kPreferences, "Longitude", 0).read();
    zipCode_ = static_cast<uint32_t>(RegDword(kPreferences, "ZipCode", 0).read());
    outdoor_ = static_cast<uint32_t>(RegDword(kPreferences, "Outdoor", 6500).read());
    indoor_ = static_cast<uint32_t>(RegDword(kPreferences, "Indoor", 3400).read());
}

TintelUI::~TintelUI() = default;

void TintelUI::Initialise() {}

intptr_t TintelUI::HandleInput(yt::ytMessage& message) {
    if (message.message == yt::kShowInstanceMessage) {
        showWindow();
        return yt::kHandled;
    }
    // The user's session is ending: the process may not get to its own teardown.
    if (message.message == yt::kWmEndSession && message.wParam) {
        resetDisplays(*controller_);
        return 0;
    }
    return yt::ytDrawUI::HandleInput(message);
}

void TintelUI::showWindow() {
    if (yt::ytWindow* window = Window()) window->Show(true);
}

}  // namespace tintel
