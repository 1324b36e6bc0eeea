// The extended gamma range switch as the program shows it: the restart dialog, the "Back to
// normal" box, and the menu and panel entry that switches the range on.
#include "app/wide_gamma_switch.h"

#include <cstdio>

#include "app/tintel_ui.h"
#include "base/debug_log.h"
#include "colour/wide_gamma.h"
#include "platform/gamma_range.h"
#include "toolkit/toolkit.h"

namespace tintel {

void reportDefaultRangeRestored() {
    yt::Note(
        "Windows color temperature limits have been restored to Windows defaults. Settings "
        "will apply on next Windows restart.",
        nullptr, "Back to normal");
}

void installWideGammaPrompts() {
    WideGammaActions& actions = wideGammaActions();
    actions.offerRestart = offerRestartDialog;
    actions.reportRestored = reportDefaultRangeRestored;
}

void TintelUI::expandColourRange() {
    try {
        enableWideGammaRange();
    } catch (const platform::PlatformError& error) {
        base::DebugLog("Expand Color Range: %s failed with error %u", error.what(), error.code());
        std::fprintf(stderr, "Tintel: the administrator check failed (%s, error %u).\n",
                     error.what(), error.code());
    }
}

}  // namespace tintel
