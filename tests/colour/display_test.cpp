// Ramps on a set of displays that accept or refuse on demand (the fault a real display cannot be
// made to show at will), and the calibration profiles of tests/data/icc.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "colour/colour_temperature.h"
#include "colour/gamma_ramp.h"
#include "colour/vcgt.h"
#include "tests/support/ramps.h"

using namespace tintel;
using testsupport::colourRamp;
using testsupport::sameButVariation;

namespace {

const std::string kData = TINTEL_TEST_DATA "/icc/";

double g_now = 100.0;
double fakeClock() {
    return g_now;
}

struct FakeDisplay {
    std::string name;
    int refuseFirst = 0;  // refuse this many loads, then accept
    bool refuseAll = false;
    std::string profile;  // profile name, empty: none
    std::vector<GammaRamp> accepted;
    int attempts = 0;
};

class FakeDevice : public platform::DisplayDevice {
public:
    explicit FakeDevice(FakeDisplay* d) : d_(d) {}
    bool setGammaRamp(const uint16_t* ramp) override {
        ++d_->attempts;
        if (d_->refuseAll || d_->refuseFirst > 0) {
            if (d_->refuseFirst > 0) --d_->refuseFirst;
            return false;
        }
        GammaRamp r;
        std::copy(ramp, ramp + 768, r.begin());
        d_->accepted.push_back(r);
        return true;
    }
    bool getGammaRamp(uint16_t*) override { return false; }
    std::string profileName() override { return d_->profile; }
    bool readProfile(const std::string& name, std::vector<uint8_t>* bytes) override {
        std::ifstream f(kData + name, std::ios::binary);
        if (!f) return false;
        bytes->assign(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
        return true;
    }
    uintptr_t handle() const override { return 1; }

private:
    FakeDisplay* d_;
};

class FakeSystem : public platform::DisplaySystem {
public:
    std::vector<FakeDisplay> displays;
    void enumerate(const std::function<void(const std::string&, uintptr_t)>& visit) override {
        for (size_t i = 0; i < displays.size(); ++i)
            visit(displays[i].name, i);
    }
    std::unique_ptr<platform::DisplayDevice> open(const std::string& name) override {
        for (auto& d : displays)
            if (d.name == name) return std::make_unique<FakeDevice>(&d);
        return nullptr;
    }
};

GammaRamp calibrationCurve(const std::string& profile) {
    ProfileCalibration cal;
    EXPECT_EQ(readProfileCalibration(kData + profile, &cal), kVcgtOk) << profile;
    GammaRamp curve{};
    std::memcpy(curve.data(), cal.data.data(), std::min<size_t>(cal.data.size(), 1536));
    return curve;
}

class Displays : public ::testing::Test {
protected:
    void SetUp() override {
        colourSetterState() = {};
        g_now = 100.0;
        holder.clock = fakeClock;
        holder.displaySystem = &system;
    }
    // One pass of the program's tick at `at` seconds.
    void apply(double at, double kelvin) {
        g_now = at;
        applyDisplayColour(holder, 1.0, kelvin, 0, false);
    }
    FakeSystem system;
    DisplayHolder holder;
};

}  // namespace

TEST_F(Displays, NeutralIsTheIdentityDarkroomFadesThenInvertsAndRedKeepsItsFloor) {
    EXPECT_EQ(colourRamp(6500), testsupport::identityRamp());
    system.displays.push_back({"one"});
    ++holder.displays.generation;  // a new record has taken generation 0
    ASSERT_EQ(loadColourRamp(holder, 1.0f, 1, 1, 1, false, 0.5), 0);
    EXPECT_EQ(system.displays[0].accepted.back(), GammaRamp{});

    ++holder.displays.generation;
    ASSERT_EQ(loadColourRamp(holder, 1.0f, 1, 1, 1, false, 1.0), 0);
    GammaRamp gamma2, inverted{};
    buildGammaRamp(gamma2, 2.0f, 1, 1, 1);  // darkroom adds to the gamma
    for (int i = 0; i < 256; ++i)
        inverted[i] = gamma2[255 - i];
    EXPECT_EQ(system.displays[0].accepted.back(), inverted);
    EXPECT_EQ(inverted[0], 65535);

    // A warm, dim colour: red never falls under 0.2 of the brightness, blue may reach 0.
    ++holder.displays.generation;
    ASSERT_EQ(setDisplayColour(holder, 0.5, 1000, false, 0, false), 0);
    const GammaRamp& warm = system.displays[0].accepted.back();
    EXPECT_GE(warm[255], uint16_t(0.2 * 0.5 * 65535));
    EXPECT_EQ(warm[767], 0);

    // Temperatures without light show the red floor alone; multipliers left over from another
    // temperature must not leak into them.
    GammaRamp floor;
    buildGammaRamp(floor, 1.0f, 0.2f, 0, 0);
    for (double kelvin : {0.0, 50.0, 150.0}) {
        apply(g_now + 1, 2000);
        apply(g_now + 1, kelvin);
        EXPECT_TRUE(sameButVariation(system.displays[0].accepted.back(), floor)) << kelvin;
    }
}

TEST_F(Displays, RefusedRampsWalkTowardsNeutralAndOnlyTheRefusingDisplayGetsEachStep) {
    const struct {
        int refuseFirst;
        bool refuseAll;
        double kelvin;
        int32_t result;
        double used;
        int attempts;
    } rows[] = {
        {1, false, 3400, 0, 3500, 2},
        {2, false, 3400, 0, 3600, 3},
        {2, false, 7000, 0, 6800, 3},
        {0, true, 6450, -1, 6450, 100},  // near neutral: the same kelvin a hundred times
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.kelvin);
        system.displays = {{"accepts"}, {"refuses", row.refuseFirst, row.refuseAll}};
        holder.displays = {};
        colourSetterState() = {};
        double kelvin = row.kelvin;
        ASSERT_EQ(applyDisplayColour(holder, 1.0, kelvin, 0, false), row.result);
        EXPECT_EQ(kelvin, row.used);
        EXPECT_EQ(system.displays[0].attempts, 1);
        EXPECT_EQ(system.displays[1].attempts, row.attempts);
        EXPECT_TRUE(sameButVariation(system.displays[0].accepted[0], colourRamp(row.kelvin)));
        if (row.result == 0) {
            ASSERT_EQ(system.displays[1].accepted.size(), 1u);
            EXPECT_TRUE(sameButVariation(system.displays[1].accepted[0], colourRamp(row.used)));
        }
    }
}

TEST_F(Displays, CalibrationLoadsFirstAndARefusedFirstLoadIsRetriedOnlyWhenDue) {
    system.displays = {{"calibrated", 0, false, "argyll-table.icc"},
                       {"mode set", 2, false, "colord-gamma5000k.icc"},
                       {"no profile"}};
    const GammaRamp curve = calibrationCurve("argyll-table.icc");
    apply(100, 6500);
    // The calibration itself, then the identity through it: the curve again.
    ASSERT_EQ(system.displays[0].accepted.size(), 2u);
    EXPECT_EQ(system.displays[0].accepted[0], curve);
    EXPECT_TRUE(sameButVariation(system.displays[0].accepted[1], curve, 0));
    EXPECT_EQ(system.displays[2].accepted.size(), 1u) << "no profile: the colour alone";

    // The refusing display gets no ramps until it takes its first load. The first pass counts as
    // a change of the display list, so it is tried once more, then only at the profile refresh
    // two minutes on, which also reads the profile that replaced the refused one.
    system.displays[1].profile = "argyll-table.icc";
    const struct {
        double at;
        int attempts;
    } passes[] = {{101, 2}, {161, 2}, {222, 4}};
    double kelvin = 5000;
    for (const auto& p : passes) {
        apply(p.at, kelvin -= 100);
        EXPECT_EQ(system.displays[1].attempts, p.attempts) << p.at;
    }
    ASSERT_EQ(system.displays[1].accepted.size(), 2u) << "the calibration, then the colour";
    EXPECT_EQ(system.displays[1].accepted[0], curve);

    // A display plugged in refuses while its mode is set; unplugging another changes the list,
    // and the refused one is tried again on the next pass.
    system.displays.push_back({"plugged in", 2, false, "argyll-table.icc"});
    for (int pass = 0; pass < 3; ++pass)
        apply(g_now + 1, kelvin -= 100);
    EXPECT_EQ(system.displays[3].attempts, 2);
    system.displays.erase(system.displays.begin());
    for (int pass = 0; pass < 2; ++pass)
        apply(g_now + 1, kelvin -= 100);
    EXPECT_EQ(system.displays[2].attempts, 4) << "the first load and the colour";
    EXPECT_EQ(system.displays[2].accepted.size(), 2u);
}

TEST(Vcgt, RealProfilesAndEveryFailure) {
    ProfileCalibration cal;
    ASSERT_EQ(readProfileCalibration(kData + "argyll-table.icc", &cal), kVcgtOk);
    ASSERT_EQ(cal.entrySize, 2);
    auto entry = [&](int i) { return uint16_t(cal.data[2 * i] | cal.data[2 * i + 1] << 8); };
    // curves.cal: red 0..1, green 0..0.9, blue 0.05..0.8.
    const std::pair<int, uint16_t> argyll[] = {
        {0, 0}, {255, 65535}, {511, 58981}, {512, 3277}, {767, 52428}};
    for (const auto& [i, value] : argyll)
        EXPECT_EQ(entry(i), value) << i;

    ASSERT_EQ(readProfileCalibration(kData + "table-1byte.icc", &cal), kVcgtOk);
    ASSERT_EQ(cal.entrySize, 1);
    ASSERT_EQ(cal.data.size(), 768u);
    EXPECT_EQ(cal.data[128], 128);  // becomes 32768 in a display record

    ASSERT_EQ(readProfileCalibration(kData + "formula.icc", &cal), kVcgtOk);
    ASSERT_EQ(cal.entrySize, 2);
    EXPECT_EQ(entry(255), 65535);
    EXPECT_EQ(entry(128), uint16_t(65535 * std::pow(128 / 255.0, 2.2)));
    EXPECT_EQ(entry(256), uint16_t(65535 * 0.05));  // green minimum

    const std::pair<const char*, int32_t> results[] = {
        {"colord-gamma5000k.icc", kVcgtOk},  {"formula-gamma025.icc", kVcgtBadFormat},
        {"no-vcgt.icc", kVcgtMissing},       {"too-many-tags.icc", kVcgtBadFormat},
        {"cut-header.icc", kVcgtReadFailed}, {"cut-tag-table.icc", kVcgtReadFailed},
        {"cut-curve.icc", kVcgtCannotOpen},  {"does-not-exist.icc", kVcgtCannotOpen}};
    for (const auto& [file, result] : results)
        EXPECT_EQ(readProfileCalibration(kData + file, &cal), result) << file;

    // Every prefix of a real profile reads without going past its end.
    std::ifstream f(kData + "argyll-table.icc", std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(f)),
                                     std::istreambuf_iterator<char>());
    const uint8_t tag[] = {'v', 'c', 'g', 't'};
    const auto data = std::find_end(bytes.begin(), bytes.end(), tag, tag + 4);
    const size_t curveEnd = static_cast<size_t>(data - bytes.begin()) + 18 + 1536;
    ASSERT_LE(curveEnd, bytes.size());
    for (size_t n = 0; n < curveEnd; n += 7) {
        std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + n);
        EXPECT_NE(readProfileCalibration(cut.data(), cut.size(), &cal), kVcgtOk) << n;
    }
}

TEST(Calibration, ComposesOnlyWithACurveThatRises) {
    const GammaRamp in = testsupport::identityRamp();
    GammaRamp calibration, out;
    for (int i = 0; i < 768; ++i)
        calibration[i] = uint16_t(65535 - (i % 256) * 100);
    composeWithCalibration(out, in, &calibration);
    EXPECT_EQ(out, in) << "a falling curve is ignored";
    for (int i = 0; i < 768; ++i)
        calibration[i] = uint16_t((i % 256) * 200 + (i / 256));
    composeWithCalibration(out, in, &calibration);
    EXPECT_EQ(out, calibration);
    composeWithCalibration(out, in, nullptr);
    EXPECT_EQ(out, in);

    // A profile whose curve falls leaves the display on the identity from the start.
    FakeSystem system;
    system.displays.push_back({"falling", 0, false, "table-falling-blue.icc"});
    DisplayHolder holder;
    holder.displaySystem = &system;
    ++holder.displays.generation;
    ASSERT_EQ(loadColourRamp(holder, 1.0f, 1, 1, 1, false, 0), 0);
    ASSERT_EQ(system.displays[0].accepted.size(), 2u);
    EXPECT_FALSE(holder.displays.records[0]->hasCalibration);
    EXPECT_EQ(system.displays[0].accepted[0][255], 255 * 256);
}
