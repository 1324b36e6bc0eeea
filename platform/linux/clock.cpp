#include <time.h>

#include "platform/clock.h"

namespace platform {

// CLOCK_MONOTONIC in nanoseconds: never jumps with the wall clock.
int64_t performanceCounter() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

int64_t performanceFrequency() {
    return 1000000000;
}

}  // namespace platform
