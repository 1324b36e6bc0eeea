// TintelController: the shared, lockable application state that the UI and background workers
// both reach. It derives from ytBaseThread only for its critical section; it never runs a thread.
#pragma once

#include <memory>

#include "colour/gamma_ramp.h"
#include "lights/fixtures.h"
#include "lights/rate_limit_hue.h"
#include "toolkit/base_thread.h"

namespace tintel {

// The colour setter's state (safe-mode and activated flags, the time of the previous colour
// setting, the display table) comes from DisplayHolder.
class TintelController : public yt::ytBaseThread, public DisplayHolder {
public:
    TintelController() = default;
    // Deletes the light bridge worker (its owner stops it first).
    ~TintelController() override;

    // The thread body: the controller is never started as a thread.
    int Run() override { return 0; }

    // Connects the colour setter to the platform's displays.
    void openDisplays();

    RateLimitHue* lightWorker = nullptr;  // the light bridge worker, owned
    // The UDP light fixtures: silent until the extras open the socket, which then stays open.
    UdpFixtures fixtures;

private:
    std::unique_ptr<platform::DisplaySystem> displayConnection_;
};

// Leaves every display neutral: 6500 K at full brightness, no darkroom, no movie mode.
void resetDisplays(TintelController& controller);

}  // namespace tintel
