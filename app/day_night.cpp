// The day/night controller: the schedule step that decides what every display shows and why, the
// temporary modes, and the pure helpers of app/day_night.h.
//
// Contents
//   1. helpers: distance wording, night fraction, slider scale
//   2. the schedule step (TintelUI::computeSchedule)
//   3. the temporary modes
#include "app/day_night.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "app/animate_temperature.h"
#include "app/controller.h"
#include "app/tintel_ui.h"
#include "colour/automation_date.h"
#include "colour/backlight.h"
#include "colour/colour_temperature.h"
#include "colour/gamma_ramp.h"
#include "colour/sun_schedule.h"
#include "toolkit/window.h"

namespace tintel {
namespace {

constexpr double kMinutesPerDay = 1440.0;
// Speeds of the colour policy (seconds per 140 mired): normal, and fast during a preview or right
// after a slider release.
constexpr double kNormalSpeed = 20.0;
constexpr double kFastSpeed = 0.5;
constexpr double kDisableBlendSeconds = 4.0;
constexpr double kDarkroomBlendSeconds = 4.0;
constexpr double kDimBlendSeconds = 0.5;
constexpr double kMovieSeconds = 9000.0;  // two and a half hours

// The sliders' ends in mired, as single-precision values: 1e6 / 2700 and the span to 1e6 / 6500.
constexpr double kSliderWarmMired = 370.370361328125;
constexpr double kSliderSpanMired = 216.524200439453125;

// Rounds through single precision to the nearest integer, as the status line shows kelvin.
int32_t roundKelvin(double kelvin) {
    return static_cast<int32_t>(std::lround(static_cast<float>(kelvin)));
}

}  // namespace

// ---- 1. helpers ---------------------------------------------------------------------------------

std::string relativeTimeText(double minutes) {
    const double up = std::ceil(minutes);
    // Distances are within a day or two; anything else (not a number) reads as 0.
    const int n = std::isfinite(up) && std::fabs(up) < 1e6 ? static_cast<int>(up) : 0;
    const int a = std::abs(n);
    char core[64];
    if (a < 60) {
        std::snprintf(core, sizeof core, "%d %s", a, a == 1 ? "minute" : "minutes");
    } else {
        const int hours = (a + 30) / 60;
        if (hours == 1)
            std::snprintf(core, sizeof core, "about an hour");
        else
            std::snprintf(core, sizeof core, "%d hours", hours);
    }
    return n < 0 ? std::string(": ") + core + " ago" : std::string(" in ") + core;
}

double nightFraction(double width, double toSunrise, double toSunset, double nightKelvin,
                     double dayKelvin, double* fraction) {
    double f = std::fabs(toSunset) <= std::fabs(toSunrise) ? 0.5 - toSunset / width
                                                           : 0.5 + toSunrise / width;
    f = std::clamp(f, 0.0, 1.0);
    if (fraction) *fraction = f;
    // Linear in mired: equal steps of 1 / K look like equal steps of colour.
    return 1.0 / (f * (1.0 / nightKelvin - 1.0 / dayKelvin) + 1.0 / dayKelvin);
}

double nearestDayDistance(double minutes) {
    const double shifted = minutes >= 0 ? minutes - kMinutesPerDay : minutes + kMinutesPerDay;
    return std::fabs(shifted) <= std::fabs(minutes) ? shifted : minutes;
}

double sliderPosition(double kelvin) {
    return (1000000.0 / kelvin - kSliderWarmMired) / -kSliderSpanMired;
}

int32_t sliderKelvin(double position) {
    const float hundreds =
        static_cast<float>(1000000.0 / (kSliderWarmMired - position * kSliderSpanMired) * 0.01);
    return static_cast<int32_t>(std::nearbyint(hundreds)) * 100;
}

// ---- 2. the schedule step -----------------------------------------------------------------------

void TintelUI::computeSchedule(double offset) {
    const bool fast = offset > 0;
    const double speed = fast ? kFastSpeed : kNormalSpeed;
    const double t = now();

    // The local date; a new day redraws the panel's sun arc.
    const LocalTimeRecord local = readLocalTime(*localClock_, offset);
    const int32_t day = breakDownAutomationDate(local.localDateTime).dayOfYear;
    if (day != dayOfYear_) {
        buildPanel();
        dayOfYear_ = day;
    }
    SunTimes sun;
    localSunTimes(local, latitude_, longitude_, *localClock_, sun);
    const double dRise = nearestDayDistance(sun.sunrise - sun.now);
    const double dSet = nearestDayDistance(sun.sunset - sun.now);

    // The nearer event names the line; events still to come count as half as far.
    const double wRise = dRise > 0 ? dRise * 0.5 : dRise;
    const double wSet = dSet > 0 ? dSet * 0.5 : dSet;
    std::string line = std::fabs(wSet) <= std::fabs(wRise) ? "Sunset" + relativeTimeText(dSet)
                                                           : "Sunrise" + relativeTimeText(dRise);

    expireModes();

    // The panel's backlight position warms the colour as the panel dims (a low-pass filter at
    // the step rate).
    double backlightTarget = 1.0;
    if (backlightOption_ && disabledUntil_ == 0) {
        float levelFraction = 1.0f, position = 1.0f;
        if (readBacklight(&levelFraction, &position) == 0) backlightTarget = 0.6 + 0.4 * position;
    }
    smoothedBacklight_ = 0.9 * smoothedBacklight_ + 0.1 * backlightTarget;

    const double movieOn = movieUntil_ > 0;
    double night = night_;
    if (movieOn && night < kMovieFloorKelvin) night = kMovieFloorKelvin;
    const double t60 = nightFraction(60, dRise, dSet, night, day_);
    double f120 = 0;
    nightFraction(120, dRise, dSet, night_, day_, &f120);

    glide(movie_, movieOn ? 1.0 : 0.0, speed, yt::Smoothstep);
    glide(disable_, disabledUntil_ > 0 ? 1.0 : 0.0, kDisableBlendSeconds, yt::Smoothstep);
    glide(darkroomBlend_, darkroom_ ? 1.0 : 0.0, kDarkroomBlendSeconds, yt::Viscous);
    glide(dim_, dimTarget_, kDimBlendSeconds, yt::Viscous);

    const bool daytime = sun.sunrise <= sun.now && sun.now <= sun.sunset;
    const uint32_t stepTarget = daytime ? day_ : night_;
    if (!sliderDrag_) {
        animateTemperature(
            colour_,
            slowTransitions_ ? static_cast<int32_t>(t60) : static_cast<int32_t>(stepTarget), speed);
    }

    bool isDay = false;
    const bool moved = updateSunMoon(sun.now, sun.sunrise, sun.sunset, &isDay);
    if (moved && Window()) Invalidate({-1, -1, -1, -1});

    double kelvin = std::clamp(1000000.0 / colour_.get(t), 500.0, 30000.0);
    const double m = movie_.get(t);
    if (m > 0 && kelvin < kMovieFloorKelvin) kelvin += (kMovieFloorKelvin - kelvin) * m;
    // Disabling pulls every temperature to neutral, a day temperature above 6500 K included.
    const double d = disable_.get(t);
    if (d > 0) kelvin += (kNeutralKelvin - kelvin) * d;

    const double backlight = kelvin == kNeutralKelvin ? 1.0 : smoothedBacklight_;
    const double brightness = disabledUntil_ == 0 ? dim_.get(t) * backlight : backlight;
    double dimmedKelvin = 1000000.0 / (1000000.0 / kelvin + dimmingMiredShift(brightness));
    const int32_t kc = roundKelvin(kelvin);
    const int32_t kdim = roundKelvin(dimmedKelvin);

    char tail[96];
    if (movieUntil_ > 0) {
        line = movie_.isIdle() ? "Movie Mode" : "Adapting for Movie Mode...";
    } else if (disabledUntil_ > 0) {
        line = disable_.isIdle() ? "Disabled" : "Disabling...";
    } else if (sliderDrag_) {
        if (kc == kdim)
            std::snprintf(tail, sizeof tail, ": currently %dK", kdim);
        else
            std::snprintf(tail, sizeof tail, ": currently %dK (dimmed to %dK)", kc, kdim);
        line += tail;
    } else {
        const bool calibrated = kdim == 6500 && !controller_->displays.records.empty();
        std::snprintf(tail, sizeof tail, ": currently %dK%s %s", kdim,
                      calibrated ? "/calibrated" : "", isDay ? "(day)" : "(night)");
        line += tail;
    }
    statusLine_ = line;
    if (yt::ytWindow* window = Window()) window->SetTrayTip(line);

    if (sliderDrag_) {
        // The slider's own handler sends what is dragged.
        currentOutput_ = 0;
        refreshPanelNodes();
        return;
    }
    currentOutput_ = dimmedKelvin;
    refreshPanelNodes();
    applyDisplayColour(*controller_, dim_.get(t), dimmedKelvin, darkroomBlend_.get(t), movieOn);
    const double level = 0.15 + 0.85 * (1.0 - f120);
    sendFixtureLight(level * lightLevel_.get(t), t60);
    // The light bridge worker reads these two single floats on its own thread; no lock is taken.
    if (controller_->lightWorker)
        controller_->lightWorker->SetWanted(static_cast<float>(level), static_cast<float>(t60));
}

// ---- 3. the temporary modes ---------------------------------------------------------------------

void TintelUI::expireModes() {
    const double t = now();
    if (disabledUntil_ != 0 && t > disabledUntil_) {
        disabledUntil_ = 0;
        disableToggle_ = false;
    }
    if (dimmedUntil_ != 0 && t > dimmedUntil_) {
        dimmedUntil_ = 0;
        dimTarget_ = 1.0;
    }
    if (movieUntil_ != 0 && t > movieUntil_) movieUntil_ = 0;
}

double TintelUI::secondsUntilSunrise() {
    SunTimes sun;
    localSunTimes(readLocalTime(*localClock_, 0), latitude_, longitude_, *localClock_, sun);
    double d = sun.sunrise - sun.now;
    if (d < 0) d += kMinutesPerDay;
    return (d + 5) * 60;
}

void TintelUI::setDisable(DisableFrom from, double seconds) {
    const double t = now();
    movieUntil_ = 0;
    darkroom_ = false;
    if (disabledUntil_ == 0) dimTarget_ = 1.0;

    // Less than an hour left counts as the hour kind: asking for the other kind switches.
    const double remaining = disabledUntil_ - t;
    if (remaining > 0) {
        if (remaining < 3600 && seconds == -1) disabledUntil_ = 0;
        if (remaining >= 3600 && seconds == 3600) disabledUntil_ = 0;
    }
    if (seconds == -1) seconds = secondsUntilSunrise();

    if (from == DisableFrom::WindowButton) {
        disabledUntil_ = disableToggle_ ? t + seconds : 0;
        return;
    }
    if (disabledUntil_ == 0) {
        disableToggle_ = true;
        disabledUntil_ = t + seconds;
    } else {
        disableToggle_ = false;
        disabledUntil_ = 0;
    }
}

void TintelUI::toggleMovieMode() {
    if (movieUntil_ == 0) {
        disabledUntil_ = 0;
        darkroom_ = false;
        movieUntil_ = now() + kMovieSeconds;
    } else {
        movieUntil_ = 0;
    }
}

void TintelUI::toggleDarkroom() {
    movieUntil_ = 0;
    disabledUntil_ = 0;
    darkroom_ = !darkroom_;
}

void TintelUI::setNightPreset(uint32_t kelvin) {
    disabledUntil_ = 0;
    movieUntil_ = 0;
    night_ = kelvin;
    darkroom_ = false;
    updateSliderLabels();
    RegDword(kPreferences, "Indoor", 3400).write(static_cast<int32_t>(kelvin));
}

void TintelUI::startPreview() {
    // (An open settings page closes first once the panel's layout has one: "tintel/done".)
    if (!preview_.isIdle()) return;
    const double t = now();
    preview_.animateTo({yt::Smoothstep, preview_.finalValue(), 1.0, t, t + 7.0},
                       yt::ytBlend::Additive);
}

void TintelUI::flashPreview() {
    const double t = now();
    preview_.animateTo({yt::Smoothstep, preview_.finalValue(), 1.0, t, t + 1.0},
                       yt::ytBlend::Additive);
}

void TintelUI::dimStep(DimDirection direction) {
    const double step = std::cbrt(2.0);  // a third of a stop
    dimTarget_ = direction == DimDirection::Brighter ? dimTarget_ * step : dimTarget_ / step;
    dimTarget_ = std::clamp(dimTarget_, 0.25, 1.0);
    const long steps = std::lround(std::log(dimTarget_) / std::log(1.0 / step));
    if (steps != 0)
        notify("Dimming", "Until sunrise", dimTarget_, 3.0);
    else
        notify("Brightness", "Full", 1.0, 3.0);
    dimmedUntil_ = now() + secondsUntilSunrise();
}

void TintelUI::returnToFullBrightness() {
    dimTarget_ = 1.0;
    dimmedUntil_ = 0;
}

void TintelUI::sendFixtureLight(double level, double kelvin) {
    const double t = std::clamp((kelvin - 2700.0) / 3800.0, 0.0, 1.0);
    const auto colour = static_cast<uint32_t>(3200.0 + 3400.0 * t);
    const bool repeatOfNothing = level == lastFixtureLevel_ && level <= 0;
    lastFixtureLevel_ = level;
    if (!repeatOfNothing && fixtures_) fixtures_->sendFixture(colour, level);
}

}  // namespace tintel
