// The time-zone service on Windows: GetTimeZoneInformation for the present, and the zone's rules
// for a given year (GetTimeZoneInformationForYear) for any other moment.
#include <windows.h>

#include "platform/timezone.h"

namespace platform {
namespace {

// A SYSTEMTIME as 100 ns ticks, so two of them can be subtracted; false if it is not a valid date.
bool toTicks(const SYSTEMTIME& time, long long& ticks) {
    FILETIME file{};
    if (!SystemTimeToFileTime(&time, &file)) return false;
    ticks = (static_cast<long long>(file.dwHighDateTime) << 32) | file.dwLowDateTime;
    return true;
}

}  // namespace

// Bias is minutes west of UTC, so the standard offset east is -Bias. The return value
// TIME_ZONE_ID_DAYLIGHT (2) says daylight time is in force now; DaylightBias (normally -60) is
// then added to Bias, so the shift towards the east is -DaylightBias. StandardBias is not used.
ZoneState currentTimeZone() {
    TIME_ZONE_INFORMATION info{};
    const DWORD which = GetTimeZoneInformation(&info);
    if (which == TIME_ZONE_ID_INVALID) return {};
    ZoneState zone;
    zone.standardOffsetMinutes = static_cast<int32_t>(-info.Bias);
    if (which == TIME_ZONE_ID_DAYLIGHT)
        zone.daylightShiftMinutes = static_cast<int32_t>(-info.DaylightBias);
    return zone;
}

// The year's rules convert the local time to UTC; daylight time is in force when the offset that
// results is the daylight one (Bias + DaylightBias) and the zone keeps daylight time at all.
ZoneState timeZoneAt(const LocalDateTime& local) {
    TIME_ZONE_INFORMATION info{};
    if (local.year < 1601 || local.year > 30827 ||
        !GetTimeZoneInformationForYear(static_cast<USHORT>(local.year), nullptr, &info)) {
        return currentTimeZone();
    }
    SYSTEMTIME localTime{};
    localTime.wYear = static_cast<WORD>(local.year);
    localTime.wMonth = static_cast<WORD>(local.month);
    localTime.wDay = static_cast<WORD>(local.day);
    localTime.wHour = static_cast<WORD>(local.hour);
    localTime.wMinute = static_cast<WORD>(local.minute);
    localTime.wSecond = static_cast<WORD>(local.second);
    SYSTEMTIME utcTime{};
    long long localTicks = 0;
    long long utcTicks = 0;
    if (!TzSpecificLocalTimeToSystemTime(&info, &localTime, &utcTime) ||
        !toTicks(localTime, localTicks) || !toTicks(utcTime, utcTicks)) {
        return currentTimeZone();
    }
    const long long offsetMinutes = (localTicks - utcTicks) / 600000000LL;
    ZoneState zone;
    zone.standardOffsetMinutes = static_cast<int32_t>(-info.Bias);
    const bool keepsDaylight = info.DaylightDate.wMonth != 0 && info.DaylightBias != 0;
    if (keepsDaylight && offsetMinutes == -(info.Bias + info.DaylightBias)) {
        zone.daylightShiftMinutes = static_cast<int32_t>(-info.DaylightBias);
    }
    return zone;
}

}  // namespace platform
