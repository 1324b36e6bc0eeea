// The extended gamma range switch. Reading the setting is done; switching it (elevation, both
// registry views, the restart prompt) is not built yet and says so instead of pretending.
#include "colour/wide_gamma.h"

#include <cstdio>

#include "platform/gamma_range.h"

namespace tintel {

bool isWideGammaRangeEnabled() {
    return platform::isWideGammaRangeEnabled();
}

bool gammaRangeSwitchable() {
    return platform::gammaRangeSwitchable();
}

int32_t enableWideGammaRange() {
    std::fputs("Tintel: switching on the extended gamma range is not built yet.\n", stderr);
    return -1;
}

int32_t restoreDefaultGammaRange() {
    std::fputs("Tintel: restoring the default gamma range is not built yet.\n", stderr);
    return -1;
}

}  // namespace tintel
