// The day/night controller with a set clock and date: status lines, transitions, modes and their
// ends, dimming, the frame rate and the update check.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <set>
#include <string>

#include "app/day_night.h"
#include "app/magic_token.h"
#include "colour/sun_schedule.h"
#include "tests/support/ui_fixture.h"

using namespace tintel;

namespace {

double mired(double kelvin) {
    return 1000000.0 / kelvin;
}

class DayNight : public testsupport::UiFixture {
protected:
    void SetUp() override {
        UiFixture::SetUp();
        localSunTimes(readLocalTime(*localClock_, 0), 45.0f, 15.0f, *localClock_, sun_);
    }
    SunTimes sun_;
};

}  // namespace

TEST_F(DayNight, StatusLinesNameTheNearerEventWithFutureEventsCountingHalf) {
    // Each line is read after the glide to the new target has ended.
    const struct {
        double minute;
        const char* line;
    } rows[] = {
        {sun_.sunrise - 10, "Sunrise in 10 minutes: currently 3400K (night)"},
        {sun_.sunset + 300, "Sunrise in 7 hours: currently 3400K (night)"},
        {sun_.sunset + 60, "Sunset: about an hour ago: currently 3400K (night)"},
        {sun_.sunset - 125, "Sunset in 2 hours: currently 6500K (day)"},
    };
    for (const auto& row : rows) {
        at(row.minute);
        settle();
        EXPECT_EQ(ui_->statusLine(), row.line);
    }
    EXPECT_EQ(ui_->currentOutput(), 6500);
}

TEST_F(DayNight, DisablingKindsSwitchAndTheSameKindAgainTurnsItOff) {
    at(sun_.sunset + 300);
    settle();
    const double untilSunrise = ui_->secondsUntilSunrise();
    EXPECT_NEAR(untilSunrise, (sun_.sunrise + 1440 - (sun_.sunset + 300) + 5) * 60, 1.0);
    enum Kind { kOff, kHour, kSunrise };
    // Each step: seconds on, where the call comes from, its argument (-1: until sunrise), the
    // kind in force after it. The window's toggle decides by its own checked state.
    const struct {
        double later;
        DisableFrom from;
        bool toggle;
        double seconds;
        Kind kind;
    } steps[] = {
        {0, DisableFrom::Command, false, 3600, kHour},
        {1, DisableFrom::Command, false, -1, kSunrise},  // less than an hour left: another kind
        {0, DisableFrom::Command, false, 3600, kHour},
        {10, DisableFrom::Command, false, 3600, kOff},  // the same kind again
        {0, DisableFrom::Command, false, -1, kSunrise},
        {0, DisableFrom::Command, false, -1, kOff},
        {0, DisableFrom::WindowButton, true, 3600, kHour},
        {0, DisableFrom::WindowButton, true, 3600, kHour},
        {0, DisableFrom::WindowButton, false, 3600, kOff},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(testing::Message() << "step to " << s.kind << " at " << now);
        now += s.later;
        if (s.from == DisableFrom::WindowButton) ui_->setDisableToggle(s.toggle);
        ui_->setDisable(s.from, s.seconds);
        const double until[] = {0, now + 3600, now + untilSunrise};
        EXPECT_NEAR(ui_->disabledUntil(), until[s.kind], 1e-6);
        EXPECT_EQ(ui_->disableToggle(), s.kind != kOff);
        const yt::ytMenu menu = ui_->buildTrayMenu(false);
        EXPECT_EQ(menu.Find(TintelUI::kCmdDisableHour)->checked, s.kind == kHour);
        EXPECT_EQ(menu.Find(TintelUI::kCmdDisableSunrise)->checked, s.kind == kSunrise);
    }
}

TEST_F(DayNight, DisablingFadesToNeutralAtFullBrightnessInFourSeconds) {
    at(sun_.sunset + 300);
    ui_->dimStep(DimDirection::Darker);
    settle();
    EXPECT_LT(ui_->currentOutput(), 3400);
    ui_->setDisable(DisableFrom::Command, 3600);
    EXPECT_EQ(ui_->dimTarget(), 1.0);
    // The fade starts with the first step; the 40th step is 3.9 s into it.
    for (int i = 0; i < 40; ++i) {
        step(0.1);
        EXPECT_EQ(ui_->statusLine(), "Disabling...") << i;
    }
    step(0.1);
    EXPECT_EQ(ui_->statusLine(), "Disabled");
    EXPECT_EQ(ui_->currentOutput(), 6500);

    // A day above neutral shows neutral too.
    setPref("Outdoor", 7500);
    makeUi();
    at(sun_.sunrise + 300);
    settle();
    EXPECT_NEAR(ui_->currentOutput(), 7500, 1e-6);
    ui_->setDisable(DisableFrom::Command, 3600);
    settle();
    EXPECT_EQ(ui_->currentOutput(), 6500);
}

TEST_F(DayNight, MovieModeLiftsTheNightTo4400Kelvin) {
    at(sun_.sunset + 300);
    settle();
    ui_->dimStep(DimDirection::Darker);
    ui_->toggleMovieMode();
    EXPECT_EQ(ui_->movieUntil(), now + 9000);
    step();
    EXPECT_EQ(ui_->statusLine(), "Adapting for Movie Mode...");
    settle();
    EXPECT_EQ(ui_->statusLine(), "Movie Mode");
    // The dimming still warms the floor.
    EXPECT_LT(ui_->currentOutput(), 4400);
    ui_->returnToFullBrightness();
    settle();
    EXPECT_NEAR(ui_->currentOutput(), 4400, 1e-6);

    // A night warmer than the floor only rises to it; a day above it is left alone.
    ui_->toggleMovieMode();
    settle();
    EXPECT_NEAR(ui_->currentOutput(), 3400, 1e-6);
    at(sun_.sunrise + 300);
    ui_->toggleMovieMode();
    settle();
    EXPECT_NEAR(ui_->currentOutput(), 6500, 1e-6);
    // Darkroom and disabling clear movie mode.
    ui_->toggleDarkroom();
    EXPECT_EQ(ui_->movieUntil(), 0);
    EXPECT_TRUE(ui_->darkroom());
    ui_->setDisable(DisableFrom::Command, 3600);
    EXPECT_FALSE(ui_->darkroom());
}

TEST_F(DayNight, EveryModeEndsOnTheFirstStepAfterItsEndTime) {
    at(sun_.sunset + 300);
    const struct {
        const char* mode;
        std::function<void()> start;
        std::function<double()> until;
        std::function<void()> step;
    } modes[] = {
        {"disabled", [&] { ui_->setDisable(DisableFrom::Command, 3600); },
         [&] { return ui_->disabledUntil(); }, [&] { ui_->expireModes(); }},
        {"dimmed", [&] { ui_->dimStep(DimDirection::Darker); },
         [&] { return ui_->dimTarget() < 1.0 ? ui_->dimmedUntil() : 0; },
         [&] { ui_->computeSchedule(0); }},
        {"movie", [&] { ui_->toggleMovieMode(); }, [&] { return ui_->movieUntil(); },
         [&] { ui_->computeSchedule(0); }},
    };
    for (const auto& m : modes) {
        m.start();
        const double end = m.until();
        ASSERT_GT(end, now) << m.mode;
        now = end;
        m.step();
        EXPECT_EQ(m.until(), end) << m.mode;
        now = std::nextafter(end, 1e300);
        m.step();
        EXPECT_EQ(m.until(), 0) << m.mode;
    }
    EXPECT_FALSE(ui_->disableToggle());
    EXPECT_EQ(ui_->dimTarget(), 1.0);
}

TEST_F(DayNight, SlowTransitionsAreLinearInMiredAcrossTheHourAroundSunset) {
    setPref("ImplicitMode", 1);
    makeUi();
    ASSERT_TRUE(ui_->slowTransitions());
    const double day = mired(6500), night = mired(3400);
    for (int minutes = -45; minutes <= 45; minutes += 5) {
        at(sun_.sunset + minutes);
        step(1.0);
        const double f = std::fmin(std::fmax((minutes + 30) / 60.0, 0.0), 1.0);
        // Within the whole kelvin the target is truncated to.
        EXPECT_NEAR(mired(ui_->colourTargetKelvin()), day + f * (night - day), 0.1) << minutes;
    }
    // And the displays follow the target itself, not a 20-second glide to the night.
    at(sun_.sunset);
    settle();
    EXPECT_NEAR(mired(ui_->currentOutput()), (day + night) / 2, 0.1);

    // The fast kind steps at sunset and glides for about 20 s.
    setPref("ImplicitMode", 0);
    makeUi();
    at(sun_.sunset - 1);
    settle();
    at(sun_.sunset + 1);
    step();
    EXPECT_NEAR(ui_->colourTargetKelvin(), 3400, 1e-6);
    step(10.0);
    EXPECT_GT(ui_->currentOutput(), 3500);
    EXPECT_LT(ui_->currentOutput(), 6000);
    step(10.0);
    EXPECT_GT(ui_->currentOutput(), 3400) << "140.3 mired take 20.04 s";
    step(0.1);
    EXPECT_NEAR(ui_->currentOutput(), 3400, 1e-6);
}

TEST_F(DayNight, StoredNumbersOutsideTheirRangesReadAsTheNearerEndAndTheScheduleRuns) {
    // -1 and 4294967295 are the same stored bits; as kelvin they would be about 4.29e9 K. The
    // sanitizer build checks that no conversion on the way overflows.
    const struct {
        const char* name;
        uint32_t stored;
    } values[] = {{"Outdoor", 0xFFFFFFFFu},  {"Indoor", 4294967295u},    {"ImplicitMode", 1},
                  {"Latitude", 0x7FFFFFFFu}, {"Longitude", 0x80000000u}, {"ZipCode", 0xFFFFFFFFu}};
    for (const auto& v : values)
        setPref(v.name, static_cast<int32_t>(v.stored));
    makeUi();
    EXPECT_EQ(ui_->dayKelvin(), 500u);
    EXPECT_EQ(ui_->nightKelvin(), 500u);
    EXPECT_EQ(ui_->latitude(), 90.0f);
    EXPECT_EQ(ui_->longitude(), -180.0f);
    EXPECT_EQ(ui_->zipCode(), 0u);
    for (int minutes = 0; minutes < 1440; minutes += 90) {
        at(minutes);
        step(1.0);
    }
    settle();
    EXPECT_NEAR(ui_->currentOutput(), 500, 1);
    // The store keeps what it holds.
    EXPECT_EQ(pref("Outdoor"), -1);

    // The ends of what the program itself offers read back unchanged.
    for (const int32_t sign : {-1, 1}) {
        const int32_t day = sign < 0 ? 6500 : 2700, night = sign < 0 ? 1200 : 5000;
        setPref("Outdoor", day);
        setPref("Indoor", night);
        setPref("Latitude", sign * 9000);
        setPref("Longitude", sign * 18000);
        setPref("ZipCode", sign < 0 ? 99999 : 501);
        makeUi();
        EXPECT_EQ(ui_->dayKelvin(), uint32_t(day));
        EXPECT_EQ(ui_->nightKelvin(), uint32_t(night));
        EXPECT_EQ(ui_->latitude(), sign * 90.0f);
        EXPECT_EQ(ui_->longitude(), sign * 180.0f);
        EXPECT_EQ(ui_->zipCode(), sign < 0 ? 99999u : 501u);
    }
}

TEST_F(DayNight, TheFrameUpdateSlowsToOnceASecondWhenNothingMovesAndDrawsTheUpdateCheck) {
    at(sun_.sunset + 300);
    // The first call starts the glide from neutral to the night: frames every 16 ms.
    EXPECT_EQ(ui_->OnTimer(now), 16);
    const double first = ui_->nextUpdateCheck() - now;
    for (int i = 0; i < 30; ++i) {
        now += 1.0;
        ui_->OnTimer(now);
    }
    EXPECT_EQ(ui_->OnTimer(now), 1000) << "a hidden, still window is updated once a second";
    EXPECT_EQ(ui_->nextUpdateCheck() - (now - 30), first) << "drawn once until it is due";

    // The next check lies 0.75 to 1.25 days after the one that drew it; different clocks seed
    // different draws.
    std::set<double> draws;
    for (int i = 0; i < 20; ++i) {
        now = ui_->nextUpdateCheck() + 0.123 * i;
        ui_->OnTimer(now);
        const double ahead = ui_->nextUpdateCheck() - now;
        EXPECT_GE(ahead, 0.75 * 86400);
        EXPECT_LT(ahead, 1.25 * 86400);
        draws.insert(ahead);
    }
    EXPECT_GT(draws.size(), 10u);

    // A preview sweeps through the day with fast glides and ends after 7 s.
    ui_->startPreview();
    now += 3.5;
    EXPECT_EQ(ui_->OnTimer(now), 16);
    EXPECT_TRUE(ui_->previewLabelShown());
    for (int i = 0; i < 40; ++i) {
        now += 0.2;
        ui_->OnTimer(now);
    }
    EXPECT_FALSE(ui_->previewLabelShown());
    EXPECT_EQ(ui_->currentOutput(), 3400);
}
