// TintelUI: the settings document of the main window and home of the day/night logic.
#pragma once

#include <cstdint>

#include "app/prefs.h"
#include "toolkit/draw_ui.h"

namespace tintel {

class TintelController;

class TintelUI : public yt::ytDrawUI {
public:
    // Reads the stored location, temperatures and modes (creating their defaults on a first run).
    explicit TintelUI(TintelController* controller);
    ~TintelUI() override;

    // Set-up after construction: the layout, the sliders, the light output's fade-in.
    void Initialise();

    intptr_t HandleInput(yt::ytMessage& message) override;

    TintelController* controller() const { return controller_; }
    int32_t latitude() const { return latitude_; }
    int32_t longitude() const { return longitude_; }
    uint32_t zipCode() const { return zipCode_; }
    uint32_t outdoorKelvin() const { return outdoor_; }
    uint32_t indoorKelvin() const { return indoor_; }
    bool slowTransitions() const { return implicitMode_ != 0; }

private:
    // Shows the main window and redraws it (a tray click, or a second start of the program).
    void showWindow();

    TintelController* controller_;
    RegDword safeMode_;  // held for the UI's lifetime
    int32_t latitude_ = 0;
    int32_t implicitMode_ = 0;
    int32_t longitude_ = 0;
    uint32_t zipCode_ = 0;
    uint32_t outdoor_ = 0;
    uint32_t indoor_ = 0;
};

}  // namespace tintel
