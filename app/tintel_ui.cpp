// TintelUI: construction, the per-frame update the pump calls, window messages, and the window
// side of the controller (sliders, sun and moon, placement). The schedule step and the modes are
// in app/day_night.cpp.
//
// Contents
//   1. construction and teardown
//   2. the per-frame update (OnTimer)
//   3. window messages
//   4. the panel: sliders (the nodes, the sun arc and the overlay are in app/panel.cpp)
//   5. the window: placement, hiding, the animation timer
#include "app/tintel_ui.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "app/controller.h"
#include "app/day_night.h"
#include "app/entry.h"
#include "colour/sun_schedule.h"
#include "location/location_lookup.h"
#include "platform/tray.h"
#include "platform/window_host.h"
#include "base/messages.h"
#include "toolkit/resource_table.h"
#include "toolkit/toolkit.h"
#include "toolkit/window.h"

namespace tintel {
namespace {

// The window hides this long after the application lost activation (when the panel allows it).
constexpr double kAutoHideSeconds = 0.25;

}  // namespace

// ---- 1. construction and teardown ---------------------------------------------------------------

TintelUI::TintelUI(TintelController* controller, const ControllerClocks& clocks)
    : controller_(controller),
      clock_(clocks.clock),
      localClock_(clocks.local ? clocks.local : &systemClock_),
      safeMode_(kPreferences, "SafeMode", 0),
      colour_(1000000.0 / kNeutralKelvin, clocks.clock),
      movie_(0, clocks.clock),
      disable_(0, clocks.clock),
      lightLevel_(0, clocks.clock),
      darkroomBlend_(0, clocks.clock),
      dim_(1.0, clocks.clock),
      preview_(0, clocks.clock),
      animated_{&colour_, &movie_, &disable_, &lightLevel_, &darkroomBlend_, &dim_, &preview_} {
    // The order of these reads is the order in which a first run creates the defaults.
    safeMode_.read();
    const int32_t latitude = RegDword(kPreferences, "Latitude", 3600).read(kLatitudeRange);
    slowTransitions_ = RegDword(kPreferences, "ImplicitMode", 0).read() != 0;
    const int32_t longitude = RegDword(kPreferences, "Longitude", 0).read(kLongitudeRange);
    zipCode_ = static_cast<uint32_t>(RegDword(kPreferences, "ZipCode", 0).read(kPostalCodeRange));
    day_ = static_cast<uint32_t>(RegDword(kPreferences, "Outdoor", 6500).read(kKelvinRange));
    night_ = static_cast<uint32_t>(RegDword(kPreferences, "Indoor", 3400).read(kKelvinRange));
    extendedRange_ = wideGammaRangeAtStart();
    // The colour setter's resend timing runs on the same clock as the schedule.
    if (controller_) controller_->clock = clock_ ? clock_ : yt::Clock;
    if (controller_) fixtures_ = &controller_->fixtures;
    // Stored in hundredths of a degree.
    latitude_ = static_cast<float>(latitude / 100.0);
    longitude_ = static_cast<float>(longitude / 100.0);
}

TintelUI::~TintelUI() {
    stopAnimationTimer();
    if (yt::ytWindow* window = Window()) window->RemoveTrayIcon();
    // The light bridge worker may be showing its pairing prompt through this object.
    if (controller_ && controller_->lightWorker) controller_->lightWorker->Stop(5000);
}

void TintelUI::Initialise() {
    postConstruct();
    // The layout's sliders start at their ends ("tintel/slider1" 1.0, "tintel/slider2" 0.0) and
    // take the stored temperatures at the panel build; the light output fades in over 10 s.
    const double t = now();
    lightLevel_.animateTo({yt::Smoothstep, 0.0, 1.0, t, t + 10.0}, yt::ytBlend::Additive);
}

double TintelUI::now() const {
    return clock_ ? clock_() : yt::Clock();
}

void TintelUI::glide(yt::ytAnimValue& value, double target, double seconds, yt::ytCurve curve) {
    const double t = now();
    value.animateTo({curve, value.finalValue(), target, t, t + seconds}, yt::ytBlend::Additive);
}

bool TintelUI::allAnimationsIdle() const {
    for (const yt::ytAnimValue* value : animated_)
        if (!value->isIdle()) return false;
    return true;
}

// ---- 2. the per-frame update --------------------------------------------------------------------

int TintelUI::OnTimer(double now) {
    if (locationDialogOpen_) return 1000;
    // The update check: first on the first call, then 0.75 to 1.25 days after the previous one.
    if (now >= nextUpdateCheck_) {
        std::srand(static_cast<unsigned>(static_cast<int64_t>(now * 1000000.0)));
        // 0 .. 32767 on every C library (glibc's rand reaches 2^31 - 1).
        const int r = std::rand() % 32768;
        nextUpdateCheck_ = now + (0.75 + 0.5 * r / 32768.0) * 86400.0;
        startUpdateCheck();
    }

    if (!firstTickDone_) {
        firstTickDone_ = true;
        if (RegDword(kPreferences, "Longitude", 0).read() == 0) openLocationDialog();
    }

    if (autoHide_ && activitySince_ >= 0 && now - activitySince_ > kAutoHideSeconds) hideWindow();

    // Candle mode replaces the whole schedule while it runs.
    if (candleMode_) return candleStep(now);

    // A preview sweeps the time of day through a whole day; at its end it returns to 0.
    double offset = 0;
    const double p = preview_.get(now);
    if (p > 0) {
        if (preview_.isIdle()) {
            preview_.setNow(0);
            previewLabelShown_ = false;
        } else {
            offset = p * 1440.0;
            previewLabelShown_ = true;
        }
    }

    computeSchedule(offset);

    const bool idle = allAnimationsIdle();
    yt::ytWindow* window = Window();
    const bool hidden = !window || !window->IsVisible();
    if (hidden && idle) {
        stopAnimationTimer();
        return 1000;
    }
    if (window && !animationTimer_ && window->SetTimer(kAnimationTimerId, kAnimationTimerMs))
        animationTimer_ = kAnimationTimerId;
    // A window left beyond the screens (a monitor was unplugged) comes back to the corner.
    if (window) {
        int left = 0, top = 0, width = 0, height = 0;
        const platform::ScreenRect screen = platform::virtualScreen();
        if (window->Frame(&left, &top, &width, &height) &&
            (left > screen.right || top > screen.bottom))
            placeWindow();
    }
    return 16;
}

// ---- 3. window messages -------------------------------------------------------------------------

intptr_t TintelUI::HandleInput(yt::ytMessage& message) {
    switch (message.message) {
        case platform::kTrayCallbackMessage:
            // Only the button presses mean something; moves and releases are the toolkit's.
            if (message.lParam != base::kWmLButtonDown && message.lParam != base::kWmRButtonDown)
                break;
            onTrayCallback(message.lParam);
            return base::kHandled;
        case platform::kTrayMenuCommandMessage:
            // A command chosen in the copy of the menu the desktop showed itself.
            runTrayCommand(static_cast<uint32_t>(message.wParam));
            return base::kHandled;
        case base::kShowInstanceMessage:
            activitySince_ = -1;
            showWindow();
            return base::kHandled;
        case base::kWmActivateApp:
            // Losing activation starts the auto-hide stopwatch; gaining it re-sends the ramp.
            if (message.wParam) {
                if (controller_) controller_->activated = true;
                activitySince_ = -1;
            } else {
                activitySince_ = now();
            }
            break;
        case platform::kWmHotKey:
            onHotkey(message.wParam);
            break;
        default:
            break;
    }
    // The user's session is ending: the process may not get to its own teardown.
    if (message.message == base::kWmEndSession && message.wParam) {
        resetDisplays(*controller_);
        return 0;
    }
    return yt::ytDrawUI::HandleInput(message);
}

// ---- 4. the panel -------------------------------------------------------------------------------

void TintelUI::sliderChanged(Slider slider, double position, bool ctrlHeld) {
    sliderDrag_ = true;
    const int32_t asked = sliderKelvin(position);
    double used = asked;
    const double t = now();
    // A refused temperature moves towards 6500 K; the one the displays took stays in force.
    applyDisplayColour(*controller_, dim_.get(t), used, darkroomBlend_.get(t), movieUntil_ > 0);
    colour_.setNow(1000000.0 / used);
    expandColourShown_ = static_cast<int32_t>(used) != asked;
    const auto kelvin = static_cast<uint32_t>(used);
    if (slider == Slider::Day) {
        day_ = kelvin;
        if (!ctrlHeld && night_ > day_) night_ = day_;
    } else {
        night_ = kelvin;
        if (!ctrlHeld && day_ < night_) day_ = night_;
    }
    RegDword(kPreferences, "Outdoor", 6500).write(static_cast<int32_t>(day_));
    RegDword(kPreferences, "Indoor", 3400).write(static_cast<int32_t>(night_));
    updateSliderLabels();
}

void TintelUI::sliderReleased() {
    sliderDrag_ = false;
    computeSchedule(0.001);
    disableToggle_ = false;
}

void TintelUI::openLocationDialog() {
    // The location dialog (app/location_dialog.cpp), or the prompt a test handed in.
    if (locationDialogOpen_) return;
    const bool wasModal = modalOpen_;
    modalOpen_ = true;
    locationDialogOpen_ = true;
    LocationRecord record{zipCode_, latitude_, longitude_};
    const bool accepted = locationPrompt_ ? locationPrompt_(record) : runLocationDialog(record);
    if (accepted) {
        // Stored in hundredths of a degree, truncated; a value no number reads as 0.
        const auto hundredths = [](float degrees, ValueRange range) {
            if (!std::isfinite(degrees)) return 0;
            return std::clamp(StoredHundredths(std::clamp(degrees, -1000.0f, 1000.0f)),
                              range.lowest, range.highest);
        };
        const int32_t latitude = hundredths(record.latitude, kLatitudeRange);
        const int32_t longitude = hundredths(record.longitude, kLongitudeRange);
        zipCode_ = std::min<uint32_t>(record.postalCode, kPostalCodeRange.highest);
        latitude_ = static_cast<float>(latitude / 100.0);
        longitude_ = static_cast<float>(longitude / 100.0);
        RegDword(kPreferences, "ZipCode", 0).write(static_cast<int32_t>(zipCode_));
        RegDword(kPreferences, "Latitude", 3600).write(latitude);
        RegDword(kPreferences, "Longitude", 0).write(longitude);
        buildPanel();
        computeSchedule(0);
        if (yt::ytDrawNode* settings = yt::Resources().FindNode("tintel/settings");
            settings && !settings->hidden())
            yt::Resources().PressButton("tintel/done");
    }
    locationDialogOpen_ = false;
    modalOpen_ = wasModal;
}

// ---- 5. the window ------------------------------------------------------------------------------

void TintelUI::placeWindow() {
    yt::ytWindow* window = Window();
    int left = 0, top = 0, width = 0, height = 0;
    if (!window || !window->Frame(&left, &top, &width, &height)) return;
    const platform::ScreenRect work = platform::primaryWorkArea();
    window->Move(work.right - width, work.bottom - height);
}

void TintelUI::showWindow() {
    placeWindow();
    if (yt::ytWindow* window = Window()) window->Show(true);
}

void TintelUI::stopAnimationTimer() {
    if (!animationTimer_) return;
    if (yt::ytWindow* window = Window()) window->KillTimer(animationTimer_);
    animationTimer_ = 0;
}

}  // namespace tintel
