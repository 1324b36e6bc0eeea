// The extras' feature switches applied to the settings UI, and the light output of the UDP
// fixtures (its on switch, level keys and fade).
#include <cmath>

#include "app/controller.h"
#include "app/prefs.h"
#include "app/tintel_ui.h"
#include "base/messages.h"
#include "platform/window_host.h"

namespace tintel {
namespace {

// The webcam switch only runs this worker; its thread has nothing to do.
class Webcam : public yt::ytBaseThread {
public:
    ~Webcam() override { Stop(0); }
    int Run() override { return 0; }
};

// Set while applyExtras runs: a panel build inside it (or any other nested call) returns at once.
bool g_applyingExtras = false;

constexpr double kToggleSeconds = 1.0;
constexpr double kLevelKeySeconds = 0.5;

}  // namespace

void TintelUI::applyExtras() {
    if (g_applyingExtras) return;
    g_applyingExtras = true;

    const bool webcam = RegDword(kPreferences, "webcam", 0).read() != 0;
    const bool ck = RegDword(kPreferences, "CK", 0).read() != 0;
    const bool hue = RegDword(kPreferences, "Hue", 0).read() != 0;
    const bool huePoll = RegDword(kPreferences, "huepoll", 0).read() != 0;
    const bool backlight = RegDword(kPreferences, "backlight", 0).read() != 0;

    // Registered or removed on the main window at once ("hotkeys" is read there).
    applyHotkeys();

    if (webcam && !webcamRunning()) {
        if (!webcam_) webcam_ = std::make_unique<Webcam>();
        webcam_->Start();
    } else if (!webcam && webcam_) {
        webcam_->Stop(0);
    }

    if (ck) {
        lightOutputOn_ = true;
        // A socket that cannot be made leaves the output silent; the switch stays on.
        if (fixtures_ && !fixtures_->isOpen()) fixtures_->open();
    } else {
        // Lit fixtures fade to dark over a second rather than going out at once.
        if (lightOutputOn_ && fixtures_ && fixtures_->isOpen()) toggleLightOutput();
        lightOutputOn_ = false;
    }

    enableHue(hue, huePoll);
    backlightOption_ = backlight;

    g_applyingExtras = false;
}

bool TintelUI::webcamRunning() {
    return webcam_ && webcam_->Running();
}

void TintelUI::toggleLightOutput() {
    lightOutputOn_ = !lightOutputOn_;
    glide(lightLevel_, lightOutputOn_ ? 1.0 : 0.0, kToggleSeconds, yt::Viscous);
}

void TintelUI::onLightLevelKey(int digit) {
    lightOutputOn_ = true;
    glide(lightLevel_, digit == 0 ? 1.0 : digit / 10.0, kLevelKeySeconds, yt::Viscous);
}

}  // namespace tintel
