// The platform's time-zone service and local clock against the platform's real zone database
// (Windows zones under Wine, the C library's on Linux). CTest runs this program once per zone,
// with TZ naming it; Wine maps TZ to the Windows zone, so the same checks hold for both builds.
// The schedule on these zones is compared between the builds by the colour probe.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>

#include "colour/automation_date.h"
#include "colour/sun_schedule.h"
#include "platform/local_time.h"
#include "platform/timezone.h"

using namespace tintel;
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

class TimeZoneService : public ::testing::Test {
protected:
    void SetUp() override {
        const char* tz = std::getenv("TZ");
        for (const ZoneCase& zone : kZones)
            if (tz && std::string(tz) == zone.name) zone_ = &zone;
        ASSERT_NE(zone_, nullptr) << "run with TZ set to one of the zones of this test";
    }
    const ZoneCase* zone_ = nullptr;
};

}  // namespace

TEST_F(TimeZoneService, StandardOffsetAndSummerShiftByDate) {
    for (const int32_t year : {2025, 2026, 2031}) {
        for (const auto& [month, want] :
             {std::pair{1, zone_->january}, std::pair{7, zone_->july}}) {
            const ZoneState got = platform::timeZoneAt({year, month, 15, 12, 0, 0, 0});
            EXPECT_EQ(got.standardOffsetMinutes, want.standardOffsetMinutes)
                << year << "-" << month;
            EXPECT_EQ(got.daylightShiftMinutes, want.daylightShiftMinutes) << year << "-" << month;
        }
    }
}

TEST_F(TimeZoneService, PresentAgreesWithTheRulesAndTheClock) {
    // The zone now (GetTimeZoneInformation on Windows) is the rules' answer for the local time
    // now, unless a clock change falls between the two readings.
    const platform::LocalDateTime local = platform::localNow();
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
    const double offsetMinutes = (automationDate(local) - utcDate) * 1440.0;
    EXPECT_NEAR(offsetMinutes, now.standardOffsetMinutes + now.daylightShiftMinutes, 0.2);
}
