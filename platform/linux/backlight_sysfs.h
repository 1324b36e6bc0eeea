// Where the Linux backlight reader looks for devices: the kernel's backlight class folder, or a
// folder tree laid out like it (tests hand in their own).
#pragma once

#include <string>

namespace platform {

// The folder whose preferred device (by type, then name) is read; "/sys/class/backlight" unless
// replaced.
std::string backlightClassRoot();
// Replaces that folder; an empty text restores the kernel's.
void setBacklightClassRoot(const std::string& root);

}  // namespace platform
