// Where the program keeps files: the per-user folder that stands in for the runtime folder when the
// executable's own folder cannot be written (an installed program).
#pragma once

#include <string>

namespace platform {

// The per-user runtime folder for the executable named `baseName` (not created here): Windows
// "%LOCALAPPDATA%\Brisbel\<baseName>\runtime", Linux "$XDG_CACHE_HOME/tintel/runtime" (default
// ~/.cache). Empty when the platform names no such folder.
std::string userRuntimeFolder(const std::string& baseName);

}  // namespace platform
