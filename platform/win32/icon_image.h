// Icons made from the program's own pictures (the tray icon, the dialogs' icon).
#pragma once

#include <windows.h>

#include "platform/tray.h"

namespace platform {

// A 32-bit icon with alpha from a premultiplied image; null when the image is empty or the
// platform refuses. The caller destroys it.
HICON iconFromImage(const IconImage& image);

}  // namespace platform
