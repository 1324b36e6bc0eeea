#include "colour/display_table.h"

#include "colour/vcgt.h"
#include "base/debug_log.h"

namespace tintel {
namespace {

// The ramp a display gets when it has no usable calibration: entry i of each channel is i x 256.
GammaRamp identityLoadRamp() {
    GammaRamp ramp{};
    for (int c = 0; c < 3; ++c)
        for (int i = 0; i < 256; ++i)
            ramp[256 * c + i] = static_cast<uint16_t>(i * 256);
    return ramp;
}

// Reads the calibration of a profile into the record.
void readCalibration(DisplayRecord& record, platform::DisplayDevice& device,
                     const std::string& profile) {
    std::vector<uint8_t> bytes;
    ProfileCalibration calibration;
    if (!device.readProfile(profile, &bytes)) return;
    if (readProfileCalibration(bytes.data(), bytes.size(), &calibration) != kVcgtOk) return;
    if (calibration.data.size() != 768u * calibration.entrySize) return;
    GammaRamp curve{};
    for (size_t i = 0; i < 768; ++i) {
        if (calibration.entrySize == 2)
            curve[i] =
                static_cast<uint16_t>(calibration.data[2 * i] | calibration.data[2 * i + 1] << 8);
        else
            curve[i] = static_cast<uint16_t>(calibration.data[i] * 256);
    }
    record.calibration = curve;
    // A curve that does not rise would darken or blank the display: it is kept out of use, as
    // composeWithCalibration ignores it, and the display starts from the identity instead.
    record.hasCalibration = calibrationRises(curve);
}

}  // namespace

bool calibrationRises(const GammaRamp& calibration) {
    return calibration[767] > 30000 && calibration[512] < 10000;
}

void composeWithCalibration(GammaRamp& out, const GammaRamp& in, const GammaRamp* calibration) {
    out = in;
    if (!calibration || !calibrationRises(*calibration)) return;
    for (size_t j = 0; j < 768; ++j) {
        const size_t channel = j / 256;
        out[j] = (*calibration)[256 * channel + (in[j] >> 8)];
    }
}

DisplayRecord* findOrCreateDisplayRecord(DisplayTable& table, const std::string& deviceName,
                                         platform::DisplayDevice& device, double now) {
    DisplayRecord* record = nullptr;
    for (size_t i = 0; i < table.names.size(); ++i)
        if (table.names[i] == deviceName) record = table.records[i].get();
    if (record && now - record->refreshTimer <= kProfileRefreshSeconds) return record;

    const bool created = record == nullptr;
    if (created) {
        table.records.push_back(std::make_unique<DisplayRecord>());
        table.names.push_back(deviceName);
        record = table.records.back().get();
        record->refreshTimer = now;
    }

    const std::string profile = device.profileName();
    if (profile.empty()) return record;
    if (profile != record->profilePath) {
        base::DebugLog("Color profile for %s: %s\n", deviceName.c_str(), profile.c_str());
        readCalibration(*record, device, profile);
    }
    record->profilePath = profile;
    record->refreshTimer = now;

    if (created) {
        const GammaRamp first = record->hasCalibration ? record->calibration : identityLoadRamp();
        record->failed = device.setGammaRamp(first.data()) ? 0 : 1;
    }
    return record;
}

int32_t applyRampToDisplays(DisplayTable& table, const GammaRamp& ramp,
                            platform::DisplaySystem& displays, double now) {
    table.ramp = &ramp;
    table.result = 0;
    displays.enumerate([&](const std::string& name, uintptr_t monitor) {
        std::unique_ptr<platform::DisplayDevice> device = displays.open(name);
        if (!device) return;
        DisplayRecord* record = findOrCreateDisplayRecord(table, name, *device, now);
        if (record && (record->failed > 0 || record->lastGeneration == table.generation)) return;
        GammaRamp out;
        composeWithCalibration(out, *table.ramp,
                               record && record->hasCalibration ? &record->calibration : nullptr);
        if (device->setGammaRamp(out.data())) {
            if (record) record->lastGeneration = table.generation;
        } else {
            table.result = -1;
            base::DebugLog("gammaramp failed %x [%x]\n", static_cast<unsigned>(monitor),
                           static_cast<unsigned>(device->handle()));
        }
    });
    table.ramp = nullptr;
    return table.result;
}

}  // namespace tintel
