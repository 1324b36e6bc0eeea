#include <time.h>

#include "platform/local_time.h"

namespace platform {

// The realtime clock broken down in the zone of the C library (TZ, else /etc/localtime).
LocalDateTime localNow() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    tzset();  // localtime_r need not notice a changed TZ by itself
    tm fields{};
    if (localtime_r(&now.tv_sec, &fields) == nullptr) return {};
    LocalDateTime local;
    local.year = fields.tm_year + 1900;
    local.month = fields.tm_mon + 1;
    local.day = fields.tm_mday;
    local.hour = fields.tm_hour;
    local.minute = fields.tm_min;
    // A leap second (tm_sec 60) is counted as the last second of its minute, as Windows does.
    local.second = fields.tm_sec > 59 ? 59 : fields.tm_sec;
    local.millisecond = static_cast<int32_t>(now.tv_nsec / 1000000);
    return local;
}

}  // namespace platform
