// The platform's local wall clock: the calendar date and time of the user's time zone.
#pragma once

#include <cstdint>

namespace platform {

// A local calendar date and time, as the platform's clock breaks it down.
struct LocalDateTime {
    int32_t year = 0;         // e.g. 2008
    int32_t month = 0;        // 1 = January
    int32_t day = 0;          // 1 .. 31
    int32_t hour = 0;         // 0 .. 23
    int32_t minute = 0;       // 0 .. 59
    int32_t second = 0;       // 0 .. 59
    int32_t millisecond = 0;  // 0 .. 999
};

// The local date and time now (GetLocalTime; the C library's localtime_r on Linux).
LocalDateTime localNow();

}  // namespace platform
