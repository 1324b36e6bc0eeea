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

// The fields in one comparable list.
std::array<int32_t, 8> fields(const CalendarFields& f) {
    return {f.year, f.month, f.day, f.hour, f.minute, f.second, f.dayOfWeek, f.dayOfYear};
}

}  // namespace

TEST(SunTable, ReferenceRowsHoldExactly) {
    const int32_t rows[][7] = {
        {0, 600, 738, 903, 1807, 1628, 1504},   {31, 610, 721, 815, 1817, 1707, 1612},
        {80, 604, 601, 558, 1810, 1814, 1818},  {120, 554, 451, 400, 1801, 1905, 1956},
        {172, 558, 413, 236, 1806, 1950, 2128}, {264, 550, 546, 543, 1756, 1759, 1802},
        {300, 540, 632, 710, 1747, 1655, 1616}, {355, 555, 735, 902, 1802, 1621, 1454},
        {365, 559, 738, 903, 1807, 1628, 1504},
    };
    for (const auto& row : rows) {
        for (int32_t array = 0; array < kSunTableArrays; ++array) {
            EXPECT_EQ(SunTable[array][row[0]], row[array + 1])
                << "entry " << row[0] << ", array " << array;
        }
    }
}

TEST(SunSchedule, LatitudeInterpolationAndExtrapolation) {
    double rise = 0;
    double set = 0;
    // The reference latitudes return their own entries; 45 takes the upper branch with f = 0.
    const struct {
        double latitude;
        int32_t riseArray, setArray;
    } exact[] = {
        {0, kSunrise0, kSunset0}, {45, kSunrise45, kSunset45}, {60, kSunrise60, kSunset60}};
    for (const auto& e : exact) {
        sunTimesAtLatitude(e.latitude, 172, rise, set);
        EXPECT_EQ(rise, tableMinutes(e.riseArray, 172));
        EXPECT_EQ(set, tableMinutes(e.setArray, 172));
    }
    // 30 degrees: two thirds of the way from 0 to 45 (21 June: 05:58 and 04:13, 18:06 and 19:50).
    sunTimesAtLatitude(30, 172, rise, set);
    EXPECT_DOUBLE_EQ(rise, 358 + (253 - 358) * (30.0 / 45));
    EXPECT_DOUBLE_EQ(set, 1086 + (1190 - 1086) * (30.0 / 45));
    // 52.5 degrees: half way from 45 to 60.
    sunTimesAtLatitude(52.5, 172, rise, set);
    EXPECT_DOUBLE_EQ(rise, (253 + 156) / 2.0);
    // 75 degrees in late June: the 45-60 line goes on, nothing clamped (rise 02:36 - 2 * 97 min).
    sunTimesAtLatitude(75, 172, rise, set);
    EXPECT_DOUBLE_EQ(rise, 253 + (156 - 253) * 2.0);
    EXPECT_DOUBLE_EQ(set, 1190 + (1288 - 1190) * 2.0);
    EXPECT_LT(rise, tableMinutes(kSunrise60, 172));
    EXPECT_GT(set, tableMinutes(kSunset60, 172));
}

TEST(SunSchedule, TheEntryReadForADayAndLatitude) {
    // The southern hemisphere reads half a year on (wrapping past 365), entries outside the
    // table are clamped, and a local date reads the entry of its day of the year.
    const struct {
        double latitude;
        int32_t day, riseArray, setArray, entry;
    } rows[] = {
        {-45, 183, kSunrise45, kSunset45, 365}, {-45, 184, kSunrise45, kSunset45, 1},
        {-45, 200, kSunrise45, kSunset45, 17},  {60, -7, kSunrise60, kSunset60, 0},
        {60, 5000, kSunrise60, kSunset60, 365}, {-60, 1 << 30, kSunrise60, kSunset60, 182},
    };
    for (const auto& row : rows) {
        double rise = 0, set = 0;
        sunTimesAtLatitude(row.latitude, row.day, rise, set);
        EXPECT_EQ(rise, tableMinutes(row.riseArray, row.entry)) << row.latitude << " " << row.day;
        EXPECT_EQ(set, tableMinutes(row.setArray, row.entry)) << row.latitude << " " << row.day;
    }
    double southRise = 0, southSet = 0, northRise = 0, northSet = 0;
    sunTimesAtLatitude(-30, 10, southRise, southSet);
    sunTimesAtLatitude(30, 192, northRise, northSet);
    EXPECT_EQ(southRise, northRise);
    EXPECT_EQ(southSet, northSet);

    // 31 December of a leap year is day 366 and reads entry 365; 1 January reads entry 1, or
    // 183 in the south.
    const struct {
        LocalDateTime date;
        float latitude;
        int32_t riseArray, setArray, entry;
    } dates[] = {{at(2024, 12, 31), 0, kSunrise0, kSunset0, 365},
                 {at(2024, 12, 30), 60, kSunrise60, kSunset60, 365},
                 {at(2025, 1, 1), 60, kSunrise60, kSunset60, 1},
                 {at(2025, 1, 1), -60, kSunrise60, kSunset60, 183}};
    for (const auto& d : dates) {
        const SunTimes t = sunTimes(d.date, d.latitude, 0, ZoneState{});
        EXPECT_EQ(t.sunrise, tableMinutes(d.riseArray, d.entry)) << d.date.day << " " << d.latitude;
        EXPECT_EQ(t.sunset, tableMinutes(d.setArray, d.entry)) << d.date.day << " " << d.latitude;
    }
}

TEST(SunSchedule, LongitudeZoneAndSummerTimeShifts) {
    // 19 May 2025 is day 139; the schedule reads entry 139.
    double utcRise = 0, utcSet = 0;
    sunTimesAtLatitude(42, 139, utcRise, utcSet);

    // Latitude 42, longitude -110, UTC-7 without summer time: shift = -440 + 420 = -20.
    SunTimes t = sunTimes(at(2025, 5, 19), 42, -110, ZoneState{-420, 0});
    EXPECT_DOUBLE_EQ(t.sunrise, utcRise + 20);
    EXPECT_DOUBLE_EQ(t.sunset, utcSet + 20);

    // The same with one hour of summer time: every result 60 minutes later, now unchanged.
    const SunTimes summer = sunTimes(at(2025, 5, 19), 42, -110, ZoneState{-420, 60});
    EXPECT_DOUBLE_EQ(summer.sunrise, t.sunrise + 60);
    EXPECT_DOUBLE_EQ(summer.sunset, t.sunset + 60);
    EXPECT_EQ(summer.now, t.now);

    // 13.4 E in UTC+1: shift = 53.6 - 60 = -6.4, so 6.4 minutes later than the table.
    t = sunTimes(at(2025, 5, 19), 42, 13.4f, ZoneState{60, 0});
    EXPECT_NEAR(t.sunrise, utcRise - (4 * 13.4 - 60), 1e-4);

    // Longitude exactly 0 takes the table times as local standard times whatever the zone; the
    // summer time still applies.
    for (const ZoneState zone : {ZoneState{0, 0}, ZoneState{330, 0}, ZoneState{-210, 0}}) {
        t = sunTimes(at(2025, 5, 19), 42, 0.0f, zone);
        EXPECT_EQ(t.sunrise, utcRise);
        EXPECT_EQ(t.sunset, utcSet);
    }
    t = sunTimes(at(2025, 5, 19), 42, 0.0f, ZoneState{600, 60});
    EXPECT_EQ(t.sunrise, utcRise + 60);
}

TEST(SunSchedule, NowIsTheClockPlusTheOffsetWithinADayOfSunrise) {
    SunTimes t = sunTimes(at(2025, 3, 3, 13, 45, 30), 45, 10, ZoneState{60, 0});
    EXPECT_DOUBLE_EQ(t.now, 13 * 60 + 45 + 0.5);
    t = sunTimes(at(2025, 3, 3, 13, 45, 30), 45, 10, ZoneState{60, 0}, 90.25);
    EXPECT_DOUBLE_EQ(t.now, 13 * 60 + 45 + 0.5 + 90.25);

    // Far west of its zone's meridian the sun rises late: at 179 W in UTC+12, the shift is
    // -716 - 720 = -1436 minutes, sunrise near 1800; ten past midnight is moved a day on.
    double utcRise = 0, utcSet = 0;
    sunTimesAtLatitude(0, 62, utcRise, utcSet);
    t = sunTimes(at(2025, 3, 3, 0, 10), 0, -179, ZoneState{720, 0});
    EXPECT_DOUBLE_EQ(t.sunrise, utcRise + 1436);
    EXPECT_DOUBLE_EQ(t.now, 10 + 1440);
    // And the other way: just before midnight far east of the meridian.
    t = sunTimes(at(2025, 3, 3, 23, 50), 0, 179, ZoneState{-720, 0});
    EXPECT_DOUBLE_EQ(t.sunrise, utcRise - 1436);
    EXPECT_DOUBLE_EQ(t.now, 23 * 60 + 50 - 1440);

    // Whatever the place, zone, time and offset, now ends within 1440 minutes of sunrise.
    for (float longitude = -180; longitude <= 180; longitude += 45) {
        for (int32_t zone = -720; zone <= 840; zone += 390) {
            for (double offset = -4000; offset <= 4000; offset += 333.3) {
                for (int32_t hour = 0; hour < 24; hour += 5) {
                    t = sunTimes(at(2025, 6, 1, hour, 7), 50, longitude, ZoneState{zone, 60},
                                 offset);
                    EXPECT_LE(std::fabs(t.now - t.sunrise), 1440)
                        << longitude << " " << zone << " " << offset << " " << hour;
                }
            }
        }
    }
}

TEST(AutomationDate, KnownDatesAndTheirBreakdownToTheNearestSecond) {
    EXPECT_EQ(automationDate(at(1899, 12, 30, 0)), 0.0);
    EXPECT_EQ(automationDate(at(2008, 1, 1, 12)), 39448.5);
    EXPECT_EQ(automationDate(at(1899, 12, 29, 6)), -1.25);
    EXPECT_EQ(automationDate(at(100, 1, 1, 0)), kFirstAutomationDay);
    EXPECT_EQ(automationDate(at(9999, 12, 31, 0)), kLastAutomationDay);

    // Before day 0 the fraction still counts forward from midnight: -1.25 is 29 December, 06:00.
    // Seconds round to the nearest, halves away from zero.
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
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.date);
        EXPECT_EQ(fields(breakDownAutomationDate(row.date)), fields(row.want));
    }
}

TEST(AutomationDate, OutOfRangeGivesZeroFields) {
    const double bad[] = {
        kFirstAutomationDay - 1.0, kLastAutomationDay + 1.0, 1e300, -1e300, std::nan(""), INFINITY};
    for (double date : bad)
        EXPECT_EQ(fields(breakDownAutomationDate(date)), fields({})) << date;
    EXPECT_EQ(breakDownAutomationDate(kFirstAutomationDay).year, 100);
    EXPECT_EQ(breakDownAutomationDate(kLastAutomationDay + 0.999).year, 9999);
    // A date out of range reads as day 0: entry 0 at 00:00, now just the offset.
    const SunTimes t = sunTimes(at(10000, 1, 1), 0, 0, ZoneState{}, 30);
    EXPECT_EQ(t.sunrise, tableMinutes(kSunrise0, 0));
    EXPECT_EQ(t.now, 30);
}

TEST(AutomationDate, RoundTripsAcrossCenturies) {
    int32_t days[] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
    for (int32_t year = 1600; year <= 2400; year += 7) {
        const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
        for (int32_t month = 1; month <= 12; ++month) {
            const int32_t day = 1 + (year + month * 5) % 28;
            const LocalDateTime local =
                at(year, month, day, (year + month) % 24, month * 4 % 60, (year * 7) % 60);
            CalendarFields f = breakDownAutomationDate(automationDate(local));
            f.dayOfWeek = 0;
            const int32_t dayOfYear = days[month - 1] + (leap && month > 2 ? 1 : 0) + day;
            ASSERT_EQ(fields(f), fields({year, month, day, local.hour, local.minute, local.second,
                                         0, dayOfYear}));
        }
    }
}
