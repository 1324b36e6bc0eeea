#include <windows.h>

#include "platform/local_time.h"

namespace platform {

// GetLocalTime: the system clock in the zone the system is set to.
LocalDateTime localNow() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    LocalDateTime local;
    local.year = now.wYear;
    local.month = now.wMonth;
    local.day = now.wDay;
    local.hour = now.wHour;
    local.minute = now.wMinute;
    local.second = now.wSecond;
    local.millisecond = now.wMilliseconds;
    return local;
}

}  // namespace platform
