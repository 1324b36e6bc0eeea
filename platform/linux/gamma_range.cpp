#include "platform/gamma_range.h"

namespace platform {

// X11 has no machine-wide gamma limit to lift: the extended range is reported off.
bool isWideGammaRangeEnabled() {
    return false;
}

}  // namespace platform
