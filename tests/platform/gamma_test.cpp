// Ramps on the real displays: the harness's X server (XRandR CRTCs natively, Wine's GDI under
// Wine), set and read back. That the program's colour reaches every display is proven end to end
// (tests/e2e/day_night_test.py).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/process.h"
#include "tests/support/ramps.h"

using namespace tintel;

namespace {
#ifdef _WIN32
// Wine passes ramps through the X server's gamma ramp and reads them back from there: the values
// come back within about 0.5 percent, not to the bit. Wine also shows the X screen as one monitor.
constexpr int kTolerance = 400;
constexpr size_t kHarnessMonitors = 1;
#else
constexpr int kTolerance = 0;
constexpr size_t kHarnessMonitors = 2;
#endif
}  // namespace

TEST(DisplayGamma, EveryDisplayTakesItsOwnRampAndGivesItBack) {
    auto system = platform::openDisplaySystem();
    ASSERT_TRUE(system);
    std::vector<std::string> names;
    system->enumerate([&](const std::string& name, uintptr_t) { names.push_back(name); });
    if (platform::environmentVariable("TINTEL_X_SERVER") == "xorg") {
        EXPECT_GE(names.size(), kHarnessMonitors) << "the harness runs two dummy monitors";
    }
    ASSERT_FALSE(names.empty());
    const auto rampFor = [](size_t k) {
        GammaRamp ramp;
        buildGammaRamp(ramp, 1.0f, 1.0f, 0.8f - 0.1f * float(k), 0.6f - 0.1f * float(k));
        return ramp;
    };
    for (size_t k = 0; k < names.size(); ++k) {
        auto device = system->open(names[k]);
        ASSERT_TRUE(device && device->setGammaRamp(rampFor(k).data())) << names[k];
    }
    // Read back after all were set: each display kept its own.
    for (size_t k = 0; k < names.size(); ++k) {
        auto device = system->open(names[k]);
        GammaRamp got;
        ASSERT_TRUE(device->getGammaRamp(got.data())) << names[k];
        const GammaRamp want = rampFor(k);
        for (int i = 0; i < 768; ++i)
            ASSERT_NEAR(got[i], want[i], kTolerance) << names[k] << " entry " << i;
        device->setGammaRamp(testsupport::identityRamp().data());
    }
}
