// The settings UI on a controller of its own, for the app's tests: a private store placing the
// user at 45 N 15 E, a toolkit clock the test moves (now), and a local clock held on 20 March 2024
// in a zone of UTC+1 without summer time (noon unless a test sets it), so the table's sun times
// are the local ones to the minute.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

#include "app/controller.h"
#include "app/prefs.h"
#include "app/tintel_ui.h"
#include "colour/local_clock.h"
#include "tests/support/test_store.h"
#include "toolkit/toolkit.h"

namespace testsupport {

class UiFixture : public ::testing::Test {
protected:
    void SetUp() override {
        std::string why;
        ASSERT_EQ(yt::Start(nullptr, true, &why), 0) << why;
        store_ = std::make_unique<PrivateStore>();
        setPref("Latitude", 4500);
        setPref("Longitude", 1500);
        now = 1000.0;
        localClock_ = std::make_unique<tintel::SetLocalClock>(
            platform::LocalDateTime{2024, 3, 20, 12}, platform::ZoneState{60, 0});
        tintel::colourSetterState() = {};
        makeUi();
    }

    void TearDown() override {
        ui_.reset();
        if (controller_ && !controller_->displays.records.empty())
            tintel::resetDisplays(*controller_);
        controller_.reset();
        store_.reset();
        yt::Stop();
    }

    // A new controller and UI reading the stored settings.
    virtual void makeUi() {
        ui_.reset();
        controller_ = std::make_unique<tintel::TintelController>();
        ui_ = std::make_unique<tintel::TintelUI>(
            controller_.get(), tintel::ControllerClocks{clock, localClock_.get()});
    }

    static void setPref(const char* name, int32_t value) {
        tintel::RegDword(tintel::kPreferences, name, 0).write(value);
    }
    static int32_t pref(const char* name) {
        return tintel::RegDword(tintel::kPreferences, name, 0).read();
    }

    // Holds the local clock at a minute of 20 March (fractions become seconds).
    void at(double minuteOfDay) {
        const int whole = static_cast<int>(std::floor(minuteOfDay));
        const int second = static_cast<int>(std::lround((minuteOfDay - whole) * 60));
        localClock_->set({2024, 3, 20, whole / 60, whole % 60, second});
    }

    // One schedule step `seconds` of toolkit time after the previous one.
    void step(double seconds = 0.05) {
        now += seconds;
        ui_->computeSchedule(0);
    }

    // Steps until every glide has ended (colour glides last at most 60 s).
    void settle() {
        for (int i = 0; i < 70; ++i)
            step(1.0);
    }

    // A key message as the window passes it on.
    static yt::ytMessage keyMessage(uint32_t message, uintptr_t code) {
        yt::ytMessage m;
        m.message = message;
        m.wParam = code;
        return m;
    }

    static double clock() { return now; }
    static inline double now = 1000.0;

    std::unique_ptr<PrivateStore> store_;
    std::unique_ptr<tintel::SetLocalClock> localClock_;
    std::unique_ptr<tintel::TintelController> controller_;
    std::unique_ptr<tintel::TintelUI> ui_;
};

}  // namespace testsupport
