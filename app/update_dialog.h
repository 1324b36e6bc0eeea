// The update prompt: "Tintel has an update available. Get it now?" with the feed's message and
// the answers Update Now, Later and Skip. Shown modally on the pump's thread, without an owner.
#pragma once

#include <string>

#include "app/update.h"

namespace tintel {

UpdateAnswer RunUpdateDialog(const std::string& message);

}  // namespace tintel
