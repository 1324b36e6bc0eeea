#include "platform/gamma_range.h"

namespace platform {

// X11 puts no colour-temperature limit on gamma ramps: the extended range is always there.
bool isWideGammaRangeEnabled() {
    return true;
}

bool gammaRangeSwitchable() {
    return false;
}

}  // namespace platform
