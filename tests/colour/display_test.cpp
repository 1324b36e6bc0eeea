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

using namespace tintel;

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
    int profileLooks = 0;
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
    std::string profileName() override {
        ++d_->profileLooks;
        return d_->profile;
    }
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

GammaRamp expectedRamp(double kelvin, double brightness = 1.0) {
    float r, g, b;
    kelvinToRgb(static_cast<float>(kelvin), r, g, b);
    r = std::min(std::max(r, 0.2f), 1.0f), g = std::min(g, 1.0f), b = std::min(b, 1.0f);
    GammaRamp ramp;
    buildGammaRamp(ramp, 1.0f, float(r * brightness), float(g * brightness), float(b * brightness));
    return ramp;
}

// Equal but for the one red entry in 128..191 the variation may have raised by 256.
bool sameButVariation(const GammaRamp& got, const GammaRamp& want) {
    int differences = 0;
    for (size_t i = 0; i < 768; ++i) {
        if (got[i] == want[i]) continue;
        if (i < 128 || i > 191 || got[i] != uint16_t(want[i] + 256)) return false;
        ++differences;
    }
    return differences <= 1;
}

class Displays : public ::testing::Test {
protected:
    void SetUp() override {
        colourSetterState() = {};
        g_now = 100.0;
        holder.clock = fakeClock;
        holder.displaySystem = &system;
    }
    FakeSystem system;
    DisplayHolder holder;
};

}  // namespace

TEST(GammaRamp, NeutralIsTheIdentityAndDarkroomFadesThenInverts) {
    float r, g, b;
    kelvinToRgb(6500.0f, r, g, b);
    GammaRamp ramp;
    buildGammaRamp(ramp, 1.0f, r, g, b);
    for (int i = 0; i < 256; ++i) {
        ASSERT_EQ(ramp[i], 257 * i) << i;
        ASSERT_EQ(ramp[256 + i], 257 * i) << i;
        ASSERT_EQ(ramp[512 + i], 257 * i) << i;
    }

    FakeSystem system;
    system.displays.push_back({"one"});
    DisplayHolder holder;
    holder.displaySystem = &system;
    ++holder.displays.generation;  // a new record has taken generation 0
    ASSERT_EQ(loadColourRamp(holder, 1.0f, 1, 1, 1, false, 0.5), 0);
    ASSERT_EQ(system.displays[0].accepted.size(), 1u);
    for (uint16_t v : system.displays[0].accepted.back())
        ASSERT_EQ(v, 0);

    ++holder.displays.generation;
    ASSERT_EQ(loadColourRamp(holder, 1.0f, 1, 1, 1, false, 1.0), 0);
    const GammaRamp& inverted = system.displays[0].accepted.back();
    GammaRamp gamma2;
    buildGammaRamp(gamma2, 2.0f, 1, 1, 1);  // darkroom adds to the gamma
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(inverted[i], gamma2[255 - i]) << i;
        EXPECT_EQ(inverted[256 + i], 0);
        EXPECT_EQ(inverted[512 + i], 0);
    }
    EXPECT_EQ(inverted[0], 65535);
    EXPECT_EQ(inverted[255], 0);

    // A warm, dim colour: red never falls under 0.2 of the brightness, blue may reach 0.
    ++holder.displays.generation;
    colourSetterState() = {};
    ASSERT_EQ(setDisplayColour(holder, 0.5, 1000, false, 0, false), 0);
    const GammaRamp& warm = system.displays[0].accepted.back();
    EXPECT_GE(warm[255], uint16_t(0.2 * 0.5 * 65535));
    EXPECT_EQ(warm[767], 0);
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
        EXPECT_TRUE(sameButVariation(system.displays[0].accepted[0], expectedRamp(row.kelvin)));
        if (row.result == 0) {
            ASSERT_EQ(system.displays[1].accepted.size(), 1u);
            EXPECT_TRUE(sameButVariation(system.displays[1].accepted[0], expectedRamp(row.used)));
        }
    }
}

TEST_F(Displays, ATemperatureWithoutLightShowsTheRedFloorAlone) {
    system.displays.push_back({"one"});
    GammaRamp floor;
    buildGammaRamp(floor, 1.0f, 0.2f, 0, 0);
    for (double kelvin : {0.0, 50.0, 150.0}) {
        // Multipliers left over from another temperature must not leak into this one.
        double warm = 2000;
        applyDisplayColour(holder, 1.0, warm, 0, false);
        g_now += 1;
        ASSERT_EQ(applyDisplayColour(holder, 1.0, kelvin, 0, false), 0) << kelvin;
        EXPECT_TRUE(sameButVariation(system.displays[0].accepted.back(), floor)) << kelvin;
    }
}

TEST_F(Displays, UnchangedValuesAreResentOnlyAfterHalfASecondAndNeverInSafeMode) {
    system.displays.push_back({"one"});
    double kelvin = 4000;
    applyDisplayColour(holder, 1.0, kelvin, 0, false);
    g_now += 0.2;
    applyDisplayColour(holder, 1.0, kelvin, 0, false);
    EXPECT_EQ(system.displays[0].attempts, 1);
    g_now += 0.6;
    applyDisplayColour(holder, 1.0, kelvin, 0, false);
    EXPECT_EQ(system.displays[0].attempts, 2);
    // Consecutive sends alternate the variation.
    EXPECT_NE(system.displays[0].accepted[0], system.displays[0].accepted[1]);

    holder.safeMode = true;
    g_now += 5;
    applyDisplayColour(holder, 1.0, kelvin, 0, false);
    EXPECT_EQ(system.displays[0].attempts, 2);
    // Activation sends once even in safe mode.
    holder.activated = true;
    applyDisplayColour(holder, 1.0, kelvin, 0, false);
    EXPECT_EQ(system.displays[0].attempts, 3);
    EXPECT_FALSE(holder.activated);
}

TEST_F(Displays, CalibrationIsLoadedFirstAndComposedAfter) {
    system.displays.push_back({"calibrated", 0, false, "argyll-table.icc"});
    system.displays.push_back({"refuses first load", 1, false, "colord-gamma5000k.icc"});
    system.displays.push_back({"no profile"});
    double kelvin = 6500;
    ASSERT_EQ(applyDisplayColour(holder, 1.0, kelvin, 0, false), 0);

    ProfileCalibration cal;
    ASSERT_EQ(readProfileCalibration(kData + "argyll-table.icc", &cal), kVcgtOk);
    const auto& calibrated = system.displays[0].accepted;
    ASSERT_EQ(calibrated.size(), 2u);  // the calibration itself, then the composed ramp
    GammaRamp curve;
    std::memcpy(curve.data(), cal.data.data(), 1536);
    EXPECT_EQ(calibrated[0], curve);
    // The identity through the curve is the curve (but where the variation raised red).
    for (int i = 0; i < 768; ++i) {
        if (i < 128 || i > 191) {
            EXPECT_EQ(calibrated[1][i], curve[i]) << i;
        }
    }

    // A display whose first load was refused gets no ramps until it takes that load.
    EXPECT_EQ(system.displays[1].attempts, 1);
    // No profile: no first load, just the ramps.
    EXPECT_EQ(system.displays[2].accepted.size(), 1u);
    g_now += 1;
    kelvin = 5000;
    applyDisplayColour(holder, 1.0, kelvin, 0, false);
    EXPECT_EQ(system.displays[2].accepted.size(), 2u);
}

TEST_F(Displays, ADisplayRefusingItsFirstLoadIsRetriedAtTheRefreshAndWhenTheDisplaysChange) {
    // The first pass also counts as a change of the display list: the refused display is tried
    // once more on the next pass, then only at the profile refresh.
    system.displays.push_back({"mode set", 2, false, "colord-gamma5000k.icc"});
    double kelvin = 5000;
    applyDisplayColour(holder, 1.0, kelvin, 0, false);
    g_now += 1;
    kelvin = 4900;
    applyDisplayColour(holder, 1.0, kelvin, 0, false);
    EXPECT_EQ(system.displays[0].attempts, 2);
    EXPECT_TRUE(system.displays[0].accepted.empty());
    // The profile changes meanwhile: it is looked at again only at the refresh, two minutes on.
    const int looks = system.displays[0].profileLooks;
    system.displays[0].profile = "argyll-table.icc";
    g_now += 60;
    kelvin = 4800;
    applyDisplayColour(holder, 1.0, kelvin, 0, false);
    EXPECT_EQ(system.displays[0].attempts, 2) << "not before the refresh";
    EXPECT_EQ(system.displays[0].profileLooks, looks);
    g_now += 61;
    kelvin = 4700;
    applyDisplayColour(holder, 1.0, kelvin, 0, false);
    ASSERT_EQ(system.displays[0].accepted.size(), 2u) << "the calibration, then the colour";
    EXPECT_EQ(holder.displays.records[0]->profilePath, "argyll-table.icc");
    ProfileCalibration cal;
    ASSERT_EQ(readProfileCalibration(kData + "argyll-table.icc", &cal), kVcgtOk);
    EXPECT_EQ(std::memcmp(system.displays[0].accepted[0].data(), cal.data.data(), 1536), 0);
    EXPECT_EQ(holder.displays.records[0]->failed, 0u);

    // A display plugged in refuses while its mode is set; unplugging the other display changes
    // the list, and the refused one is tried again on the next pass.
    system.displays.push_back({"plugged in", 2, false, "argyll-table.icc"});
    for (int pass = 0; pass < 3; ++pass) {
        g_now += 1;
        kelvin -= 100;
        applyDisplayColour(holder, 1.0, kelvin, 0, false);
    }
    EXPECT_EQ(system.displays[1].attempts, 2);
    system.displays.erase(system.displays.begin());
    for (int pass = 0; pass < 2; ++pass) {
        g_now += 1;
        kelvin -= 100;
        applyDisplayColour(holder, 1.0, kelvin, 0, false);
    }
    EXPECT_EQ(system.displays[0].attempts, 4) << "the first load and the colour";
    EXPECT_EQ(system.displays[0].accepted.size(), 2u);
}

TEST(Vcgt, RealProfilesAndEveryFailure) {
    ProfileCalibration cal;
    ASSERT_EQ(readProfileCalibration(kData + "argyll-table.icc", &cal), kVcgtOk);
    ASSERT_EQ(cal.entrySize, 2);
    auto entry = [&](int i) { return uint16_t(cal.data[2 * i] | cal.data[2 * i + 1] << 8); };
    // curves.cal: red 0..1, green 0..0.9, blue 0.05..0.8.
    EXPECT_EQ(entry(0), 0);
    EXPECT_EQ(entry(255), 65535);
    EXPECT_EQ(entry(511), 58981);
    EXPECT_EQ(entry(512), 3277);
    EXPECT_EQ(entry(767), 52428);

    ASSERT_EQ(readProfileCalibration(kData + "colord-gamma5000k.icc", &cal), kVcgtOk);
    EXPECT_EQ(cal.entrySize, 2);

    ASSERT_EQ(readProfileCalibration(kData + "table-1byte.icc", &cal), kVcgtOk);
    ASSERT_EQ(cal.entrySize, 1);
    ASSERT_EQ(cal.data.size(), 768u);
    EXPECT_EQ(cal.data[128], 128);  // becomes 32768 in a display record

    ASSERT_EQ(readProfileCalibration(kData + "formula.icc", &cal), kVcgtOk);
    ASSERT_EQ(cal.entrySize, 2);
    EXPECT_EQ(entry(255), 65535);
    EXPECT_EQ(entry(128), uint16_t(65535 * std::pow(128 / 255.0, 2.2)));
    EXPECT_EQ(entry(256), uint16_t(65535 * 0.05));  // green minimum

    EXPECT_EQ(readProfileCalibration(kData + "formula-gamma025.icc", &cal), kVcgtBadFormat);
    EXPECT_EQ(readProfileCalibration(kData + "no-vcgt.icc", &cal), kVcgtMissing);
    EXPECT_EQ(readProfileCalibration(kData + "too-many-tags.icc", &cal), kVcgtBadFormat);
    EXPECT_EQ(readProfileCalibration(kData + "cut-header.icc", &cal), kVcgtReadFailed);
    EXPECT_EQ(readProfileCalibration(kData + "cut-tag-table.icc", &cal), kVcgtReadFailed);
    EXPECT_EQ(readProfileCalibration(kData + "cut-curve.icc", &cal), kVcgtCannotOpen);
    EXPECT_EQ(readProfileCalibration(kData + "does-not-exist.icc", &cal), kVcgtCannotOpen);
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

// Tables of 1024 and 16 entries (tests/data/icc/derive.py writes them from these curves) come out
// as 256 entries per channel, linearly interpolated.
TEST(Vcgt, TablesOfOtherLengthsAreResampledTo256Entries) {
    using Curve = std::function<double(double)>;
    const struct {
        const char* file;
        int count;
        int entrySize;
        Curve curves[3];
    } cases[] = {
        {"table-1024.icc",
         1024,
         2,
         {[](double x) { return 65535 * std::pow(x, 1 / 2.2); }, [](double x) { return 60000 * x; },
          [](double x) { return 3000 + std::round(50000 * x * x); }}},
        {"table-16-1byte.icc",
         16,
         1,
         {[](double x) { return 255 * std::pow(x, 0.8); }, [](double x) { return 250 * x; },
          [](double x) { return 10 + std::round(240 * std::pow(x, 1.5)); }}},
    };
    for (const auto& c : cases) {
        ProfileCalibration cal;
        ASSERT_EQ(readProfileCalibration(kData + c.file, &cal), kVcgtOk) << c.file;
        ASSERT_EQ(cal.entrySize, 2) << c.file;
        ASSERT_EQ(cal.data.size(), 1536u) << c.file;
        GammaRamp want;
        for (int ch = 0; ch < 3; ++ch) {
            std::vector<double> table(c.count);
            for (int k = 0; k < c.count; ++k)
                table[k] = std::round(c.curves[ch](double(k) / (c.count - 1))) *
                           (c.entrySize == 1 ? 256 : 1);
            for (int i = 0; i < 256; ++i) {
                const double x = i * (c.count - 1) / 255.0;
                const int j = std::min(int(x), c.count - 2);
                want[256 * ch + i] =
                    uint16_t(std::lround(table[j] + (table[j + 1] - table[j]) * (x - j)));
            }
        }
        GammaRamp got;
        std::memcpy(got.data(), cal.data.data(), 1536);
        for (int i = 0; i < 768; ++i)
            ASSERT_EQ(got[i], want[i]) << c.file << " entry " << i;
        EXPECT_EQ(got[255], c.entrySize == 2 ? 65535 : 255 * 256) << c.file;
    }
}

TEST(Calibration, ComposesOnlyWithACurveThatRises) {
    GammaRamp in, calibration, out;
    for (int i = 0; i < 768; ++i)
        in[i] = uint16_t((i % 256) * 257);
    for (int i = 0; i < 768; ++i)
        calibration[i] = uint16_t(65535 - (i % 256) * 100);
    composeWithCalibration(out, in, &calibration);
    EXPECT_EQ(out, in) << "a falling curve is ignored";
    for (int i = 0; i < 768; ++i)
        calibration[i] = uint16_t((i % 256) * 200 + (i / 256));
    composeWithCalibration(out, in, &calibration);
    EXPECT_EQ(out[255], calibration[255]);
    EXPECT_EQ(out[256 + 10], calibration[256 + 10]);
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
