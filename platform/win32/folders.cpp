// The per-user runtime folder on Windows: under the user's local application data.
#include <windows.h>
#include <shlobj.h>

#include "platform/folders.h"
#include "platform/process.h"

namespace platform {

std::string userRuntimeFolder(const std::string& baseName) {
    char path[MAX_PATH] = {};
    std::string local;
    if (SUCCEEDED(
            SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path)))
        local = path;
    else
        local = environmentVariable("LOCALAPPDATA");
    if (local.empty()) return "";
    return local + "\\Brisbel\\" + baseName + "\\runtime";
}

}  // namespace platform
