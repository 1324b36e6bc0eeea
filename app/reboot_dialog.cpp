// PROVISIONAL until the dialog framework is merged.
#include "app/wide_gamma_switch.h"
#include "toolkit/toolkit.h"

namespace tintel {

bool offerRestartDialog() {
    return yt::Confirm("Restart your computer now to check it out?", nullptr,
                       "Tintel feature unlocked!");
}

}  // namespace tintel
