#include "tests/support/test_store.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>

#include "platform/process.h"
#include "toolkit/toolkit.h"

namespace testsupport {

std::string makeTempFolder() {
    static std::atomic<int> counter{0};
    const auto path = std::filesystem::temp_directory_path() /
                      ("tintel-test-" + std::to_string(platform::currentProcessId()) + "-" +
                       std::to_string(counter++));
    std::filesystem::remove_all(path);
    std::filesystem::create_directories(path);
    return path.string();
}

void removeFolder(const std::string& path) {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
}

PrivateStore::PrivateStore() {
    static std::atomic<int> counter{0};
    const std::string name = "tintel-test-" + std::to_string(platform::currentProcessId()) + "-" +
                             std::to_string(counter++);
    folder_ = makeTempFolder();
    platform::setEnvironmentVariable("XDG_CONFIG_HOME", folder_);
    yt::SetRegistryBaseName(name);
    root_ = yt::RegistryBase();
}

PrivateStore::~PrivateStore() {
    platform::deletePrefsTree(platform::Hive::CurrentUser, root_);
    removeFolder(folder_);
}

bool PrivateStore::raw(const std::string& key, const std::string& name,
                       platform::StoredValue* out) {
    int32_t error = 0;
    auto k = platform::openPrefsKey(platform::Hive::CurrentUser, key, platform::KeyAccess::ReadOnly,
                                    &error);
    return k && k->query(name, 1 << 20, out) == platform::kStoreOk;
}

void PrivateStore::rawSet(const std::string& key, const std::string& name, uint32_t type,
                          const std::string& bytes) {
    int32_t error = 0;
    auto k =
        platform::openPrefsKey(platform::Hive::CurrentUser, key, platform::KeyAccess::Full, &error);
    ASSERT_TRUE(k) << "error " << error;
    platform::StoredValue value;
    value.type = type;
    value.data.assign(bytes.begin(), bytes.end());
    ASSERT_EQ(k->set(name, value), platform::kStoreOk);
}

}  // namespace testsupport
