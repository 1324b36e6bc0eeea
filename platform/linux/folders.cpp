// The per-user runtime folder on Linux: the XDG cache folder.
#include "platform/folders.h"
#include "platform/process.h"

namespace platform {

std::string userRuntimeFolder(const std::string& /*baseName*/) {
    // The XDG base directory rules ignore a relative path in the variable.
    std::string cache = environmentVariable("XDG_CACHE_HOME");
    if (cache.empty() || cache[0] != '/') {
        const std::string home = environmentVariable("HOME");
        if (home.empty()) return "";
        cache = home + "/.cache";
    }
    return cache + "/tintel/runtime";
}

}  // namespace platform
