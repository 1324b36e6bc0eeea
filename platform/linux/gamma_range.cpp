#include "platform/gamma_range.h"

#include <unistd.h>

namespace platform {

// X11 puts no colour-temperature limit on gamma ramps: the extended range is always there.
bool isWideGammaRangeEnabled() {
    return true;
}

bool gammaRangeSwitchable() {
    return false;
}

// There is no machine-wide setting to write.
bool writeWideGammaRange(bool) {
    return false;
}

bool isUserAdministrator() {
    return geteuid() == 0;
}

int platformMajorVersion() {
    return 0;
}

bool startElevated(const std::string&, bool) {
    return false;
}

// The program never restarts a Linux machine: nothing there needs it.
int32_t restartComputer() {
    return -1;
}

}  // namespace platform
