// TintelUI: the settings document of the main window and home of the day/night logic.
//
// Contents
//   1. the clocks and outputs the controller is given
//   2. TintelUI: construction, the per-frame update, the schedule step
//   3. the temporary modes (disable, movie, darkroom, dimming, preview)
//   4. the window side (sliders, placement, hiding)
//   5. the tray icon, its menu and the hotkeys
//   6. state, for the tray, the panel and tests
#pragma once

#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "app/magic_token.h"
#include "app/prefs.h"
#include "app/use_extras.h"
#include "colour/local_clock.h"
#include "location/location_record.h"
#include "lights/fixtures.h"
#include "lights/rate_limit_hue.h"
#include "toolkit/anim_value.h"
#include "toolkit/base_thread.h"
#include "toolkit/draw_ui.h"
#include "toolkit/menu.h"

namespace tintel {

class TintelController;
class TintelUpdate;

// ---- 1. clocks and outputs ----------------------------------------------------------------------

// Where the controller reads time: the toolkit clock (seconds; modes and glides are timed with it)
// and the local date, time and zone (the sun times). Null members mean the platform's own.
struct ControllerClocks {
    yt::ytAnimValue::ClockSource clock = nullptr;
    const LocalClock* local = nullptr;
};

// Who asked for disabling: the window's toggle button (its checked state decides), or a command
// (tray menu, hotkey, key) that turns the same kind off again.
enum class DisableFrom { WindowButton, Command };
enum class DimDirection { Brighter, Darker };
enum class Slider { Day, Night };

// ---- 2. TintelUI --------------------------------------------------------------------------------

class TintelUI : public yt::ytDrawUI, public IUseExtras, public INotifier {
public:
    // Reads the stored location, temperatures and modes (creating their defaults on a first run).
    explicit TintelUI(TintelController* controller, const ControllerClocks& clocks = {});
    ~TintelUI() override;

    // Set-up after construction: the layout, the sliders, the light output's fade-in.
    void Initialise();
    // A hidden start: the first tick looks for a location instead of the window showing it.
    void StartHidden() { firstTickDone_ = false; }

    intptr_t HandleInput(yt::ytMessage& message) override;

    // The per-frame update: update check, location check, auto-hide, preview, schedule step.
    // Answers the milliseconds to the next call: 1000 while hidden and still, else 16 (with the
    // 33 ms window timer running alongside).
    int OnTimer(double now) override;

    // One schedule step: sun times, modes, target and glide, blends, status line, output.
    // `offset` (minutes) is added to the time of day: the preview position, or 0.001 right after
    // a slider release; any offset above 0 makes transitions fast.
    void computeSchedule(double offset);

    // ---- 3. temporary modes ----

    // Ends each mode whose end time has passed (strictly: on the first step after it).
    void expireModes();
    // Seconds until five minutes after the next sunrise.
    double secondsUntilSunrise();
    // Disables for `seconds` (-1: until sunrise). A command switches between the hour kind and
    // the sunrise kind, and turns disabling off when the same kind is asked for again.
    void setDisable(DisableFrom from, double seconds);
    void toggleMovieMode();
    void toggleDarkroom();
    // A night preset from the tray menu: the night temperature, stored as "Indoor".
    void setNightPreset(uint32_t kelvin);
    // Sweeps the schedule through a whole day in 7 s (flashPreview: 1 s, unconditionally).
    void startPreview();
    void flashPreview();
    // One third of a stop brighter or darker, until five minutes after the next sunrise.
    void dimStep(DimDirection direction);
    void returnToFullBrightness();
    // Hands the fixtures their colour (from `kelvin`) and level; a level of 0 or less is sent
    // once, a positive one every time.
    void sendFixtureLight(double level, double kelvin);
    // Shows a short message in the notification overlay: 0, or -1 when there is no overlay.
    int32_t notify(const std::string& title, const std::string& text, double level,
                   double seconds) override;
    // Switches the light bridge worker on or off and sets its lightswitch (polling) mode; the
    // extras' "Hue" and "huepoll" switches arrive here.
    void enableHue(bool on, bool poll);

    // ---- 4. the window side ----

    // A temperature slider moves to `position` (0 .. 1) during a drag: the displays show it at
    // once and it is stored; `ctrlHeld` keeps the other temperature where it is.
    void sliderChanged(Slider slider, double position, bool ctrlHeld);
    // The drag ended: the schedule takes over again with a fast glide.
    void sliderReleased();
    // Puts the window's bottom-right corner at the primary work area's bottom-right corner.
    void placeWindow();
    // Hides the window (not while a modal dialog runs over it).
    void hideWindow();

    // ---- 5. the tray icon, its menu and the hotkeys ----

    // Tray menu commands (the ids the menu answers).
    enum TrayCommand : uint32_t {
        kCmdSettings = 2,
        kCmdDisableHour = 4,
        kCmdAutoUpdate = 5,
        kCmdExit = 6,
        kCmdExtras = 7,
        kCmdSafeMode = 8,
        kCmdDisableSunrise = 9,
        kCmdMovie = 10,
        kCmdDarkroom = 12,
        kCmdFullBrightness = 13,
        kCmdExpandRange = 100,
    };
    // Hotkey ids: Alt+Page Up, Alt+Page Down, Alt+End.
    enum Hotkey : uintptr_t { kHotkeyBrighter = 1, kHotkeyDarker = 2, kHotkeyDisable = 5 };

    // Adds the notification-area icon with the tooltip "Tintel"; the status line replaces the
    // tooltip from the next schedule step on.
    void addTrayIcon();
    // The tray menu as it would show now; `fromWindow` leaves out "Settings..." (the window's
    // own menu button opened it).
    yt::ytMenu buildTrayMenu(bool fromWindow);
    // Builds, shows and runs the tray menu at the screen point.
    void showTrayMenu(int x, int y, bool fromWindow);
    // Carries out a chosen tray command (0: nothing), then flashes a new night colour by day.
    void runTrayCommand(uint32_t id);
    // Who shows the menu and answers the chosen id (tests choose for the user; the default
    // shows the platform's popup menu for the window).
    using MenuTracker = std::function<uint32_t(const yt::ytMenu& menu, int x, int y)>;
    void setMenuTracker(MenuTracker tracker) { menuTracker_ = std::move(tracker); }
    // The extended gamma range was on at start-up: all presets and Darkroom Mode are offered.
    void setExtendedRange(bool on) { extendedRange_ = on; }
    bool extendedRange() const { return extendedRange_; }
    bool modalOpen() const { return modalOpen_; }
    bool locationDialogOpen() const { return locationDialogOpen_; }
    bool activityStopwatchRunning() const { return activitySince_ >= 0; }
    // Registers or removes the three hotkeys on the main window as "hotkeys" says.
    void applyHotkeys();

    // ---- the update check (app/update_check.cpp) ----

    // Starts one check on the updater's thread (the per-frame update calls it when due); its
    // question to the user is shown on the pump's thread. Nothing while a check still runs.
    void startUpdateCheck();
    // The updater worker, made with the UI (null until then); tests set its hooks.
    TintelUpdate* updater();

    // ---- 6. state ----

    TintelController* controller() const { return controller_; }
    float latitude() const { return latitude_; }
    float longitude() const { return longitude_; }
    uint32_t zipCode() const { return zipCode_; }
    uint32_t dayKelvin() const { return day_; }
    uint32_t nightKelvin() const { return night_; }
    bool slowTransitions() const { return slowTransitions_; }
    void setSlowTransitions(bool on) { slowTransitions_ = on; }
    void setDayKelvin(uint32_t kelvin) { day_ = kelvin; }

    // The status line of the last schedule step (the panel's "tintel/hours" and the tray tip).
    const std::string& statusLine() const { return statusLine_; }
    // The temperature last sent to the displays (0 while a slider is dragged).
    double currentOutput() const { return currentOutput_; }
    // The colour glide's final value, in kelvin.
    double colourTargetKelvin() const { return 1000000.0 / colour_.finalValue(); }
    double disabledUntil() const { return disabledUntil_; }
    double dimmedUntil() const { return dimmedUntil_; }
    double movieUntil() const { return movieUntil_; }
    double dimTarget() const { return dimTarget_; }
    bool darkroom() const { return darkroom_; }
    bool sliderDragged() const { return sliderDrag_; }
    double nextUpdateCheck() const { return nextUpdateCheck_; }
    bool animationTimerRunning() const { return animationTimer_ != 0; }
    bool previewLabelShown() const { return previewLabelShown_; }
    // The window's disable toggle ("tintel/disable"), checked while disabled from the window.
    bool disableToggle() const { return disableToggle_; }
    void setDisableToggle(bool checked) { disableToggle_ = checked; }
    // Every registered animated value has finished.
    bool allAnimationsIdle() const;
    void setFixtureOutput(FixtureLightOutput* output) { fixtures_ = output; }

    // ---- the extras dialog (app/extras_dialog.cpp) ----

    // Runs the extras dialog (template 110) modally over the main window ("Extras...").
    void openExtras();

    // ---- 7. the settings panel's nodes, its keys and the notification overlay (app/panel.cpp) --

    // Builds the artwork and the layout "tintel" into the document, puts the sliders at their
    // ends and presses "tintel/slow" when slow transitions are on (Initialise calls it).
    void postConstruct();
    // Clicks on the panel's named buttons and the two sliders' drags.
    intptr_t OnEvent(yt::ytMessage& message) override;
    // Runs the location dialog modally over the window with `record` as its start; answers true,
    // with `record` holding the new location, when the user accepted it.
    using LocationPrompt = std::function<bool(LocationRecord& record)>;
    void setLocationPrompt(LocationPrompt prompt) { locationPrompt_ = std::move(prompt); }
    // The notification overlay (null before the first panel build, or when it cannot be made).
    MagicToken* overlay() const;
    // The horizon of the last panel build (0 top .. 1 bottom of the sky) and whether the window
    // hides when the application loses activation.
    double horizon() const { return 0.5 - 0.4 * sunArcSine_; }
    double sunArcPhase() const { return sunArcPhase_; }
    bool autoHide() const { return autoHide_; }
    // Alpha steps the last hideWindow went through (0: hidden at once, without a fade).
    int lastHideFadeSteps() const { return lastHideFadeSteps_; }
    // Brings the panel's nodes in line with the state: status line, preview label, the disable
    // toggle and the extended-range invitation.
    void refreshPanelNodes();
    // ---- the extended gamma range switch (app/wide_gamma_switch.cpp) ----

    // Switches the extended range on ("Expand Color Range", "tintel/expandcolor", the extras): a
    // failing administrator check is reported here and goes no further.
    void expandColourRange();

    // ---- extras: feature switches, light output level, candle mode (app/extras.cpp) ----

    // Applies every switch of the extras from the preferences ("hotkeys", "webcam", "CK", "Hue",
    // "huepoll", "backlight"); a call made while one runs returns at once.
    void applyExtras() override;
    // Switches the fixtures' light output on or off, fading its level over a second.
    void toggleLightOutput();
    bool lightOutputOn() const { return lightOutputOn_; }
    bool backlightOption() const { return backlightOption_; }
    bool webcamRunning();
    // The light output level now (0 .. 1), which scales the level the fixtures get.
    double lightLevel() { return lightLevel_.get(now()); }
    // Digits 1 to 9 and 0 switch the light output on at digit / 10 (0: full) over half a second.
    void onLightLevelKey(int digit);
    // The C key: candle mode on or off, while the "candle" switch allows it (app/candle.cpp).
    void toggleCandle();
    bool candleMode() const { return candleMode_; }
    // One frame of candle mode: the recorded flicker's colour at `now` on the displays and the
    // fixtures. Answers the milliseconds to the next frame (10).
    int candleStep(double now);
    // The settings window's keys (app/panel.cpp): Escape, p, c, y, d, the digits and Space (key
    // down); everything else goes to the toolkit.
    intptr_t HandleKey(yt::ytMessage& message) override;

private:
    struct PicturePlace {
        bool placed = false;
        double x = 0, y = 0;
    };

    double now() const;
    // Adds an additive glide of `value` towards `target` lasting `seconds`; nothing when the
    // value already ends there.
    void glide(yt::ytAnimValue& value, double target, double seconds, yt::ytCurve curve);
    // The sun arc of today (phase and sine) from today's day length.
    void buildPanel();
    // Moves the sun (by day) or the moon (by night) along the arc; answers whether it moved and
    // sets `isDay`.
    bool updateSunMoon(double now, double sunrise, double sunset, bool* isDay);
    void updateSliderLabels();
    void openLocationDialog();
    // The location dialog (app/location_dialog.cpp): runs GetLocation over the main window,
    // starting from `record`; answers true with the chosen location in `record` on OK.
    bool runLocationDialog(LocationRecord& record);
    void showWindow();
    void stopAnimationTimer();
    // Carries out one command of the tray menu's table.
    void carryOutTrayCommand(uint32_t id);
    void onTrayCallback(intptr_t mouseMessage);
    void onHotkey(uintptr_t id);

    TintelController* controller_;
    yt::ytAnimValue::ClockSource clock_;
    SystemLocalClock systemClock_;
    const LocalClock* localClock_;
    RegDword safeMode_;  // held for the UI's lifetime

    // The stored settings.
    uint32_t day_ = 6500;
    uint32_t night_ = 3400;
    uint32_t zipCode_ = 0;
    float latitude_ = 0;
    float longitude_ = 0;
    bool slowTransitions_ = false;

    // Controller state.
    bool sliderDrag_ = false;
    bool firstTickDone_ = true;
    bool autoHide_ = true;
    bool modalOpen_ = false;
    // Held while the location dialog runs; the per-frame update does nothing meanwhile.
    bool locationDialogOpen_ = false;
    int32_t dayOfYear_ = 0;
    double currentOutput_ = 0;
    double disabledUntil_ = 0;
    double dimmedUntil_ = 0;
    double movieUntil_ = 0;
    double dimTarget_ = 1.0;
    bool darkroom_ = false;
    double smoothedBacklight_ = 1.0;
    double nextUpdateCheck_ = 0;
    bool backlightOption_ = false;
    uintptr_t animationTimer_ = 0;
    double activitySince_ = -1;  // the activity stopwatch: start time, -1 when stopped
    double lastFixtureLevel_ = std::numeric_limits<double>::quiet_NaN();
    FixtureLightOutput* fixtures_ = nullptr;
    // The extras' state.
    bool lightOutputOn_ = false;
    bool candleMode_ = false;
    std::unique_ptr<yt::ytBaseThread> webcam_;  // the webcam worker, created when first started
    bool extendedRange_ = false;
    MenuTracker menuTracker_;
    // The updater and the hand-over of its question to the pump's thread (app/update_check.cpp).
    struct UpdateSide;
    static void deleteUpdateSide(UpdateSide* side);
    std::unique_ptr<UpdateSide, void (*)(UpdateSide*)> updateSide_{nullptr, deleteUpdateSide};

    // The panel's state without its nodes.
    std::string statusLine_;
    bool previewLabelShown_ = false;
    bool disableToggle_ = false;
    bool expandColourShown_ = false;
    double sunArcPhase_ = 0;
    double sunArcSine_ = 0;
    PicturePlace sun_, moon_;

    // Animated values, all registered in animated_.
    yt::ytAnimValue colour_;  // mired
    yt::ytAnimValue movie_;
    yt::ytAnimValue disable_;
    yt::ytAnimValue lightLevel_;
    yt::ytAnimValue darkroomBlend_;
    yt::ytAnimValue dim_;
    yt::ytAnimValue preview_;  // fraction of a day
    std::vector<yt::ytAnimValue*> animated_;

    // The settings panel's nodes and the overlay (app/panel.cpp).
    void layOutWarmArea(double horizon);
    void drawDayCurve();
    void onPanelClick(const std::string& name, yt::ytDrawNode* source);
    LocationPrompt locationPrompt_;
    int lastHideFadeSteps_ = 0;
    std::unique_ptr<MagicTokenWindow> overlay_;
};

}  // namespace tintel
