// The extended gamma range switch's prompts: the restart dialog and the "Back to normal" box.
#pragma once

#include <cstdint>

namespace tintel {

// The restart dialog (template 112): "Restart Now" recorded, "Later" just closes it.
bool offerRestartDialog();
// The information box that the default range is back.
void reportDefaultRangeRestored();
// Puts the two prompts into the switch's actions (start-up does this before anything else).
void installWideGammaPrompts();

}  // namespace tintel
