// The cross-build probe: the same 1000 pseudo-random places, dates, times, zones and temperatures
// through the solar schedule and the colour conversion, printed one line each, so that the
// native and the Windows build can be compared (tests/colour/compare_probe.py).
//
//   colour_probe --zones   lists the zones the inputs use, one a line
//   colour_probe ZONE      prints the lines of the inputs in ZONE; run it with TZ=ZONE, since
//                          the zone's state comes from the platform's own rules
//
// Each line: index, latitude, longitude, local date and time, offset minutes, kelvin, dimming
// factor | standard offset, daylight shift | sunrise, sunset, now | red, green, blue of the
// dimmed temperature.
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "colour/colour_temperature.h"
#include "colour/local_clock.h"
#include "colour/sun_schedule.h"

using namespace tintel;

namespace {

const char* const kZones[] = {
    "UTC",          "America/Denver",   "Europe/Berlin",  "Australia/Sydney",
    "Asia/Kolkata", "America/St_Johns", "Asia/Kathmandu", "Pacific/Chatham",
};
constexpr int kZoneCount = sizeof kZones / sizeof kZones[0];
constexpr int kInputs = 1000;

// SplitMix64 (S. Vigna): a small generator that gives the same numbers on every platform.
struct SplitMix64 {
    uint64_t state;
    uint64_t next() {
        uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    // A whole number in [0, n).
    int32_t below(int32_t n) { return static_cast<int32_t>(next() % static_cast<uint64_t>(n)); }
    // A number in [low, high) on a grid of 1/1000, exact in binary once scaled.
    double between(double low, double high) {
        return low + below(static_cast<int32_t>((high - low) * 1000)) / 1000.0;
    }
};

struct Input {
    float latitude, longitude;
    platform::LocalDateTime local;
    double offsetMinutes;
    float kelvin;
    double dimming;
    int zone;
};

Input makeInput(SplitMix64& random) {
    static const int32_t monthDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    Input in{};
    in.latitude = static_cast<float>(random.between(-70, 70));
    // Every tenth place sits on the meridian exactly, where the zone's standard offset is unused.
    in.longitude = random.below(10) == 0 ? 0.0f : static_cast<float>(random.between(-180, 180));
    in.local.year = 2025 + random.below(12);
    in.local.month = 1 + random.below(12);
    const bool leap = in.local.year % 4 == 0;
    in.local.day = 1 + random.below(monthDays[in.local.month - 1] + (leap && in.local.month == 2));
    in.local.hour = random.below(24);
    in.local.minute = random.below(60);
    in.local.second = random.below(60);
    in.offsetMinutes = random.below(2) == 0 ? 0.0 : random.between(-1500, 1500);
    in.kelvin = static_cast<float>(random.between(1000, 12000));
    in.dimming = random.between(0.1, 1.0);
    in.zone = random.below(kZoneCount);
    return in;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--zones") == 0) {
        for (const char* zone : kZones)
            std::printf("%s\n", zone);
        return 0;
    }
    int wanted = -1;
    for (int z = 0; argc == 2 && z < kZoneCount; ++z) {
        if (std::strcmp(argv[1], kZones[z]) == 0) wanted = z;
    }
    if (wanted < 0) {
        std::fprintf(stderr, "usage: colour_probe --zones | colour_probe ZONE (a listed zone)\n");
        return 2;
    }
    SplitMix64 random{20080101};
    for (int i = 0; i < kInputs; ++i) {
        const Input in = makeInput(random);
        if (in.zone != wanted) continue;
        const SetLocalClock clock(in.local);
        const platform::ZoneState zone = clock.zone();
        SunTimes times;
        localSunTimes(readLocalTime(clock, in.offsetMinutes), in.latitude, in.longitude, clock,
                      times);
        const float dimmed =
            static_cast<float>(1e6 / (1e6 / in.kelvin + dimmingMiredShift(in.dimming)));
        float r = 0, g = 0, b = 0;
        kelvinToRgb(dimmed, r, g, b);
        std::printf(
            "%d %.3f %.3f %04d-%02d-%02dT%02d:%02d:%02d %.3f %.3f %.3f %s | %d %d | %.9f %.9f "
            "%.9f | %.9f %.9f %.9f\n",
            i, in.latitude, in.longitude, in.local.year, in.local.month, in.local.day,
            in.local.hour, in.local.minute, in.local.second, in.offsetMinutes, in.kelvin,
            in.dimming, kZones[in.zone], zone.standardOffsetMinutes, zone.daylightShiftMinutes,
            times.sunrise, times.sunset, times.now, r, g, b);
    }
    return 0;
}
