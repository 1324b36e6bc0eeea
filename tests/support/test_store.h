// A private preferences root for one test: its own key under "Software\Brisbel" (and, on Linux,
// its own store folder), removed again afterwards.
#pragma once

#include <string>

#include "platform/prefs_store.h"

namespace testsupport {

class PrivateStore {
public:
    PrivateStore();
    ~PrivateStore();
    const std::string& root() const { return root_; }
    const std::string& folder() const { return folder_; }  // Linux: $XDG_CONFIG_HOME of the test

    // The value as the store holds it; false when absent or unreadable.
    static bool raw(const std::string& key, const std::string& name, platform::StoredValue* out);
    static void rawSet(const std::string& key, const std::string& name, uint32_t type,
                       const std::string& bytes);

private:
    std::string root_;
    std::string folder_;
};

// A fresh empty folder under the system's temporary folder.
std::string makeTempFolder();
void removeFolder(const std::string& path);

}  // namespace testsupport
