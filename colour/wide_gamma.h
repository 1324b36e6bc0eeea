// The platform's extended gamma range switch, as the start-up switches and menus use it.
#pragma once

#include <cstdint>

namespace tintel {

// Whether the extended range is switched on now (always on Linux, where ramps have no limit).
bool isWideGammaRangeEnabled();
// Whether the platform has a range setting to switch (false on Linux).
bool gammaRangeSwitchable();
// Switches the extended range on; 0 on success, -1 otherwise.
int32_t enableWideGammaRange();
// Restores the platform's default range; 0 on success, -1 otherwise.
int32_t restoreDefaultGammaRange();

}  // namespace tintel
