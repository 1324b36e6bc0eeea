// The extras' switches applied to the settings UI, the light output level and its keys, and
// candle mode: the fixtures' datagrams heard by a listener on port 6038 and the ramps read back
// from the harness's displays (the X server, or Wine's over it). Runs inside a network namespace
// of its own (netns-run), so the broadcasts never leave the machine.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/candle_table.h"
#include "base/messages.h"
#include "colour/gamma_ramp.h"
#include "platform/gamma.h"
#include "platform/testing/keys.h"
#include "platform/window_host.h"
#include "tests/support/fixture_listener.h"
#include "tests/support/pump.h"
#include "tests/support/ramps.h"
#include "tests/support/ui_fixture.h"
#include "toolkit/window.h"

using namespace tintel;

namespace {

#ifdef _WIN32
// Wine passes ramps through the X server's gamma ramp and reads them back from there, to within
// about one 8-bit step; natively the CRTC's ramp comes back as loaded.
constexpr int kReadBackTolerance = 400;
#else
constexpr int kReadBackTolerance = 2;
#endif

// The quarter, half and top entries of each channel of each display (the ramps a schedule step
// loads vary slightly inside 128 .. 191 from one load to the next).
std::vector<uint16_t> rampPoints() {
    std::vector<uint16_t> out;
    for (const auto& [name, ramp] : testsupport::displayedRamps())
        for (int c = 0; c < 3; ++c)
            for (int i : {64, 100, 255})
                out.push_back(ramp[c * 256 + i]);
    return out;
}

// Noon: full daylight, 6500 K, fixture level 1.
class Extras : public testsupport::UiFixture {
protected:
    void SetUp() override {
        UiFixture::SetUp();
        // The light bridge worker, when switched on, searches only the namespace's loopback.
        tintel::RegString(kPreferences, "HueDiscovery", "").write("http://127.0.0.1:9/");
        makeUi();
    }
};

}  // namespace

TEST_F(Extras, EachSwitchTakesEffectAtOnceAndTheSocketStaysOpen) {
    // Each row is one applyExtras after writing the switches; the state it leaves.
    const struct {
        int ck, hue, huePoll, backlight;
        bool lightOn, socketOpen, bridge, backlightOption;
    } rows[] = {
        {0, 0, 0, 0, false, false, false, false},
        {1, 0, 0, 0, true, true, false, false},
        {1, 1, 1, 1, true, true, true, true},
        {0, 1, 0, 0, false, true, true, false},  // the socket stays open once made
        {0, 0, 0, 1, false, true, false, true},
    };
    // A first run: the backlight switch is on by default, the others off.
    ui_->applyExtras();
    EXPECT_TRUE(ui_->backlightOption());
    EXPECT_FALSE(ui_->lightOutputOn());
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::Message() << r.ck << r.hue << r.huePoll << r.backlight);
        setPref("CK", r.ck);
        setPref("Hue", r.hue);
        setPref("huepoll", r.huePoll);
        setPref("backlight", r.backlight);
        ui_->applyExtras();
        EXPECT_EQ(ui_->lightOutputOn(), r.lightOn);
        EXPECT_EQ(controller_->fixtures.isOpen(), r.socketOpen);
        EXPECT_EQ(controller_->lightWorker != nullptr, r.bridge);
        EXPECT_EQ(ui_->backlightOption(), r.backlightOption);
    }
}

TEST_F(Extras, CandleFramesReachTheDisplaysAndTheFixtures) {
    testsupport::FixtureListener fixture;
    ASSERT_TRUE(fixture.bound());
    controller_->openDisplays();
    setPref("CK", 1);
    ui_->applyExtras();
    const struct {
        double now;
        uint32_t colour;  // the table's entry, as the table begins
        int warm;         // the fixtures' warm byte at 3200
    } rows[] = {
        {1.0, 0x81360E, 27},   // entry 30
        {92.5, 0x87390F, 31},  // 2775 frames: entry 1
        {0.02, 0x873A0F, 31},  // entry 0
    };
    for (const auto& r : rows) {
        EXPECT_EQ(ui_->candleStep(r.now), 10);
        const auto ramps = testsupport::displayedRamps();
        ASSERT_FALSE(ramps.empty());
        // Gamma 1: each channel a straight line from 0 to its multiplier.
        tintel::GammaRamp want;
        buildGammaRamp(want, 1.0f, (r.colour >> 16) / 255.0f, ((r.colour >> 8) & 0xFF) / 255.0f,
                       (r.colour & 0xFF) / 255.0f);
        for (const auto& [name, ramp] : ramps)
            EXPECT_TRUE(testsupport::sameButVariation(ramp, want, kReadBackTolerance))
                << r.now << " s, " << name;
        const std::vector<std::pair<int, int>> heard = fixture.takeLevels();
        ASSERT_EQ(heard.size(), 1u) << r.now;
        EXPECT_EQ(heard[0], std::make_pair(r.warm, 0)) << r.now << " s";
    }
}

// The hotkeys on a real window: Alt+Page Down pressed on the keyboard dims the displays while
// "hotkeys" is on; switched off, the same key changes no ramp.
TEST_F(Extras, HotkeysAreRemovedAtOnceWhenSwitchedOff) {
    controller_->openDisplays();
    auto* window = new yt::ytWindow();
    ASSERT_TRUE(window->Create("Tintel extras test", yt::WindowKind::Main, yt::Sizing::Fixed, 0, 0,
                               200, 100));
    window->SetDocument(ui_.release());
    auto* ui = static_cast<TintelUI*>(window->Document());
    // Pumps until the dim target moves or the time is up; then the schedule takes the new
    // target over a second and the displays are read.
    const auto pressAndRead = [&](double* dimTarget) {
        const double before = ui->dimTarget();
        EXPECT_TRUE(platform::testing::pressAltKey(platform::kVkNext));
        testsupport::pumpUntil([&] { return ui->dimTarget() != before; }, 3.0);
        *dimTarget = ui->dimTarget();
        now += 1.0;
        ui->computeSchedule(0);
        return rampPoints();
    };

    setPref("hotkeys", 1);
    ui->applyExtras();
    now += 1.0;
    ui->computeSchedule(0);
    const std::vector<uint16_t> neutral = rampPoints();
    ASSERT_FALSE(neutral.empty());
    double dim = 0;
    const std::vector<uint16_t> dimmed = pressAndRead(&dim);
    EXPECT_NEAR(dim, 1.0 / std::cbrt(2.0), 1e-9) << "one third of a stop darker";
    EXPECT_NE(dimmed, neutral);

    setPref("hotkeys", 0);
    ui->applyExtras();
    const std::vector<uint16_t> after = pressAndRead(&dim);
    EXPECT_NEAR(dim, 1.0 / std::cbrt(2.0), 1e-9) << "the key is no hotkey any more";
    EXPECT_EQ(after, dimmed);

    window->PostClose();
    EXPECT_EQ(yt::RunLoop(20), 0);
}
