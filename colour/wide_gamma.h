// The platform's extended gamma range switch, as the start-up switches and menus use it.
#pragma once

#include <cstdint>
#include <string>

namespace tintel {

// Whether the extended range is switched on now (always on Linux, where ramps have no limit).
bool isWideGammaRangeEnabled();
// Whether the platform has a range setting to switch (false on Linux).
bool gammaRangeSwitchable();
// Switches the extended range on in both registry views (or hands over to an elevated copy of the
// program) and offers the restart; 0 when both views were opened or the copy was started, -1
// otherwise. A failing administrator check throws platform::PlatformError.
int32_t enableWideGammaRange();
// Deletes the setting from both views (through an elevated copy when needed, waited for) and says
// so; 0 as above.
int32_t restoreDefaultGammaRange();

// What the switch does beyond the registry, each replaceable: the platform's own operations and
// the two prompts, which the program installs (the restart dialog and the "Back to normal" box).
// Tests put stand-ins here, so that no test restarts or elevates the machine it runs on.
struct WideGammaActions {
    bool (*isUserAdministrator)();
    int (*platformMajorVersion)();
    bool (*startElevated)(const std::string& parameters, bool wait);
    int32_t (*restartComputer)();
    // Shows the restart dialog; true when "Restart Now" was chosen.
    bool (*offerRestart)();
    // Shows that the default range is back.
    void (*reportRestored)();
};
WideGammaActions& wideGammaActions();

}  // namespace tintel
