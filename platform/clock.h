// Monotonic time for the toolkit clock.
#pragma once

#include <cstdint>

namespace platform {

// Ticks of the high-resolution monotonic counter, and how many of them make a second.
int64_t performanceCounter();
int64_t performanceFrequency();

}  // namespace platform
