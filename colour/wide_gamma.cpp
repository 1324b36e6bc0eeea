// The extended gamma range switch: administrator rights or an elevated copy of the program, the
// setting in both registry views, the restart prompt and the "Back to normal" report.
#include "colour/wide_gamma.h"

#include "platform/gamma_range.h"

namespace tintel {
namespace {

// Platforms from major version 6 on run programs without administrator rights by default.
constexpr int kElevatingMajorVersion = 6;

bool mustElevate(const WideGammaActions& actions) {
    return actions.platformMajorVersion() >= kElevatingMajorVersion &&
           !actions.isUserAdministrator();
}

}  // namespace

WideGammaActions& wideGammaActions() {
    static WideGammaActions actions{
        .isUserAdministrator = platform::isUserAdministrator,
        .platformMajorVersion = platform::platformMajorVersion,
        .startElevated = platform::startElevated,
        .restartComputer = platform::restartComputer,
        // No prompts until the program installs its own.
        .offerRestart = [] { return false; },
        .reportRestored = [] {},
    };
    return actions;
}

bool isWideGammaRangeEnabled() {
    return platform::isWideGammaRangeEnabled();
}

bool gammaRangeSwitchable() {
    return platform::gammaRangeSwitchable();
}

int32_t enableWideGammaRange() {
    // Where the range is always open there is nothing to switch on.
    if (!platform::gammaRangeSwitchable()) return 0;
    const WideGammaActions& actions = wideGammaActions();
    if (mustElevate(actions)) {
        // The elevated copy does the rest, prompt included; a refusal changes nothing.
        actions.startElevated("/unlockwingamma", false);
        return 0;
    }
    const bool bothOpened = platform::writeWideGammaRange(true);
    if (actions.offerRestart()) actions.restartComputer();
    return bothOpened ? 0 : -1;
}

int32_t restoreDefaultGammaRange() {
    if (!platform::gammaRangeSwitchable()) return 0;
    const WideGammaActions& actions = wideGammaActions();
    if (mustElevate(actions)) {
        actions.startElevated("/adminlockwingamma", true);
        return 0;
    }
    const bool bothOpened = platform::writeWideGammaRange(false);
    actions.reportRestored();
    return bothOpened ? 0 : -1;
}

}  // namespace tintel
