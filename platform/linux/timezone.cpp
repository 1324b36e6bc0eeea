// The time-zone service on Linux: the C library's zone database (TZ, else /etc/localtime).
//
// The database gives, for any instant, the total offset from UTC (tm_gmtoff, seconds east) and a
// daylight flag (tm_isdst). Windows instead gives a standard bias and a daylight bias. To answer
// the Windows way, the standard offset is taken as the smaller of the offsets the zone uses on
// 1 January and 1 July of the instant's year, and daylight time is in force when the instant uses
// the larger one. This keeps the northern and southern hemispheres alike and also reads zones
// whose database entry marks winter as daylight time with a negative shift (Europe/Dublin) the
// way Windows describes them: standard time in winter, one hour of summer time.
#include <time.h>

#include "platform/timezone.h"

namespace platform {
namespace {

// The zone's offset from UTC at an instant, in whole minutes east.
long offsetAt(time_t instant) {
    tm fields{};
    if (localtime_r(&instant, &fields) == nullptr) return 0;
    return fields.tm_gmtoff / 60;
}

// The instant of 12:00 UTC on a day of a year (month 1-based); timegm reads no zone setting.
time_t noonUtc(int year, int month, int day) {
    tm fields{};
    fields.tm_year = year - 1900;
    fields.tm_mon = month - 1;
    fields.tm_mday = day;
    fields.tm_hour = 12;
    return timegm(&fields);
}

// The zone's state at an instant, as described at the top of this file.
ZoneState zoneAtInstant(time_t instant) {
    tm fields{};
    if (localtime_r(&instant, &fields) == nullptr) return {};
    const int year = fields.tm_year + 1900;
    const long now = fields.tm_gmtoff / 60;
    const long january = offsetAt(noonUtc(year, 1, 1));
    const long july = offsetAt(noonUtc(year, 7, 1));
    const long low = january < july ? january : july;
    const long high = january < july ? july : january;

    ZoneState zone;
    if (low == high) {
        // No daylight saving this year (or a zone that keeps it all year): all standard.
        zone.standardOffsetMinutes = static_cast<int32_t>(now);
    } else if (now == high) {
        zone.standardOffsetMinutes = static_cast<int32_t>(low);
        zone.daylightShiftMinutes = static_cast<int32_t>(high - low);
    } else if (now == low || fields.tm_isdst <= 0) {
        zone.standardOffsetMinutes = static_cast<int32_t>(now);
    } else {
        // The zone changed its offsets within the year and the instant is in neither season's:
        // trust the database's daylight flag.
        zone.standardOffsetMinutes = static_cast<int32_t>(now - (high - low));
        zone.daylightShiftMinutes = static_cast<int32_t>(high - low);
    }
    return zone;
}

}  // namespace

ZoneState currentTimeZone() {
    tzset();  // read TZ afresh: localtime_r need not notice a change by itself
    return zoneAtInstant(time(nullptr));
}

ZoneState timeZoneAt(const LocalDateTime& local) {
    tzset();
    tm fields{};
    fields.tm_year = local.year - 1900;
    fields.tm_mon = local.month - 1;
    fields.tm_mday = local.day;
    fields.tm_hour = local.hour;
    fields.tm_min = local.minute;
    fields.tm_sec = local.second;
    fields.tm_isdst = -1;  // let the database decide whether daylight time is in force
    const time_t instant = mktime(&fields);
    if (instant == static_cast<time_t>(-1)) return currentTimeZone();
    return zoneAtInstant(instant);
}

}  // namespace platform
