// The platform's time-zone service and local clock against the platform's real zone database
// (Windows zones under Wine, the C library's on Linux). CTest runs this program once per zone,
// with TZ naming it; Wine maps TZ to the Windows zone, so the same checks hold for both builds.
// The schedule on these zones is compared between the builds by the colour probe.
#include <gtest/gtest.h>

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
