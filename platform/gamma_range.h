// The platform's extended gamma range setting (read side).
#pragma once

namespace platform {

// True when the platform's wider gamma range is switched on. Always true where the platform puts
// no limit on gamma ramps (X11): every temperature is available there.
bool isWideGammaRangeEnabled();
// Whether the range is a setting that can be switched at all (Windows); false where it is always
// open (Linux), so there is nothing to restore or ask about.
bool gammaRangeSwitchable();

}  // namespace platform
