// The platform's time-zone service and local clock against the platform's real zone database
// (Windows zones under Wine, the C library's on Linux). CTest runs this program once per zone,
// with TZ naming it; Wine maps TZ to the Windows zone, so the same checks hold for both builds.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <string>

#include "colour/automation_date.h"
#include "colour/local_clock.h"
#include "colour/sun_schedule.h"
#include "platform/local_time.h"
#include "platform/timezone.h"

using namespace tintel;
using platform::LocalDateTime;
using platform::ZoneState;

namespace {

struct ZoneCase {
    const char* name;
    ZoneState january;  // 15 January, 12:00 local
    ZoneState july;     // 15 July, 12:00 local
};

const ZoneCase kZones[] = {
    {"UTC", {0, 0}, {0, 0}},
    {"America/Denver", {-420, 0}, {-420, 60}},
    {"Europe/Berlin", {60, 0}, {60, 60}},
    // Southern summer time: daylight in January, standard in July.
    {"Australia/Sydney", {600, 60}, {600, 0}},
    {"Asia/Kolkata", {330, 0}, {330, 0}},
    {"America/St_Johns", {-210, 0}, {-210, 60}},
    // The C library's database marks Irish winter as daylight time with a negative shift; the
    // service reads it the way Windows describes the zone. (Native only: Wine 8 maps this TZ to a
    // UTC+1 zone without summer time.)
    {"Europe/Dublin", {0, 0}, {0, 60}},
};

// The zone this run is for, from TZ; null if TZ names none of them.
const ZoneCase* zoneOfThisRun() {
    const char* tz = std::getenv("TZ");
    if (tz == nullptr) return nullptr;
    for (const ZoneCase& zone : kZones) {
        if (std::string(tz) == zone.name) return &zone;
    }
    return nullptr;
}

LocalDateTime noon(int32_t year, int32_t month, int32_t day) {
    return {year, month, day, 12, 0, 0, 0};
}

}  // namespace

class TimeZoneService : public ::testing::Test {
protected:
    void SetUp() override {
        zone_ = zoneOfThisRun();
        ASSERT_NE(zone_, nullptr) << "run with TZ set to one of the zones of this test";
    }
    const ZoneCase* zone_ = nullptr;
};

TEST_F(TimeZoneService, StandardOffsetAndSummerShiftByDate) {
    for (const int32_t year : {2025, 2026, 2031}) {
        const ZoneState january = platform::timeZoneAt(noon(year, 1, 15));
        EXPECT_EQ(january.standardOffsetMinutes, zone_->january.standardOffsetMinutes) << year;
        EXPECT_EQ(january.daylightShiftMinutes, zone_->january.daylightShiftMinutes) << year;
        const ZoneState july = platform::timeZoneAt(noon(year, 7, 15));
        EXPECT_EQ(july.standardOffsetMinutes, zone_->july.standardOffsetMinutes) << year;
        EXPECT_EQ(july.daylightShiftMinutes, zone_->july.daylightShiftMinutes) << year;
    }
    // Through the schedule's own reading of a clock held in July.
    const SetLocalClock july(noon(2026, 7, 15));
    EXPECT_EQ(zoneOffsetMinutes(july.zone(), WithStandard::Yes, WithDaylight::No),
              static_cast<float>(zone_->july.standardOffsetMinutes));
    EXPECT_EQ(zoneOffsetMinutes(july.zone(), WithStandard::No, WithDaylight::Yes),
              static_cast<float>(zone_->july.daylightShiftMinutes));
}

TEST_F(TimeZoneService, PresentAgreesWithTheRulesAndTheClock) {
    // The zone now (GetTimeZoneInformation on Windows) is the rules' answer for the local time
    // now, unless a clock change falls between the two readings.
    const LocalDateTime local = platform::localNow();
    const ZoneState now = platform::currentTimeZone();
    const ZoneState byRule = platform::timeZoneAt(local);
    EXPECT_EQ(now.standardOffsetMinutes, byRule.standardOffsetMinutes);
    EXPECT_EQ(now.daylightShiftMinutes, byRule.daylightShiftMinutes);
    // The shift in force is none or the zone's summer shift (these zones keep one season each).
    const int32_t summerShift =
        zone_->january.daylightShiftMinutes + zone_->july.daylightShiftMinutes;
    EXPECT_TRUE(now.daylightShiftMinutes == 0 || now.daylightShiftMinutes == summerShift);
    EXPECT_EQ(zoneOffsetMinutes(WithStandard::Yes, WithDaylight::No),
              static_cast<float>(now.standardOffsetMinutes));

    // The local clock is UTC (from the C++ library) moved by the zone's whole offset.
    const double utcSeconds =
        std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
    const double utcDate = utcSeconds / 86400.0 + 25569.0;  // 1970-01-01 is automation day 25569
    const double localDate = automationDate(local);
    const double offsetMinutes = (localDate - utcDate) * 1440.0;
    EXPECT_NEAR(offsetMinutes, now.standardOffsetMinutes + now.daylightShiftMinutes, 0.2);
}

TEST_F(TimeZoneService, ScheduleOnTheRealZone) {
    // 19 May (day 139) keeps July's season in all these zones. Latitude 42, longitude -110: the
    // table's UTC times at 0 degrees plus 440 minutes of longitude, plus the zone's standard
    // offset and summer time.
    double utcRise = 0, utcSet = 0;
    sunTimesAtLatitude(42, 139, utcRise, utcSet);
    const SetLocalClock may(noon(2026, 5, 19));
    const ZoneState zone = zone_->july;
    SunTimes times;
    localSunTimes(readLocalTime(may, 0), 42, -110, may, times);
    EXPECT_DOUBLE_EQ(times.sunrise,
                     utcRise + 440 + zone.standardOffsetMinutes + zone.daylightShiftMinutes);
    EXPECT_DOUBLE_EQ(times.now, 720);
    // Longitude exactly 0: the zone's standard offset is not applied, its summer time is.
    localSunTimes(readLocalTime(may, 0), 42, 0, may, times);
    EXPECT_DOUBLE_EQ(times.sunset, utcSet + zone.daylightShiftMinutes);
}
