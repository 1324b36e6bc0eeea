// The Linux display code on the harness's Xorg server (two dummy CRTCs) while the displays change
// under it: a CRTC switched off and on, a display plugged in, a colour profile replaced, a ramp
// loaded by another client. Each step runs the display code as the program's once-a-second tick
// does, with the clock injected, and reads the ramps back over a connection of its own.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "colour/vcgt.h"
#include "platform/process.h"
#include "platform/testing/output_profile.h"
#include "tests/support/ramps.h"

using namespace tintel;

namespace {

const std::string kData = TINTEL_TEST_DATA "/icc/";

double g_now = 100.0;
double fakeClock() {
    return g_now;
}

std::vector<uint8_t> fileBytes(const std::string& name) {
    std::ifstream f(kData + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

// xrandr with the given arguments, given ten seconds; true when it succeeded.
bool xrandr(const std::string& arguments) {
    return std::system(("timeout 10 xrandr " + arguments + " >/dev/null 2>&1").c_str()) == 0;
}

// What a display should show: the colour ramp of `kelvin` through the profile's curve (none: "").
GammaRamp shown(double kelvin, const std::string& profile) {
    const GammaRamp ramp = testsupport::colourRamp(kelvin);
    if (profile.empty()) return ramp;
    ProfileCalibration cal;
    EXPECT_EQ(readProfileCalibration(kData + profile, &cal), kVcgtOk) << profile;
    GammaRamp curve, out;
    std::memcpy(curve.data(), cal.data.data(), 1536);
    composeWithCalibration(out, ramp, &curve);
    return out;
}

// Read over the connection that loaded the ramp: the server answers a connection's requests in
// order, not across connections.
void expectShows(platform::DisplaySystem& system, const std::string& name, const GammaRamp& want,
                 const std::string& step) {
    auto device = system.open(name);
    ASSERT_TRUE(device) << step << ": " << name << " is not active";
    GammaRamp got;
    ASSERT_TRUE(device->getGammaRamp(got.data())) << step;
    EXPECT_TRUE(testsupport::sameButVariation(got, want)) << step << ": " << name;
}

}  // namespace

TEST(RandrDisplays, FollowSwitchedAndPluggedDisplaysChangedProfilesAndForeignRamps) {
    if (platform::environmentVariable("TINTEL_X_SERVER") != "xorg")
        GTEST_SKIP() << "needs the harness's Xorg server (several CRTCs)";
    auto system = platform::openDisplaySystem();
    auto observer = platform::openDisplaySystem();  // another client
    ASSERT_TRUE(system && observer);
    ASSERT_TRUE(platform::testing::setOutputProfile("DUMMY0", {}));
    ASSERT_TRUE(platform::testing::setOutputProfile("DUMMY1", fileBytes("argyll-table.icc")));
    DisplayHolder holder;
    holder.clock = fakeClock;
    holder.displaySystem = system.get();
    colourSetterState() = {};
    auto apply = [&](double at, double kelvin) {
        g_now = at;
        ASSERT_EQ(applyDisplayColour(holder, 1.0, kelvin, 0, false), 0);
    };

    apply(100, 4000);
    expectShows(*system, "DUMMY0", shown(4000, ""), "first");
    expectShows(*system, "DUMMY1", shown(4000, "argyll-table.icc"), "first");

    // Another client loads the identity: the next second's re-send of the same values repairs it.
    const GammaRamp identity = testsupport::identityRamp();
    auto foreign = observer->open("DUMMY1");
    ASSERT_TRUE(foreign && foreign->setGammaRamp(identity.data()));
    GammaRamp loaded;  // read back: the load has reached the server
    ASSERT_TRUE(foreign->getGammaRamp(loaded.data()));
    EXPECT_EQ(loaded, identity);
    apply(101, 4000);
    expectShows(*system, "DUMMY1", shown(4000, "argyll-table.icc"), "repaired");

    // A new profile is seen at the first look after 120 s, not before.
    ASSERT_TRUE(platform::testing::setOutputProfile("DUMMY1", fileBytes("colord-gamma5000k.icc")));
    apply(150, 4000);
    expectShows(*system, "DUMMY1", shown(4000, "argyll-table.icc"), "profile before refresh");
    apply(221, 4000);
    expectShows(*system, "DUMMY1", shown(4000, "colord-gamma5000k.icc"), "profile refreshed");

    // Switched off, the display is gone from the list and misses a change; switched on again
    // with its ramp reset (as a mode set does on real hardware), it gets the current ramp.
    ASSERT_TRUE(xrandr("--output DUMMY1 --off"));
    apply(222, 3000);
    std::vector<std::string> names;
    system->enumerate([&](const std::string& name, uintptr_t) { names.push_back(name); });
    EXPECT_EQ(names, std::vector<std::string>{"DUMMY0"});
    expectShows(*system, "DUMMY0", shown(3000, ""), "one off");
    ASSERT_TRUE(xrandr("--output DUMMY1 --mode 1024x768 --right-of DUMMY0 --gamma 1:1:1"));
    apply(223, 3000);
    expectShows(*system, "DUMMY1", shown(3000, "colord-gamma5000k.icc"), "on again");

    // A display plugged in gets its record, its calibration, then the ramp through it.
    ASSERT_TRUE(platform::testing::setOutputProfile("DUMMY2", fileBytes("table-1024.icc")));
    ASSERT_TRUE(xrandr("--addmode DUMMY2 800x600"));
    ASSERT_TRUE(xrandr("--output DUMMY2 --mode 800x600 --right-of DUMMY1"));
    apply(224, 3000);
    expectShows(*system, "DUMMY2", shown(3000, "table-1024.icc"), "plugged in");
    EXPECT_EQ(holder.displays.records.size(), 3u);

    // The harness's displays as they were.
    EXPECT_TRUE(xrandr("--output DUMMY2 --off"));
    EXPECT_TRUE(platform::testing::setOutputProfile("DUMMY1", {}));
    EXPECT_TRUE(platform::testing::setOutputProfile("DUMMY2", {}));
    for (const char* name : {"DUMMY0", "DUMMY1"})
        if (auto device = observer->open(name)) device->setGammaRamp(identity.data());
}
