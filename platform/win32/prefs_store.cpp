// The Windows preferences store: the registry itself.
#include <windows.h>

#include "platform/prefs_store.h"

namespace platform {
namespace {

HKEY rootOf(Hive hive) {
    return hive == Hive::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

class RegistryKey : public PrefsKey {
public:
    explicit RegistryKey(HKEY key) : key_(key) {}
    ~RegistryKey() override { RegCloseKey(key_); }

    int32_t query(const std::string& name, size_t maxSize, StoredValue* out) override {
        DWORD type = 0;
        DWORD size = static_cast<DWORD>(maxSize);
        std::vector<uint8_t> buffer(maxSize ? maxSize : 1);
        const LONG status =
            RegQueryValueExA(key_, name.c_str(), nullptr, &type, buffer.data(), &size);
        if (status != ERROR_SUCCESS) return status;
        buffer.resize(size);
        out->type = type;
        out->data = std::move(buffer);
        return kStoreOk;
    }

    int32_t queryOrCreate(const std::string& name, size_t maxSize, const StoredValue& fallback,
                          StoredValue* out) override {
        const int32_t status = query(name, maxSize, out);
        if (status == ERROR_FILE_NOT_FOUND) set(name, fallback);
        return status;
    }

    int32_t set(const std::string& name, const StoredValue& value) override {
        return RegSetValueExA(key_, name.c_str(), 0, value.type, value.data.data(),
                              static_cast<DWORD>(value.data.size()));
    }

    int32_t remove(const std::string& name) override { return RegDeleteValueA(key_, name.c_str()); }

private:
    HKEY key_;
};

}  // namespace

std::unique_ptr<PrefsKey> openPrefsKey(Hive hive, const std::string& path, KeyAccess access,
                                       int32_t* error) {
    HKEY key = nullptr;
    const REGSAM sam = access == KeyAccess::Full ? KEY_ALL_ACCESS : KEY_READ;
    const LONG status = RegCreateKeyExA(rootOf(hive), path.c_str(), 0, nullptr,
                                        REG_OPTION_NON_VOLATILE, sam, nullptr, &key, nullptr);
    *error = status;
    if (status != ERROR_SUCCESS) return nullptr;
    return std::make_unique<RegistryKey>(key);
}

int32_t deletePrefsTree(Hive hive, const std::string& path) {
    return RegDeleteTreeA(rootOf(hive), path.c_str());
}

}  // namespace platform
