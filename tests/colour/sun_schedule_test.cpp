// The solar schedule: the built-in table's reference rows, interpolation in latitude, the southern
// hemisphere, the local shifts for longitude, zone and summer time, where now stands, and the
// automation-date breakdown the schedule reads the local date with.
#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "colour/automation_date.h"
#include "colour/local_clock.h"
#include "colour/sun_schedule.h"
#include "colour/sun_table.h"

using namespace tintel;
using platform::LocalDateTime;
using platform::ZoneState;

namespace {

LocalDateTime at(int32_t year, int32_t month, int32_t day, int32_t hour = 12, int32_t minute = 0,
                 int32_t second = 0) {
    return {year, month, day, hour, minute, second, 0};
}

// The table's times of one entry, in minutes, in the table's array order.
double tableMinutes(int32_t array, int32_t entry) {
    return hhmmToMinutes(SunTable[array][entry]);
}

// localSunTimes at a local date and time with a given zone.
SunTimes sunTimes(const LocalDateTime& local, float latitude, float longitude,
                  const ZoneState& zone, double offsetMinutes = 0) {
    const SetLocalClock clock(local, zone);
    SunTimes times;
    localSunTimes(readLocalTime(clock, offsetMinutes), latitude, longitude, clock, times);
    return times;
}

std::array<int32_t, 8> fields(const CalendarFields& f) {
    return {f.year, f.month, f.day, f.hour, f.minute, f.second, f.dayOfWeek, f.dayOfYear};
}

}  // namespace

TEST(SunSchedule, LatitudeInterpolationAndExtrapolation) {
    // 21 June (entry 172): rise 05:58, 04:13, 02:36 and set 18:06, 19:50, 21:28 at 0, 45, 60.
    const struct {
        double latitude, rise, set;
    } rows[] = {
        {0, 358, 1086},
        {45, 253, 1190},
        {60, 156, 1288},
        {30, 358 - 105 * (30.0 / 45), 1086 + 104 * (30.0 / 45)},  // two thirds from 0 to 45
        {52.5, (253 + 156) / 2.0, (1190 + 1288) / 2.0},
        {75, 253 - 97 * 2.0, 1190 + 98 * 2.0},  // the 45-60 line goes on, nothing clamped
    };
    for (const auto& row : rows) {
        double rise = 0, set = 0;
        sunTimesAtLatitude(row.latitude, 172, rise, set);
        EXPECT_DOUBLE_EQ(rise, row.rise) << row.latitude;
        EXPECT_DOUBLE_EQ(set, row.set) << row.latitude;
    }
}

TEST(SunSchedule, LongitudeZoneSummerTimeAndWhereNowStands) {
    // Each row: where and when, and the expected shift of the table's times (4 minutes a degree
    // west, less the zone's standard offset, plus its summer time) and now.
    const struct {
        LocalDateTime local;
        float longitude;
        ZoneState zone;
        double offset, shift, now;
    } rows[] = {
        {at(2025, 5, 19), -110, {-420, 0}, 0, 20, 720},   // -440 + 420 = -20
        {at(2025, 5, 19), -110, {-420, 60}, 0, 80, 720},  // summer time: an hour later
        {at(2025, 5, 19), 13.4f, {60, 0}, 0, 6.4, 720},   // 53.6 - 60 = -6.4
        {at(2025, 5, 19), 0, {330, 0}, 0, 0, 720},        // longitude 0: the table's times
        {at(2025, 5, 19), 0, {-210, 0}, 0, 0, 720},       // whatever the zone,
        {at(2025, 5, 19), 0, {600, 60}, 0, 60, 720},      // but with its summer time
        {at(2025, 5, 19, 13, 45, 30), 0, {}, 90.25, 0, 825.5 + 90.25},
        // Far west of the zone's meridian: sunrise near 1800, so ten past midnight moves a day on;
        // far east, just before midnight moves a day back.
        {at(2025, 5, 19, 0, 10), -179, {720, 0}, 0, 1436, 10 + 1440},
        {at(2025, 5, 19, 23, 50), 179, {-720, 0}, 0, -1436, 1430 - 1440},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.longitude << " " << row.zone.standardOffsetMinutes
                                        << " " << row.local.hour);
        double utcRise = 0, utcSet = 0;
        sunTimesAtLatitude(42, 139, utcRise, utcSet);  // 19 May is day 139
        const SunTimes t = sunTimes(row.local, 42, row.longitude, row.zone, row.offset);
        EXPECT_NEAR(t.sunrise, utcRise + row.shift, 1e-4);
        EXPECT_NEAR(t.sunset, utcSet + row.shift, 1e-4);
        EXPECT_DOUBLE_EQ(t.now, row.now);
    }
    // Whatever the place, zone, time and offset, now ends within 1440 minutes of sunrise.
    for (float longitude = -180; longitude <= 180; longitude += 45)
        for (int32_t zone = -720; zone <= 840; zone += 390)
            for (double offset = -4000; offset <= 4000; offset += 333.3)
                for (int32_t hour = 0; hour < 24; hour += 5) {
                    const SunTimes t = sunTimes(at(2025, 6, 1, hour, 7), 50, longitude,
                                                ZoneState{zone, 60}, offset);
                    EXPECT_LE(std::fabs(t.now - t.sunrise), 1440)
                        << longitude << " " << zone << " " << offset << " " << hour;
                }
}

TEST(AutomationDate, KnownDatesBreakdownsAndTheRangeEnds) {
    EXPECT_EQ(automationDate(at(1899, 12, 30, 0)), 0.0);
    EXPECT_EQ(automationDate(at(2008, 1, 1, 12)), 39448.5);
    EXPECT_EQ(automationDate(at(1899, 12, 29, 6)), -1.25);
    EXPECT_EQ(automationDate(at(100, 1, 1, 0)), kFirstAutomationDay);
    EXPECT_EQ(automationDate(at(9999, 12, 31, 0)), kLastAutomationDay);

    // Before day 0 the fraction still counts forward from midnight: -1.25 is 29 December, 06:00.
    // Seconds round to the nearest, halves away from zero. Out of range: all fields 0.
    const double second = 1 / 86400.0;
    const struct {
        double date;
        CalendarFields want;  // year, month, day, hour, minute, second, day of week, of year
    } rows[] = {
        {39448.75, {2008, 1, 1, 18, 0, 0, 2, 1}},  // a Tuesday
        {-1.25, {1899, 12, 29, 6, 0, 0, 5, 363}},
        {39448 + 86399.6 * second, {2008, 1, 2, 0, 0, 0, 3, 2}},
        {39448 + 1.4 * second, {2008, 1, 1, 0, 0, 1, 2, 1}},
        {39448 + 1.6 * second, {2008, 1, 1, 0, 0, 2, 2, 1}},
        {-1 - 0.4 * second, {1899, 12, 29, 0, 0, 0, 5, 363}},
        {-1 - 0.6 * second, {1899, 12, 29, 0, 0, 1, 5, 363}},
        {kFirstAutomationDay, {100, 1, 1, 0, 0, 0, 5, 1}},
        {kFirstAutomationDay - 1.0, {}},
        {kLastAutomationDay + 1.0, {}},
        {1e300, {}},
        {-1e300, {}},
        {std::nan(""), {}},
        {INFINITY, {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.date);
        EXPECT_EQ(fields(breakDownAutomationDate(row.date)), fields(row.want));
    }
    EXPECT_EQ(breakDownAutomationDate(kLastAutomationDay + 0.999).year, 9999);
    // A date out of range reads as day 0: entry 0 at 00:00, now just the offset.
    const SunTimes t = sunTimes(at(10000, 1, 1), 0, 0, ZoneState{}, 30);
    EXPECT_EQ(t.sunrise, tableMinutes(kSunrise0, 0));
    EXPECT_EQ(t.now, 30);
}
